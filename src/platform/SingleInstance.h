#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "platform/UniqueFd.h"

namespace zk::platform {

class LocalConnection;
class LocalServer;

// Makes sure that one copy of the program runs per user. The first instance
// listens on a local socket; every later start connects to it, hands over one
// activation and is told to exit with code 0. A socket left behind by a
// crashed instance is detected and replaced, so it never blocks a start.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        First,  // this process runs the program; activated() follows later starts
        Second, // another instance runs and was activated; exit with code 0
    };

    // The activation text sent by a second instance.
    static constexpr const char* kActivation = "MIRDANEX_004";

    // `name` is the socket's server name (or a full path to it).
    explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // "OSTRIXDRVER1-<uid>", inside $XDG_RUNTIME_DIR when that is set.
    static QString DefaultName();

    // Decides the role of this process; call once, before the event loop.
    Role Start();

    // Called once per activation, in addition to the signal.
    void SetActivationHandler(std::function<void()> handler) { handler_ = std::move(handler); }

    bool IsListening() const;
    const QString& Name() const { return name_; }

signals:
    void activated();

private:
    bool TryActivateRunning(int timeoutMs);
    bool TryBecomeFirst();
    void OnNewConnection(LocalConnection* connection);
    void OnData(LocalConnection* connection);

    QString name_;
    QString path_; // the socket's full path
    QString lockPath_;
    LocalServer* server_ = nullptr;
    UniqueFd lockFd_;
    std::function<void()> handler_;
};

} // namespace zk::platform
