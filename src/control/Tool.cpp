#include "control/Tool.h"

#include "control/DirectAccess.h"
#include "control/Texts.h"
#include "emulator/Emulator.h"
#include "platform/ControlSocket.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace zk::control {

namespace {

// The commands that need no device.
class NoDevices final : public DeviceAccess {
public:
    profiles::MouseSession* Mouse(std::string& why) override { return None(why); }
    profiles::KeyboardSession* Keyboard(std::string& why) override { return None(why); }
    profiles::MousepadSession* Mousepad(std::string& why) override { return None(why); }

private:
    static std::nullptr_t None(std::string& why) {
        why = "no device is used by this command";
        return nullptr;
    }
};

Outcome Direct(const std::vector<std::string>& args, const ToolPlaces& places) {
    // Two tools on the devices at once would interleave their transfers.
    platform::UniqueFd lock(::open(places.toolLock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock && ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0)
        return Outcome{
            kExitDevice, {}, "zk412vctl: the devices are busy: another zk412vctl is using them\n"};
    DirectAccess access;
    Outcome outcome = RunCommand(args, access);
    for (const std::string& key : access.Messages())
        outcome.err += "zk412vctl: note: " + Texts::English().Of(key) + "\n";
    return outcome;
}

} // namespace

ToolPlaces DefaultPlaces() {
    ToolPlaces places;
    places.socketPath = platform::ControlSocketPath();
    places.instanceLock = platform::InstanceLockPath();
    places.toolLock = places.socketPath.substr(0, places.socketPath.size() - 4) + ".tool.lock";
    return places;
}

Outcome RunTool(const std::vector<std::string>& args, const ToolPlaces& places) {
    bool emulate = false;
    std::size_t first = 0;
    for (; first < args.size(); ++first) {
        const std::string& a = args[first];
        if (a == "--emulate")
            emulate = true;
        else if (a == "--help" || a == "-h")
            return Outcome{kExitOk, UsageText(), {}};
        else if (a == "--version")
            return Outcome{kExitOk, VersionText(), {}};
        else
            break;
    }
    const std::vector<std::string> command(args.begin() + static_cast<std::ptrdiff_t>(first),
                                           args.end());
    if (command.empty())
        return Outcome{kExitUsage, {}, "zk412vctl: no command given\n\n" + UsageText()};
    // Help is answered here, without any device.
    if (command[0] == "help" || command[0] == "functions") {
        NoDevices none;
        return RunCommand(command, none);
    }

    if (emulate) {
        const auto bus = emulator::InstallEmulatedBus();
        return Direct(command, places);
    }
    if (platform::WindowProgramRuns(places.instanceLock)) {
        platform::ControlRequest request;
        std::error_code ec;
        request.workingFolder = std::filesystem::current_path(ec).string();
        request.args = command;
        platform::ControlReply reply;
        switch (platform::SendControlRequest(places.socketPath, request, reply, places.timeoutMs)) {
        case platform::SendResult::Answered:
            return Outcome{reply.exitCode, reply.out, reply.err};
        case platform::SendResult::TimedOut:
            return Outcome{
                kExitDevice, {}, "zk412vctl: the running zk412v did not answer in time\n"};
        case platform::SendResult::Refused:
        case platform::SendResult::NoProgram:
            return Outcome{
                kExitDevice,
                {},
                "zk412vctl: the devices are busy: zk412v runs but does not take requests "
                "(an older version?); close it or use it\n"};
        }
    }
    return Direct(command, places);
}

} // namespace zk::control
