#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the end of the process's life from outside into an ordinary event:
// SIGTERM, SIGINT and SIGHUP, and the desktop session's request to save its
// data, emit endRequested() on the user-interface thread. The program closes
// its main window there, so the shutdown sequence that stores the settings
// runs as it does when the operator closes the window.
//
// The signal handler only writes one byte to a pipe (async-signal-safe); a
// socket notifier reads it inside the event loop.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

    // Installs the handlers; false if the pipe could not be made.
    bool install();

signals:
    void endRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
