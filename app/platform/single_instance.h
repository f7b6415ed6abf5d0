#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user. The running one listens on a local socket; a later start
// asks it to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const QString& name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Per user, and per state folder so that test runs never meet a real instance: the
    // folder as the file system names it, however it was spelled ("state/", a link to it).
    static QString defaultName();
    QString name() const { return name_; }

    // Asks a running instance to restore and raise its window; true when one answered.
    bool handOverToRunning(int timeoutMs = 3000);
    // Takes the lock of the running instance and starts listening for later starts; a lock
    // or socket left by a crashed instance is taken over. False when another instance holds
    // the lock (hand over to it), or when the lock or the socket cannot be made: then
    // failure() says why.
    bool listen();
    bool isListening() const;
    // Why the last listen() failed, when it was not another instance: "cannot make the lock
    // file ...: No space left on device". Empty when another instance holds the lock.
    QString failure() const { return failure_; }

  signals:
    void activationRequested();

  private:
    void serveConnection();
    bool takeLock();

    QString name_;
    QString failure_;
    QLocalServer* server_ = nullptr;
    int lockFd_ = -1; // locked by the running instance for its whole life
    QByteArray lockPath_;
};
