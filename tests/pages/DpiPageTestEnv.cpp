#include "DpiPageTestEnv.h"

#include "app/windows/PalletDialog.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "settings/SettingsFlush.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QThread>

#include <cstdlib>

namespace dpitest {

using namespace zk;

namespace {

QString StageDir() {
    const char* stage = std::getenv("ZK_STAGE_DIR");
    return stage ? QString::fromUtf8(stage) : QString();
}

} // namespace

profiles::StoreSeams StagedStoreSeams() {
    profiles::StoreSeams seams;
    seams.moduleFolder = StageDir().toStdString() + "/";
    return seams;
}

void UseStagedSkin() {
    const QString skin = StageDir() + QStringLiteral("/skin/");
    auto& rm = ui::ResourceManager::GetInstance();
    rm.SetInstancePath(StageDir() + QStringLiteral("/"));
    rm.SetResourcePath(skin);
    rm.LoadResource(QStringLiteral("res.xml"));
    rm.SetLanguage(QStringLiteral("en"));
    rm.LoadLanguage(QStringLiteral("lan_en.xml"));
    QDir::setSearchPaths(QStringLiteral("skin"), {skin});
    QFile qss(skin + QStringLiteral("style.qss"));
    if (qss.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(qss.readAll()));
}

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void Spin(std::chrono::milliseconds time) {
    SpinUntil([] { return false; }, time);
}

void Soon(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

void MaybeScreenshot(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
    if (dir.isEmpty() || !window)
        return;
    QDir().mkpath(dir);
    window->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void PageWindow::InitWindow() {
    // The controls of the profile panel and the pointer page that an applied
    // profile shows its state in.
    QWidget* root = GetPaintManager().GetRoot();
    auto* extra = new QWidget(root);
    extra->setObjectName(QStringLiteral("test_profile_panel"));
    auto* column = new QVBoxLayout(extra);
    auto* list = new QListWidget(extra);
    list->setObjectName(QStringLiteral("config_list"));
    column->addWidget(list);
    for (const char* name : {"ms_device_profile_name_edit", "ms_device_profile_link_edit"}) {
        auto* edit = new QLineEdit(extra);
        edit->setObjectName(QString::fromLatin1(name));
        column->addWidget(edit);
    }
    auto* check = new QCheckBox(extra);
    check->setObjectName(QStringLiteral("ms_device_profile_link_check"));
    column->addWidget(check);
    auto* row = new QWidget(extra);
    row->setObjectName(QStringLiteral("ms_device_profile_link_name_hor"));
    row->hide();
    column->addWidget(row);
    for (const char* name :
         {"ms_point_speed_slider", "USB_rate_slider1", "mouse_speed_slider1", "DBC_speed_slider2",
          "slider_cl", "slider_hx", "slider_RGB", "slider_ls", "slider_cx", "slider_mc"}) {
        auto* slider = new QSlider(Qt::Horizontal, extra);
        slider->setObjectName(QString::fromLatin1(name));
        slider->setRange(0, 20);
        column->addWidget(slider);
    }
    extra->hide();
    GetPaintManager().AttachControl(extra);
}

std::optional<std::array<std::uint8_t, settings::kMouseSettingsRecordSize>>
RecordOfProfileFile(const std::string& name) {
    const auto path =
        profiles::ProfileFilePath(profiles::DeviceKind::Mouse, name, profiles::kDeviceExtension);
    std::array<std::uint8_t, profiles::kMouseDeviceBody> body{};
    if (!path || profiles::ReadProfileFile(*path, body) != profiles::kProfileRead)
        return std::nullopt;
    std::array<std::uint8_t, settings::kMouseSettingsRecordSize> record{};
    std::copy_n(body.begin() + settings::kButtonTableSize, record.size(), record.begin());
    return record;
}

bool TestServices::PickColour(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) {
    return app::PickColourAtCursor(parent, initial, chosen);
}

bool OpenConfigChannel(emulator::EmulatedDevice& device, protocol::DeviceChannel& channel) {
    channel.SetIdentity(device.VendorId(), device.ProductId(), emulator::kConfigUsage,
                        emulator::kConfigUsagePage);
    channel.hid.openForRead = 1;
    channel.hid.openForWrite = 1;
    channel.hid.openOverlapped = 1;
    channel.hid.devicePath = device.ConfigPath();
    if (channel.hid.Open() != 1)
        return false;
    channel.connected = 1;
    return true;
}

emulator::EmulatedDevice*
PlugEmulatedMouse(std::unique_ptr<emulator::EmulatorInstallation>& installation,
                  protocol::DeviceChannel& channel) {
    emulator::EmulatorOptions options;
    options.keyboard = false;
    options.mousepad = false;
    installation = emulator::InstallEmulatedBus(options);
    emulator::EmulatedDevice* mouse = installation->Bus().Mouse();
    return OpenConfigChannel(*mouse, channel) ? mouse : nullptr;
}

DpiPageTest::DpiPageTest() : session_(channel_, StagedStoreSeams()) {}

void DpiPageTest::SetUp() {
    UseStagedSkin();
    mouse_ = PlugEmulatedMouse(installation_, channel_);
    ASSERT_NE(mouse_, nullptr);

    const auto entries = store_->InitialiseProfiles();
    ASSERT_TRUE(entries.created) << "no factory default file in " << StageDir().toStdString();
    ASSERT_EQ(store_->LoadDeviceProfile(0), profiles::kProfileRead);

    window_ = std::make_unique<PageWindow>([this](ui::TNotifyUI& msg) {
        for (pages::Page* page :
             {static_cast<pages::Page*>(page_.get()), static_cast<pages::Page*>(profiles_.get())})
            if (page && page->Claims(msg.senderName) && page->Notify(msg))
                return;
        if (otherNotify_)
            otherNotify_(msg);
    });
    ASSERT_TRUE(window_->Create(nullptr, QStringLiteral("DPI"), ui::WindowStyle::Frame,
                                QRect(0, 0, 640, 480)));
    page_ = std::make_unique<pages::DpiPage>(window_.get(), session_, services_);
    profiles_ = std::make_unique<pages::MouseDeviceProfiles>(window_.get(), session_, services_);
    services_.refresh = [this] { page_->Refresh(); };
    window_->ShowWindow(true);
    SpinUntil([this] { return window_->isVisible(); });

    QObject::connect(&flush_, &QTimer::timeout, [this] {
        settings::FlushTargets targets;
        targets.mouseChannel = &channel_;
        targets.mouse = &image_;
        settings::FlushPendingWrites(targets);
    });
    SetLimits(0, 100);
    flush_.setTimerType(Qt::PreciseTimer);
    flush_.start(100);
    mouse_->ClearRequestLog();
}

void DpiPageTest::TearDown() {
    flush_.stop();
    profiles_.reset();
    page_.reset();
    if (window_ && window_->IsWindow()) {
        window_->Close();
        SpinUntil([this] { return !window_->IsWindow(); });
    }
    window_.reset();
    channel_.hid.Close();
    installation_.reset();
}

void DpiPageTest::SetLimits(std::uint8_t maxLevel, std::uint16_t base) {
    mouse_->SetMemory(
        emulator::MemoryArea::Capabilities, 12,
        {maxLevel, static_cast<std::uint8_t>(base & 0xFF), static_cast<std::uint8_t>(base >> 8)});
    ASSERT_EQ(channel_.CmdReadCapabilities(settings::BytesOf(image_.capabilities)), 1);
}

void DpiPageTest::SetLevels(const std::array<std::uint8_t, 6>& levels) {
    for (std::size_t i = 0; i < levels.size(); ++i)
        settings::PutByte(image_.RecordBytes()[settings::kDpiLevelOffsets[i]], levels[i]);
}

std::vector<emulator::LoggedRequest> DpiPageTest::Writes() const {
    std::vector<emulator::LoggedRequest> out;
    for (const auto& r : mouse_->RequestLog())
        if (r.frame[3] == static_cast<std::uint8_t>(protocol::Command::WriteData))
            out.push_back(r);
    return out;
}

} // namespace dpitest
