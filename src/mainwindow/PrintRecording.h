#pragma once
// One print's record: made durable as "印刷中" right before the job is
// handed to the printer, ended as printed (with the PDF the PDF printer
// wrote, kept in the store) or failed after it. A job that throws is
// marked failed when the recording goes out of scope; a note the store
// could not take before the job is recorded the old way after it (the
// shared store's outbox, or a notice).

#include "store/NoteLedger.h"

class TForm_Main;

class PrintRecording
{
public:
    explicit PrintRecording(TForm_Main &window) : w(window) {}
    ~PrintRecording();
    PrintRecording(const PrintRecording &) = delete;
    PrintRecording &operator=(const PrintRecording &) = delete;

    // Before the job: a note of the window's fields (a correction or a
    // reprint when the window holds a loaded record), or a given note.
    void beginWindowNote(const printing::PrintNote &note, const QString &title, int copies);
    void begin(ledger::IssuedNote issued, qint64 corrects = 0, const QString &reason = {});
    // After the job.
    void end(bool printed, const QString &why = {});

private:
    TForm_Main &w;
    ledger::IssuedNote m_issued;
    bool m_begun = false;
    bool m_ended = false;
    bool m_recorded = false; // the store took the note before the job
    bool m_window = false;   // printed from the window's fields
};

// A file's bytes (a written PDF); empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// A cancelled or corrected note is not printed again: false after a notice.
bool reprintAllowed(TForm_Main &w, qint64 id);
