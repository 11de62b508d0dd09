// The store on both back ends: the terminal's SQLite file and a private
// PostgreSQL server. Every test runs against each.
#include "PrivatePostgres.h"
#include "store/HistoryQuery.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ledger;

namespace {

PrivatePostgres &server()
{
    static PrivatePostgres instance;
    return instance;
}

IssuedNote note(const QString &customer, const QString &slip, QDate date, const QString &total)
{
    IssuedNote n;
    n.note.customerName = customer;
    n.note.slipNo = slip;
    n.note.issueDate = date;
    n.note.subtotal = total;
    n.note.tax = QStringLiteral("0");
    n.note.total = total;
    n.note.rows[0].item = QStringLiteral("りんご");
    n.addressLines = {QStringLiteral("東京都千代田区"), QString(), QStringLiteral("1-1")};
    return n;
}

// A raw look into a store, past the ledger.
QVariant rawValue(const StoreTarget &t, const QString &sql)
{
    QVariant v;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(t.shared() ? QStringLiteral("QPSQL")
                                                               : QStringLiteral("QSQLITE"),
                                                    QStringLiteral("raw"));
        if (t.shared())
            db.setConnectOptions(t.location);
        else
            db.setDatabaseName(t.location);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                v = q.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return v;
}

class StoreTest : public ::testing::TestWithParam<StoreTarget::Kind>
{
protected:
    void SetUp() override
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "store_backends_test";
            static char *argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
        ASSERT_TRUE(dir.isValid());
        if (GetParam() == StoreTarget::Kind::Sqlite) {
            store = StoreTarget::sqlite(ledgerFilePath(dir.path()));
            return;
        }
        ASSERT_TRUE(server().error().isEmpty()) << server().error().toStdString();
        static int serial = 0;
        const QString name = QStringLiteral("shop_%1").arg(++serial);
        ASSERT_TRUE(server().createDatabase(name)) << server().error().toStdString();
        store = StoreTarget::postgres(server().connectString(name));
    }

    // The terminal's own file, beside whichever store the test runs on.
    StoreTarget local() const
    {
        return StoreTarget::sqlite(dir.filePath(QStringLiteral("terminal.db")));
    }

    QTemporaryDir dir;
    StoreTarget store;
};

std::string backEndName(const ::testing::TestParamInfo<StoreTarget::Kind> &info)
{
    return info.param == StoreTarget::Kind::Sqlite ? "SQLite" : "PostgreSQL";
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BackEnds, StoreTest,
                         ::testing::Values(StoreTarget::Kind::Sqlite, StoreTarget::Kind::Postgres),
                         backEndName);

TEST_P(StoreTest, SearchesAnswerAlikeOnEitherBackEnd)
{
    NoteLedger ledger(store);
    IssuedNote notes[] = {
        note(QStringLiteral("山田太郎"), QStringLiteral("101"), QDate(2026, 11, 1),
             QStringLiteral("1000")),
        note(QStringLiteral("佐藤一郎"), QStringLiteral("103"), QDate(2026, 11, 30),
             QStringLiteral("12000.5")),
        note(QStringLiteral("鈴木商店"), QStringLiteral("104"), QDate(2026, 12, 1),
             QStringLiteral("-500")),
        note(QStringLiteral("株式会社山田"), QStringLiteral("105"), QDate(2026, 12, 24),
             QStringLiteral("")),
        note(QStringLiteral("\"A&B\" 商会"), QStringLiteral("106"), QDate(2026, 10, 1),
             QStringLiteral("300")),
        note(QStringLiteral("ABC100%_商店"), QStringLiteral("107"), QDate(2026, 10, 2),
             QStringLiteral("300")),
    };
    notes[2].note.taxIncluded = true;
    const LedgerStatus st = ledger.record(std::span(notes));
    ASSERT_TRUE(st.ok()) << st.error.toStdString();
    struct Row
    {
        const char *name;
        QueryTexts texts;
        QStringList slips;
    };
    const Row rows[] = {
        {"all, newest first", {}, {"105", "104", "103", "101", "107", "106"}},
        {"date range", {"2026-11-15", "2026-12-01", "", "", "", ""}, {"104", "103"}},
        {"amounts as numbers", {"", "", "999", "12000.5", "", ""}, {"103", "101"}},
        {"negative amount; an empty total reads 0", {"", "", "", "0", "", ""}, {"105", "104"}},
        {"customer part", {"", "", "", "", "山田", ""}, {"105", "101"}},
        {"one character", {"", "", "", "", "商", ""}, {"104", "107", "106"}},
        {"three characters and more: the trigram index", {"", "", "", "", "田太郎", ""}, {"101"}},
        {"inside a longer name", {"", "", "", "", "会社山", ""}, {"105"}},
        {"quotes are text", {"", "", "", "", "\"A&B\"", ""}, {"106"}},
        {"LIKE's signs are text", {"", "", "", "", "0%_商", ""}, {"107"}},
        {"letter case counts", {"", "", "", "", "abc1", ""}, {}},
        {"absent", {"", "", "", "", "該当なし", ""}, {}},
        {"two characters nobody has", {"", "", "", "", "該当", ""}, {}},
        {"slip number", {"", "", "", "", "", "103"}, {"103"}},
        {"combined", {"2026-11-01", "2026-11-30", "500", "", "田", "101"}, {"101"}},
    };
    for (const Row &r : rows) {
        std::vector<NoteSummary> found;
        const LedgerStatus s = ledger.search(parseQuery(r.texts).query, -1, found);
        ASSERT_TRUE(s.ok()) << r.name << ": " << s.error.toStdString();
        QStringList slips;
        for (const NoteSummary &n : found) {
            slips << n.slipNo;
            EXPECT_EQ(n.taxIncluded, n.slipNo == "104") << r.name;
        }
        EXPECT_EQ(slips, r.slips) << r.name;
    }
    LedgerStatus loaded;
    const std::optional<IssuedNote> back = ledger.load(notes[1].id, loaded);
    ASSERT_TRUE(back) << loaded.error.toStdString();
    EXPECT_EQ(back->note.rows[0].item, "りんご");
    EXPECT_EQ(back->uid, notes[1].uid);
}

// A note whose answer was lost is kept, sent again and stored once; moving
// a whole local ledger twice stores each of its notes once, reprints still
// naming their originals.
TEST_P(StoreTest, SendingAgainNeverRecordsTwice)
{
    NoteLedger shared(store);
    NoteLedger terminal(local());
    IssuedNote lost = note(QStringLiteral("山田"), QStringLiteral("1"), QDate(2026, 12, 1),
                           QStringLiteral("100"));
    ASSERT_TRUE(shared.record(lost).ok()); // the server recorded it, the answer was lost
    ASSERT_TRUE(terminal.keepForSending(lost).ok());
    IssuedNote waiting = note(QStringLiteral("佐藤"), QStringLiteral("2"), QDate(2026, 12, 2),
                              QStringLiteral("200"));
    ASSERT_TRUE(terminal.keepForSending(waiting).ok());
    const QByteArray pdf = "%PDF-1.4 the note as sent %%EOF";
    ASSERT_TRUE(terminal.endPrint(waiting.id, true, QStringLiteral("2.pdf"), pdf).ok());
    int count = -1;
    ASSERT_TRUE(terminal.waitingCount(count).ok());
    EXPECT_EQ(count, 2);

    int sent = 0;
    const LedgerStatus st = terminal.sendTo(shared, false, sent);
    ASSERT_TRUE(st.ok()) << st.error.toStdString();
    EXPECT_EQ(sent, 2);
    ASSERT_TRUE(terminal.waitingCount(count).ok());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM notes")).toInt(), 2);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM note_customers")).toInt(), 2)
        << "a note sent later belongs to its customer as one recorded at once";
    const qint64 sentId =
        rawValue(store, QStringLiteral("SELECT id FROM notes WHERE slip_no = '2'")).toLongLong();
    QByteArray kept;
    QString keptName;
    ASSERT_TRUE(shared.keptPdf(sentId, kept, keptName).ok());
    EXPECT_EQ(kept, pdf) << "the PDF as sent goes with the note";

    // The whole local ledger, with a reprint, moved twice.
    IssuedNote reprint = waiting;
    reprint.reprintOf = waiting.id;
    ASSERT_TRUE(terminal.record(reprint).ok());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(terminal.sendTo(shared, true, sent).ok()) << round;
        EXPECT_EQ(sent, 3) << round;
    }
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM notes")).toInt(), 3);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM notes r JOIN notes o ON"
                                             " o.id = r.reprint_of WHERE o.slip_no = '2'"))
                  .toInt(),
              1);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM note_events WHERE kind ="
                                             " 'printed'"))
                  .toInt(),
              1);
}

TEST_P(StoreTest, NewerSchemaIsRefusedUntouched)
{
    {
        NoteLedger ledger(store);
        IssuedNote n =
            note(QStringLiteral("a"), QStringLiteral("1"), QDate(2026, 1, 1), QStringLiteral("1"));
        ASSERT_TRUE(ledger.record(n).ok());
    }
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT max(version) FROM schema_migrations")).toInt(),
              NoteLedger::schemaVersion);
    const QString newer = store.shared()
                              ? QStringLiteral("INSERT INTO schema_migrations VALUES (99, 'x')")
                              : QStringLiteral("PRAGMA user_version = 99");
    rawValue(store, newer);
    NoteLedger ledger(store);
    IssuedNote n =
        note(QStringLiteral("b"), QStringLiteral("2"), QDate(2026, 1, 2), QStringLiteral("2"));
    const LedgerStatus st = ledger.record(n);
    EXPECT_TRUE(st.error.contains(QLatin1String("newer"))) << st.error.toStdString();
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM notes")).toInt(), 1);
}

// Four terminals, each a process of its own with its own connection, take
// 250 numbers and record 250 notes at the same time.
TEST_P(StoreTest, FourTerminalsNeverShareANumber)
{
    constexpr int terminals = 4;
    constexpr int each = 250;
    { // The schema first, as the shop's first terminal makes it.
        qint64 unused = 0;
        ASSERT_TRUE(NoteLedger(store).nextNumber(QStringLiteral("slip"), 0, unused).ok());
    }
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> children;
    for (int t = 0; t < terminals; ++t) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Waits until every terminal is ready; _exit leaves the parent's
            // server and files alone.
            ::close(start[1]);
            char go = 0;
            (void)!::read(start[0], &go, 1);
            NoteLedger ledger(store);
            ledger.setBusyTimeout(30000);
            for (int k = 0; k < each; ++k) {
                qint64 number = 0;
                LedgerStatus st = ledger.nextNumber(QStringLiteral("slip"), 0, number);
                IssuedNote n = note(QStringLiteral("端末%1").arg(t), QString::number(number),
                                    QDate(2026, 12, 10), QStringLiteral("1"));
                const bool numbered = st.ok();
                if (st.ok())
                    st = ledger.record(n);
                if (!st.ok()) {
                    fprintf(stderr, "terminal %d (%s): %s\n", t, numbered ? "record" : "number",
                            qPrintable(st.error));
                    _exit(1);
                }
            }
            _exit(0);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]); // all start at once
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "terminal " << child;
    }
    const int all = terminals * each;
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM notes")).toInt(), all);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(DISTINCT slip_no) FROM notes")).toInt(),
              all);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(DISTINCT note_uid) FROM notes")).toInt(),
              all);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT max(CAST(slip_no AS INTEGER)) FROM notes"))
                  .toInt(),
              all + 1);
}

// A terminal killed while it records leaves whole notes only.
TEST_P(StoreTest, KilledTerminalLeavesNoPartialNote)
{
    int none = 0;
    ASSERT_TRUE(NoteLedger(store).waitingCount(none).ok()); // the schema, before the fork
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        NoteLedger ledger(store);
        for (int k = 0;; ++k) {
            IssuedNote n = note(QStringLiteral("山田"), QString::number(k), QDate(2026, 12, 1),
                                QStringLiteral("100"));
            ledger.record(n);
        }
    }
    for (int i = 0;
         i < 200 && rawValue(store, QStringLiteral("SELECT count(*) FROM notes")).toInt() < 20; ++i)
        usleep(20000);
    ::kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    NoteLedger ledger(store);
    std::vector<NoteSummary> all;
    ASSERT_TRUE(ledger.search({}, -1, all).ok());
    EXPECT_GE(all.size(), 20u);
    for (const NoteSummary &s : all) {
        LedgerStatus st;
        const std::optional<IssuedNote> n = ledger.load(s.id, st);
        ASSERT_TRUE(n) << st.error.toStdString();
        EXPECT_EQ(n->note.slipNo, s.slipNo);
    }
}

// The server stopped during a run of prints: each attempt gives up within
// the timeout, the notes wait in the terminal's outbox, and once the server
// is back each is stored once.
TEST(SharedStoreTest, ServerStoppedNotesWaitAndArriveOnce)
{
    ASSERT_TRUE(server().error().isEmpty()) << server().error().toStdString();
    ASSERT_TRUE(server().createDatabase(QStringLiteral("stopped")));
    const StoreTarget store =
        StoreTarget::postgres(server().connectString(QStringLiteral("stopped")));
    QTemporaryDir dir;
    NoteLedger shared(store);
    NoteLedger terminal(ledgerFilePath(dir.path()));
    IssuedNote first =
        note(QStringLiteral("前"), QStringLiteral("1"), QDate(2026, 12, 1), QStringLiteral("1"));
    ASSERT_TRUE(shared.record(first).ok());

    ASSERT_TRUE(server().stop()) << server().error().toStdString();
    for (int k = 2; k <= 4; ++k) {
        IssuedNote n = note(QStringLiteral("停止中"), QString::number(k), QDate(2026, 12, 1),
                            QStringLiteral("1"));
        QElapsedTimer timer;
        timer.start();
        const LedgerStatus st = shared.record(n);
        EXPECT_LT(timer.elapsed(), sharedStoreTimeoutMs + 500) << k;
        EXPECT_FALSE(st.ok()) << k;
        ASSERT_TRUE(terminal.keepForSending(n).ok()) << k;
    }
    int waiting = 0;
    ASSERT_TRUE(terminal.waitingCount(waiting).ok());
    EXPECT_EQ(waiting, 3);
    int sent = 0;
    EXPECT_FALSE(terminal.sendTo(shared, false, sent).ok()) << "still away";

    ASSERT_TRUE(server().start()) << server().error().toStdString();
    const LedgerStatus st = terminal.sendTo(shared, false, sent);
    ASSERT_TRUE(st.ok()) << st.error.toStdString();
    EXPECT_EQ(sent, 3);
    ASSERT_TRUE(terminal.sendTo(shared, false, sent).ok());
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(rawValue(store, QStringLiteral("SELECT count(*) FROM notes")).toInt(), 4);
}

// A server that falls silent is given up in time: by the connect timeout
// for a new connection, by the watchdog for one already open (the history
// window's); the open one answers again once the server does.
TEST(SharedStoreTest, SilentServerIsGivenUpInTime)
{
    ASSERT_TRUE(server().error().isEmpty()) << server().error().toStdString();
    ASSERT_TRUE(server().createDatabase(QStringLiteral("silent")));
    const StoreTarget store =
        StoreTarget::postgres(server().connectString(QStringLiteral("silent")));
    NoteLedger open(store);
    int none = 0;
    ASSERT_TRUE(open.waitingCount(none).ok()); // the schema, and the open connection
    for (const bool opened : {false, true}) {
        server().freeze(true);
        QElapsedTimer timer;
        timer.start();
        IssuedNote n =
            note(QStringLiteral("a"), QStringLiteral("1"), QDate(2026, 1, 1), QStringLiteral("1"));
        std::vector<NoteSummary> found;
        const LedgerStatus st =
            opened ? open.search({}, 1001, found) : NoteLedger(store).record(n);
        const qint64 elapsed = timer.elapsed();
        server().freeze(false);
        EXPECT_FALSE(st.ok()) << opened;
        EXPECT_LT(elapsed, sharedStoreTimeoutMs + 500) << opened;
        EXPECT_GE(elapsed, sharedStoreTimeoutMs - 1000) << opened << ": the timeout ended it";
    }
    std::vector<NoteSummary> found;
    const LedgerStatus again = open.search({}, 1001, found);
    EXPECT_TRUE(again.ok()) << again.error.toStdString();
}

TEST(SqliteStoreTest, NetworkFileSystemsAreRefused)
{
    struct Row
    {
        const char *name;
        long type;
        QString named; // empty: accepted
    };
    const Row rows[] = {
        {"NFS", 0x6969, "NFS"},
        {"SMB", 0x517B, "SMB/CIFS"},
        {"CIFS", 0xFF534D42, "SMB/CIFS"},
        {"SMB2", 0xFE534D42, "SMB/CIFS"},
        {"FUSE (sshfs and the like)", 0x65735546, "FUSE"},
        {"ext4", 0xEF53, ""},
    };
    QTemporaryDir dir;
    const auto realType = fileSystemTypeProvider;
    for (const Row &r : rows) {
        fileSystemTypeProvider = [&r](const QString &) { return r.type; };
        NoteLedger ledger(ledgerFilePath(dir.path()));
        IssuedNote n =
            note(QStringLiteral("a"), QStringLiteral("1"), QDate(2026, 1, 1), QStringLiteral("1"));
        const LedgerStatus st = ledger.record(n);
        EXPECT_EQ(st.ok(), r.named.isEmpty()) << r.name;
        if (!r.named.isEmpty()) {
            EXPECT_TRUE(st.error.contains(QStringLiteral("(%1)").arg(r.named))) << r.name;
            EXPECT_TRUE(st.error.contains(QLatin1String("DbConnect"))) << r.name;
        }
    }
    fileSystemTypeProvider = realType;
    EXPECT_EQ(QDir(dir.path()).entryList({"*.db"}, QDir::Files).size(), 1) << "only ext4 wrote";
}

// A ledger file as the program kept it before the shared store (schema 1):
// every row stays, each gains a uid, and the file moves over once.
TEST(SqliteStoreTest, LedgerOfSchemaOneKeepsEveryRow)
{
    QTemporaryDir dir;
    const StoreTarget old = StoreTarget::sqlite(ledgerFilePath(dir.path()));
    const QString columns = QStringLiteral(
        "printed_at, issued_on, slip_no, customer, zip, address, tel, subtotal, tax, total,"
        " tax_reg_no, layout, printer, copies, job_title, pdf_file, note_json");
    for (const QString &sql :
         {QStringLiteral(
              "CREATE TABLE notes (id INTEGER PRIMARY KEY AUTOINCREMENT,"
              " printed_at TEXT NOT NULL, issued_on TEXT NOT NULL, slip_no TEXT NOT NULL,"
              " customer TEXT NOT NULL, zip TEXT NOT NULL, address TEXT NOT NULL,"
              " tel TEXT NOT NULL, subtotal TEXT NOT NULL, tax TEXT NOT NULL,"
              " total TEXT NOT NULL, tax_reg_no TEXT NOT NULL, layout INTEGER NOT NULL,"
              " printer TEXT NOT NULL, copies INTEGER NOT NULL, job_title TEXT NOT NULL,"
              " pdf_file TEXT NOT NULL, note_json TEXT NOT NULL,"
              " reprint_of INTEGER REFERENCES notes(id))"),
          QStringLiteral("CREATE INDEX notes_issued_on ON notes(issued_on, customer, total)"),
          QStringLiteral("CREATE INDEX notes_slip_no ON notes(slip_no)"),
          QStringLiteral("CREATE INDEX notes_customer ON notes(customer)"),
          QStringLiteral("CREATE INDEX notes_total ON notes(CAST(total AS REAL))"),
          QStringLiteral("INSERT INTO notes (%1) VALUES ('2026-12-01T10:00:00+09:00', '2026-12-01',"
                         " '7', '山田', '', '', '', '100', '0', '100', '', 0, 'P', 1, 't', '',"
                         " '{\"note\":{\"taxIncluded\":true}}')")
              .arg(columns),
          QStringLiteral("INSERT INTO notes (%1, reprint_of) SELECT %1, id FROM notes")
              .arg(columns),
          QStringLiteral("PRAGMA user_version = 1")})
        rawValue(old, sql);
    ASSERT_EQ(rawValue(old, QStringLiteral("SELECT count(*) FROM notes")).toInt(), 2);

    NoteLedger ledger(old);
    std::vector<NoteSummary> all;
    const LedgerStatus st = ledger.search({}, -1, all);
    ASSERT_TRUE(st.ok()) << st.error.toStdString();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].reprintOf, all[1].id);
    EXPECT_TRUE(all[0].taxIncluded) << "the tax mode column is filled from the note";
    NoteQuery shortPart;
    shortPart.customer = QStringLiteral("山");
    ASSERT_TRUE(ledger.search(shortPart, -1, all).ok());
    EXPECT_EQ(all.size(), 2u) << "the earlier notes' names are known to a short part";
    EXPECT_EQ(rawValue(old, QStringLiteral("SELECT count(DISTINCT note_uid) FROM notes")).toInt(),
              2);
    EXPECT_EQ(rawValue(old, QStringLiteral("SELECT group_concat(version) FROM schema_migrations"))
                  .toString(),
              "2,3,4,5,6,7,8");
    ChainCheck check;
    ASSERT_TRUE(ledger.verifyRecords(check).ok());
    EXPECT_TRUE(check.ok()) << check.firstMismatch.toStdString();
    EXPECT_EQ(check.checked, 2) << "the earlier notes joined the chain";
}
