#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <map>

class QSocketNotifier;

// Keeps one running instance per user and window title. The first instance
// listens on a local socket whose name is derived from the title and the
// user id (only that user may connect), in the user's runtime folder; a
// later start connects, asks the first to restore and raise its window, and
// then ends without a window.
//
// Plain Unix-domain sockets watched by the event loop: the program needs
// nothing else of a network library, and loading one (with its security
// libraries) cost start-up time.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &title, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first instance and now listens. False
    // when another instance answered; that instance has been asked to come
    // to the front.
    bool claim();

    // The socket used for a title (stable per user): a full path in
    // XDG_RUNTIME_DIR when that names a folder, else a plain name, which
    // is placed in the temporary folder.
    static QString serverName(const QString &title);

signals:
    // Emitted in the first instance when a later start asks it to show itself.
    void activationRequested();

private:
    bool askRunningInstance();
    bool listen();
    void acceptConnections();
    void readRequest(int fd);
    void dropConnection(int fd);

    QString m_name;
    QByteArray m_path; // the socket file while this instance listens
    int m_listener = -1;
    QSocketNotifier *m_acceptor = nullptr;
    struct Connection
    {
        QSocketNotifier *notifier;
        QByteArray received;
    };
    std::map<int, Connection> m_connections;
};
