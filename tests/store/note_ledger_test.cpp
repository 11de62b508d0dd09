// The issued-notes ledger: recording, searching, loading, the schema and
// every way the file can fail.
#include "FileSizeLimit.h"
#include "store/HistoryQuery.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ledger;

namespace {

void ensureApp()
{
    // Qt SQL loads its drivers through the application object.
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "note_ledger_test";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

IssuedNote makeNote(const QString &customer, const QString &slip, QDate date, const QString &total)
{
    IssuedNote n;
    n.note.customerName = customer;
    n.note.slipNo = slip;
    n.note.issueDate = date;
    n.note.subtotal = total;
    n.note.tax = QStringLiteral("0");
    n.note.total = total;
    n.note.rows[0] = {QStringLiteral("A001"), QStringLiteral("りんご"), QStringLiteral("箱"),
                      QStringLiteral("2"),    QStringLiteral("1500"),   QStringLiteral("3000")};
    n.zip = QStringLiteral("100-0001");
    n.addressLines = {QStringLiteral("東京都千代田区"), QString(), QStringLiteral("1-1")};
    n.tel = QStringLiteral("03-1234-5678");
    n.layout = 1;
    n.printer = QStringLiteral("Fake");
    n.copies = 2;
    n.jobTitle =
        QStringLiteral("Kanro_Vey_1_1_%1-%2").arg(date.toString(QStringLiteral("yyyyMMdd")), slip);
    return n;
}

// A second connection to the same file, for locks and raw looks.
class RawConnection
{
public:
    explicit RawConnection(const QString &path)
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        db.open();
    }
    ~RawConnection()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    }
    QVariant value(const QString &sql)
    {
        QSqlQuery q(db);
        if (!q.exec(sql) || !q.next())
            return {};
        return q.value(0);
    }
    bool exec(const QString &sql)
    {
        QSqlQuery q(db);
        return q.exec(sql);
    }
    QSqlDatabase db;
};

class NoteLedgerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureApp();
        ASSERT_TRUE(dir.isValid());
        NoteLedger::nowProvider = [] { return QDateTime(QDate(2026, 12, 9), QTime(14, 30, 5)); };
    }
    void TearDown() override
    {
        NoteLedger::nowProvider = [] { return QDateTime::currentDateTime(); };
    }

public:
    QString path() const { return ledgerFilePath(dir.path()); }

protected:
    QTemporaryDir dir;
};

} // namespace

TEST_F(NoteLedgerTest, RecordsAndLoadsEveryColumn)
{
    NoteLedger ledger(path());
    IssuedNote n = makeNote(QStringLiteral("山田太郎"), QStringLiteral("123"), QDate(2026, 11, 3),
                            QStringLiteral("4730"));
    n.pdfFile = QStringLiteral("/x/納品書PDF/a.pdf");
    const LedgerStatus st = ledger.record(n);
    ASSERT_TRUE(st.ok()) << st.error.toStdString();
    EXPECT_GT(n.id, 0);

    std::vector<NoteSummary> all;
    ASSERT_TRUE(ledger.search({}, -1, all).ok());
    ASSERT_EQ(all.size(), 1u);
    const NoteSummary &s = all.front();
    EXPECT_EQ(s.printedAt, "2026-12-09T14:30:05+09:00");
    EXPECT_EQ(s.issuedOn, "2026-11-03");
    EXPECT_EQ(s.slipNo, "123");
    EXPECT_EQ(s.customer, "山田太郎");
    EXPECT_EQ(s.address, "東京都千代田区 1-1");
    EXPECT_EQ(s.total, "4730");
    EXPECT_EQ(s.layout, 1);
    EXPECT_EQ(s.copies, 2);
    EXPECT_EQ(s.jobTitle, "Kanro_Vey_1_1_20261103-123");
    EXPECT_EQ(s.pdfFile, "/x/納品書PDF/a.pdf");
    EXPECT_EQ(s.reprintOf, 0);

    LedgerStatus loadStatus;
    const std::optional<IssuedNote> back = ledger.load(n.id, loadStatus);
    ASSERT_TRUE(back.has_value()) << loadStatus.error.toStdString();
    EXPECT_EQ(back->note.rows[0].item, "りんご");
    EXPECT_EQ(back->note.rows[0].sales, "3000");
    EXPECT_EQ(back->note.issueDate, QDate(2026, 11, 3));
    EXPECT_EQ(back->addressLines[2], "1-1");
    EXPECT_EQ(back->zip, "100-0001");
    EXPECT_EQ(back->tel, "03-1234-5678");

    EXPECT_FALSE(ledger.load(n.id + 100, loadStatus).has_value());
    EXPECT_FALSE(loadStatus.ok());
}

TEST_F(NoteLedgerTest, SearchesByEachFieldAndCombined)
{
    NoteLedger ledger(path());
    struct Seed
    {
        const char *customer;
        const char *slip;
        QDate date;
        const char *total;
    };
    const Seed seeds[] = {
        {"山田太郎", "101", QDate(2026, 11, 1), "1000"},
        {"山田花子", "102", QDate(2026, 11, 15), "4730"},
        {"佐藤一郎", "103", QDate(2026, 11, 30), "12000.5"},
        {"鈴木商店", "104", QDate(2026, 12, 1), "-500"},
        {"株式会社山田", "1010", QDate(2026, 12, 24), "99999"},
    };
    for (const Seed &s : seeds) {
        IssuedNote n = makeNote(QString::fromUtf8(s.customer), QString::fromUtf8(s.slip), s.date,
                                QString::fromUtf8(s.total));
        ASSERT_TRUE(ledger.record(n).ok());
    }
    struct Row
    {
        const char *name;
        QueryTexts texts;
        QStringList slips; // expected, newest note date first
    };
    const Row rows[] = {
        {"no condition lists all, newest first", {}, {"1010", "104", "103", "102", "101"}},
        {"date range is inclusive at both ends",
         {"2026-11-15", "2026-11-30", "", "", "", ""},
         {"103", "102"}},
        {"date from only", {"2026/12/1", "", "", "", "", ""}, {"1010", "104"}},
        {"date to only, compact form", {"", "20261101", "", "", "", ""}, {"101"}},
        {"amount range compares numbers, not texts",
         {"", "", "1,000", "12000.5", "", ""},
         {"103", "102", "101"}},
        {"amount minimum only", {"", "", "５０００", "", "", ""}, {"1010", "103"}},
        {"negative amounts", {"", "", "", "0", "", ""}, {"104"}},
        {"customer substring anywhere", {"", "", "", "", "山田", ""}, {"1010", "102", "101"}},
        {"slip number is matched whole", {"", "", "", "", "", "101"}, {"101"}},
        {"date and customer combined", {"2026-11-10", "", "", "", "山田", ""}, {"1010", "102"}},
        {"all four combined", {"2026-11-01", "2026-11-30", "4000", "5000", "花子", "102"}, {"102"}},
        {"nothing matches", {"", "", "", "", "田中", ""}, {}},
    };
    for (const Row &r : rows) {
        const ParsedQuery p = parseQuery(r.texts);
        ASSERT_TRUE(p.error.isEmpty()) << r.name;
        std::vector<NoteSummary> found;
        ASSERT_TRUE(ledger.search(p.query, -1, found).ok()) << r.name;
        QStringList slips;
        for (const NoteSummary &s : found)
            slips << s.slipNo;
        EXPECT_EQ(slips, r.slips) << r.name;
    }
    std::vector<NoteSummary> two;
    ASSERT_TRUE(ledger.search({}, 2, two).ok());
    EXPECT_EQ(two.size(), 2u) << "limit";
}

TEST(HistoryQueryTest, FieldTexts)
{
    struct Row
    {
        const char *name;
        QueryTexts texts;
        QString error;
    };
    const Row rows[] = {
        {"blank fields", {" ", "", "", "", " ", ""}, ""},
        {"impossible date",
         {"2026-02-30", "", "", "", "", ""},
         "日付は 2026-12-09 の形で入力してください"},
        {"date with words",
         {"", "12月1日", "", "", "", ""},
         "日付は 2026-12-09 の形で入力してください"},
        {"amount with letters", {"", "", "10円", "", "", ""}, "金額は数字で入力してください"},
        {"misplaced separators", {"", "", "", "1,00", "", ""}, "金額は数字で入力してください"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(parseQuery(r.texts).error, r.error) << r.name;
    EXPECT_EQ(parseDateText(QStringLiteral("２０２６－１２－０９")), QDate(2026, 12, 9));
    EXPECT_EQ(parseAmountText(QStringLiteral("-1,234.5")), -1234.5);
}

TEST_F(NoteLedgerTest, ReprintKeepsItsReference)
{
    NoteLedger ledger(path());
    IssuedNote first = makeNote(QStringLiteral("山田"), QStringLiteral("7"), QDate(2026, 12, 1),
                                QStringLiteral("100"));
    ASSERT_TRUE(ledger.record(first).ok());
    IssuedNote again = first;
    again.reprintOf = first.id;
    ASSERT_TRUE(ledger.record(again).ok());
    EXPECT_NE(again.id, first.id);
    LedgerStatus st;
    EXPECT_EQ(ledger.load(again.id, st)->reprintOf, first.id);
    EXPECT_EQ(ledger.load(first.id, st)->reprintOf, 0);
    std::vector<NoteSummary> found;
    ASSERT_TRUE(ledger.search({}, -1, found).ok());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].reprintOf, first.id) << "the reprint is the newer of the two";
}

TEST_F(NoteLedgerTest, SchemaFromAnEmptyFileAndNewerVersionsLeftAlone)
{
    {
        QFile empty(path());
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly)); // zero bytes
    }
    {
        NoteLedger ledger(path());
        IssuedNote n = makeNote(QStringLiteral("a"), QStringLiteral("1"), QDate(2026, 1, 1),
                                QStringLiteral("1"));
        const LedgerStatus st = ledger.record(n);
        ASSERT_TRUE(st.ok()) << st.error.toStdString();
        EXPECT_TRUE(st.setAside.isEmpty());
    }
    {
        RawConnection raw(path());
        EXPECT_EQ(raw.value(QStringLiteral("PRAGMA user_version")).toInt(),
                  NoteLedger::schemaVersion);
        EXPECT_EQ(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(), "wal");
        const QString plan =
            raw.value(QStringLiteral("SELECT group_concat(name) FROM sqlite_master WHERE "
                                     "type='index' AND name LIKE 'notes_%'"))
                .toString();
        for (const char *index :
             {"notes_issued_on", "notes_slip_no", "notes_customer", "notes_total"})
            EXPECT_TRUE(plan.contains(QLatin1String(index))) << index;
        // A newer program's ledger.
        ASSERT_TRUE(raw.exec(QStringLiteral("PRAGMA user_version = 99")));
    }
    NoteLedger ledger(path());
    IssuedNote n =
        makeNote(QStringLiteral("b"), QStringLiteral("2"), QDate(2026, 1, 2), QStringLiteral("2"));
    const LedgerStatus st = ledger.record(n);
    EXPECT_FALSE(st.ok());
    EXPECT_TRUE(st.error.contains(QLatin1String("newer"))) << st.error.toStdString();
    RawConnection raw(path());
    EXPECT_EQ(raw.value(QStringLiteral("SELECT count(*) FROM notes")).toInt(), 1);
}

// Every way the file can fail: the operation reports why and leaves the
// ledger usable afterwards.
TEST_F(NoteLedgerTest, LockedDiskFullAndDamagedFiles)
{
    struct Row
    {
        const char *name;
        std::function<void(NoteLedgerTest &)> before;
        std::function<void()> during; // runs around the record (held by a guard)
        bool recorded;
        QString errorPart;
        bool setAside;
    };
    std::unique_ptr<RawConnection> lock;
    std::unique_ptr<FileSizeLimit> limit;
    const Row rows[] = {
        {"another connection holds the write lock",
         [&lock](NoteLedgerTest &t) {
             std::vector<NoteSummary> none;
             NoteLedger(t.path()).search({}, 0, none); // the file exists
             lock = std::make_unique<RawConnection>(t.path());
             lock->exec(QStringLiteral("BEGIN IMMEDIATE"));
         },
         {},
         false,
         "locked",
         false},
        {"disk full",
         [&limit](NoteLedgerTest &) { limit = std::make_unique<FileSizeLimit>(512); },
         {},
         false,
         "",
         false},
        {"not a database",
         [](NoteLedgerTest &t) {
             QFile f(t.path());
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(8192, 'x'));
         },
         {},
         true,
         "",
         true},
        {"damaged header of a real ledger",
         [](NoteLedgerTest &t) {
             {
                 NoteLedger l(t.path());
                 IssuedNote n = makeNote(QStringLiteral("old"), QStringLiteral("1"),
                                         QDate(2026, 1, 1), QStringLiteral("1"));
                 l.record(n);
             }
             QFile f(t.path());
             f.open(QIODevice::ReadWrite);
             f.write(QByteArray(16, '\0')); // the "SQLite format 3" magic
         },
         {},
         true,
         "",
         true},
    };
    for (const Row &r : rows) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        r.before(*this);
        NoteLedger ledger(path());
        ledger.setBusyTimeout(100);
        IssuedNote n = makeNote(QStringLiteral("山田"), QStringLiteral("5"), QDate(2026, 12, 9),
                                QStringLiteral("4730"));
        const LedgerStatus st = ledger.record(n);
        limit.reset();
        lock.reset();
        EXPECT_EQ(st.ok(), r.recorded) << r.name << ": " << st.error.toStdString();
        if (!r.recorded) {
            EXPECT_FALSE(st.error.isEmpty()) << r.name;
        }
        EXPECT_TRUE(st.error.contains(r.errorPart)) << r.name << ": " << st.error.toStdString();
        EXPECT_EQ(!st.setAside.isEmpty(), r.setAside) << r.name;
        if (r.setAside) {
            EXPECT_TRUE(QFile::exists(st.setAside)) << r.name;
            EXPECT_TRUE(
                st.setAside.endsWith(QLatin1String("Kanro_ledger-damaged-20261209-143005.db")))
                << st.setAside.toStdString();
        }
        // Once the cause is gone the next note is recorded.
        NoteLedger after(path());
        IssuedNote m = makeNote(QStringLiteral("次"), QStringLiteral("6"), QDate(2026, 12, 9),
                                QStringLiteral("1"));
        const LedgerStatus st2 = after.record(m);
        EXPECT_TRUE(st2.ok()) << r.name << ": " << st2.error.toStdString();
        std::vector<NoteSummary> found;
        after.search({}, -1, found);
        EXPECT_EQ(found.size(), r.recorded ? 2u : 1u) << r.name;
    }
}

// A folder the program may not write to. Root writes anywhere, so as root
// the ledger runs in a child process that has given up its rights.
TEST_F(NoteLedgerTest, ReadOnlyFolder)
{
    const QString folder = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(folder,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        NoteLedger ledger(ledgerFilePath(folder));
        IssuedNote n = makeNote(QStringLiteral("山田"), QStringLiteral("5"), QDate(2026, 12, 9),
                                QStringLiteral("4730"));
        const LedgerStatus st = ledger.record(n);
        const QByteArray why = st.error.toUtf8();
        [[maybe_unused]] const auto written = write(fds[1], why.constData(), size_t(why.size()));
        _exit(st.ok() ? 0 : 1);
    }
    close(fds[1]);
    QByteArray why;
    char buf[256];
    for (ssize_t got; (got = read(fds[0], buf, sizeof buf)) > 0;)
        why.append(buf, got);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "not recorded";
    EXPECT_TRUE(why.contains("unable to open")) << why.toStdString();
    EXPECT_FALSE(QFile::exists(ledgerFilePath(folder)));
}

TEST(NotesCsvTest, BomQuotingAndFormulas)
{
    NoteSummary s;
    s.id = 3;
    s.printedAt = QStringLiteral("2026-12-09T14:30:05+09:00");
    s.issuedOn = QStringLiteral("2026-12-09");
    s.slipNo = QStringLiteral("12");
    s.customer = QStringLiteral("=HYPERLINK(\"x\")");
    s.address = QStringLiteral("東京都, 千代田区");
    s.total = QStringLiteral("-500");
    s.layout = 2;
    s.copies = 1;
    s.reprintOf = 1;
    s.taxIncluded = true;
    const QByteArray csv = notesCsv({s});
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3); // header, one note, empty after the last CRLF
    EXPECT_EQ(lines[0], "id,printed_at,issued_on,slip_no,customer,zip,address,tel,subtotal,tax,"
                        "total,tax_reg_no,layout,printer,copies,job_title,pdf_file,reprint_of,tax_included");
    EXPECT_EQ(lines[1], "3,2026-12-09T14:30:05+09:00,2026-12-09,12,\"'=HYPERLINK(\"\"x\"\")\",,"
                        "\"東京都, 千代田区\",,,,-500,,2,,1,,,1,1");
}
