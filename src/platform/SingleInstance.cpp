#include "platform/SingleInstance.h"

#include "platform/LocalServer.h"
#include "platform/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QVariant>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace zk::platform {

namespace {

constexpr const char* kBufferProperty = "zkActivationBuffer";
constexpr const char* kDoneProperty = "zkActivationDone";

void SetSendTimeout(int fd, int ms) {
    timeval t{};
    t.tv_sec = ms / 1000;
    t.tv_usec = (ms % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
}

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    path_ = QFileInfo(name_).isAbsolute() ? name_ : QDir::tempPath() + "/" + name_;
    lockPath_ = path_ + ".lock";
}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->Close();
}

QString SingleInstance::DefaultName() {
    const QString name = QStringLiteral("OSTRIXDRVER1-%1").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + "/" + name;
    return name;
}

bool SingleInstance::IsListening() const {
    return server_ && server_->IsListening();
}

bool SingleInstance::TryActivateRunning(int timeoutMs) {
    const QByteArray path = QFile::encodeName(path_);
    sockaddr_un address{};
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd)
        return false;
    // A full backlog makes connect() wait, for at most the send timeout.
    SetSendTimeout(fd.Get(), timeoutMs);
    if (RetryOnEintr([&] {
            return ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
        }) != 0)
        return false;
    SetSendTimeout(fd.Get(), 2000);
    const QByteArray message = QByteArray(kActivation) + '\n';
    qsizetype sent = 0;
    while (sent < message.size()) {
        const ssize_t n = RetryOnEintr([&] {
            return ::send(fd.Get(), message.constData() + sent,
                          static_cast<std::size_t>(message.size() - sent), MSG_NOSIGNAL);
        });
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// The lock file is held for the first instance's lifetime, like a named mutex:
// the system releases it when the process ends, however it ends.
bool SingleInstance::TryBecomeFirst() {
    if (!lockFd_) {
        const QByteArray path = lockPath_.toLocal8Bit();
        lockFd_.Reset(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!lockFd_)
            lockFd_.Reset(::open(path.constData(), O_RDONLY | O_CLOEXEC));
        if (!lockFd_)
            return false;
    }
    if (::flock(lockFd_.Get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    // Whatever socket is left under the name belongs to an instance that is gone.
    LocalServer::RemoveSocket(path_);
    server_ = new LocalServer(this);
    connect(server_, &LocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    if (!server_->Listen(path_))
        DebugLine("single instance: cannot listen on " + name_.toStdString() + ": " +
                  server_->ErrorString().toStdString());
    return true;
}

SingleInstance::Role SingleInstance::Start() {
    if (server_)
        return Role::First;
    if (TryActivateRunning(1000))
        return Role::Second;
    // Nothing answered: either no instance runs, its socket is stale, or the
    // other instance is between taking the lock and listening.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000) {
        if (TryBecomeFirst())
            return Role::First;
        if (TryActivateRunning(200))
            return Role::Second;
        QThread::msleep(50);
    }
    // An instance holds the lock but never answers: run rather than fail to
    // start at all, as when the named mutex cannot be created.
    DebugLine("single instance: the running instance does not answer");
    lockFd_.Reset();
    return Role::First;
}

void SingleInstance::OnNewConnection(LocalConnection* connection) {
    connect(connection, &LocalConnection::readyRead, this,
            [this, connection] { OnData(connection); });
    connect(connection, &LocalConnection::disconnected, connection, &QObject::deleteLater);
}

void SingleInstance::OnData(LocalConnection* connection) {
    if (connection->property(kDoneProperty).toBool()) {
        connection->ReadAll();
        return;
    }
    QByteArray buffer = connection->property(kBufferProperty).toByteArray() + connection->ReadAll();
    if (!buffer.contains('\n')) {
        // A line of any length beyond the token is not an activation.
        connection->setProperty(kBufferProperty, buffer.left(64));
        return;
    }
    connection->setProperty(kDoneProperty, true);
    if (buffer.left(buffer.indexOf('\n')) == kActivation) {
        emit activated();
        if (handler_)
            handler_();
    }
    connection->CloseAfterWriting();
}

} // namespace zk::platform
