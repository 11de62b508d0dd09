#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Keeps one running instance per user and window title. The first instance
// listens on a local socket whose name is derived from the title and the
// user id (only that user may connect), in the user's runtime folder; a
// later start connects, asks the
// first to restore and raise its window, and then ends without a window.
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
    // XDG_RUNTIME_DIR when that names a folder, else a name that Qt puts in
    // the temporary folder.
    static QString serverName(const QString &title);

signals:
    // Emitted in the first instance when a later start asks it to show itself.
    void activationRequested();

private:
    bool askRunningInstance();
    void acceptConnection();

    QString m_name;
    QLocalServer *m_server = nullptr;
};
