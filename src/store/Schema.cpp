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
        // The customer's names cut into every run of three characters
        // (FTS5's trigram tokenizer, case kept as instr keeps it), so that
        // a part of a name of three or more characters finds its few notes
        // without reading the others. The triggers keep it in step with
        // the notes, whoever adds or removes them.
        "CREATE VIRTUAL TABLE notes_customer_grams USING fts5(customer, content='notes',"
        " content_rowid='id', tokenize='trigram case_sensitive 1')",
        "CREATE TRIGGER notes_grams_insert AFTER INSERT ON notes BEGIN"
        " INSERT INTO notes_customer_grams (rowid, customer) VALUES (new.id, new.customer); END",
        "CREATE TRIGGER notes_grams_delete AFTER DELETE ON notes BEGIN"
        " INSERT INTO notes_customer_grams (notes_customer_grams, rowid, customer)"
        " VALUES ('delete', old.id, old.customer); END",
        "CREATE TRIGGER notes_grams_update AFTER UPDATE OF customer ON notes BEGIN"
        " INSERT INTO notes_customer_grams (notes_customer_grams, rowid, customer)"
        " VALUES ('delete', old.id, old.customer);"
        " INSERT INTO notes_customer_grams (rowid, customer) VALUES (new.id, new.customer); END",
        "INSERT INTO notes_customer_grams (notes_customer_grams) VALUES ('rebuild')",
    },
    {
        // The customers and items the shop has invoiced, kept current by
        // every recorded note (CustomerBook.cpp). Digits of the postal code
        // and telephone are kept beside the texts for matching and recall;
        // a merged entry is hidden and names the one it went into.
        "CREATE TABLE customers ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " code TEXT NOT NULL UNIQUE,"
        " name TEXT NOT NULL,"
        " honorific TEXT NOT NULL,"
        " zip TEXT NOT NULL,"
        " zip_digits TEXT NOT NULL,"
        " address1 TEXT NOT NULL,"
        " address2 TEXT NOT NULL,"
        " address3 TEXT NOT NULL,"
        " tel TEXT NOT NULL,"
        " tel_digits TEXT NOT NULL,"
        " closing_day INTEGER NOT NULL DEFAULT 0,"
        " payment_terms TEXT NOT NULL DEFAULT '',"
        " hidden INTEGER NOT NULL DEFAULT 0,"
        " merged_into INTEGER,"
        " last_used TEXT NOT NULL,"
        " last_note_id INTEGER)",
        // Recall walks this index newest first and reads nothing else until
        // it has its few rows, also when nothing matches (a new customer).
        "CREATE INDEX customers_recall ON customers(last_used, id, hidden, name, tel_digits)",
        "CREATE INDEX customers_name_zip ON customers(name, zip_digits)",
        "CREATE INDEX customers_tel ON customers(tel_digits)",
        "CREATE INDEX customers_zip ON customers(zip_digits)",
        "CREATE TABLE items ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " code TEXT NOT NULL UNIQUE,"
        " item_no TEXT NOT NULL,"
        " item TEXT NOT NULL,"
        " unit TEXT NOT NULL,"
        " price TEXT NOT NULL,"
        " reduced INTEGER NOT NULL DEFAULT 0,"
        " tax_included INTEGER NOT NULL DEFAULT 0,"
        " hidden INTEGER NOT NULL DEFAULT 0,"
        " merged_into INTEGER,"
        " last_used TEXT NOT NULL)",
        "CREATE INDEX items_recall ON items(last_used, id, hidden, item_no)",
        "CREATE INDEX items_names ON items(item_no, item)",
    },
    {
        // Payments and summary invoices (Billing.cpp). A note belongs to
        // the customer its recording matched; payments and their
        // cancellations are rows of their own, never changed; each
        // summary keeps its figures and the whole invoice, and
        // closing_items names what it closed, each thing once.
        "CREATE TABLE note_customers (note_id INTEGER PRIMARY KEY REFERENCES notes(id),"
        " customer_id INTEGER NOT NULL REFERENCES customers(id))",
        "CREATE INDEX note_customers_customer ON note_customers(customer_id, note_id)",
        "ALTER TABLE customers ADD COLUMN opening_balance TEXT NOT NULL DEFAULT '0'",
        "CREATE TABLE payments (id INTEGER PRIMARY KEY AUTOINCREMENT, uid TEXT NOT NULL UNIQUE,"
        " customer_id INTEGER NOT NULL REFERENCES customers(id), paid_on TEXT NOT NULL,"
        " kind INTEGER NOT NULL, method TEXT NOT NULL, amount TEXT NOT NULL, memo TEXT NOT NULL,"
        " recorded_at TEXT NOT NULL)",
        "CREATE INDEX payments_customer ON payments(customer_id, paid_on)",
        "CREATE TABLE payment_cancellations (payment_id INTEGER PRIMARY KEY"
        " REFERENCES payments(id), reason TEXT NOT NULL, recorded_at TEXT NOT NULL)",
        "CREATE TABLE closings (id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " customer_id INTEGER NOT NULL REFERENCES customers(id), customer_name TEXT NOT NULL,"
        " closing_date TEXT NOT NULL, due_date TEXT NOT NULL, invoice_no TEXT NOT NULL,"
        " previous TEXT NOT NULL, paid TEXT NOT NULL, adjusted TEXT NOT NULL,"
        " purchases TEXT NOT NULL, tax TEXT NOT NULL, billed TEXT NOT NULL,"
        " invoice_json TEXT NOT NULL, recorded_at TEXT NOT NULL)",
        "CREATE UNIQUE INDEX closings_customer_date ON closings(customer_id, closing_date)",
        "CREATE INDEX closings_date ON closings(closing_date)",
        "CREATE TABLE closing_items (kind TEXT NOT NULL, item_id INTEGER NOT NULL,"
        " closing_id INTEGER NOT NULL REFERENCES closings(id), PRIMARY KEY (kind, item_id))",
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
    {
        // Every customer text the notes hold, once: a part of a name too
        // short for the trigram index is looked for among these few
        // thousand names first, so that a part nobody has is answered
        // without reading the notes, and a rare one by the customer index.
        "CREATE TABLE customer_names (name TEXT PRIMARY KEY) WITHOUT ROWID",
        "INSERT OR IGNORE INTO customer_names (name) SELECT DISTINCT customer FROM notes",
        "CREATE TRIGGER customer_names_insert AFTER INSERT ON notes BEGIN"
        " INSERT OR IGNORE INTO customer_names (name) VALUES (new.customer); END",
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
        // pg_trgm reads only ASCII letters and digits as parts of words
        // when the database's character type is C, which would leave a
        // Japanese name unindexed. Each character of the name is therefore
        // written as one ASCII letter or digit (its code modulo 36), the
        // result kept beside the name and indexed by its trigrams: a part
        // of a name, written the same way, is a part of this column, and
        // the few notes the index finds are checked against the name
        // itself. pg_trgm is a trusted extension: the database's owner may
        // create it. A role that may not goes without the index: the search
        // answers alike, only slower.
        "DO $$ BEGIN CREATE EXTENSION IF NOT EXISTS pg_trgm;"
        " EXCEPTION WHEN OTHERS THEN RAISE NOTICE 'no pg_trgm: %', SQLERRM; END $$",
        "CREATE FUNCTION kanro_grams(t TEXT) RETURNS TEXT LANGUAGE sql IMMUTABLE STRICT"
        " PARALLEL SAFE AS $$ SELECT coalesce(string_agg(substr("
        "'0123456789abcdefghijklmnopqrstuvwxyz', ascii(ch) % 36 + 1, 1), '' ORDER BY n), '')"
        " FROM unnest(string_to_array(t, NULL)) WITH ORDINALITY AS u(ch, n) $$",
        "ALTER TABLE notes ADD COLUMN customer_grams TEXT"
        " GENERATED ALWAYS AS (kanro_grams(customer)) STORED",
        "DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'pg_trgm') THEN"
        " CREATE INDEX notes_customer_grams ON notes USING gin (customer_grams gin_trgm_ops);"
        " END IF; END $$",
        // The list in date order with what its conditions read, so that a
        // search walks this index alone (an index-only scan) until the list
        // is full, and only the listed notes' rows are read.
        "CREATE INDEX notes_listing ON notes (issued_on, id)"
        " INCLUDE (customer, customer_grams, total)",
    },
    {
        "CREATE TABLE customers ("
        " id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,"
        " code TEXT NOT NULL UNIQUE,"
        " name TEXT NOT NULL,"
        " honorific TEXT NOT NULL,"
        " zip TEXT NOT NULL,"
        " zip_digits TEXT NOT NULL,"
        " address1 TEXT NOT NULL,"
        " address2 TEXT NOT NULL,"
        " address3 TEXT NOT NULL,"
        " tel TEXT NOT NULL,"
        " tel_digits TEXT NOT NULL,"
        " closing_day INTEGER NOT NULL DEFAULT 0,"
        " payment_terms TEXT NOT NULL DEFAULT '',"
        " hidden INTEGER NOT NULL DEFAULT 0,"
        " merged_into BIGINT,"
        " last_used TEXT NOT NULL,"
        " last_note_id BIGINT)",
        "CREATE INDEX customers_recall ON customers(last_used, id, hidden, name, tel_digits)",
        "CREATE INDEX customers_name_zip ON customers(name, zip_digits)",
        "CREATE INDEX customers_tel ON customers(tel_digits)",
        "CREATE INDEX customers_zip ON customers(zip_digits)",
        "CREATE TABLE items ("
        " id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,"
        " code TEXT NOT NULL UNIQUE,"
        " item_no TEXT NOT NULL,"
        " item TEXT NOT NULL,"
        " unit TEXT NOT NULL,"
        " price TEXT NOT NULL,"
        " reduced INTEGER NOT NULL DEFAULT 0,"
        " tax_included INTEGER NOT NULL DEFAULT 0,"
        " hidden INTEGER NOT NULL DEFAULT 0,"
        " merged_into BIGINT,"
        " last_used TEXT NOT NULL)",
        "CREATE INDEX items_recall ON items(last_used, id, hidden, item_no)",
        "CREATE INDEX items_names ON items(item_no, item)",
    },
    {
        "CREATE TABLE note_customers (note_id BIGINT PRIMARY KEY REFERENCES notes(id),"
        " customer_id BIGINT NOT NULL REFERENCES customers(id))",
        "CREATE INDEX note_customers_customer ON note_customers(customer_id, note_id)",
        "ALTER TABLE customers ADD COLUMN opening_balance TEXT NOT NULL DEFAULT '0'",
        "CREATE TABLE payments (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,"
        " uid TEXT NOT NULL UNIQUE,"
        " customer_id BIGINT NOT NULL REFERENCES customers(id), paid_on TEXT NOT NULL,"
        " kind INTEGER NOT NULL, method TEXT NOT NULL, amount TEXT NOT NULL, memo TEXT NOT NULL,"
        " recorded_at TEXT NOT NULL)",
        "CREATE INDEX payments_customer ON payments(customer_id, paid_on)",
        "CREATE TABLE payment_cancellations (payment_id BIGINT PRIMARY KEY"
        " REFERENCES payments(id), reason TEXT NOT NULL, recorded_at TEXT NOT NULL)",
        "CREATE TABLE closings (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,"
        " customer_id BIGINT NOT NULL REFERENCES customers(id), customer_name TEXT NOT NULL,"
        " closing_date TEXT NOT NULL, due_date TEXT NOT NULL, invoice_no TEXT NOT NULL,"
        " previous TEXT NOT NULL, paid TEXT NOT NULL, adjusted TEXT NOT NULL,"
        " purchases TEXT NOT NULL, tax TEXT NOT NULL, billed TEXT NOT NULL,"
        " invoice_json TEXT NOT NULL, recorded_at TEXT NOT NULL)",
        "CREATE UNIQUE INDEX closings_customer_date ON closings(customer_id, closing_date)",
        "CREATE INDEX closings_date ON closings(closing_date)",
        "CREATE TABLE closing_items (kind TEXT NOT NULL, item_id BIGINT NOT NULL,"
        " closing_id BIGINT NOT NULL REFERENCES closings(id), PRIMARY KEY (kind, item_id))",
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
    {
        "CREATE TABLE customer_names (name TEXT PRIMARY KEY)",
        "INSERT INTO customer_names (name) SELECT DISTINCT customer FROM notes"
        " ON CONFLICT DO NOTHING",
        "CREATE FUNCTION kanro_customer_name() RETURNS trigger LANGUAGE plpgsql AS $$"
        " BEGIN INSERT INTO customer_names (name) VALUES (NEW.customer) ON CONFLICT DO NOTHING;"
        " RETURN NULL; END $$",
        "CREATE TRIGGER customer_names_insert AFTER INSERT ON notes"
        " FOR EACH ROW EXECUTE FUNCTION kanro_customer_name()",
        // Recall on a shared store: each name's pairs of characters and each
        // telephone's runs of three digits in an array with a GIN index
        // (built in, no extension), so that a part nobody has is answered
        // from the index instead of a walk through every customer.
        "CREATE FUNCTION kanro_ngrams(t TEXT, n INTEGER) RETURNS TEXT[] LANGUAGE sql IMMUTABLE"
        " STRICT PARALLEL SAFE AS $$ SELECT coalesce(array_agg(DISTINCT substr(t, i, n)), '{}')"
        " FROM generate_series(1, char_length(t) - n + 1) AS i $$",
        "ALTER TABLE customers ADD COLUMN name_grams TEXT[]"
        " GENERATED ALWAYS AS (kanro_ngrams(name, 2)) STORED",
        "ALTER TABLE customers ADD COLUMN tel_grams TEXT[]"
        " GENERATED ALWAYS AS (kanro_ngrams(tel_digits, 3)) STORED",
        "CREATE INDEX customers_name_grams ON customers USING gin (name_grams)",
        "CREATE INDEX customers_tel_grams ON customers USING gin (tel_grams)",
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
