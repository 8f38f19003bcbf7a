#include "platform/RequestServer.h"

#include "platform/LocalServer.h"
#include "platform/Log.h"

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
        server_->Close();
}

bool RequestServer::Start() {
    if (server_)
        return server_->IsListening();
    LocalServer::RemoveSocket(path_);
    server_ = new LocalServer(this);
    connect(server_, &LocalServer::newConnection, this, &RequestServer::OnNewConnection);
    if (!server_->Listen(path_)) {
        DebugLine("request channel: cannot listen on " + path_.toStdString() + ": " +
                  server_->ErrorString().toStdString());
        return false;
    }
    return true;
}

bool RequestServer::IsListening() const {
    return server_ && server_->IsListening();
}

void RequestServer::OnNewConnection(LocalConnection* connection) {
    connect(connection, &LocalConnection::disconnected, connection, &QObject::deleteLater);
    // The socket's mode keeps other users out; the peer's credentials are
    // checked too, since a socket file's mode is not honoured everywhere.
    if (!PeerIsSameUser(connection->Descriptor())) {
        DebugLine("request channel: a peer of another user was refused");
        connection->Abort();
        return;
    }
    connect(connection, &LocalConnection::readyRead, this,
            [this, connection] { OnData(connection); });
    QTimer::singleShot(kIdleMs, connection, [connection] {
        if (!connection->property(kDoneProperty).toBool())
            connection->Abort();
    });
}

void RequestServer::OnData(LocalConnection* socket) {
    if (socket->property(kDoneProperty).toBool()) {
        socket->ReadAll();
        return;
    }
    QByteArray buffer = socket->property(kBufferProperty).toByteArray();
    // Never more than one whole request is held.
    buffer += socket->Read(static_cast<qsizetype>(kMaxRequestBytes) - buffer.size() + 1);
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
    const QPointer<LocalConnection> alive(socket);
    ControlReply reply = handler_ ? handler_(*request) : UsageError("no handler");
    handling_ = false;
    if (!alive || !socket->IsOpen())
        return; // the tool gave up waiting and went
    if (reply.out.size() + reply.err.size() + 64 > kMaxReplyBytes)
        reply = ControlReply{1, {}, "zk412vctl: the answer is too large to send\n"};
    Answer(socket, reply);
}

void RequestServer::Answer(LocalConnection* socket, const ControlReply& reply) {
    socket->setProperty(kDoneProperty, true);
    socket->setProperty(kBufferProperty, QByteArray());
    const std::string message = EncodeReply(reply);
    socket->Write(message.data(), static_cast<qsizetype>(message.size()));
    socket->CloseAfterWriting();
}

} // namespace zk::platform
