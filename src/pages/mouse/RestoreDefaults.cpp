// Restoring the factory settings ("recover_btn" of the performance page).
//
// The factory configuration comes from the default file beside the program
// ("msdevicedefault.config", the file that seeds new mouse profiles): its
// button table and profile record replace profile 0 and the live record. The
// pointer settings, the report rate choice and the names of buttons 2 to 7
// return to the program's constants. The mouse receives the report rate 2 at
// once, the button table at once and the record with the next flush (so a
// default file whose rate is not 2 ends with the file's rate in the mouse).
// A missing or damaged default file changes nothing and says so.

#include "pages/mouse/PerformancePage.h"

#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/PointerSettings.h"
#include "profiles/NameFile.h"
#include "profiles/ProfileFile.h"
#include "settings/KeyTables.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"
#include "ui/ResourceManager.h"

#include <QAbstractSlider>
#include <QLineEdit>

#include <array>
#include <string>

namespace zk::pages {

namespace {

constexpr int kSpeedPosition = 5;
constexpr int kPointerSpeed = 10;
constexpr int kDoubleClickPosition = 5;
constexpr int kDoubleClickSetting = 600;
constexpr int kWheelLines = 3;
constexpr int kRateCode = 2;

// The light mode sliders, back to their middle.
constexpr const char* kModeSliders[] = {"slider_cl", "slider_hx", "slider_RGB",
                                        "slider_ls", "slider_cx", "slider_mc"};
constexpr int kModeSliderValue = 4;

// LANGUAGE of "main.ini" in the data folder; −1 when absent.
int LanguageNumber() {
    const platform::IniFile mainIni(platform::GetDataFolder() + "main.ini");
    return mainIni.ReadInt("SKINIMAGE", "LANGUAGE", "-1");
}

} // namespace

void PerformancePage::OnRecover() {
    if (!window_)
        return;
    settings::MouseSettingsImage& image = session_.image;

    // The default file into a cleared buffer: a short body leaves zeros.
    std::array<std::uint8_t, profiles::kMouseDeviceBody> body{};
    const std::string folder = ui::ResourceManager::GetInstance().GetInstancePath().toStdString();
    const int read =
        profiles::ReadProfileFile(folder + std::string(profiles::kMouseDeviceDefault), body);
    if (read != profiles::kProfileRead) {
        services_.ShowMessage(read == profiles::kProfileBadFormat
                                  ? profiles::kMessageDefaultMalformed
                                  : profiles::kMessageDefaultMissing);
        return;
    }
    const std::span<const std::uint8_t> bytes(body);
    settings::CopyBytes(image.buttonTables[0].Bytes(), bytes.first(settings::kButtonTableSize));
    settings::CopyBytes(image.ProfileBytes(0), bytes.subspan(settings::kButtonTableSize));
    settings::CopyBytes(image.RecordBytes(), bytes.subspan(settings::kButtonTableSize,
                                                           settings::kMouseSettingsRecordSize));
    Save();
    session_.MarkPending();

    ui::ProgramChangeGuard quiet;
    auto nameFile = profiles::MouseNameFile::ForSelectedProfile();
    platform::PointerSettings& pointer = services_.Pointer();

    // Pointer speed.
    if (nameFile)
        nameFile->SetMouseSpeed(kSpeedPosition);
    ShowPointerSpeed(kSpeedPosition);
    image.pointerSpeed.store(kPointerSpeed);
    for (QWidget* c : Copies(QStringLiteral("ms_point_speed_slider")))
        if (auto* slider = qobject_cast<QAbstractSlider*>(c))
            slider->setValue(kPointerSpeed / 2 - 1);
    pointer.Push(platform::PointerSetting::Speed, kPointerSpeed);

    // Double-click.
    if (nameFile)
        nameFile->SetDoubleClick(kDoubleClickPosition);
    ShowDoubleClick(kDoubleClickPosition);
    image.doubleClickSetting.store(kDoubleClickSetting);
    pointer.Push(platform::PointerSetting::DoubleClick, DoubleClickTimeOf(kDoubleClickSetting));

    // Wheel: lines again, three of them.
    image.wheelLines.store(kWheelLines);
    ShowWheel(kWheelLines);
    pointer.Push(platform::PointerSetting::WheelLines, kWheelLines);

    // Report rate: 500 Hz at once; the record's own rate follows with the flush.
    if (nameFile)
        nameFile->SetUsbRate(kRateCode);
    ShowRate(kRateCode);
    rateThreeSeen_ = false;
    WriteRateToMouse(kRateCode);

    // Buttons.
    session_.channel.CmdWriteProfileBlock(image.buttonTables[0].Bytes(), 0);

    // Names of buttons 2 to 7 in the current language.
    const int language = LanguageNumber();
    for (int button = 2; button <= 7; ++button) {
        const std::string_view name = settings::RestoreButtonName(button, language);
        const QString text = QString::fromUtf8(name.data(), static_cast<int>(name.size()));
        for (QWidget* label :
             window_->findChildren<QWidget*>(QStringLiteral("mouse_key_%1").arg(button)))
            ui::SetText(label, text, false);
        if (nameFile)
            nameFile->SetKeyName(button, name);
    }

    // Light mode sliders (where the lighting page has them).
    for (const char* name : kModeSliders)
        for (QWidget* c : window_->findChildren<QWidget*>(QLatin1String(name)))
            if (auto* slider = qobject_cast<QAbstractSlider*>(c))
                slider->setValue(kModeSliderValue);

    Save();
    services_.RefreshPages(DeviceKind::Mouse);
}

} // namespace zk::pages
