#include "platform/SingleInstance.h"

#include "platform/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zk::platform {

namespace {

constexpr const char* kBufferProperty = "zkActivationBuffer";
constexpr const char* kDoneProperty = "zkActivationDone";

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    const QString base = QFileInfo(name_).isAbsolute() ? name_ : QDir::tempPath() + "/" + name_;
    lockPath_ = base + ".lock";
}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
}

QString SingleInstance::DefaultName() {
    const QString name = QStringLiteral("OSTRIXDRVER1-%1").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + "/" + name;
    return name;
}

bool SingleInstance::IsListening() const {
    return server_ && server_->isListening();
}

bool SingleInstance::TryActivateRunning(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(QByteArray(kActivation) + '\n');
    const bool sent = socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return sent;
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
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    if (!server_->listen(name_))
        DebugLine("single instance: cannot listen on " + name_.toStdString() + ": " +
                  server_->errorString().toStdString());
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

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnData(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            OnData(socket);
    }
}

void SingleInstance::OnData(QLocalSocket* socket) {
    if (socket->property(kDoneProperty).toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property(kBufferProperty).toByteArray() + socket->readAll();
    if (!buffer.contains('\n')) {
        // A line of any length beyond the token is not an activation.
        socket->setProperty(kBufferProperty, buffer.left(64));
        return;
    }
    socket->setProperty(kDoneProperty, true);
    if (buffer.left(buffer.indexOf('\n')) == kActivation) {
        emit activated();
        if (handler_)
            handler_();
    }
    socket->disconnectFromServer();
}

} // namespace zk::platform
