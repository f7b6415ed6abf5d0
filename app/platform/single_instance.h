#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLockFile;

class QLocalServer;

// One running program per user. The running one listens on a local socket; a later start
// asks it to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const QString& name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Per user, and per state folder so that test runs never meet a real instance.
    static QString defaultName();
    QString name() const { return name_; }

    // Asks a running instance to restore and raise its window; true when one answered.
    bool handOverToRunning(int timeoutMs = 3000);
    // Starts listening for later starts; a socket left by a crashed instance is replaced.
    // False when another instance began listening first (hand over to it).
    bool listen();
    bool isListening() const;

  signals:
    void activationRequested();

  private:
    void serveConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
    std::unique_ptr<QLockFile> lock_; // held by the running instance for its whole life
};
