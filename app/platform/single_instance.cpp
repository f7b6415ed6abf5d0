#include "platform/single_instance.h"

#include "platform/paths.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {
const QByteArray kRequest = "raise\n";
const QByteArray kReply = "ok\n";
constexpr qint64 kMaxRequest = 64;
} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
    const QByteArray where = AppPaths::stateFolder().toUtf8();
    const QByteArray hash =
        QCryptographicHash::hash(where, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("kavel32-") + QString::fromLatin1(hash);
}

bool SingleInstance::handOverToRunning(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait until the running one has handled the request (it answers after raising).
    while (!socket.canReadLine() && socket.bytesAvailable() < kMaxRequest)
        if (!socket.waitForReadyRead(timeoutMs))
            break;
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    if (server_)
        return server_->isListening();
    // The socket name alone cannot decide who runs: listening replaces a socket file that is
    // already there. A lock file in the private scratch folder is taken atomically, and a
    // lock left by a crashed instance is taken over once its process is gone.
    const QString scratch = AppPaths::scratchFolder();
    if (scratch.isEmpty())
        return false;
    auto lock =
        std::make_unique<QLockFile>(scratch + QLatin1Char('/') + name_ + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    lock_ = std::move(lock);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    // Holding the lock, any socket of this name is the leftover of a crashed instance.
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
}

bool SingleInstance::isListening() const {
    return server_ && server_->isListening();
}

void SingleInstance::serveConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequest)
                    socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(kMaxRequest);
            if (line == kRequest) {
                emit activationRequested();
                socket->write(kReply);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}
