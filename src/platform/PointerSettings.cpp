#include "platform/PointerSettings.h"

#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/IniText.h"
#include "platform/Log.h"

#include <gio/gio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <system_error>
#include <vector>

namespace zk::platform {

namespace {

std::size_t LaneOf(PointerSetting setting) {
    return static_cast<std::size_t>(setting);
}

// --- the program's own store ------------------------------------------------------

constexpr std::string_view kStoreSection = "POINTER";
constexpr std::array<std::string_view, kPointerSettingCount> kStoreKeys = {"SPEED", "DOUBLECLICK",
                                                                           "WHEELLINES"};

std::optional<int> ReadStored(const std::filesystem::path& file, PointerSetting setting) {
    const IniFile ini(file);
    const std::string text = ini.Read(kStoreSection, kStoreKeys[LaneOf(setting)], "");
    if (text.empty())
        return std::nullopt;
    return ToInt(text);
}

// --- GNOME: GSettings through GIO -------------------------------------------------

constexpr const char* kGnomeMouseSchema = "org.gnome.desktop.peripherals.mouse";

class GnomeBackend final : public PointerBackend {
public:
    explicit GnomeBackend(GSettingsSchema* schema) : schema_(schema) {}
    ~GnomeBackend() override { g_settings_schema_unref(schema_); }

    std::string_view Name() const override { return "GNOME"; }

    bool Applies(PointerSetting setting, int) const override {
        return setting != PointerSetting::WheelLines;
    }

    bool Write(PointerSetting setting, int value) override {
        std::lock_guard lock(mutex_);
        GSettings* settings = g_settings_new_full(schema_, nullptr, nullptr);
        bool ok = false;
        if (setting == PointerSetting::Speed)
            ok = g_settings_set_double(settings, "speed", DesktopAccelerationOf(value));
        else if (setting == PointerSetting::DoubleClick)
            ok = g_settings_set_int(settings, "double-click", value);
        g_settings_sync();
        g_object_unref(settings);
        return ok;
    }

    std::optional<int> Read(PointerSetting setting) const override {
        if (setting == PointerSetting::WheelLines)
            return std::nullopt;
        std::lock_guard lock(mutex_);
        GSettings* settings = g_settings_new_full(schema_, nullptr, nullptr);
        const int value = setting == PointerSetting::Speed
                              ? PointerSpeedOf(g_settings_get_double(settings, "speed"))
                              : g_settings_get_int(settings, "double-click");
        g_object_unref(settings);
        return value;
    }

private:
    GSettingsSchema* schema_;
    mutable std::mutex mutex_;
};

// --- KDE Plasma: its configuration files ---------------------------------------------

constexpr std::string_view kInputFile = "kcminputrc";
constexpr std::string_view kGlobalsFile = "kdeglobals";
constexpr std::string_view kMouseGroup = "Mouse";
constexpr std::string_view kKdeGroup = "KDE";
constexpr std::string_view kAccelerationKey = "XLbInptPointerAcceleration";
constexpr std::string_view kDeviceAccelerationKey = "PointerAcceleration";
constexpr std::string_view kDoubleClickKey = "DoubleClickInterval";
constexpr std::string_view kWheelLinesKey = "WheelScrollLines";
constexpr std::string_view kLibinputGroupStart = "[Libinput]";

std::string AccelerationText(int pointerSpeed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", DesktopAccelerationOf(pointerSpeed));
    return text;
}

// Sets PointerAcceleration in every per-device group "[Libinput][vendor]
// [product][name]" that has the key (the groups Plasma keeps for the devices it
// has seen); other lines stay as they are.
std::string WithDeviceAcceleration(const std::string& text, const std::string& value) {
    std::istringstream in(text);
    std::string out, line;
    bool inDevice = false;
    while (std::getline(in, line)) {
        const std::string_view trimmed = TrimBlanks(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            inDevice = trimmed.starts_with(kLibinputGroupStart) &&
                       trimmed.size() > kLibinputGroupStart.size();
        } else if (inDevice) {
            const auto equals = trimmed.find('=');
            if (equals != std::string_view::npos &&
                TrimBlanks(trimmed.substr(0, equals)) == kDeviceAccelerationKey)
                line = std::string(kDeviceAccelerationKey) + "=" + value;
        }
        out += line;
        out += '\n';
    }
    return out;
}

class KdeBackend final : public PointerBackend {
public:
    KdeBackend(std::filesystem::path configHome,
               std::function<void(std::string_view, std::string_view, std::string_view)> notify)
        : configHome_(std::move(configHome)), notify_(std::move(notify)) {}

    std::string_view Name() const override { return "KDE"; }

    bool Applies(PointerSetting setting, int value) const override {
        // Plasma scrolls by lines only.
        return setting != PointerSetting::WheelLines || (value >= 1 && value <= kWheelLinesMax);
    }

    bool Write(PointerSetting setting, int value) override {
        std::error_code ec;
        std::filesystem::create_directories(configHome_, ec);
        bool ok = false;
        switch (setting) {
        case PointerSetting::Speed: {
            const std::string text = AccelerationText(value);
            ok = IniFile(configHome_ / kInputFile).Update([&text](IniText& ini) {
                ini = IniText(WithDeviceAcceleration(ini.Serialize(), text));
                ini.Set(kMouseGroup, kAccelerationKey, text);
                return true;
            });
            if (ok)
                notify_(kInputFile, kMouseGroup, kAccelerationKey);
            break;
        }
        case PointerSetting::DoubleClick:
        case PointerSetting::WheelLines: {
            const std::string_view key =
                setting == PointerSetting::DoubleClick ? kDoubleClickKey : kWheelLinesKey;
            ok = IniFile(configHome_ / kGlobalsFile).WriteInt(kKdeGroup, key, value);
            if (ok)
                notify_(kGlobalsFile, kKdeGroup, key);
            break;
        }
        }
        return ok;
    }

    std::optional<int> Read(PointerSetting setting) const override {
        std::string text;
        switch (setting) {
        case PointerSetting::Speed:
            text = IniFile(configHome_ / kInputFile).Read(kMouseGroup, kAccelerationKey, "");
            if (text.empty())
                return std::nullopt;
            return PointerSpeedOf(std::strtod(text.c_str(), nullptr));
        case PointerSetting::DoubleClick:
            text = IniFile(configHome_ / kGlobalsFile).Read(kKdeGroup, kDoubleClickKey, "");
            break;
        case PointerSetting::WheelLines:
            text = IniFile(configHome_ / kGlobalsFile).Read(kKdeGroup, kWheelLinesKey, "");
            break;
        }
        if (text.empty())
            return std::nullopt;
        return ToInt(text);
    }

private:
    std::filesystem::path configHome_;
    std::function<void(std::string_view, std::string_view, std::string_view)> notify_;
};

// The session bus address, when one is reachable without starting a bus.
std::optional<std::string> SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return std::string(address);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::filesystem::path socket = std::filesystem::path(runtime) / "bus";
        std::error_code ec;
        if (std::filesystem::exists(socket, ec))
            return "unix:path=" + socket.string();
    }
    return std::nullopt;
}

// Emits one signal on a private connection to the session bus.
bool EmitSessionSignal(const char* path, const char* interface, const char* member,
                       GVariant* parameters) {
    g_variant_ref_sink(parameters);
    const auto address = SessionBusAddress();
    bool sent = false;
    if (address) {
        GError* error = nullptr;
        GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
            address->c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (bus) {
            sent = g_dbus_connection_emit_signal(bus, nullptr, path, interface, member, parameters,
                                                 &error) &&
                   g_dbus_connection_flush_sync(bus, nullptr, &error);
            g_dbus_connection_close_sync(bus, nullptr, nullptr);
            g_object_unref(bus);
        }
        if (error) {
            DebugLine(std::string("pointer settings: D-Bus: ") + error->message);
            g_error_free(error);
        }
    }
    g_variant_unref(parameters);
    return sent;
}

// KConfig's own change notice: the file's path below the config folder, and
// the changed keys of one group.
bool NotifyKConfigChange(std::string_view file, std::string_view group, std::string_view key) {
    GVariantBuilder keys;
    g_variant_builder_init(&keys, G_VARIANT_TYPE("aay"));
    g_variant_builder_add_value(&keys, g_variant_new_bytestring(std::string(key).c_str()));
    GVariantBuilder groups;
    g_variant_builder_init(&groups, G_VARIANT_TYPE("a{saay}"));
    g_variant_builder_add(&groups, "{saay}", std::string(group).c_str(), &keys);
    const std::string path = "/" + std::string(file);
    return EmitSessionSignal(path.c_str(), "org.kde.kconfig.notify", "ConfigChanged",
                             g_variant_new("(a{saay})", &groups));
}

} // namespace

double DesktopAccelerationOf(int pointerSpeed) {
    const int s = std::clamp(pointerSpeed, kPointerSpeedMin, kPointerSpeedMax);
    return s <= kPointerSpeedNeutral ? (s - kPointerSpeedNeutral) / 9.0
                                     : (s - kPointerSpeedNeutral) / 10.0;
}

int PointerSpeedOf(double acceleration) {
    if (!std::isfinite(acceleration))
        return kPointerSpeedNeutral;
    const double a = std::clamp(acceleration, -1.0, 1.0);
    const double s = a <= 0 ? kPointerSpeedNeutral + a * 9.0 : kPointerSpeedNeutral + a * 10.0;
    return std::clamp(static_cast<int>(std::lround(s)), kPointerSpeedMin, kPointerSpeedMax);
}

std::unique_ptr<PointerBackend> MakeGnomePointerBackend() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kGnomeMouseSchema, TRUE);
    if (!schema)
        return nullptr;
    if (!g_settings_schema_has_key(schema, "speed") ||
        !g_settings_schema_has_key(schema, "double-click")) {
        g_settings_schema_unref(schema);
        return nullptr;
    }
    return std::make_unique<GnomeBackend>(schema);
}

bool NotifyPlasmaMouseChange() {
    // KGlobalSettings::notifyChange(SettingsChanged = 3, SETTINGS_MOUSE = 0).
    return EmitSessionSignal("/KGlobalSettings", "org.kde.KGlobalSettings", "notifyChange",
                             g_variant_new("(ii)", 3, 0));
}

std::unique_ptr<PointerBackend> MakeKdePointerBackend(std::filesystem::path configHome,
                                                      std::function<void()> notify) {
    auto changed = [notify = std::move(notify)](std::string_view file, std::string_view group,
                                                std::string_view key) {
        if (notify) {
            notify();
            return;
        }
        NotifyKConfigChange(file, group, key);
        NotifyPlasmaMouseChange();
    };
    return std::make_unique<KdeBackend>(std::move(configHome), std::move(changed));
}

std::unique_ptr<PointerBackend> PointerBackendFor(std::string_view currentDesktop) {
    std::vector<std::string_view> names;
    while (!currentDesktop.empty()) {
        const auto colon = currentDesktop.find(':');
        names.push_back(currentDesktop.substr(0, colon));
        currentDesktop =
            colon == std::string_view::npos ? std::string_view() : currentDesktop.substr(colon + 1);
    }
    auto named = [&names](std::initializer_list<std::string_view> wanted) {
        return std::any_of(names.begin(), names.end(), [&wanted](std::string_view name) {
            return std::any_of(wanted.begin(), wanted.end(),
                               [name](std::string_view w) { return EqualsNoCase(name, w); });
        });
    };
    if (named({"KDE"})) {
        std::filesystem::path home;
        if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
            home = xdg;
        else if (const char* user = std::getenv("HOME"); user && *user)
            home = std::filesystem::path(user) / ".config";
        if (home.empty())
            return nullptr;
        return MakeKdePointerBackend(home);
    }
    if (named({"GNOME", "GNOME-Flashback", "Unity", "Budgie", "Pantheon"}))
        return MakeGnomePointerBackend();
    return nullptr;
}

// --- the service ------------------------------------------------------------------------

PointerSettings::PointerSettings(std::unique_ptr<PointerBackend> backend,
                                 std::filesystem::path storeFile)
    : backend_(std::move(backend)), storeFile_(std::move(storeFile)) {}

PointerSettings::~PointerSettings() {
    WaitIdle();
    for (Lane& lane : lanes_)
        if (lane.worker.joinable())
            lane.worker.join();
}

std::unique_ptr<PointerSettings> PointerSettings::ForRunningDesktop() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return std::make_unique<PointerSettings>(PointerBackendFor(desktop ? desktop : ""));
}

std::filesystem::path PointerSettings::DefaultStoreFile() {
    return std::filesystem::path(GetConfigFolder()) / "pointer.ini";
}

std::string_view PointerSettings::DesktopName() const {
    return backend_ ? backend_->Name() : std::string_view();
}

bool PointerSettings::Applies(PointerSetting setting, int value) const {
    return backend_ && backend_->Applies(setting, value);
}

void PointerSettings::Push(PointerSetting setting, int value) {
    std::lock_guard lock(mutex_);
    Lane& lane = lanes_[LaneOf(setting)];
    lane.waiting = value;
    if (lane.busy)
        return;
    lane.busy = true;
    // A finished worker has nothing left to do but return.
    if (lane.worker.joinable())
        lane.worker.join();
    lane.worker = std::thread([this, setting] { Run(setting); });
}

void PointerSettings::Run(PointerSetting setting) {
    Lane& lane = lanes_[LaneOf(setting)];
    for (;;) {
        int value = 0;
        {
            std::lock_guard lock(mutex_);
            lane.writing.reset();
            if (!lane.waiting) {
                lane.busy = false;
                idle_.notify_all();
                return;
            }
            value = *lane.waiting;
            lane.writing = value;
            lane.waiting.reset();
        }
        Apply(setting, value);
    }
}

void PointerSettings::Apply(PointerSetting setting, int value) {
    std::error_code ec;
    std::filesystem::create_directories(storeFile_.parent_path(), ec);
    IniFile(storeFile_).WriteInt(kStoreSection, kStoreKeys[LaneOf(setting)], value);
    if (backend_ && backend_->Applies(setting, value) && !backend_->Write(setting, value))
        DebugLine("pointer settings: the desktop did not take a value");
}

std::optional<int> PointerSettings::Current(PointerSetting setting) const {
    {
        std::lock_guard lock(mutex_);
        const Lane& lane = lanes_[LaneOf(setting)];
        if (lane.waiting)
            return lane.waiting;
        if (lane.writing)
            return lane.writing;
    }
    const std::optional<int> stored = ReadStored(storeFile_, setting);
    // A choice the desktop cannot show (one screen per notch on Plasma, say)
    // is what the store keeps.
    if (stored && !Applies(setting, *stored))
        return stored;
    if (backend_)
        if (const auto desktop = backend_->Read(setting))
            return desktop;
    return stored;
}

void PointerSettings::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] {
        return std::none_of(lanes_.begin(), lanes_.end(), [](const Lane& l) { return l.busy; });
    });
}

} // namespace zk::platform
