#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace zk::platform {

// One accepted connection of a LocalServer: a non-blocking Unix stream socket
// driven by the event loop of the thread that owns it. What arrives is kept
// until read; what is written is queued and sent as the peer takes it, so
// neither side ever blocks the thread.
class LocalConnection : public QObject {
    Q_OBJECT
public:
    LocalConnection(UniqueFd fd, QObject* parent);
    ~LocalConnection() override;

    // The socket, or -1 once closed.
    int Descriptor() const { return fd_.Get(); }
    bool IsOpen() const { return static_cast<bool>(fd_); }

    qsizetype BytesAvailable() const { return in_.size(); }
    // Takes up to `max` bytes of what has arrived.
    QByteArray Read(qsizetype max);
    QByteArray ReadAll();

    // Queues bytes to send; nothing happens once closed.
    void Write(const char* data, qsizetype size);
    // Closes once everything written has been sent (at once when nothing is
    // queued). Nothing more is read.
    void CloseAfterWriting();
    // Closes now and drops what is queued.
    void Abort();

signals:
    // More bytes arrived.
    void readyRead();
    // The socket was closed, by either side; emitted once.
    void disconnected();

private:
    void OnReadable();
    void OnWritable();
    bool SendQueued();
    void Close();

    UniqueFd fd_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray in_;
    QByteArray out_;
    qsizetype sent_ = 0; // bytes of out_ already sent
    bool closing_ = false;
    bool inReadyRead_ = false;
};

// Listens on a Unix stream socket at a path. The socket file is made with
// rights for this user only (srwx------), under a temporary name that is
// renamed into place, so it is never reachable with wider rights; it is
// removed again when the server closes. Each accepted connection is handed to
// `newConnection` as a child of the server.
class LocalServer : public QObject {
    Q_OBJECT
public:
    explicit LocalServer(QObject* parent = nullptr);
    ~LocalServer() override;

    // Removes whatever file is at `path` (a socket left by a program that is
    // gone); the caller makes sure that no live program listens there.
    static void RemoveSocket(const QString& path);

    bool Listen(const QString& path);
    void Close();
    bool IsListening() const { return static_cast<bool>(fd_); }
    const QString& ErrorString() const { return error_; }

signals:
    void newConnection(zk::platform::LocalConnection* connection);

private:
    void OnAcceptable();

    UniqueFd fd_;
    QSocketNotifier* notifier_ = nullptr;
    QString path_;
    QString error_;
};

} // namespace zk::platform
