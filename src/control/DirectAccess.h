#pragma once

// The tool's own way to the devices when no window program runs: it finds
// each kind's configuration interface as the detection does, opens it in a
// channel of its own, and brings the kind's profiles and settings in as the
// window does when the device connects (the stored profile loaded, then the
// device's settings read and saved into it).

#include "control/Access.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace zk::control {

class DirectAccess final : public DeviceAccess {
public:
    // `moduleFolder` holds the factory default files (with a trailing '/');
    // empty: the program's module folder.
    explicit DirectAccess(std::string moduleFolder = {});
    ~DirectAccess() override;

    profiles::MouseSession* Mouse(std::string& why) override;
    profiles::KeyboardSession* Keyboard(std::string& why) override;
    profiles::MousepadSession* Mousepad(std::string& why) override;

    // Language keys of the messages that the stores raised (first-run
    // problems); the tool prints them as notes.
    const std::vector<std::string>& Messages() const { return messages_; }

private:
    // Opens the kind's interface in `channel`; false with `why` set.
    bool Connect(DeviceKind kind, protocol::DeviceChannel& channel, std::string& why);
    profiles::StoreSeams Seams();
    void Note(std::string_view key);

    std::array<protocol::DeviceChannel, 3> channels_;
    std::unique_ptr<profiles::MouseSession> mouse_;
    std::unique_ptr<profiles::KeyboardSession> keyboard_;
    std::unique_ptr<profiles::MousepadSession> mousepad_;
    std::array<std::string, 3> failure_;
    std::array<bool, 3> tried_{};
    std::vector<std::string> messages_;
    std::string moduleFolder_;
};

// The name of a kind as the tool's commands take it: "mouse", "keyboard",
// "mousepad".
const char* KindName(DeviceKind kind);

} // namespace zk::control
