// Records kept as the law asks, on both back ends: the hash chain finds a
// change or a deletion made past the program and names the record; the
// program's role cannot change a note; cancellation and correction; the PDF
// as sent; the export read back by Python's csv; backup and restore.
#include "PrivatePostgres.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ledger;

namespace {

PrivatePostgres &server()
{
    static PrivatePostgres instance;
    return instance;
}

IssuedNote note(const QString &customer, const QString &slip, const QString &total)
{
    IssuedNote n;
    n.note.customerName = customer;
    n.note.slipNo = slip;
    n.note.issueDate = QDate(2026, 12, 1);
    n.note.subtotal = total;
    n.note.tax = QStringLiteral("0");
    n.note.total = total;
    n.jobTitle = QStringLiteral("A5縦1_%1").arg(slip);
    return n;
}

// Statements past the program, as the store's owner: the SQLite file
// itself, or the superuser on PostgreSQL. Returns the first error.
QString raw(const StoreTarget &t, const QStringList &sqls)
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            t.shared() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        if (t.shared())
            db.setConnectOptions(t.location);
        else
            db.setDatabaseName(t.location);
        if (!db.open())
            error = db.lastError().text();
        for (const QString &sql : sqls) {
            QSqlQuery q(db);
            if (error.isEmpty() && !q.exec(sql))
                error = q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return error;
}

void ensureApp()
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "store_records_test";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

class RecordsTest : public ::testing::TestWithParam<StoreTarget::Kind>
{
protected:
    void SetUp() override
    {
        ensureApp();
        ASSERT_TRUE(dir.isValid());
        static int files = 0;
        if (GetParam() == StoreTarget::Kind::Sqlite) {
            store = StoreTarget::sqlite(dir.filePath(QStringLiteral("s%1.db").arg(++files)));
        } else {
            ASSERT_TRUE(server().error().isEmpty()) << server().error().toStdString();
            static int serial = 0;
            const QString name = QStringLiteral("records_%1").arg(++serial);
            ASSERT_TRUE(server().createDatabase(name)) << server().error().toStdString();
            store = StoreTarget::postgres(server().connectString(name));
        }
    }
    bool sqlite() const { return !store.shared(); }

    // Prints three notes through the states a print goes through.
    void printThree(NoteLedger &ledger)
    {
        for (const char *slip : {"101", "102", "103"}) {
            IssuedNote n = note(QStringLiteral("山田商店"), QString::fromLatin1(slip),
                                QStringLiteral("1100"));
            ASSERT_TRUE(ledger.beginPrint(n).ok());
            ASSERT_TRUE(ledger.endPrint(n.id, true, {}, {}).ok());
            ids.push_back(n.id);
        }
    }

    QTemporaryDir dir;
    StoreTarget store;
    std::vector<qint64> ids;
};

std::string backEndName(const ::testing::TestParamInfo<StoreTarget::Kind> &info)
{
    return info.param == StoreTarget::Kind::Sqlite ? "SQLite" : "PostgreSQL";
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BackEnds, RecordsTest,
                         ::testing::Values(StoreTarget::Kind::Sqlite, StoreTarget::Kind::Postgres),
                         backEndName);

TEST_P(RecordsTest, TamperingPastTheProgramIsFoundAndNamed)
{
    // On PostgreSQL the superuser gets past the triggers for the test only.
    const QString past = sqlite() ? QStringLiteral("PRAGMA recursive_triggers = 0")
                                  : QStringLiteral("SET session_replication_role = replica");
    struct Row
    {
        const char *name;
        QStringList sqls; // %1 is the second note's id
        const char *named;
    };
    const Row rows[] = {
        {"one byte of a total changed",
         {past, sqlite() ? QStringLiteral("DROP TRIGGER notes_kept_u") : QString(),
          QStringLiteral("UPDATE notes SET total = '1101' WHERE id = %1")},
         "伝票 id %1, 伝票番号 102"},
        {"a note deleted",
         {past, sqlite() ? QStringLiteral("DROP TRIGGER notes_kept_d") : QString(),
          sqlite() ? QStringLiteral("DROP TRIGGER note_events_kept_d") : QString(),
          QStringLiteral("DELETE FROM note_events WHERE note_id = %1"),
          QStringLiteral("DELETE FROM notes WHERE id = %1")},
         "伝票 id %1) がありません"},
        {"a note and its chain entry deleted",
         {past, sqlite() ? QStringLiteral("DROP TRIGGER notes_kept_d") : QString(),
          sqlite() ? QStringLiteral("DROP TRIGGER chain_kept_d") : QString(),
          QStringLiteral("DELETE FROM chain WHERE kind = 'note' AND row_id = %1"),
          sqlite() ? QStringLiteral("DROP TRIGGER note_events_kept_d") : QString(),
          QStringLiteral("DELETE FROM note_events WHERE note_id = %1"),
          QStringLiteral("DELETE FROM notes WHERE id = %1")},
         "記録 4 がありません"},
    };
    for (const Row &r : rows) {
        SetUp();
        ids.clear();
        {
            NoteLedger ledger(store);
            printThree(ledger);
            ChainCheck check;
            ASSERT_TRUE(ledger.verifyRecords(check).ok()) << r.name;
            ASSERT_TRUE(check.ok()) << r.name << check.firstMismatch.toStdString();
            EXPECT_EQ(check.checked, 9) << "three notes, each printing and printed";
        }
        QStringList sqls;
        for (const QString &s : r.sqls)
            if (!s.isEmpty())
                sqls << (s.contains(u'%') ? s.arg(ids[1]) : s);
        ASSERT_EQ(raw(store, sqls), QString()) << r.name;
        NoteLedger ledger(store);
        ChainCheck check;
        ASSERT_TRUE(ledger.verifyRecords(check).ok()) << r.name;
        QString named = QString::fromUtf8(r.named);
        if (named.contains(u'%'))
            named = named.arg(ids[1]);
        EXPECT_TRUE(check.firstMismatch.contains(named))
            << r.name << ": " << check.firstMismatch.toStdString();
    }
}

// One byte of the SQLite file itself, as a disk editor would change it.
TEST(RecordsFileTest, OneByteOfTheFileChangedIsFound)
{
    ensureApp();
    QTemporaryDir dir;
    const QString path = ledgerFilePath(dir.path());
    {
        NoteLedger ledger(path);
        for (const char *item : {"りんご", "ZZ-unique-item-QQ", "みかん"}) {
            IssuedNote n = note(QStringLiteral("佐藤"), QStringLiteral("7"), QStringLiteral("1"));
            n.note.rows[0].item = QString::fromUtf8(item); // only in the note's JSON
            ASSERT_TRUE(ledger.record(n).ok());
        }
    }
    ASSERT_EQ(raw(StoreTarget::sqlite(path), {QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")}),
              QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype at =
        bytes.indexOf("\"item\":\"ZZ-unique-item-QQ"); // the note's, not the item list's
    ASSERT_GT(at, 0);
    bytes[at + 11] = 'X';
    file.seek(0);
    file.write(bytes);
    file.close();
    NoteLedger ledger(path);
    ChainCheck check;
    ASSERT_TRUE(ledger.verifyRecords(check).ok());
    EXPECT_TRUE(check.firstMismatch.startsWith(QStringLiteral("記録 2 (伝票 id 2")))
        << check.firstMismatch.toStdString();
}

TEST_P(RecordsTest, TheProgramsRoleCannotChangeOrDeleteANote)
{
    NoteLedger ledger(store);
    printThree(ledger);
    for (const QString &sql : {QStringLiteral("UPDATE notes SET total = '0'"),
                               QStringLiteral("DELETE FROM notes"),
                               QStringLiteral("DELETE FROM note_events"),
                               QStringLiteral("UPDATE chain SET hash = ''")}) {
        const QString error = raw(store, {sql});
        EXPECT_TRUE(error.contains(QLatin1String("kept as they are"))) << error.toStdString();
    }
    if (!sqlite()) {
        EXPECT_TRUE(raw(store, {QStringLiteral("TRUNCATE notes CASCADE")})
                        .contains(QLatin1String("kept as they are")));
    }
    ChainCheck check;
    ASSERT_TRUE(ledger.verifyRecords(check).ok());
    EXPECT_TRUE(check.ok()) << check.firstMismatch.toStdString();
}

TEST_P(RecordsTest, CancellationAndCorrectionAreRecordsOfTheirOwn)
{
    NoteLedger ledger(store);
    printThree(ledger);
    const qint64 a = ids[0], b = ids[1];
    EXPECT_FALSE(ledger.cancel(b, QStringLiteral("  "), QStringLiteral("u@t")).ok())
        << "a reason is required";
    ASSERT_TRUE(ledger.cancel(b, QStringLiteral("二重発行"), QStringLiteral("u@t")).ok());
    EXPECT_FALSE(ledger.cancel(b, QStringLiteral("again"), QStringLiteral("u@t")).ok());

    IssuedNote fix = note(QStringLiteral("山田商店"), QStringLiteral("101"), QStringLiteral("990"));
    IssuedNote onCancelled = fix;
    EXPECT_FALSE(ledger.beginPrint(onCancelled, b, QStringLiteral("x")).ok());
    ASSERT_TRUE(ledger.beginPrint(fix, a, QStringLiteral("単価の誤り")).ok());
    std::map<qint64, NoteStatus> st;
    ASSERT_TRUE(ledger.statusOf({a, fix.id}, st).ok());
    EXPECT_EQ(st[a].state, NoteState::Issued) << "a correction counts once it is printed";
    ASSERT_TRUE(ledger.endPrint(fix.id, true, {}, {}).ok());

    ASSERT_TRUE(ledger.statusOf({a, b, fix.id}, st).ok());
    EXPECT_EQ(st[a].state, NoteState::Corrected);
    EXPECT_EQ(st[a].correctedBy, fix.id);
    EXPECT_EQ(st[a].reason, QStringLiteral("単価の誤り"));
    EXPECT_EQ(st[b].state, NoteState::Cancelled);
    EXPECT_EQ(st[b].who, QStringLiteral("u@t"));
    EXPECT_EQ(st[fix.id].corrects, a);
    EXPECT_EQ(noteStateText(st[fix.id]), QStringLiteral("訂正(%1の)").arg(a));

    std::vector<NoteSummary> listed;
    NoteQuery q;
    ASSERT_TRUE(ledger.search(q, -1, listed).ok());
    EXPECT_EQ(listed.size(), 4u);
    q.withVoided = false;
    ASSERT_TRUE(ledger.search(q, -1, listed).ok());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].id, fix.id);
    EXPECT_EQ(listed[1].id, ids[2]);
    ChainCheck check;
    ASSERT_TRUE(ledger.verifyRecords(check).ok());
    EXPECT_TRUE(check.ok()) << check.firstMismatch.toStdString();
}

TEST_P(RecordsTest, PdfKeptWithItsRecordAndUnfinishedPrintsListed)
{
    NoteLedger ledger(store);
    QByteArray pdf("%PDF-1.4\n");
    for (int k = 0; k < 300; ++k)
        pdf.append(char(k * 7)); // every byte value, NUL included
    IssuedNote sent = note(QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("1"));
    IssuedNote killed = note(QStringLiteral("b"), QStringLiteral("2"), QStringLiteral("1"));
    ASSERT_TRUE(ledger.beginPrint(sent).ok());
    ASSERT_TRUE(ledger.beginPrint(killed).ok());
    ASSERT_TRUE(ledger.endPrint(sent.id, true, QStringLiteral("納品書PDF/a.pdf"), pdf).ok());
    QByteArray back;
    QString name;
    ASSERT_TRUE(ledger.keptPdf(sent.id, back, name).ok());
    EXPECT_EQ(back, pdf);
    EXPECT_EQ(name, QStringLiteral("納品書PDF/a.pdf"));
    EXPECT_FALSE(ledger.keptPdf(killed.id, back, name).ok());

    std::vector<NoteSummary> open;
    ASSERT_TRUE(ledger.unfinishedPrints(open).ok());
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].id, killed.id);
    // A terminal of a shared store ends only the prints it began.
    ASSERT_TRUE(ledger.unfinishedPrints(open, operatorName()).ok());
    EXPECT_EQ(open.size(), 1u);
    ASSERT_TRUE(ledger.unfinishedPrints(open, QStringLiteral("someone@another-pc")).ok());
    EXPECT_TRUE(open.empty());
    ASSERT_TRUE(ledger.endPrint(killed.id, false, {}, {}, QStringLiteral("中断")).ok());
    ASSERT_TRUE(ledger.unfinishedPrints(open).ok());
    EXPECT_TRUE(open.empty());
    std::map<qint64, NoteStatus> st;
    ASSERT_TRUE(ledger.statusOf({killed.id}, st).ok());
    EXPECT_EQ(st[killed.id].state, NoteState::Failed);
}

TEST_P(RecordsTest, ExportReadBackByPythonCsvEqualsTheRecords)
{
    NoteLedger ledger(store);
    printThree(ledger);
    IssuedNote odd = note(QStringLiteral("株式会社 \"引用\", 改行\nあり"), QStringLiteral("9"),
                          QStringLiteral("-500"));
    ASSERT_TRUE(ledger.beginPrint(odd).ok());
    ASSERT_TRUE(ledger.endPrint(odd.id, true, QStringLiteral("x.pdf"), QByteArray("%PDF-x")).ok());
    ASSERT_TRUE(ledger.cancel(ids[0], QStringLiteral("誤り, 再発行"), QStringLiteral("u@t")).ok());
    const QString folder = dir.filePath(QStringLiteral("export"));
    int count = 0;
    ASSERT_TRUE(ledger.exportRecords(QDate(2026, 1, 1), QDate(2026, 12, 31), folder, count).ok());
    EXPECT_EQ(count, 4);
    QProcess py;
    py.start(QStringLiteral("python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import csv,json,sys\n"
                             "rows=list(csv.DictReader(open(sys.argv[1],encoding='utf-8-sig',"
                             "newline='')))\n"
                             "print(json.dumps(rows))"),
              folder + QStringLiteral("/notes.csv")});
    ASSERT_TRUE(py.waitForFinished(20000));
    const QJsonArray rows = QJsonDocument::fromJson(py.readAllStandardOutput()).array();
    ASSERT_EQ(rows.size(), 4) << py.readAllStandardError().toStdString();

    std::vector<NoteSummary> listed;
    ASSERT_TRUE(ledger.search({}, -1, listed).ok());
    std::reverse(listed.begin(), listed.end());
    std::map<qint64, NoteStatus> st;
    ASSERT_TRUE(ledger.statusOf({ids[0], ids[1], ids[2], odd.id}, st).ok());
    for (int k = 0; k < 4; ++k) {
        const QJsonObject r = rows[k].toObject();
        const NoteSummary &n = listed[std::size_t(k)];
        EXPECT_EQ(r["id"].toString().toLongLong(), n.id);
        EXPECT_EQ(r["customer"].toString(), n.customer);
        EXPECT_EQ(r["total"].toString(), n.total);
        EXPECT_EQ(r["slip_no"].toString(), n.slipNo);
        EXPECT_EQ(r["state"].toString(), noteStateText(st[n.id]));
        EXPECT_EQ(r["reason"].toString(), st[n.id].reason);
        EXPECT_EQ(r["record_hash"].toString().size(), 64);
    }
    QFile pdf(folder + QStringLiteral("/pdf/%1.pdf").arg(odd.id));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.readAll(), QByteArray("%PDF-x"));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/説明.txt")));
}

// 10,000 notes; the backup is taken while another connection records.
TEST(RecordsFileTest, BackupAndRestoreRoundTrip)
{
    ensureApp();
    QTemporaryDir dir;
    const QString path = ledgerFilePath(dir.path());
    NoteLedger ledger(path);
    std::vector<IssuedNote> many;
    for (int k = 0; k < 10000; ++k)
        many.push_back(note(QStringLiteral("客%1").arg(k), QString::number(k), QStringLiteral("5")));
    ASSERT_TRUE(ledger.record(std::span(many)).ok());
    const QString backup = dir.filePath(QStringLiteral("backup.db"));
    NoteLedger writer(path);
    IssuedNote during = note(QStringLiteral("during"), QStringLiteral("x"), QStringLiteral("1"));
    ASSERT_TRUE(writer.beginPrint(during).ok()); // a print under way
    ASSERT_TRUE(ledger.backupTo(backup).ok());
    EXPECT_FALSE(ledger.backupTo(backup).ok()) << "an existing file is never overwritten";
    ASSERT_TRUE(writer.endPrint(during.id, true, {}, {}).ok());
    IssuedNote later = note(QStringLiteral("later"), QStringLiteral("y"), QStringLiteral("1"));
    ASSERT_TRUE(writer.record(later).ok());

    QString keptAs;
    const LedgerStatus st = NoteLedger::restoreFrom(backup, path, keptAs);
    ASSERT_TRUE(st.ok()) << st.error.toStdString();
    EXPECT_TRUE(QFile::exists(keptAs)) << "the replaced store is kept";
    NoteLedger restored(path);
    std::vector<NoteSummary> all;
    ASSERT_TRUE(restored.search({}, -1, all).ok());
    EXPECT_EQ(all.size(), 10001u);
    ChainCheck check;
    ASSERT_TRUE(restored.verifyRecords(check).ok());
    EXPECT_TRUE(check.ok()) << check.firstMismatch.toStdString();
    EXPECT_EQ(check.checked, 10002);
    std::vector<NoteSummary> open;
    ASSERT_TRUE(restored.unfinishedPrints(open).ok());
    EXPECT_EQ(open.size(), 1u) << "the print under way at the backup shows as unfinished";
}

// A ledger file deleted while the program runs is said, not silently restarted.
TEST(RecordsFileTest, StoreFileVanishedIsSaid)
{
    ensureApp();
    QTemporaryDir dir;
    const QString path = ledgerFilePath(dir.path());
    IssuedNote n = note(QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("1"));
    LedgerStatus st = NoteLedger(path).record(n);
    ASSERT_TRUE(st.ok());
    EXPECT_TRUE(st.notice.isEmpty());
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    st = NoteLedger(path).record(n);
    EXPECT_TRUE(st.ok()) << "the note is still recorded, in a new file";
    EXPECT_TRUE(st.notice.contains(QStringLiteral("なくなりました"))) << st.notice.toStdString();
    st = NoteLedger(path).record(n);
    EXPECT_TRUE(st.notice.isEmpty()) << "said once";
}

// A damaged page: the notes the file still gives are kept, the others listed.
TEST(RecordsFileTest, DamagedFileKeepsEveryReadableNote)
{
    ensureApp();
    QTemporaryDir dir;
    const QString path = ledgerFilePath(dir.path());
    {
        NoteLedger ledger(path);
        for (int k = 1; k <= 45; ++k) {
            IssuedNote n = note(QStringLiteral("客%1").arg(k), QString::number(k), QStringLiteral("1"));
            n.note.rows[0].item = QStringLiteral("MARK-%1-").arg(k) + QString(300, u'x');
            ASSERT_TRUE(ledger.beginPrint(n).ok());
            ASSERT_TRUE(ledger.endPrint(n.id, true, {}, {}).ok());
        }
    }
    ASSERT_EQ(raw(StoreTarget::sqlite(path), {QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")}),
              QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("\"item\":\"MARK-20-"); // a page of notes
    ASSERT_GT(at, 0);
    const qsizetype page = at / 4096 * 4096;
    file.seek(page);
    file.write(QByteArray(4096, '\x5a'));
    file.close();

    NoteLedger ledger(path);
    std::vector<NoteSummary> all;
    const LedgerStatus st = ledger.search({}, -1, all);
    ASSERT_TRUE(st.ok()) << st.error.toStdString();
    ASSERT_FALSE(st.setAside.isEmpty());
    EXPECT_TRUE(QFile::exists(st.setAside)) << "the damaged file is kept";
    EXPECT_GE(all.size(), 35u) << st.notice.toStdString();
    EXPECT_LT(all.size(), 45u);
    EXPECT_TRUE(st.notice.contains(QStringLiteral("読めた伝票 %1 件").arg(all.size())))
        << st.notice.toStdString();
    EXPECT_TRUE(st.notice.contains(QStringLiteral("読めなかった伝票 (元の id): "))) << st.notice.toStdString();
    EXPECT_TRUE(st.notice.contains(u"20")) << st.notice.toStdString();
    std::map<qint64, NoteStatus> states;
    ASSERT_TRUE(ledger.statusOf({all.front().id}, states).ok());
    EXPECT_EQ(states[all.front().id].state, NoteState::Issued) << "events follow their note";
    ChainCheck check;
    ASSERT_TRUE(ledger.verifyRecords(check).ok());
    EXPECT_TRUE(check.ok()) << check.firstMismatch.toStdString();
}
