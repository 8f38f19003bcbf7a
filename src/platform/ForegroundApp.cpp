#include "platform/ForegroundApp.h"

#include <xcb/xcb.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace zk::platform {

namespace {

// Replies of XCB are malloc'ed.
struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

// The longest property value read (in 32-bit units): window lists and titles.
constexpr std::uint32_t kMaxPropertyWords = 4096;

std::string LocalHostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return std::string(name.data());
}

class X11ForegroundApp final : public ForegroundApp {
public:
    explicit X11ForegroundApp(std::string display) : display_(std::move(display)) {}
    ~X11ForegroundApp() override { Disconnect(); }

    std::optional<std::string> ForegroundExecutable() override {
        if (!Connect())
            return std::nullopt;
        const auto active = Words(root_, atoms_.activeWindow, XCB_ATOM_WINDOW, 1);
        if (active.empty() || active[0] == XCB_WINDOW_NONE)
            return std::nullopt;
        return ExecutableOfWindow(active[0]);
    }

    std::vector<AppWindow> Windows() override {
        std::vector<AppWindow> windows;
        if (!Connect())
            return windows;
        const std::uint32_t self = static_cast<std::uint32_t>(getpid());
        for (std::uint32_t window :
             Words(root_, atoms_.clientList, XCB_ATOM_WINDOW, kMaxPropertyWords)) {
            const auto pid = PidOf(window);
            if (!pid || *pid == self)
                continue;
            auto executable = ExecutableOfProcess(*pid);
            if (!executable)
                continue;
            std::string title = Text(window, atoms_.wmName, atoms_.utf8String);
            if (title.empty())
                title = Text(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
            windows.push_back({std::move(title), std::move(*executable), *pid});
        }
        return windows;
    }

private:
    struct Atoms {
        xcb_atom_t activeWindow = XCB_ATOM_NONE;
        xcb_atom_t clientList = XCB_ATOM_NONE;
        xcb_atom_t wmPid = XCB_ATOM_NONE;
        xcb_atom_t wmName = XCB_ATOM_NONE;
        xcb_atom_t utf8String = XCB_ATOM_NONE;
    };

    bool Connect() {
        if (connection_ && xcb_connection_has_error(connection_) == 0)
            return true;
        Disconnect();
        int screenNumber = 0;
        connection_ = xcb_connect(display_.empty() ? nullptr : display_.c_str(), &screenNumber);
        if (xcb_connection_has_error(connection_) != 0) {
            Disconnect();
            return false;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; i < screenNumber && it.rem > 0; ++i)
            xcb_screen_next(&it);
        if (it.rem == 0) {
            Disconnect();
            return false;
        }
        root_ = it.data->root;
        // All atoms in one round trip.
        const char* names[] = {"_NET_ACTIVE_WINDOW", "_NET_CLIENT_LIST", "_NET_WM_PID",
                               "_NET_WM_NAME", "UTF8_STRING"};
        xcb_atom_t* slots[] = {&atoms_.activeWindow, &atoms_.clientList, &atoms_.wmPid,
                               &atoms_.wmName, &atoms_.utf8String};
        std::array<xcb_intern_atom_cookie_t, std::size(names)> cookies{};
        for (std::size_t i = 0; i < cookies.size(); ++i)
            cookies[i] = xcb_intern_atom(
                connection_, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            Reply<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(connection_, cookies[i], nullptr));
            *slots[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        }
        hostName_ = LocalHostName();
        return true;
    }

    void Disconnect() {
        if (connection_)
            xcb_disconnect(connection_);
        connection_ = nullptr;
    }

    Reply<xcb_get_property_reply_t> Property(xcb_window_t window, xcb_atom_t property,
                                             xcb_atom_t type, std::uint32_t words) {
        if (property == XCB_ATOM_NONE)
            return nullptr;
        const auto cookie = xcb_get_property(connection_, 0, window, property, type, 0, words);
        return Reply<xcb_get_property_reply_t>(
            xcb_get_property_reply(connection_, cookie, nullptr));
    }

    std::vector<std::uint32_t> Words(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                     std::uint32_t count) {
        const auto reply = Property(window, property, type, count);
        if (!reply || reply->format != 32 || reply->type != type)
            return {};
        const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        const int n = xcb_get_property_value_length(reply.get()) / 4;
        return std::vector<std::uint32_t>(values, values + n);
    }

    std::string Text(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        const auto reply = Property(window, property, type, kMaxPropertyWords);
        if (!reply || reply->format != 8 || reply->type != type)
            return {};
        const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
        std::string value(text,
                          static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
        // A list of strings: the first one.
        return value.substr(0, value.find('\0'));
    }

    // The process of a window, when it runs on this machine: a window whose
    // client names another machine carries a process number of that machine.
    std::optional<std::uint32_t> PidOf(xcb_window_t window) {
        const auto pid = Words(window, atoms_.wmPid, XCB_ATOM_CARDINAL, 1);
        if (pid.empty() || pid[0] == 0)
            return std::nullopt;
        const std::string machine = Text(window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING);
        if (!machine.empty() && !hostName_.empty() && machine != hostName_)
            return std::nullopt;
        return pid[0];
    }

    std::optional<std::string> ExecutableOfWindow(xcb_window_t window) {
        const auto pid = PidOf(window);
        if (!pid)
            return std::nullopt;
        return ExecutableOfProcess(*pid);
    }

    std::string display_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    Atoms atoms_;
    std::string hostName_;
};

} // namespace

std::unique_ptr<ForegroundApp> ForegroundApp::OnX11(const std::string& display) {
    return std::make_unique<X11ForegroundApp>(display);
}

std::optional<std::string> ExecutableOfProcess(std::uint32_t pid) {
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::array<char, 4096> target{};
    const ssize_t n = readlink(link.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
        return std::nullopt;
    return std::string(target.data(), static_cast<std::size_t>(n));
}

bool IsWaylandSession() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland)
        return true;
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return type && std::string_view(type) == "wayland";
}

} // namespace zk::platform
