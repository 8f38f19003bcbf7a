#pragma once

#include "platform/ControlSocket.h"

#include <QObject>
#include <QString>

#include <functional>

namespace zk::platform {

class LocalConnection;
class LocalServer;

// The window program's end of the request channel (ControlSocket.h). It
// listens on the control socket, refuses peers of another user, collects one
// bounded request per connection and hands it to the handler on the thread
// that owns the server (the GUI thread), then writes the handler's reply. A
// malformed or oversized request is answered with exit code 2 and a message;
// a connection that stays silent is closed after `kIdleMs`.
class RequestServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<ControlReply(const ControlRequest&)>;

    static constexpr int kIdleMs = 5000;

    RequestServer(QString path, Handler handler, QObject* parent = nullptr);
    ~RequestServer() override;

    // Listens, replacing a socket left by a program that is gone (the caller
    // holds the single-instance lock). False when it cannot listen.
    bool Start();
    bool IsListening() const;
    const QString& Path() const { return path_; }

private:
    void OnNewConnection(LocalConnection* connection);
    void OnData(LocalConnection* connection);
    void Answer(LocalConnection* connection, const ControlReply& reply);

    QString path_;
    Handler handler_;
    LocalServer* server_ = nullptr;
    bool handling_ = false;
};

} // namespace zk::platform
