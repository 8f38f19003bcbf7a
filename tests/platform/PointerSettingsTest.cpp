// The desktop's pointer settings: the speed mapping, the GNOME back end
// against real GIO with the installed schemas (keyfile back end in a temporary
// folder), the Plasma back end against real files in a temporary XDG folder
// and a private session bus, the order of quick pushes, and the choice of
// back end.

#include "platform/PointerSettings.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <atomic>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace zk::platform;
using namespace std::chrono_literals;

std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

TEST(PointerSpeedMapping, EverySpeedSurvivesTheRoundTripInOrder) {
    EXPECT_DOUBLE_EQ(DesktopAccelerationOf(1), -1.0);
    EXPECT_DOUBLE_EQ(DesktopAccelerationOf(10), 0.0);
    EXPECT_DOUBLE_EQ(DesktopAccelerationOf(20), 1.0);
    double previous = -2;
    for (int speed = 1; speed <= 20; ++speed) {
        const double a = DesktopAccelerationOf(speed);
        EXPECT_GT(a, previous) << speed;
        previous = a;
        EXPECT_EQ(PointerSpeedOf(a), speed);
    }
    // Out of range on either side.
    EXPECT_EQ(DesktopAccelerationOf(0), -1.0);
    EXPECT_EQ(DesktopAccelerationOf(255), 1.0);
    EXPECT_EQ(PointerSpeedOf(-7.5), 1);
    EXPECT_EQ(PointerSpeedOf(3.0), 20);
    EXPECT_EQ(PointerSpeedOf(std::nan("")), 10);
}

// A desktop that takes its time, to see the order of quick pushes.
class SlowDesktop final : public PointerBackend {
public:
    std::string_view Name() const override { return "Slow"; }
    bool Applies(PointerSetting, int) const override { return true; }
    bool Write(PointerSetting s, int value) override {
        std::this_thread::sleep_for(15ms);
        std::lock_guard lock(mutex);
        (s == PointerSetting::Speed ? speeds : others).push_back(value);
        return true;
    }
    std::optional<int> Read(PointerSetting) const override { return std::nullopt; }
    std::mutex mutex;
    std::vector<int> speeds, others;
};

TEST(PointerSettingsPushes, AQuickSeriesEndsOnTheLastValueWithoutWaiting) {
    zktest::TempHome home;
    auto owned = std::make_unique<SlowDesktop>();
    SlowDesktop& desktop = *owned;
    PointerSettings pointer(std::move(owned), home.path() / "pointer.ini");
    const auto start = std::chrono::steady_clock::now();
    for (int speed = 1; speed <= 20; ++speed) {
        pointer.Push(PointerSetting::Speed, speed);
        pointer.Push(PointerSetting::DoubleClick, 1000 - speed);
    }
    // Twenty writes of 15 ms each would take 300 ms: the caller never waits.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    EXPECT_EQ(pointer.Current(PointerSetting::Speed), 20);
    pointer.WaitIdle();
    std::lock_guard lock(desktop.mutex);
    ASSERT_FALSE(desktop.speeds.empty());
    EXPECT_EQ(desktop.speeds.back(), 20);
    EXPECT_TRUE(std::is_sorted(desktop.speeds.begin(), desktop.speeds.end()));
    EXPECT_LT(desktop.speeds.size(), 20u); // values overtaken were never written
    EXPECT_EQ(desktop.others.back(), 980);
    EXPECT_EQ(IniFile(home.path() / "pointer.ini").ReadInt("POINTER", "SPEED"), 20);
}

TEST(PointerSettingsChoice, TheDesktopNamesPickTheBackEnd) {
    zktest::TempHome home;
    EXPECT_EQ(PointerBackendFor("KDE")->Name(), "KDE");
    EXPECT_EQ(PointerBackendFor("ubuntu:GNOME")->Name(), "GNOME");
    EXPECT_EQ(PointerBackendFor("XFCE"), nullptr);
    EXPECT_EQ(PointerBackendFor(""), nullptr);
    // No desktop: only the store, and nothing is applied.
    PointerSettings stored(nullptr, home.path() / "p.ini");
    EXPECT_FALSE(stored.Applies(PointerSetting::Speed, 10));
    stored.Push(PointerSetting::WheelLines, 7);
    stored.WaitIdle();
    EXPECT_EQ(stored.Current(PointerSetting::WheelLines), 7);
    EXPECT_FALSE(stored.Current(PointerSetting::Speed));
}

// --- GNOME: real GIO, the installed schemas, the keyfile back end --------------------

class GnomePointer : public ::testing::Test {
protected:
    // GLib reads its folders once per process: one folder for the suite.
    static void SetUpTestSuite() {
        folder_ = new zktest::TempDir();
        setenv("XDG_CONFIG_HOME", folder_->path().c_str(), 1);
        setenv("GSETTINGS_BACKEND", "keyfile", 1);
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static std::string Get(const char* key) {
        return Shell(std::string("gsettings get org.gnome.desktop.peripherals.mouse ") + key);
    }
    static zktest::TempDir* folder_;
};
zktest::TempDir* GnomePointer::folder_ = nullptr;

TEST_F(GnomePointer, ValuesLandWhereTheDesktopReadsThemAndTheLastWins) {
    auto backend = MakeGnomePointerBackend();
    ASSERT_NE(backend, nullptr) << "gsettings-desktop-schemas is not installed";
    PointerSettings pointer(std::move(backend), folder_->path() / "zk412v/pointer.ini");
    for (int speed : {3, 17, 1, 12, 20, 5})
        pointer.Push(PointerSetting::Speed, speed);
    for (int time : {200, 1000, 600})
        pointer.Push(PointerSetting::DoubleClick, time);
    pointer.Push(PointerSetting::WheelLines, 9);
    pointer.WaitIdle();

    // What the desktop's own tool reads, from the file GIO wrote.
    EXPECT_TRUE(std::filesystem::exists(folder_->path() / "glib-2.0/settings/keyfile"));
    EXPECT_DOUBLE_EQ(std::strtod(Get("speed").c_str(), nullptr), DesktopAccelerationOf(5));
    EXPECT_EQ(Get("double-click"), "600");
    EXPECT_EQ(pointer.Current(PointerSetting::Speed), 5);
    EXPECT_EQ(pointer.Current(PointerSetting::DoubleClick), 600);
    // GNOME has no wheel lines: stored, never reported as applied.
    EXPECT_FALSE(pointer.Applies(PointerSetting::WheelLines, 9));
    EXPECT_EQ(pointer.Current(PointerSetting::WheelLines), 9);
    EXPECT_EQ(Slurp(folder_->path() / "glib-2.0/settings/keyfile").find("wheel"),
              std::string::npos);

    // A change made by the desktop is what the program reads.
    // (GIO notices it on the main context, which the program's event loop runs.)
    Shell("gsettings set org.gnome.desktop.peripherals.mouse speed -1");
    const auto end = std::chrono::steady_clock::now() + 3s;
    while (pointer.Current(PointerSetting::Speed) != 1 && std::chrono::steady_clock::now() < end) {
        g_main_context_iteration(nullptr, FALSE);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(pointer.Current(PointerSetting::Speed), 1);
}

// --- KDE Plasma: real files in a temporary XDG folder --------------------------------

TEST(KdePointer, ValuesLandInPlasmasFilesAndTheLastWins) {
    zktest::TempHome home;
    const auto config = home.path() / ".config";
    std::filesystem::create_directories(config);
    {
        std::ofstream(config / "kcminputrc") << "[Mouse]\ncursorTheme=breeze_cursors\n\n"
                                                "[Libinput][1133][49291][Logitech G502]\n"
                                                "NaturalScroll=false\nPointerAcceleration=0.2\n";
        std::ofstream(config / "kdeglobals") << "[General]\nColorScheme=BreezeDark\n";
    }
    // Each setting's pushes run on a thread of their own.
    std::atomic<int> notices{0};
    PointerSettings pointer(MakeKdePointerBackend(config, [&notices] { ++notices; }),
                            home.path() / "pointer.ini");
    for (int speed : {20, 2, 15})
        pointer.Push(PointerSetting::Speed, speed);
    for (int time : {850, 450})
        pointer.Push(PointerSetting::DoubleClick, time);
    for (int lines : {8, 100, 4})
        pointer.Push(PointerSetting::WheelLines, lines);
    pointer.WaitIdle();

    const IniFile input(config / "kcminputrc");
    EXPECT_EQ(input.Read("Mouse", "XLbInptPointerAcceleration", ""), "0.5");
    EXPECT_EQ(input.Read("Mouse", "cursorTheme", ""), "breeze_cursors");
    const std::string text = Slurp(config / "kcminputrc");
    EXPECT_NE(text.find("[Libinput][1133][49291][Logitech G502]\nNaturalScroll=false\n"
                        "PointerAcceleration=0.5\n"),
              std::string::npos)
        << text;
    const IniFile globals(config / "kdeglobals");
    EXPECT_EQ(globals.Read("KDE", "DoubleClickInterval", ""), "450");
    EXPECT_EQ(globals.Read("KDE", "WheelScrollLines", ""), "4");
    EXPECT_EQ(globals.Read("General", "ColorScheme", ""), "BreezeDark");
    EXPECT_GE(notices, 3);
    EXPECT_EQ(pointer.Current(PointerSetting::Speed), 15);

    // One screen per notch: Plasma has no such choice; stored, file untouched.
    const int before = notices;
    EXPECT_FALSE(pointer.Applies(PointerSetting::WheelLines, kWheelOneScreen));
    pointer.Push(PointerSetting::WheelLines, kWheelOneScreen);
    pointer.WaitIdle();
    EXPECT_EQ(globals.Read("KDE", "WheelScrollLines", ""), "4");
    EXPECT_EQ(notices, before);
    EXPECT_EQ(pointer.Current(PointerSetting::WheelLines), kWheelOneScreen);
}

// A private session bus for the notices.
class SessionBus {
public:
    SessionBus() {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"),
                        const_cast<char*>("--nofork"), const_cast<char*>("--print-address=1"),
                        nullptr};
        if (posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (pid_ > 0) {
            char c;
            while (read(out[0], &c, 1) == 1 && c != '\n')
                address_ += c;
        }
        close(out[0]);
    }
    ~SessionBus() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

TEST(KdePointer, PlasmaIsToldOverTheSessionBusAndNoBusIsNoFailure) {
    zktest::TempHome home;
    const auto config = home.path() / ".config";
    // Without any session bus the push still lands in the file, at once.
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    EXPECT_FALSE(NotifyPlasmaMouseChange());
    {
        PointerSettings pointer(MakeKdePointerBackend(config), home.path() / "pointer.ini");
        pointer.Push(PointerSetting::DoubleClick, 700);
    }
    EXPECT_EQ(IniFile(config / "kdeglobals").Read("KDE", "DoubleClickInterval", ""), "700");

    SessionBus bus;
    if (bus.Address().empty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GError* error = nullptr;
    GDBusConnection* listener = g_dbus_connection_new_for_address_sync(
        bus.Address().c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    ASSERT_NE(listener, nullptr) << (error ? error->message : "");
    std::vector<std::string> heard;
    auto onSignal = [](GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                       const gchar* member, GVariant*, gpointer data) {
        static_cast<std::vector<std::string>*>(data)->push_back(std::string(path) + " " + member);
    };
    const guint id =
        g_dbus_connection_signal_subscribe(listener, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, onSignal, &heard, nullptr);
    // The subscription reaches the bus before the signal is sent.
    g_dbus_connection_call_sync(listener, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus", "GetId", nullptr, nullptr,
                                G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
    {
        PointerSettings pointer(MakeKdePointerBackend(config), home.path() / "pointer.ini");
        pointer.Push(PointerSetting::Speed, 20);
    }
    // The bus's own signals (a name acquired, an owner changed) arrive too.
    auto heardOf = [&heard](const char* signal) {
        return std::find(heard.begin(), heard.end(), signal) != heard.end();
    };
    const auto end = std::chrono::steady_clock::now() + 3s;
    while (!(heardOf("/KGlobalSettings notifyChange") && heardOf("/kcminputrc ConfigChanged")) &&
           std::chrono::steady_clock::now() < end)
        g_main_context_iteration(context, FALSE);
    EXPECT_TRUE(heardOf("/KGlobalSettings notifyChange"));
    EXPECT_TRUE(heardOf("/kcminputrc ConfigChanged"));
    g_dbus_connection_signal_unsubscribe(listener, id);
    g_dbus_connection_close_sync(listener, nullptr, nullptr);
    g_object_unref(listener);
    while (g_main_context_iteration(context, FALSE)) {
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace
