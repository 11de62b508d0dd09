// The store's schema: the migration steps of both back ends and the
// columns that notes are listed and recorded with.

#include "store/StoreConnection.h"

namespace ledger::schema {

// The schema, one step per version and back end: step k turns version k
// into k + 1. A new version appends a step to both lists (ALTER TABLE, new
// indexes) and raises NoteLedger::schemaVersion; a store of any older
// version is brought up to date step by step when it is first opened, and
// each step applied is noted in schema_migrations.
const std::vector<std::vector<const char *>> sqliteMigrations = {
    {
        "CREATE TABLE notes ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " printed_at TEXT NOT NULL,"
        " issued_on TEXT NOT NULL,"
        " slip_no TEXT NOT NULL,"
        " customer TEXT NOT NULL,"
        " zip TEXT NOT NULL,"
        " address TEXT NOT NULL,"
        " tel TEXT NOT NULL,"
        " subtotal TEXT NOT NULL,"
        " tax TEXT NOT NULL,"
        " total TEXT NOT NULL,"
        " tax_reg_no TEXT NOT NULL,"
        " layout INTEGER NOT NULL,"
        " printer TEXT NOT NULL,"
        " copies INTEGER NOT NULL,"
        " job_title TEXT NOT NULL,"
        " pdf_file TEXT NOT NULL,"
        " note_json TEXT NOT NULL,"
        " reprint_of INTEGER REFERENCES notes(id))",
        // The date index also carries the customer and the total, so that a
        // search by date, customer part or amount walks it newest first
        // without reading the rows (each row holds its whole note) and
        // stops once the list is full.
        "CREATE INDEX notes_issued_on ON notes(issued_on, customer, total)",
        "CREATE INDEX notes_slip_no ON notes(slip_no)",
        "CREATE INDEX notes_customer ON notes(customer)",
        // Totals are kept as the fields' texts; ranges compare them as numbers.
        "CREATE INDEX notes_total ON notes(CAST(total AS REAL))",
    },
    {
        "ALTER TABLE notes ADD COLUMN note_uid TEXT",
        // Notes recorded before the terminal made ids get one now, so that
        // they too move to a shared store exactly once.
        "UPDATE notes SET note_uid = lower(hex(randomblob(16))) WHERE note_uid IS NULL",
        "CREATE UNIQUE INDEX notes_uid ON notes(note_uid)",
        "CREATE TABLE counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL)",
        // The notes that wait to be sent to the shared store.
        "CREATE TABLE outbox (note_id INTEGER PRIMARY KEY REFERENCES notes(id))",
    },
    {
        // Whether the note's prices include tax (税込), as a column beside
        // the note's JSON, so that lists and the CSV show it.
        "ALTER TABLE notes ADD COLUMN tax_included INTEGER NOT NULL DEFAULT 0",
        "UPDATE notes SET tax_included = 1 WHERE instr(note_json, '\"taxIncluded\":true') > 0",
    },
    {
        // Records kept as the law asks: events of a note (printing, printed,
        // failed, cancelled, corrected), the PDFs as sent (by their SHA-256)
        // and the hash chain over notes and events. The notes recorded so
        // far join the chain when the store is first opened after this step.
        "CREATE TABLE note_events ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " note_id INTEGER NOT NULL REFERENCES notes(id),"
        " kind TEXT NOT NULL,"
        " at TEXT NOT NULL,"
        " who TEXT NOT NULL,"
        " reason TEXT NOT NULL,"
        " ref_id INTEGER REFERENCES notes(id),"
        " pdf_file TEXT NOT NULL,"
        " pdf_sha256 TEXT NOT NULL)",
        "CREATE INDEX note_events_note ON note_events(note_id, kind)",
        "CREATE TABLE pdfs (sha256 TEXT PRIMARY KEY, bytes BLOB NOT NULL)",
        "CREATE TABLE chain ("
        " seq INTEGER PRIMARY KEY,"
        " kind TEXT NOT NULL,"
        " row_id INTEGER NOT NULL,"
        " hash TEXT NOT NULL,"
        " UNIQUE (kind, row_id))",
        // Through the program nothing recorded changes; a change made past
        // it (another tool on the file) is found by the chain.
        "CREATE TRIGGER notes_kept_u BEFORE UPDATE ON notes"
        " BEGIN SELECT RAISE(ABORT, 'recorded notes are kept as they are'); END",
        "CREATE TRIGGER notes_kept_d BEFORE DELETE ON notes"
        " BEGIN SELECT RAISE(ABORT, 'recorded notes are kept as they are'); END",
        "CREATE TRIGGER note_events_kept_u BEFORE UPDATE ON note_events"
        " BEGIN SELECT RAISE(ABORT, 'recorded notes are kept as they are'); END",
        "CREATE TRIGGER note_events_kept_d BEFORE DELETE ON note_events"
        " BEGIN SELECT RAISE(ABORT, 'recorded notes are kept as they are'); END",
        "CREATE TRIGGER chain_kept_u BEFORE UPDATE ON chain"
        " BEGIN SELECT RAISE(ABORT, 'recorded notes are kept as they are'); END",
        "CREATE TRIGGER chain_kept_d BEFORE DELETE ON chain"
        " BEGIN SELECT RAISE(ABORT, 'recorded notes are kept as they are'); END",
    },
};

const std::vector<std::vector<const char *>> postgresMigrations = {
    {
        "CREATE TABLE notes ("
        " id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,"
        " printed_at TEXT NOT NULL,"
        " issued_on TEXT NOT NULL,"
        " slip_no TEXT NOT NULL,"
        " customer TEXT NOT NULL,"
        " zip TEXT NOT NULL,"
        " address TEXT NOT NULL,"
        " tel TEXT NOT NULL,"
        " subtotal TEXT NOT NULL,"
        " tax TEXT NOT NULL,"
        " total TEXT NOT NULL,"
        " tax_reg_no TEXT NOT NULL,"
        " layout INTEGER NOT NULL,"
        " printer TEXT NOT NULL,"
        " copies INTEGER NOT NULL,"
        " job_title TEXT NOT NULL,"
        " pdf_file TEXT NOT NULL,"
        " note_json TEXT NOT NULL,"
        " reprint_of BIGINT REFERENCES notes(id))",
        // A total's text as a number; a text that is none (an empty total)
        // reads 0, as SQLite's cast reads it, where a plain cast would fail
        // the whole statement.
        "CREATE FUNCTION kanro_amount(t TEXT) RETURNS DOUBLE PRECISION LANGUAGE sql IMMUTABLE"
        " AS $$ SELECT CASE WHEN t ~ '^-?[0-9]+(\\.[0-9]*)?$' THEN t::DOUBLE PRECISION"
        " ELSE 0 END $$",
        "CREATE INDEX notes_issued_on ON notes(issued_on, customer, total)",
        "CREATE INDEX notes_slip_no ON notes(slip_no)",
        "CREATE INDEX notes_customer ON notes(customer)",
        "CREATE INDEX notes_total ON notes(kanro_amount(total))",
    },
    {
        "ALTER TABLE notes ADD COLUMN note_uid TEXT",
        "CREATE UNIQUE INDEX notes_uid ON notes(note_uid)",
        "CREATE TABLE counters (name TEXT PRIMARY KEY, value BIGINT NOT NULL)",
        "CREATE TABLE outbox (note_id BIGINT PRIMARY KEY REFERENCES notes(id))",
    },
    {
        "ALTER TABLE notes ADD COLUMN tax_included INTEGER NOT NULL DEFAULT 0",
        "UPDATE notes SET tax_included = 1 WHERE strpos(note_json, '\"taxIncluded\":true') > 0",
    },
    {
        "CREATE TABLE note_events ("
        " id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,"
        " note_id BIGINT NOT NULL REFERENCES notes(id),"
        " kind TEXT NOT NULL,"
        " at TEXT NOT NULL,"
        " who TEXT NOT NULL,"
        " reason TEXT NOT NULL,"
        " ref_id BIGINT REFERENCES notes(id),"
        " pdf_file TEXT NOT NULL,"
        " pdf_sha256 TEXT NOT NULL)",
        "CREATE INDEX note_events_note ON note_events(note_id, kind)",
        "CREATE TABLE pdfs (sha256 TEXT PRIMARY KEY, bytes BYTEA NOT NULL)",
        "CREATE TABLE chain ("
        " seq BIGINT PRIMARY KEY,"
        " kind TEXT NOT NULL,"
        " row_id BIGINT NOT NULL,"
        " hash TEXT NOT NULL,"
        " UNIQUE (kind, row_id))",
        // Recorded rows refuse UPDATE, DELETE and TRUNCATE to every role,
        // the program's own included (triggers; a superuser could only get
        // past them by dropping them, which the chain then shows).
        "CREATE FUNCTION kanro_refuse_change() RETURNS trigger LANGUAGE plpgsql AS $$"
        " BEGIN RAISE EXCEPTION 'recorded notes are kept as they are (% on %)', TG_OP,"
        " TG_TABLE_NAME; END $$",
        "CREATE TRIGGER notes_kept BEFORE UPDATE OR DELETE ON notes"
        " FOR EACH ROW EXECUTE FUNCTION kanro_refuse_change()",
        "CREATE TRIGGER notes_kept_t BEFORE TRUNCATE ON notes"
        " FOR EACH STATEMENT EXECUTE FUNCTION kanro_refuse_change()",
        "CREATE TRIGGER note_events_kept BEFORE UPDATE OR DELETE ON note_events"
        " FOR EACH ROW EXECUTE FUNCTION kanro_refuse_change()",
        "CREATE TRIGGER note_events_kept_t BEFORE TRUNCATE ON note_events"
        " FOR EACH STATEMENT EXECUTE FUNCTION kanro_refuse_change()",
        "CREATE TRIGGER chain_kept BEFORE UPDATE OR DELETE ON chain"
        " FOR EACH ROW EXECUTE FUNCTION kanro_refuse_change()",
        "CREATE TRIGGER chain_kept_t BEFORE TRUNCATE ON chain"
        " FOR EACH STATEMENT EXECUTE FUNCTION kanro_refuse_change()",
        "CREATE TRIGGER pdfs_kept BEFORE UPDATE OR DELETE ON pdfs"
        " FOR EACH ROW EXECUTE FUNCTION kanro_refuse_change()",
    },
};

const char *const summaryColumns =
    "id, printed_at, issued_on, slip_no, customer, zip, address, tel, subtotal, tax, total,"
    " tax_reg_no, layout, printer, copies, job_title, pdf_file, reprint_of, tax_included";

const char *const recordColumns =
    "printed_at, issued_on, slip_no, customer, zip, address, tel, subtotal, tax, total,"
    " tax_reg_no, layout, printer, copies, job_title, pdf_file, tax_included, note_json, reprint_of,"
    " note_uid";

} // namespace ledger::schema
