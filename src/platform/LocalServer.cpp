#include "platform/LocalServer.h"

#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zk::platform {

namespace {

// Bytes taken from a socket per wake-up before other work gets its turn.
constexpr qsizetype kReadPerWake = 256 * 1024;

QString SystemError(const char* what) {
    return QString::fromLatin1(what) + ": " + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

LocalConnection::LocalConnection(UniqueFd fd, QObject* parent)
    : QObject(parent), fd_(std::move(fd)) {
    readNotifier_ = new QSocketNotifier(fd_.Get(), QSocketNotifier::Read, this);
    writeNotifier_ = new QSocketNotifier(fd_.Get(), QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(readNotifier_, &QSocketNotifier::activated, this, &LocalConnection::OnReadable);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &LocalConnection::OnWritable);
}

LocalConnection::~LocalConnection() {
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
}

QByteArray LocalConnection::Read(qsizetype max) {
    QByteArray taken = in_.left(max);
    in_.remove(0, taken.size());
    return taken;
}

QByteArray LocalConnection::ReadAll() {
    return std::exchange(in_, QByteArray());
}

void LocalConnection::Write(const char* data, qsizetype size) {
    if (!IsOpen() || closing_ || size <= 0)
        return;
    out_.append(data, size);
    SendQueued();
}

void LocalConnection::CloseAfterWriting() {
    if (!IsOpen())
        return;
    closing_ = true;
    in_.clear();
    if (sent_ >= out_.size())
        Close();
}

void LocalConnection::Abort() {
    Close();
}

void LocalConnection::Close() {
    if (!IsOpen())
        return;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    fd_.Reset();
    out_.clear();
    sent_ = 0;
    emit disconnected();
}

void LocalConnection::OnReadable() {
    bool ended = false;
    bool arrived = false;
    char chunk[16384];
    for (qsizetype taken = 0; taken < kReadPerWake;) {
        const ssize_t n = ::recv(fd_.Get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            if (!closing_)
                in_.append(chunk, n);
            arrived = true;
            taken += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            ended = true;
        break;
    }
    if (arrived && !closing_ && !inReadyRead_) {
        // A reader that runs a nested event loop is not entered again for the
        // same socket; what arrives meanwhile waits in the socket.
        inReadyRead_ = true;
        readNotifier_->setEnabled(false);
        const QPointer<LocalConnection> alive(this);
        emit readyRead();
        if (!alive)
            return;
        inReadyRead_ = false;
        if (IsOpen())
            readNotifier_->setEnabled(true);
    }
    if (ended)
        Close();
}

void LocalConnection::OnWritable() {
    SendQueued();
}

bool LocalConnection::SendQueued() {
    while (sent_ < out_.size()) {
        const ssize_t n =
            ::send(fd_.Get(), out_.constData() + sent_,
                   static_cast<std::size_t>(out_.size() - sent_), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent_ += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writeNotifier_->setEnabled(true);
            return true;
        }
        Abort(); // the peer is gone
        return false;
    }
    out_.clear();
    sent_ = 0;
    writeNotifier_->setEnabled(false);
    if (closing_)
        Close();
    return true;
}

LocalServer::LocalServer(QObject* parent) : QObject(parent) {}

LocalServer::~LocalServer() {
    Close();
}

void LocalServer::RemoveSocket(const QString& path) {
    QFile::remove(path);
}

bool LocalServer::Listen(const QString& path) {
    Close();
    error_.clear();
    const QByteArray target = QFile::encodeName(path);
    QByteArray folder = target + "XXXXXX";
    sockaddr_un address{};
    // The socket is bound inside a private folder beside the target and
    // renamed into place once its rights are set.
    if (static_cast<std::size_t>(folder.size()) + 2 >= sizeof address.sun_path) {
        error_ = QStringLiteral("the socket path is too long");
        return false;
    }
    if (!::mkdtemp(folder.data())) {
        error_ = SystemError("mkdtemp");
        return false;
    }
    const QByteArray bound = folder + "/s";
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bound.constData(), static_cast<std::size_t>(bound.size()) + 1);

    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    bool ok = static_cast<bool>(fd);
    if (!ok)
        error_ = SystemError("socket");
    if (ok && ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error_ = SystemError("bind");
        ok = false;
    }
    if (ok && ::listen(fd.Get(), SOMAXCONN) != 0) {
        error_ = SystemError("listen");
        ok = false;
    }
    if (ok && ::chmod(bound.constData(), S_IRWXU) != 0) {
        error_ = SystemError("chmod");
        ok = false;
    }
    if (ok && ::rename(bound.constData(), target.constData()) != 0) {
        error_ = SystemError("rename");
        ok = false;
    }
    if (!ok)
        ::unlink(bound.constData());
    ::rmdir(folder.constData());
    if (!ok)
        return false;

    fd_ = std::move(fd);
    path_ = path;
    notifier_ = new QSocketNotifier(fd_.Get(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &LocalServer::OnAcceptable);
    return true;
}

void LocalServer::Close() {
    if (!fd_)
        return;
    delete notifier_;
    notifier_ = nullptr;
    fd_.Reset();
    QFile::remove(path_);
    path_.clear();
}

void LocalServer::OnAcceptable() {
    while (fd_) {
        const int fd = ::accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: none left; anything else: tried again at the next wake-up
        }
        emit newConnection(new LocalConnection(UniqueFd(fd), this));
    }
}

} // namespace zk::platform
