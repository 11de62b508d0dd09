// Customers and items in the store, on both back ends: kept current by the
// notes, recalled, edited, merged, and carried through CSV.
#include "PrivatePostgres.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QSqlDatabase>
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

IssuedNote noteFor(const QString &name, const QString &zip, const QString &tel,
                   const QString &address)
{
    IssuedNote n;
    n.note.customerName = name;
    n.note.issueDate = QDate(2026, 12, 9);
    n.zip = zip;
    n.tel = tel;
    n.addressLines = {address, QString(), QString()};
    return n;
}

class CustomerBookTest : public ::testing::TestWithParam<StoreTarget::Kind>
{
protected:
    void SetUp() override
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "customer_book_test";
            static char *argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
        ASSERT_TRUE(dir.isValid());
        if (GetParam() == StoreTarget::Kind::Sqlite) {
            store = StoreTarget::sqlite(ledgerFilePath(dir.path()));
        } else {
            ASSERT_TRUE(server().error().isEmpty()) << server().error().toStdString();
            static int serial = 0;
            const QString name = QStringLiteral("book_%1").arg(++serial);
            ASSERT_TRUE(server().createDatabase(name)) << server().error().toStdString();
            store = StoreTarget::postgres(server().connectString(name));
        }
        // Each note a minute after the last, so that "newest first" is defined.
        NoteLedger::nowProvider = [this] {
            return QDateTime(QDate(2026, 12, 9), QTime(9, 0)).addSecs(60 * ++clock);
        };
        ledger = std::make_unique<NoteLedger>(store);
    }
    void TearDown() override
    {
        NoteLedger::nowProvider = [] { return QDateTime::currentDateTime(); };
    }

    void record(IssuedNote n)
    {
        const LedgerStatus st = ledger->record(n);
        ASSERT_TRUE(st.ok()) << st.error.toStdString();
        lastNote = n.id;
    }
    QStringList names(CustomerQuery::By by, const QString &text)
    {
        std::vector<Customer> found;
        const LedgerStatus st = ledger->findCustomers({by, text}, 10, found);
        EXPECT_TRUE(st.ok()) << st.error.toStdString();
        QStringList out;
        for (const Customer &c : found)
            out << c.name;
        return out;
    }

    QTemporaryDir dir;
    StoreTarget store;
    std::unique_ptr<NoteLedger> ledger;
    int clock = 0;
    qint64 lastNote = 0;
};

std::string backEndName(const ::testing::TestParamInfo<StoreTarget::Kind> &info)
{
    return info.param == StoreTarget::Kind::Sqlite ? "SQLite" : "PostgreSQL";
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BackEnds, CustomerBookTest,
                         ::testing::Values(StoreTarget::Kind::Sqlite, StoreTarget::Kind::Postgres),
                         backEndName);

// Which notes make a new customer and which refresh one, and what recall finds.
TEST_P(CustomerBookTest, NotesKeepTheCustomersCurrent)
{
    record(noteFor(QStringLiteral("山田商店"), QStringLiteral("100-0001"),
                   QStringLiteral("03-1111-2222"), QStringLiteral("千代田区1")));
    record(noteFor(QStringLiteral("山本工業"), QStringLiteral("530-0001"),
                   QStringLiteral("06-3333-4444"), QStringLiteral("北区")));
    // Same name and postal code (written in full-width digits): refreshed.
    record(noteFor(QStringLiteral("山田商店"), QStringLiteral("１００－０００１"),
                   QStringLiteral("03-9999-0000"), QStringLiteral("千代田区2")));
    // Another name with the same telephone digits: the same customer, renamed.
    record(noteFor(QStringLiteral("山本工業株式会社"), QStringLiteral("530-0002"),
                   QStringLiteral("(06)33334444"), QStringLiteral("北区2")));
    // Same name, another postal code and telephone: another customer.
    record(noteFor(QStringLiteral("山田商店"), QStringLiteral("900-0001"), QString(),
                   QStringLiteral("那覇市")));
    // Neither name nor telephone: no customer.
    record(noteFor(QString(), QStringLiteral("100-0001"), QString(), QStringLiteral("x")));

    struct Row
    {
        const char *name;
        CustomerQuery::By by;
        QString text;
        QStringList expected;
    } rows[] = {
        {"name part, newest first", CustomerQuery::By::Name, QStringLiteral("山"),
         {QStringLiteral("山田商店"), QStringLiteral("山本工業株式会社"), QStringLiteral("山田商店")}},
        {"telephone digits anywhere", CustomerQuery::By::Tel, QStringLiteral("3333"),
         {QStringLiteral("山本工業株式会社")}},
        {"telephone refreshed", CustomerQuery::By::Tel, QStringLiteral("1111"), {}},
        {"postal code prefix", CustomerQuery::By::Zip, QStringLiteral("10"),
         {QStringLiteral("山田商店")}},
        {"postal code is a prefix only", CustomerQuery::By::Zip, QStringLiteral("0001"), {}},
        {"no match", CustomerQuery::By::Name, QStringLiteral("佐藤"), {}},
        {"wildcards are plain text", CustomerQuery::By::Name, QStringLiteral("%"), {}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(names(r.by, r.text), r.expected) << r.name;

    std::vector<Customer> found;
    ASSERT_TRUE(ledger->findCustomers({CustomerQuery::By::Zip, QStringLiteral("100")}, 5, found).ok());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].addressLines[0], QStringLiteral("千代田区2"));
    EXPECT_EQ(found[0].tel, QStringLiteral("03-9999-0000"));
    EXPECT_EQ(found[0].honorific, QStringLiteral("様"));
    EXPECT_FALSE(found[0].code.isEmpty());

    qint64 last = 0;
    ASSERT_TRUE(ledger->lastNoteOf(QStringLiteral("山本工業"), QString(),
                                   QStringLiteral("06-3333-4444"), last)
                    .ok());
    EXPECT_EQ(last, lastNote - 2) << "the last note of the customer the telephone matches";
}

// Items by 品名 1 and 2; a change in the lists never changes a recorded note.
TEST_P(CustomerBookTest, ItemsFollowTheRowsAndNotesStayAsPrinted)
{
    IssuedNote n = noteFor(QStringLiteral("山田"), QString(), QString(), QString());
    n.note.rows[0] = {QStringLiteral("りんご"), QStringLiteral("ふじ"), QStringLiteral("箱"),
                      QStringLiteral("1"), QStringLiteral("3000"), QStringLiteral("3000"), true};
    n.note.rows[1] = {QStringLiteral("りんご"), QStringLiteral("王林"), QStringLiteral("箱"),
                      QStringLiteral("1"), QStringLiteral("2800"), QStringLiteral("2800"), true};
    record(n);
    const qint64 first = lastNote;
    n.note.rows[0].price = QStringLiteral("3200");
    n.note.rows[1] = {};
    record(n);

    std::vector<Item> items;
    ASSERT_TRUE(ledger->findItems(QStringLiteral("りん"), 10, false, items).ok());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].item, QStringLiteral("ふじ"));
    EXPECT_EQ(items[0].price, QStringLiteral("3200")) << "the last unit price";
    EXPECT_TRUE(items[0].reduced);
    EXPECT_EQ(items[1].item, QStringLiteral("王林"));

    std::vector<Customer> customers;
    ASSERT_TRUE(ledger->findCustomers({CustomerQuery::By::Name, QStringLiteral("山田")}, 5,
                                      customers)
                    .ok());
    ASSERT_EQ(customers.size(), 1u);
    customers[0].name = QStringLiteral("山田株式会社");
    customers[0].honorific = QStringLiteral("御中");
    ASSERT_TRUE(ledger->saveCustomer(customers[0]).ok());
    items[0].price = QStringLiteral("1");
    ASSERT_TRUE(ledger->saveItem(items[0]).ok());

    LedgerStatus st;
    const std::optional<IssuedNote> old = ledger->load(first, st);
    ASSERT_TRUE(old) << st.error.toStdString();
    EXPECT_EQ(old->note.customerName, QStringLiteral("山田"));
    EXPECT_EQ(old->note.rows[0].price, QStringLiteral("3000"));
    EXPECT_TRUE(old->note.honorific.isEmpty());
}

// A merged entry is hidden, and the notes that match it refresh the kept one.
TEST_P(CustomerBookTest, MergedEntriesLeadToTheKeptOne)
{
    record(noteFor(QStringLiteral("鈴木"), QStringLiteral("100-0001"), QString(), QString()));
    record(noteFor(QStringLiteral("鈴木様"), QStringLiteral("100-0002"), QString(), QString()));
    std::vector<Customer> two;
    ASSERT_TRUE(ledger->findCustomers({CustomerQuery::By::Name, QStringLiteral("鈴木")}, 5, two).ok());
    ASSERT_EQ(two.size(), 2u);
    ASSERT_TRUE(ledger->mergeCustomers(two[1].id, two[0].id).ok());
    EXPECT_FALSE(ledger->mergeCustomers(two[0].id, two[1].id).ok()) << "no loop";
    EXPECT_EQ(names(CustomerQuery::By::Name, QStringLiteral("鈴木")), QStringList{"鈴木"});

    record(noteFor(QStringLiteral("鈴木様"), QStringLiteral("100-0002"), QString(),
                   QStringLiteral("新住所")));
    std::vector<Customer> all;
    CustomerQuery everyone{CustomerQuery::By::Name, QStringLiteral("鈴木"), true};
    ASSERT_TRUE(ledger->findCustomers(everyone, 5, all).ok());
    ASSERT_EQ(all.size(), 2u) << "no third customer";
    EXPECT_EQ(all[0].id, two[1].id);
    EXPECT_EQ(all[0].addressLines[0], QStringLiteral("新住所"));
}

// Export, one field changed, import: exactly that change; a faulty file
// changes nothing.
TEST_P(CustomerBookTest, CsvRoundTripChangesOneField)
{
    record(noteFor(QStringLiteral("=危険な名前"), QStringLiteral("100-0001"),
                   QStringLiteral("03-1111-2222"), QStringLiteral("東京都, 千代田区")));
    record(noteFor(QStringLiteral("佐藤"), QStringLiteral("200-0001"), QString(), QString()));
    std::vector<Customer> before;
    CustomerQuery all{CustomerQuery::By::Name, QString(), true};
    ASSERT_TRUE(ledger->findCustomers(all, -1, before).ok());
    const QString csv = customersCsv(before);

    std::vector<Customer> read;
    QString error;
    ASSERT_TRUE(customersFromCsv(QString(csv).replace(QStringLiteral("佐藤"),
                                                      QStringLiteral("佐藤商事")),
                                 read, error))
        << error.toStdString();
    read[1].closingDay = 20;
    ASSERT_TRUE(ledger->importCustomers(read).ok());
    std::vector<Customer> after;
    ASSERT_TRUE(ledger->findCustomers(all, -1, after).ok());
    ASSERT_EQ(after.size(), 2u);
    // Newest first: the second customer is listed first.
    EXPECT_EQ(after[1].name, QStringLiteral("=危険な名前")) << "the formula guard comes off";
    EXPECT_EQ(after[1].addressLines[0], QStringLiteral("東京都, 千代田区"));
    EXPECT_EQ(after[1].closingDay, 20);
    EXPECT_EQ(after[1].lastUsed, before[1].lastUsed) << "an import keeps the last use";
    EXPECT_EQ(after[0].name, QStringLiteral("佐藤商事"));
    after[0].name = before[0].name;
    after[1].closingDay = 0;
    EXPECT_EQ(customersCsv(after), csv);

    struct Bad
    {
        const char *name;
        QString text;
        QString error;
    } bad[] = {
        {"no header", QString(), QStringLiteral("見出しの行がありません")},
        {"missing column", QStringLiteral("コード\r\n1\r\n"),
         QStringLiteral("1 行目: 列「得意先名」がありません")},
        {"unclosed quote", QStringLiteral("コード,得意先名\r\n1,\"abc\r\n"),
         QStringLiteral("2 行目: 引用符が閉じていません")},
        {"closing day", QStringLiteral("コード,得意先名,締日\r\n1,a,32\r\n"),
         QStringLiteral("2 行目の 締日: 0 から 31 の数ではありません")},
        {"line break in a name", QStringLiteral("コード,得意先名\r\n1,\"a\nb\"\r\n"),
         QStringLiteral("2 行目の 得意先名: 改行や制御文字があります")},
        {"empty name", QStringLiteral("コード,得意先名\r\n1,a\r\n2,\r\n"),
         QStringLiteral("3 行目: 得意先名がありません")},
    };
    for (const Bad &b : bad) {
        EXPECT_FALSE(customersFromCsv(b.text, read, error)) << b.name;
        EXPECT_EQ(error, b.error) << b.name;
        EXPECT_TRUE(read.empty()) << b.name;
    }
    std::vector<Item> items;
    EXPECT_FALSE(itemsFromCsv(QStringLiteral("コード,品名1,単価\r\n1,a,1,5\r\n1,b,x\r\n"), items,
                              error));
    EXPECT_EQ(error, QStringLiteral("3 行目の 単価: 数ではありません"));
}

// Notes recorded before the lists existed come into them on request, and
// asking again changes nothing.
TEST_P(CustomerBookTest, RecordedNotesFillTheLists)
{
    IssuedNote n = noteFor(QStringLiteral("古い客"), QStringLiteral("100-0001"), QString(), QString());
    n.note.rows[0].itemNo = QStringLiteral("古い品");
    record(n);
    record(noteFor(QStringLiteral("古い客"), QStringLiteral("100-0001"), QString(),
                   QStringLiteral("新しい住所")));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            store.shared() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        if (store.shared())
            db.setConnectOptions(store.location);
        else
            db.setDatabaseName(store.location);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM note_customers")));
        ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM customers")));
        ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM items")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    ASSERT_TRUE(names(CustomerQuery::By::Name, QStringLiteral("古い")).isEmpty());

    for (int round = 0; round < 2; ++round) {
        int notes = 0;
        const LedgerStatus st = ledger->rememberRecordedNotes(notes);
        ASSERT_TRUE(st.ok()) << st.error.toStdString();
        EXPECT_EQ(notes, 2) << round;
        std::vector<Customer> found;
        ASSERT_TRUE(ledger->findCustomers({CustomerQuery::By::Name, QStringLiteral("古い")}, 5, found).ok());
        ASSERT_EQ(found.size(), 1u) << round;
        EXPECT_EQ(found[0].addressLines[0], QStringLiteral("新しい住所")) << "the newest note last";
        EXPECT_EQ(found[0].lastNoteId, lastNote);
        std::vector<Item> items;
        ASSERT_TRUE(ledger->findItems(QStringLiteral("古い"), 5, false, items).ok());
        EXPECT_EQ(items.size(), 1u) << round;
    }
}
