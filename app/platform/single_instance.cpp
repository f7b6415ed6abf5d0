#include "platform/single_instance.h"

#include "platform/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray kRequest = "raise\n";
const QByteArray kReply = "ok\n";
constexpr qint64 kMaxRequest = 64;
} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() {
    if (lockFd_ < 0)
        return;
    // Removed while still held, so the scratch folder is left as it was found; a start that
    // opened the file meanwhile sees it unnamed and takes a new one.
    ::unlink(lockPath_.constData());
    ::close(lockFd_);
}

QString SingleInstance::defaultName() {
    const QFileInfo state(AppPaths::stateFolder());
    QString folder = state.canonicalFilePath();
    // A folder that could not be made has no canonical name; its clean spelling still
    // drops a trailing separator and "." parts.
    if (folder.isEmpty())
        folder = QDir::cleanPath(state.absoluteFilePath());
    const QByteArray where = QFile::encodeName(folder);
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

namespace {
// Whether fd is still the file path names: the holder before unlinks the file as it ends,
// and a lock taken on the file it unlinked would lock nothing anyone else can see.
bool stillNamed(int fd, const QByteArray& path) {
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}
} // namespace

bool SingleInstance::takeLock() {
    // The socket name alone cannot decide who runs: listening replaces a socket file that is
    // already there. A lock on a file in the private scratch folder decides. The kernel
    // holds it for the open file, so it goes with the process however that ends: a crashed
    // instance leaves nothing to take over, and a full disk does not pass for another
    // instance (the file stays empty).
    const QString scratch = AppPaths::scratchFolder(&failure_);
    if (scratch.isEmpty())
        return false;
    const QString path = scratch + QLatin1Char('/') + name_ + QStringLiteral(".lock");
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd =
            ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
        if (fd < 0) {
            failure_ = QStringLiteral("cannot make the lock file %1: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        int rc;
        do
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int code = errno;
            ::close(fd);
            if (code != EWOULDBLOCK)
                failure_ = QStringLiteral("cannot lock %1: %2")
                               .arg(path, QString::fromLocal8Bit(std::strerror(code)));
            return false;
        }
        if (stillNamed(fd, name)) {
            lockFd_ = fd;
            lockPath_ = name;
            return true;
        }
        ::close(fd);
    }
    failure_ = QStringLiteral("cannot lock %1: it keeps being replaced").arg(path);
    return false;
}

bool SingleInstance::listen() {
    if (server_)
        return server_->isListening();
    failure_.clear();
    if (lockFd_ < 0 && !takeLock())
        return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    // Holding the lock, any socket of this name is the leftover of a crashed instance.
    QLocalServer::removeServer(name_);
    if (server_->listen(name_))
        return true;
    failure_ =
        QStringLiteral("cannot listen on the socket %1: %2").arg(name_, server_->errorString());
    return false;
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
