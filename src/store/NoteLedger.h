#pragma once
// The issued-notes ledger: every note the print command completed, kept in
// the SQLite file "Kanro_ledger.db" of the working directory or, for a shop
// with several terminals, in a shared PostgreSQL database (the same schema
// and the same migrations on both), searchable by
// date, amount, customer and slip number, and complete enough to print the
// note again exactly (the printing note as JSON) or to load it back into
// the window (the destination beside it).
//
// The ledger never throws and never shows anything: each operation answers
// with what it did and, on failure, why, so that printing is never stopped
// by it and the window can give a notice.

#include "note/PrintNote.h"
#include "note/SummaryInvoice.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace ledger {

// One completed print job as it is recorded.
struct IssuedNote
{
    qint64 id = 0; // assigned by the ledger
    // Made by the terminal when the note is first recorded and unique in the
    // store, so that a note sent again is not recorded twice.
    QString uid;
    QDateTime printedAt;
    printing::PrintNote note; // what the layouts read
    // The destination fields that no layout prints but the window holds.
    QString zip;
    std::array<QString, 3> addressLines;
    QString tel;
    QString taxRegNo;
    int layout = 0; // the paper item: 0 to 2
    QString printer;
    int copies = 1;
    QString jobTitle;
    QString pdfFile;      // the file the PDF printer wrote, else empty
    qint64 reprintOf = 0; // the id of the note this one reprints; 0 none

    // The address column: the three lines joined by a blank, empty lines left out.
    QString addressText() const;
};

// A search: every condition that is set must hold. Dates and amounts are
// inclusive ranges; amounts compare the total as a number.
struct NoteQuery
{
    std::optional<QDate> from;
    std::optional<QDate> to;
    std::optional<double> minTotal;
    std::optional<double> maxTotal;
    QString customer; // a part of the customer's name; empty: any
    QString slipNo;   // the whole slip number; empty: any
    bool withVoided = true; // false: cancelled and corrected notes left out
};

// A listed note: the columns of the ledger without the note's JSON.
struct NoteSummary
{
    qint64 id = 0;
    QString printedAt;
    QString issuedOn;
    QString slipNo;
    QString customer;
    QString zip;
    QString address;
    QString tel;
    QString subtotal;
    QString tax;
    QString total;
    QString taxRegNo;
    int layout = 0;
    QString printer;
    int copies = 0;
    QString jobTitle;
    QString pdfFile;
    qint64 reprintOf = 0;
    bool taxIncluded = false; // the prices include tax (税込)
};

// What an operation did. `error` is empty on success and otherwise says why
// it failed (the database's own message); `setAside` names the file a
// damaged ledger was moved to before a new one was started.
struct LedgerStatus
{
    QString error;
    QString setAside;
    QString notice; // something the operator must hear of (the store file vanished)
    bool ok() const { return error.isEmpty(); }
};

// ---- Records kept as the law asks (bodies in NoteRecords.cpp) ----

// Where a recorded note stands. A note is recorded before its job is handed
// to the printer (Printing) and gets its end (Issued or Failed) after it;
// a cancellation (取消) or a correction (訂正, the red/black pair) is a
// record of its own, never a change of the note.
enum class NoteState { Issued, Printing, Failed, Cancelled, Corrected };

struct NoteStatus
{
    NoteState state = NoteState::Issued;
    qint64 corrects = 0;    // this note corrects that one
    qint64 correctedBy = 0; // the note that corrects this one
    QString reason;         // of the cancellation, correction or failure
    QString who;            // OS user and terminal of the cancellation or correction
    QString at;
    QString pdfFile;   // the file the PDF printer wrote
    QString pdfSha256; // of the PDF kept with the record; empty: none
};

// The state's word in the history and the export.
QString noteStateText(const NoteStatus &s);

// The result of walking the chain: how many records matched, and the
// first one that does not, named ("記録 12 (伝票 id 7, 伝票番号 105): …").
struct ChainCheck
{
    qint64 checked = 0;
    QString firstMismatch;
    bool ok() const { return firstMismatch.isEmpty(); }
};

// Who does it: the OS user name and the terminal ("yamada@shop-pc").
QString operatorName();

// The ledger file in a working directory.
QString ledgerFilePath(const QString &workingDir);

// Where the notes live: the terminal's SQLite file, or the shop's shared
// PostgreSQL database named by a libpq keyword connection string
// ("service=shop", "host=… dbname=… user=…"; passwords only in ~/.pgpass).
struct StoreTarget
{
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString location; // the file's path, or the connection string

    static StoreTarget sqlite(QString path) { return {Kind::Sqlite, std::move(path)}; }
    static StoreTarget postgres(QString connect) { return {Kind::Postgres, std::move(connect)}; }
    bool shared() const { return kind == Kind::Postgres; }
};

// A shared store is given up after this long: the connect timeout and the
// statement timeout (libpq's connect_timeout counts whole seconds).
constexpr int sharedStoreTimeoutMs = 3000;
// How long after the statement timeout a silent server's connection is shut.
constexpr int silentServerMarginMs = 200;

// The name of the network file system (NFS, SMB/CIFS, FUSE) that holds
// `folder`, or empty for a local one. SQLite's locking is unreliable there.
QString networkFileSystem(const QString &folder);
// The file-system type (statfs's f_type) of a folder; tests replace it.
extern std::function<long(const QString &folder)> fileSystemTypeProvider;
// Why a ledger file on a network file system is refused.
QString networkLedgerMessage(const QString &path, const QString &fileSystem);

// ---- customers and items (CustomerBook.cpp) ----

// A customer (得意先) as the lists keep it. An empty code is given one when
// it is stored (the id, zero-padded to six digits).
struct Customer
{
    qint64 id = 0;
    QString code;
    QString name;
    QString honorific; // "様" or "御中"; empty stores "様"
    QString zip;
    std::array<QString, 3> addressLines;
    QString tel;
    int closingDay = 0; // 締日: 1 to 28, 31 the month's end, 0 none
    QString paymentTerms;
    bool hidden = false; // left out of recall and of the window's list
    QString lastUsed;    // when a note last named it
    qint64 lastNoteId = 0;
};

// An item (商品): its two names, unit, the unit price last invoiced, the
// reduced-rate mark and whether that price included tax.
struct Item
{
    qint64 id = 0;
    QString code;
    QString itemNo; // 品名 1
    QString item;   // 品名 2
    QString unit;
    QString price;
    bool reduced = false;
    bool taxIncluded = false;
    bool hidden = false;
    QString lastUsed;
};

// A recall of customers: a part of the name, of the telephone's digits, or
// the start of the postal code's digits (other characters are ignored there).
struct CustomerQuery
{
    enum class By { Name, Tel, Zip };
    By by = By::Name;
    QString text;
    bool withHidden = false;
};

// The digits of a telephone number or postal code, full-width ones as ASCII:
// "０３-1234 (5678)" gives "0312345678".
QString digitsOf(const QString &text);

// ---- payments and summary invoices (Billing.cpp) ----

// A customer's payment (入金) or adjustment (調整, e.g. a bank fee the
// customer deducted). Recorded once and never changed: a mistake is
// cancelled (a record of its own) and entered again.
struct Payment
{
    qint64 id = 0;
    QString uid; // made when first recorded; a retry is not recorded twice
    qint64 customerId = 0;
    QDate paidOn;
    closing::PaymentKind kind = closing::PaymentKind::Payment;
    QString method; // 振込, 現金, 手形, 相殺, その他
    FixedDecimal amount;
    QString memo;
    bool cancelled = false;
};

// What a closing run needs besides the store: the closing date, the day the
// summaries are issued and the issuer as it prints on them.
struct ClosingRequest
{
    QDate closingDate;
    QDate issueDate;
    std::array<QString, 5> shopLines;
    QString registrationNo;
    QString bankAccount;
};

// A recorded summary invoice: its figures as columns (for lists and
// searches) and the whole invoice, so that a reprint gives the same pages.
struct ClosingRecord
{
    qint64 id = 0;
    qint64 customerId = 0;
    QString customerName;
    QDate closingDate;
    QDate dueDate;
    QString invoiceNo;
    printing::SummaryInvoice invoice;
};

// One customer's balance (売掛残高): its last summary's figures.
struct Balance
{
    qint64 customerId = 0;
    QString code;
    QString name;
    QDate closingDate; // invalid: never closed
    FixedDecimal previous, paid, purchases, tax, billed;
    QDate dueDate;
};

// One line of a customer's ledger (売掛元帳), in date order.
struct LedgerLine
{
    enum class Kind { Note, Payment, Adjustment, Summary };
    Kind kind = Kind::Note;
    QDate date;
    QString reference; // slip number, payment method, invoice number
    FixedDecimal amount; // a note's total; a payment or adjustment as paid
    FixedDecimal balance; // the running balance after this line
};

// The summary invoice as JSON and back (its recorded form).
QJsonObject summaryInvoiceToJson(const printing::SummaryInvoice &invoice);
printing::SummaryInvoice summaryInvoiceFromJson(const QJsonObject &json);

// 売掛残高一覧 and 売掛元帳 as CSV text (UTF-8 with a byte-order mark, CRLF).
QByteArray balancesCsv(const std::vector<Balance> &balances);
QByteArray customerLedgerCsv(const std::vector<LedgerLine> &lines);

// "翌月末", "翌月10日", "当月25日", "翌々月末", "2ヶ月後10日": the months after
// the closing's month and the day (closing::kEndOfMonth for 末); a text
// that says neither is the usual 翌月末.
std::pair<int, int> paymentTermsOf(const QString &terms);

class NoteLedger
{
public:
    // The schema version this program writes (the schema_migrations table;
    // a SQLite file also keeps it in PRAGMA user_version).
    static constexpr int schemaVersion = 8;

    // The clock for printed_at; tests replace it.
    static std::function<QDateTime()> nowProvider;

    // Opens (and creates or upgrades) the ledger at `path` on first use.
    explicit NoteLedger(QString path);
    explicit NoteLedger(StoreTarget target);
    ~NoteLedger();
    NoteLedger(const NoteLedger &) = delete;
    NoteLedger &operator=(const NoteLedger &) = delete;

    // How long a write waits for another connection's lock (default 2 s).
    void setBusyTimeout(int milliseconds);

    // Records a newly printed note; sets note.id, note.uid (a new one) and
    // note.printedAt on success, note.uid also on failure.
    LedgerStatus record(IssuedNote &note);
    // Records several notes at once, all or none (an import, a benchmark).
    LedgerStatus record(std::span<IssuedNote> notes);
    // Notes matching the query, newest first; at most `limit` (< 0: all).
    LedgerStatus search(const NoteQuery &query, int limit, std::vector<NoteSummary> &out);
    // The whole recorded note; nullopt with the reason when it cannot be read.
    std::optional<IssuedNote> load(qint64 id, LedgerStatus &status);

    // The next number of a counter row ("slip"), in one statement, so that
    // no two terminals of a shared store ever get the same one. A counter
    // not yet in the store starts after `seed`.
    LedgerStatus nextNumber(const QString &counter, qint64 seed, qint64 &number);

    // Records a note that could not reach the shared store, with the uid of
    // that attempt, and marks it as waiting to be sent there (this
    // terminal's outbox). A note the server did record before its answer
    // was lost is thus not recorded there twice.
    LedgerStatus keepForSending(IssuedNote &note);
    // How many notes wait in the outbox.
    LedgerStatus waitingCount(int &count);
    // Sends the waiting notes (or, with `all`, every note of this ledger) to
    // `target`; a note the target already holds (by its uid) is not
    // recorded again, so sending twice is harmless. `sent` counts the notes
    // handed over; the outbox keeps those that failed.
    LedgerStatus sendTo(NoteLedger &target, bool all, int &sent);

    // What the store is, in one line, after opening it ("PostgreSQL 15.18,
    // database shop"); for the connection test.
    LedgerStatus describe(QString &what);

    // ---- customers and items (CustomerBook.cpp) ----
    // Every recorded note adds its destination as a customer or refreshes
    // the one it matches (the same name and postal code, or else the same
    // telephone digits), and so each of its named rows as an item (the same
    // 品名 1 and 品名 2), in the note's own transaction. The lists are copies:
    // changing them never changes a recorded note.

    // Matching customers, the most recently used first; at most `limit`.
    LedgerStatus findCustomers(const CustomerQuery &query, int limit, std::vector<Customer> &out);
    // Items whose 品名 1 holds `itemNoPart` (empty: all), most recent first.
    LedgerStatus findItems(const QString &itemNoPart, int limit, bool withHidden,
                           std::vector<Item> &out);
    // Stores one entry: id 0 adds it (and sets id and code), else updates it.
    LedgerStatus saveCustomer(Customer &customer);
    LedgerStatus saveItem(Item &item);
    // Takes entries in by code, all or none: a known code updates its entry,
    // an unknown or empty one adds a new entry (an import, a benchmark).
    LedgerStatus importCustomers(std::span<Customer> customers);
    LedgerStatus importItems(std::span<Item> items);
    // Merges `gone` into `kept`: `gone` is hidden and from then on notes
    // that match it refresh `kept`. Nothing is deleted.
    LedgerStatus mergeCustomers(qint64 kept, qint64 gone);
    LedgerStatus mergeItems(qint64 kept, qint64 gone);
    // Adds or refreshes the customers and items of every recorded note,
    // oldest first (notes recorded before the lists existed, or sent from
    // a terminal's outbox); running it again changes nothing. `notes`
    // counts the notes read.
    LedgerStatus rememberRecordedNotes(int &notes);
    // The last note recorded for the customer the destination matches
    // (as a note matches it); 0 when there is none.
    LedgerStatus lastNoteOf(const QString &name, const QString &zip, const QString &tel,
                            qint64 &noteId);

    QString path() const { return m_target.location; }
    const StoreTarget &target() const { return m_target; }

    // ---- Records kept as the law asks (NoteRecords.cpp) ----
    // Every note and every event is a record of an append-only chain: each
    // record's SHA-256 covers its content and the record before it, so a
    // change, an insertion or a deletion in the middle is found by
    // verifyRecords. Notes and events are never updated or deleted.

    // Records a note about to be handed to the printer ("印刷中"), durable
    // before the job starts. With `corrects` it is the correction of that
    // note, for `reason`; refused when that note was cancelled or corrected.
    LedgerStatus beginPrint(IssuedNote &note, qint64 corrects = 0, const QString &reason = {});
    // The job's end: printed (the PDF printer's file and its bytes kept with
    // the record), or failed with why. A correction takes effect here.
    LedgerStatus endPrint(qint64 noteId, bool printed, const QString &pdfFile,
                          const QByteArray &pdf, const QString &why = {});
    // Notes whose job was handed over but whose end was never recorded (a
    // program killed mid-print), oldest first; only those `who` began
    // (operatorName) unless it is empty.
    LedgerStatus unfinishedPrints(std::vector<NoteSummary> &out, const QString &who = {});
    // Records the cancellation (取消) of an issued note; reason required.
    LedgerStatus cancel(qint64 noteId, const QString &reason, const QString &who);
    // Where each of these notes stands.
    LedgerStatus statusOf(const std::vector<qint64> &ids, std::map<qint64, NoteStatus> &out);
    // The PDF kept with a note: its very bytes and the file name it had.
    LedgerStatus keptPdf(qint64 noteId, QByteArray &bytes, QString &fileName);
    // Walks the chain; `check` says whether every record matches.
    LedgerStatus verifyRecords(ChainCheck &check);
    // Writes the records of notes issued in [from, to] into `folder`:
    // notes.csv, events.csv, pdf/<id>.pdf and 説明.txt. `count` notes.
    LedgerStatus exportRecords(const QDate &from, const QDate &to, const QString &folder,
                               int &count);
    // A consistent copy of the SQLite store into `file` (which must not
    // exist), taken while the program runs.
    LedgerStatus backupTo(const QString &file);
    // Puts a backup in place of the SQLite store at `ledgerPath`; the file
    // it replaces is kept beside it as `…-before-restore-<time>.db` (in
    // `keptAs`). The backup must verify first.
    static LedgerStatus restoreFrom(const QString &backup, const QString &ledgerPath,
                                    QString &keptAs);
    // Lets go of the open store (before its file is replaced).
    void release() { close(); }

    struct Failure;    // why a step inside the ledger failed
    struct Connection; // the open store; its body is private to src/store

    // ---- payments and summary invoices (Billing.cpp) ----
    LedgerStatus recordPayment(Payment &payment);
    // Cancels a payment (reason required); a payment already closed comes
    // back, negative, in the next summary.
    LedgerStatus cancelPayment(qint64 paymentId, const QString &reason);
    LedgerStatus paymentsOf(qint64 customerId, std::vector<Payment> &out);
    // A customer's balance before any summary (its opening balance).
    LedgerStatus setOpeningBalance(qint64 customerId, FixedDecimal amount);
    // 請求締め: for every customer whose closing day falls on the request's
    // date and who has activity not yet closed (notes dated up to the
    // closing, payments, cancellations), records its summary invoice; the
    // notes and payments it covers are closed with it. A customer already
    // closed on that date is left as it is. `made` holds the new summaries.
    // A run is one transaction: all its summaries are recorded, or none.
    LedgerStatus closePeriod(const ClosingRequest &request, std::vector<ClosingRecord> &made,
                             const std::function<void(int done, int of)> &progress = {});
    // Recorded summaries, newest first: those of one customer (0: all)
    // matching the query as the history reads it: the closing date in the
    // date range, 今回御請求額 in the amount range, a part of the customer's
    // name, the 請求No as the slip number.
    LedgerStatus findClosings(qint64 customerId, const NoteQuery &query,
                              std::vector<ClosingRecord> &out);
    LedgerStatus balances(std::vector<Balance> &out);
    LedgerStatus customerLedger(qint64 customerId, std::vector<LedgerLine> &out);

private:
    // Runs one operation on the open ledger (opened, created or upgraded
    // first). A ledger found damaged is set aside, a new one started and
    // the operation run once more on it.
    LedgerStatus run(const std::function<std::optional<Failure>()> &op);
    std::optional<Failure> ensureOpen();
    // `also` runs for each note recorded, inside the same transaction.
    LedgerStatus recordNotes(std::span<IssuedNote> notes, bool queue,
                             const std::function<std::optional<Failure>(qint64)> &also = {});
    // After opening: notes recorded before the chain existed join it,
    // oldest first; a SQLite file is remembered, so that its loss is said.
    std::optional<Failure> settleOpenedStore();
    // A SQLite store this program had open and that is gone now is said
    // (in the status's notice), never silently started again empty.
    void noticeVanishedStore();
    // Copies every note (with its events and PDF) that a damaged file set
    // aside still gives into the new store; says what was kept and lost.
    QString recoverFrom(const QString &damagedFile);
    QString m_notice;
    // Adds or refreshes the note's customer and items (CustomerBook.cpp).
    std::optional<Failure> rememberCustomerAndItems(const IssuedNote &note, qint64 noteId,
                                                    const QString &usedAt);
    void close();
    // One customer's summary inside the caller's transaction (Billing.cpp):
    // nothing when it has no activity to close or is closed already.
    std::optional<Failure>
    closeOne(Connection &c, const ClosingRequest &request, qint64 customerId,
             const std::function<void(printing::SummaryInvoice &, std::optional<QDate>)> &fill,
             FixedDecimal opening, std::optional<ClosingRecord> &record);

    StoreTarget m_target;
    int m_busyTimeout = 2000;
    std::unique_ptr<Connection> m_db;
};

// The listed notes as CSV: UTF-8 with a byte-order mark, a header line, one
// line per note with the ledger's columns (without the note's JSON), fields
// quoted where they hold a comma, quote or line break; lines end in CRLF.
QByteArray notesCsv(const std::vector<NoteSummary> &notes);

// The customer and item lists as CSV text (CustomerCsv.cpp): a header line
// of Japanese column names as a shop's spreadsheet shows them, CRLF line
// ends, fields quoted where needed. The caller encodes the text (UTF-8 with
// a byte-order mark, or CP932).
QString customersCsv(const std::vector<Customer> &customers);
QString itemsCsv(const std::vector<Item> &items);
// Reads such a text back; columns are found by their header names, in any
// order, and unknown columns are ignored. On a fault nothing is returned
// and `error` names the line and why.
bool customersFromCsv(const QString &text, std::vector<Customer> &out, QString &error);
bool itemsFromCsv(const QString &text, std::vector<Item> &out, QString &error);
// A text field of such a file: quoted where needed, and a text that a
// spreadsheet would run as a formula ("=x", also "'=x") kept as text by
// one more apostrophe in front.
QString csvTextField(const QString &value);
// A text field as written, without the apostrophe the writer puts before
// what a spreadsheet would run as a formula ("'=x" reads "=x", "''=x" "'=x").
QString unguardedCsvText(const QString &field);
// The records of such a text, fields as they stand (the header included).
bool csvRecords(const QString &text, std::vector<QStringList> &out, QString &error);

} // namespace ledger
