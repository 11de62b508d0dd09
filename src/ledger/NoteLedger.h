#pragma once
// The issued-notes ledger: every note the print command completed, kept in
// the SQLite file "Kanro_ledger.db" of the working directory, searchable by
// date, amount, customer and slip number, and complete enough to print the
// note again exactly (the printing note as JSON) or to load it back into
// the window (the destination beside it).
//
// The ledger never throws and never shows anything: each operation answers
// with what it did and, on failure, why, so that printing is never stopped
// by it and the window can give a notice.

#include "note/PrintNote.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace ledger {

// One completed print job as it is recorded.
struct IssuedNote
{
    qint64 id = 0; // assigned by the ledger
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
};

// What an operation did. `error` is empty on success and otherwise says why
// it failed (the database's own message); `setAside` names the file a
// damaged ledger was moved to before a new one was started.
struct LedgerStatus
{
    QString error;
    QString setAside;
    bool ok() const { return error.isEmpty(); }
};

// The ledger file in a working directory.
QString ledgerFilePath(const QString &workingDir);

class NoteLedger
{
public:
    // The schema version this program writes (PRAGMA user_version).
    static constexpr int schemaVersion = 1;

    // The clock for printed_at; tests replace it.
    static std::function<QDateTime()> nowProvider;

    // Opens (and creates or upgrades) the ledger at `path` on first use.
    explicit NoteLedger(QString path);
    ~NoteLedger();
    NoteLedger(const NoteLedger &) = delete;
    NoteLedger &operator=(const NoteLedger &) = delete;

    // How long a write waits for another connection's lock (default 2 s).
    void setBusyTimeout(int milliseconds);

    // Records a note; sets note.id and note.printedAt on success.
    LedgerStatus record(IssuedNote &note);
    // Records several notes at once, all or none (an import, a benchmark).
    LedgerStatus record(std::span<IssuedNote> notes);
    // Notes matching the query, newest first; at most `limit` (< 0: all).
    LedgerStatus search(const NoteQuery &query, int limit, std::vector<NoteSummary> &out);
    // The whole recorded note; nullopt with the reason when it cannot be read.
    std::optional<IssuedNote> load(qint64 id, LedgerStatus &status);

    QString path() const { return m_path; }

    struct Failure; // why a step inside the ledger failed

private:
    struct Connection;
    // Runs one operation on the open ledger (opened, created or upgraded
    // first). A ledger found damaged is set aside, a new one started and
    // the operation run once more on it.
    LedgerStatus run(const std::function<std::optional<Failure>()> &op);
    std::optional<Failure> ensureOpen();
    void close();

    QString m_path;
    int m_busyTimeout = 2000;
    std::unique_ptr<Connection> m_db;
};

// The listed notes as CSV: UTF-8 with a byte-order mark, a header line, one
// line per note with the ledger's columns (without the note's JSON), fields
// quoted where they hold a comma, quote or line break; lines end in CRLF.
QByteArray notesCsv(const std::vector<NoteSummary> &notes);

} // namespace ledger
