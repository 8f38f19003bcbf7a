#include "platform/RequestServer.h"

#include "platform/Log.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QVariant>

namespace zk::platform {

namespace {

constexpr const char* kBufferProperty = "zkRequestBuffer";
constexpr const char* kDoneProperty = "zkRequestDone";

ControlReply UsageError(std::string message) {
    return ControlReply{2, {}, "zk412vctl: " + std::move(message) + "\n"};
}

} // namespace

RequestServer::RequestServer(QString path, Handler handler, QObject* parent)
    : QObject(parent), path_(std::move(path)), handler_(std::move(handler)) {}

RequestServer::~RequestServer() {
    if (server_)
        server_->close();
}

bool RequestServer::Start() {
    if (server_)
        return server_->isListening();
    QLocalServer::removeServer(path_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &RequestServer::OnNewConnection);
    if (!server_->listen(path_)) {
        DebugLine("request channel: cannot listen on " + path_.toStdString() + ": " +
                  server_->errorString().toStdString());
        return false;
    }
    return true;
}

bool RequestServer::IsListening() const {
    return server_ && server_->isListening();
}

void RequestServer::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The socket's mode keeps other users out; the peer's credentials are
        // checked too, since a socket file's mode is not honoured everywhere.
        if (!PeerIsSameUser(static_cast<int>(socket->socketDescriptor()))) {
            DebugLine("request channel: a peer of another user was refused");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnData(socket); });
        QTimer::singleShot(kIdleMs, socket, [socket] {
            if (!socket->property(kDoneProperty).toBool())
                socket->abort();
        });
        if (socket->bytesAvailable() > 0)
            OnData(socket);
    }
}

void RequestServer::OnData(QLocalSocket* socket) {
    if (socket->property(kDoneProperty).toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property(kBufferProperty).toByteArray();
    // Never more than one whole request is held.
    buffer += socket->read(static_cast<qint64>(kMaxRequestBytes) - buffer.size() + 1);
    const std::string_view view(buffer.constData(), static_cast<std::size_t>(buffer.size()));
    const auto size = MessageSize(view, 'Q', kMaxRequestBytes);
    if (!size) {
        socket->setProperty(kBufferProperty, buffer);
        return;
    }
    if (*size == 0) {
        Answer(socket, UsageError("the request was refused: not a request, or larger than " +
                                  std::to_string(kMaxRequestBytes) + " bytes"));
        return;
    }
    if (view.size() < *size) {
        socket->setProperty(kBufferProperty, buffer);
        return;
    }
    const auto request = DecodeRequest(view.substr(0, *size));
    if (!request) {
        Answer(socket, UsageError("the request was refused: it is malformed"));
        return;
    }
    socket->setProperty(kDoneProperty, true);
    // A handler that opens a message box runs a nested event loop, in which
    // another request could start: it waits for the first to end instead.
    if (handling_) {
        Answer(socket, ControlReply{1,
                                    {},
                                    "zk412vctl: the devices are busy: zk412v is carrying out "
                                    "another request; try again\n"});
        return;
    }
    handling_ = true;
    const QPointer<QLocalSocket> alive(socket);
    ControlReply reply = handler_ ? handler_(*request) : UsageError("no handler");
    handling_ = false;
    if (!alive)
        return; // the tool gave up waiting and went
    if (reply.out.size() + reply.err.size() + 64 > kMaxReplyBytes)
        reply = ControlReply{1, {}, "zk412vctl: the answer is too large to send\n"};
    Answer(socket, reply);
}

void RequestServer::Answer(QLocalSocket* socket, const ControlReply& reply) {
    socket->setProperty(kDoneProperty, true);
    socket->setProperty(kBufferProperty, QByteArray());
    const std::string message = EncodeReply(reply);
    socket->write(message.data(), static_cast<qint64>(message.size()));
    socket->flush();
    socket->disconnectFromServer();
}

} // namespace zk::platform
