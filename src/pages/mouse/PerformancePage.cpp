#include "pages/mouse/PerformancePage.h"

#include "platform/IniFile.h"
#include "platform/PointerSettings.h"
#include "profiles/NameFile.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"
#include "ui/WindowExposure.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace zk::pages {

using platform::PointerSetting;
using settings::MouseSettingsRecord;

namespace {

const QString kMousePage = QStringLiteral("ms_cursor_page");
const QString kKeyboardPage = QStringLiteral("kb_cursor_page");

const QString kRateButtonPrefix = QStringLiteral("rate_slider");
const QString kRatePicture = QStringLiteral("USB_rate_slider1");
const QString kRateSlider = QStringLiteral("USB_rate_slider");
const QString kSpeedSlider = QStringLiteral("mouse_speed_slider1");
const QString kSpeedValue = QStringLiteral("mouse_speed_value");
const QString kPointSpeedSlider = QStringLiteral("ms_point_speed_slider");
const QString kSensorHeightSlider = QStringLiteral("ms_sensor_height_slider");
const QString kDoubleClickSlider = QStringLiteral("DBC_speed_slider2");
const QString kDoubleClickValue = QStringLiteral("DBC_speed_value");
const QString kWheelEdit = QStringLiteral("gunlun_speed_edit");
const QString kWheelEditAlias = QStringLiteral("ms_gunlun_speed_edit");
const QString kWheelUp = QStringLiteral("speed_up_btn");
const QString kWheelDown = QStringLiteral("speed_down_btn");
const QString kWheelRow = QStringLiteral("gunlun_speed_check_row");
const QString kWheelScreen = QStringLiteral("gunlun_check_screen");
const QString kNote = QStringLiteral("pointer_note");
const QString kRecover = QStringLiteral("recover_btn");
const QString kRateRow = QStringLiteral("perf_rate_row");
const QString kRestoreRow = QStringLiteral("restore_row");

// Panel buttons and the panels they show or hide.
struct PanelToggle {
    const char* button;
    const char* panel;
};
constexpr std::array<PanelToggle, 5> kPanels = {{{"USB_rate_btn", "USB_rate"},
                                                 {"mouse_speed_btn", "mouse_speed"},
                                                 {"DBC_speed_btn", "db_click_speed"},
                                                 {"gunlun_speed_btn", "gunlun_speed"},
                                                 {"XY_set_btn", "x_ysetting"}}};

constexpr int kRateCodes = 4;
constexpr std::array<const char*, kRateCodes> kRatePictures = {"qelma/125.png", "qelma/250.png",
                                                               "qelma/500.png", "qelma/1000.png"};
constexpr int kSliderPositions = 11; // 0..10
constexpr int kDefaultWheelLines = 3;

// Double-click time per slider position 0..10.
constexpr std::array<int, kSliderPositions> kDoubleClickTimes = {1000, 850, 800, 700, 650, 600,
                                                                 500,  450, 400, 300, 200};
constexpr int kDoubleClickFallback = 600;

QString SliderPicture(int position) {
    return QStringLiteral("qelma/%1.png").arg(position + 1);
}

bool Named(const QString& name, const QString& wanted) {
    return name.compare(wanted, Qt::CaseInsensitive) == 0;
}

int RateButtonCode(const QString& name) {
    if (name.size() != kRateButtonPrefix.size() + 1 ||
        !name.startsWith(kRateButtonPrefix, Qt::CaseInsensitive))
        return -1;
    const int b = name.back().digitValue();
    return b >= 1 && b <= kRateCodes ? b - 1 : -1;
}

const PanelToggle* PanelOf(const QString& button) {
    for (const auto& toggle : kPanels)
        if (Named(button, QLatin1String(toggle.button)))
            return &toggle;
    return nullptr;
}

bool IsWheelEdit(const QString& name) {
    return Named(name, kWheelEdit) || Named(name, kWheelEditAlias);
}

int ClampLines(int n) {
    return std::clamp(n, 1, platform::kWheelLinesMax);
}

void SetSliders(const QList<QWidget*>& copies, int value) {
    for (QWidget* c : copies)
        if (auto* slider = qobject_cast<QAbstractSlider*>(c))
            slider->setValue(value);
}

void SetChecks(const QList<QWidget*>& copies, bool checked) {
    for (QWidget* c : copies)
        if (auto* button = qobject_cast<QAbstractButton*>(c))
            ui::SetCheck(button, checked, false);
}

void SetEnabled(const QList<QWidget*>& copies, bool enabled) {
    for (QWidget* c : copies)
        c->setEnabled(enabled);
}

void SetTexts(const QList<QWidget*>& copies, const QString& text, bool isKey = false) {
    for (QWidget* c : copies)
        ui::SetText(c, text, isKey);
}

void SetPictures(const QList<QWidget*>& copies, const QString& file) {
    for (QWidget* c : copies)
        ui::SetBkImage(c, file);
}

} // namespace

int DoubleClickTimeOf(int doubleClickSetting) {
    if (doubleClickSetting % 100 != 0)
        return kDoubleClickFallback;
    const int position = (1100 - doubleClickSetting) / 100;
    return position >= 0 && position < kSliderPositions
               ? kDoubleClickTimes[static_cast<std::size_t>(position)]
               : kDoubleClickFallback;
}

PerformancePage::PerformancePage(QWidget* window, profiles::MouseSession& session,
                                 PageServices& services)
    : window_(window), session_(session), services_(services) {
    // The keyboard tab follows the mouse's connection, looked at every 500 ms
    // while the window is on screen and at once when it comes back.
    keyboardCopyTimer_.setInterval(500);
    QObject::connect(&keyboardCopyTimer_, &QTimer::timeout, [this] { UpdateKeyboardCopy(); });
    if (ui::WindowExposure* exposure = ui::WindowExposure::Of(window)) {
        QObject::connect(exposure, &ui::WindowExposure::ShownChanged, &keyboardCopyTimer_,
                         [this](bool shown) {
                             if (shown) {
                                 UpdateKeyboardCopy();
                                 keyboardCopyTimer_.start();
                             } else {
                                 keyboardCopyTimer_.stop();
                             }
                         });
        if (exposure->Shown())
            keyboardCopyTimer_.start();
    }
}

bool PerformancePage::Claims(const QString& name) const {
    static const QStringList kNames = {kRateSlider, kSpeedSlider, kDoubleClickSlider, kWheelUp,
                                       kWheelDown,  kWheelRow,    kWheelScreen,       kRecover};
    return RateButtonCode(name) >= 0 || IsWheelEdit(name) || PanelOf(name) ||
           kNames.contains(name, Qt::CaseInsensitive);
}

QList<QWidget*> PerformancePage::Copies(const QString& name) const {
    QList<QWidget*> out;
    if (!window_)
        return out;
    bool paged = false;
    for (const QString& pageName : {kMousePage, kKeyboardPage}) {
        for (QWidget* page : window_->findChildren<QWidget*>(pageName)) {
            paged = true;
            out += page->findChildren<QWidget*>(name);
        }
    }
    if (!paged)
        out = window_->findChildren<QWidget*>(name);
    return out;
}

bool PerformancePage::OnKeyboardTab(const QWidget* control) const {
    if (!window_ || !control)
        return false;
    for (QWidget* page : window_->findChildren<QWidget*>(kKeyboardPage))
        if (page->isAncestorOf(control))
            return true;
    return false;
}

void PerformancePage::Save() {
    session_.store.SaveDeviceProfile();
}

// --- refresh ----------------------------------------------------------------------------

void PerformancePage::Refresh() {
    ui::ProgramChangeGuard quiet;
    settings::MouseSettingsImage& image = session_.image;

    const int code = image.RecordByte(offsetof(MouseSettingsRecord, reportRate));
    if (code < kRateCodes)
        ShowRate(code);

    const auto nameFile = profiles::MouseNameFile::ForSelectedProfile();
    const int speed = image.pointerSpeed.load();
    std::optional<int> speedPosition = nameFile ? nameFile->MouseSpeed() : std::nullopt;
    if (!speedPosition && speed > 0)
        speedPosition = std::min(speed / 2, kSliderPositions - 1);
    if (speedPosition && *speedPosition >= 0 && *speedPosition < kSliderPositions)
        ShowPointerSpeed(*speedPosition);
    SetSliders(Copies(kPointSpeedSlider), speed / 2 - 1);

    std::optional<int> clickPosition = nameFile ? nameFile->DoubleClick() : std::nullopt;
    if (const int setting = image.doubleClickSetting.load();
        !clickPosition && setting > 0 && setting % 100 == 0)
        clickPosition = (1100 - setting) / 100;
    if (!clickPosition) {
        // Nothing chosen here yet: the position nearest the desktop's time.
        const int time =
            services_.Pointer().Current(PointerSetting::DoubleClick).value_or(kDoubleClickFallback);
        const auto nearest = std::min_element(
            kDoubleClickTimes.begin(), kDoubleClickTimes.end(),
            [time](int a, int b) { return std::abs(a - time) < std::abs(b - time); });
        clickPosition = static_cast<int>(nearest - kDoubleClickTimes.begin());
    }
    if (*clickPosition >= 0 && *clickPosition < kSliderPositions)
        ShowDoubleClick(*clickPosition);

    ShowWheel(image.wheelLines.load());
    ShowToggleTexts();
    UpdateKeyboardCopy();
}

void PerformancePage::ShowRate(int code) {
    SetPictures(Copies(kRatePicture), QLatin1String(kRatePictures[static_cast<std::size_t>(code)]));
    SetSliders(Copies(kRateSlider), code + 1);
    for (int b = 1; b <= kRateCodes; ++b)
        SetChecks(Copies(kRateButtonPrefix + QString::number(b)), b - 1 == code);
}

void PerformancePage::ShowPointerSpeed(int position) {
    SetSliders(Copies(kSpeedSlider), position);
    SetPictures(Copies(kSpeedSlider), SliderPicture(position));
    SetTexts(Copies(kSpeedValue), QStringLiteral("%1 / 10").arg(position));
}

void PerformancePage::ShowDoubleClick(int position) {
    SetSliders(Copies(kDoubleClickSlider), position);
    SetPictures(Copies(kDoubleClickSlider), SliderPicture(position));
    SetTexts(Copies(kDoubleClickValue),
             QStringLiteral("%1 ms").arg(kDoubleClickTimes[static_cast<std::size_t>(position)]));
}

void PerformancePage::ShowWheel(int lines) {
    const bool screen = lines == platform::kWheelOneScreen;
    if (!screen && lines >= 1 && lines <= platform::kWheelLinesMax)
        SetTexts(Copies(kWheelEdit), QString::number(lines));
    SetChecks(Copies(kWheelRow), !screen);
    SetChecks(Copies(kWheelScreen), screen);
    SetEnabled(Copies(kWheelUp) + Copies(kWheelDown) + Copies(kWheelEdit), !screen);
    for (QWidget* edit : Copies(kWheelEdit))
        if (auto* line = qobject_cast<QLineEdit*>(edit); line && !line->validator())
            line->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]{0,3}")), line));
    ShowNote();
}

void PerformancePage::ShowNote() {
    const platform::PointerSettings& pointer = services_.Pointer();
    const int lines = session_.image.wheelLines.load();
    QString key;
    if (pointer.DesktopName().empty())
        key = QStringLiteral("pointer_note_stored");
    else if (!pointer.Applies(PointerSetting::WheelLines, lines))
        key = lines == platform::kWheelOneScreen ? QStringLiteral("pointer_note_screen")
                                                 : QStringLiteral("pointer_note_wheel");
    for (QWidget* note : Copies(kNote)) {
        if (!key.isEmpty())
            ui::SetText(note, key, true);
        note->setVisible(!key.isEmpty());
    }
}

void PerformancePage::ShowToggleTexts() {
    for (const auto& toggle : kPanels) {
        const QList<QWidget*> buttons = Copies(QLatin1String(toggle.button));
        const QList<QWidget*> panels = Copies(QLatin1String(toggle.panel));
        for (int i = 0; i < buttons.size() && i < panels.size(); ++i)
            ui::SetText(buttons[i],
                        panels[i]->isHidden() ? QStringLiteral("perf_show")
                                              : QStringLiteral("perf_hide"),
                        true);
    }
}

void PerformancePage::UpdateKeyboardCopy() {
    if (!window_)
        return;
    const bool mouse = session_.channel.connected.load() != 0;
    if (keyboardRateRows_.isEmpty() && keyboardRestoreRows_.isEmpty()) {
        // A search of the whole window: once, not at every look.
        for (QWidget* page : window_->findChildren<QWidget*>(kKeyboardPage)) {
            for (QWidget* row : page->findChildren<QWidget*>(kRateRow))
                keyboardRateRows_.append(row);
            for (QWidget* row : page->findChildren<QWidget*>(kRestoreRow))
                keyboardRestoreRows_.append(row);
        }
    }
    for (const QPointer<QWidget>& row : keyboardRateRows_) {
        if (row)
            row->setEnabled(mouse);
    }
    for (const QPointer<QWidget>& row : keyboardRestoreRows_) {
        if (row)
            row->setVisible(false);
    }
}

// --- notifications --------------------------------------------------------------------

bool PerformancePage::Notify(ui::TNotifyUI& msg) {
    const QString& name = msg.senderName;
    QWidget* sender = msg.pSender.data();
    if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        if (const int code = RateButtonCode(name); code >= 0) {
            OnRateCode(code);
            return true;
        }
        if (Named(name, kWheelUp) || Named(name, kWheelDown)) {
            OnWheelStep(Named(name, kWheelUp), sender);
            return true;
        }
        if (PanelOf(name)) {
            TogglePanel(name, sender);
            return true;
        }
        if (Named(name, kRecover)) {
            OnRecover();
            return true;
        }
    } else if (msg.Is(ui::DUI_MSGTYPE_VALUECHANGED)) {
        auto* slider = qobject_cast<QAbstractSlider*>(sender);
        if (!slider)
            return false;
        if (Named(name, kRateSlider))
            OnRateSlider(slider->value());
        else if (Named(name, kSpeedSlider))
            OnPointerSpeed(slider->value());
        else if (Named(name, kDoubleClickSlider))
            OnDoubleClick(slider->value());
        else
            return false;
        return true;
    } else if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED)) {
        auto* option = qobject_cast<QAbstractButton*>(sender);
        if (option && !option->isChecked())
            return true;
        if (Named(name, kWheelRow)) {
            OnWheelRow(sender);
            return true;
        }
        if (Named(name, kWheelScreen)) {
            OnWheelScreen();
            return true;
        }
    } else if (msg.Is(ui::DUI_MSGTYPE_TEXTCHANGED) && IsWheelEdit(name)) {
        OnWheelText(sender);
        return true;
    } else if (msg.Is(ui::DUI_MSGTYPE_KILLFOCUS) && IsWheelEdit(name)) {
        OnWheelFocusLost(sender);
        return true;
    }
    return false;
}

// --- report rate --------------------------------------------------------------------------

void PerformancePage::WriteRateToMouse(int code) {
    const std::array<std::uint8_t, 1> byte = {static_cast<std::uint8_t>(code)};
    const int profile = session_.image.RecordByte(offsetof(MouseSettingsRecord, profileNumber));
    session_.channel.CmdWriteData(byte, 1, static_cast<std::uint16_t>(profile * 64 + 14));
}

void PerformancePage::OnRateCode(int code) {
    if (auto file = profiles::MouseNameFile::ForSelectedProfile())
        file->SetUsbRate(code);
    ui::ProgramChangeGuard quiet;
    ShowRate(code);
    WriteRateToMouse(code);
    session_.image.SetRecordByte(offsetof(MouseSettingsRecord, reportRate),
                                 static_cast<std::uint8_t>(code));
    Save();
}

void PerformancePage::OnRateSlider(int position) {
    // The slider's range is 1..4; any other position has no rate to send.
    if (position < 1 || position > kRateCodes)
        return;
    if (position == 3) {
        position = rateThreeSeen_ ? 4 : 3;
        rateThreeSeen_ = !rateThreeSeen_;
    } else if (position == 4) {
        rateThreeSeen_ = false;
    }
    OnRateCode(position - 1);
}

// --- pointer speed and double-click -----------------------------------------------------

void PerformancePage::OnPointerSpeed(int position) {
    if (position < 0 || position >= kSliderPositions)
        return;
    if (auto file = profiles::MouseNameFile::ForSelectedProfile())
        file->SetMouseSpeed(position);
    ui::ProgramChangeGuard quiet;
    ShowPointerSpeed(position);
    const int speed =
        std::clamp(2 * position, platform::kPointerSpeedMin, platform::kPointerSpeedMax);
    session_.image.pointerSpeed.store(static_cast<std::uint8_t>(speed));
    SetSliders(Copies(kPointSpeedSlider), speed / 2 - 1);
    services_.Pointer().Push(PointerSetting::Speed, speed);
    Save();
}

void PerformancePage::OnDoubleClick(int position) {
    if (position < 0 || position >= kSliderPositions)
        return;
    if (auto file = profiles::MouseNameFile::ForSelectedProfile())
        file->SetDoubleClick(position);
    ui::ProgramChangeGuard quiet;
    ShowDoubleClick(position);
    const int setting = 1100 - 100 * position;
    session_.image.doubleClickSetting.store(setting);
    services_.Pointer().Push(PointerSetting::DoubleClick, DoubleClickTimeOf(setting));
    Save();
}

// --- wheel lines ---------------------------------------------------------------------------

void PerformancePage::SetWheelLines(int lines) {
    session_.image.wheelLines.store(static_cast<std::uint8_t>(lines));
    services_.Pointer().Push(PointerSetting::WheelLines, lines);
    ShowNote();
    Save();
}

void PerformancePage::OnWheelStep(bool up, QWidget* sender) {
    // The edit beside the button that was clicked.
    const QList<QWidget*> edits = Copies(kWheelEdit);
    QWidget* edit = edits.isEmpty() ? nullptr : edits.front();
    for (QWidget* e : edits)
        if (OnKeyboardTab(e) == OnKeyboardTab(sender))
            edit = e;
    int n = edit ? platform::ToInt(ui::GetText(edit).toStdString()) : kDefaultWheelLines;
    if (up)
        n = std::min(std::max(n, 1) + 1, platform::kWheelLinesMax);
    else
        n = std::max(std::min(n, platform::kWheelLinesMax) - 1, 1);
    SetTexts(edits, QString::number(n));
    SetWheelLines(n);
}

void PerformancePage::OnWheelRow(QWidget* sender) {
    ui::ProgramChangeGuard quiet;
    QWidget* edit = nullptr;
    for (QWidget* e : Copies(kWheelEdit))
        if (!edit || OnKeyboardTab(e) == OnKeyboardTab(sender))
            edit = e;
    // Lines outside 1..100 would stop the wheel or overrun the desktop's range.
    const int n =
        ClampLines(edit ? platform::ToInt(ui::GetText(edit).toStdString()) : kDefaultWheelLines);
    session_.image.wheelLines.store(static_cast<std::uint8_t>(n));
    ShowWheel(n);
    SetWheelLines(n);
}

void PerformancePage::OnWheelScreen() {
    ui::ProgramChangeGuard quiet;
    session_.image.wheelLines.store(platform::kWheelOneScreen);
    ShowWheel(platform::kWheelOneScreen);
    SetWheelLines(platform::kWheelOneScreen);
}

void PerformancePage::OnWheelText(QWidget* sender) {
    if (!sender)
        return;
    const int n = platform::ToInt(ui::GetText(sender).toStdString());
    QString text = ui::GetText(sender);
    if (n > platform::kWheelLinesMax)
        text = QString::number(platform::kWheelLinesMax);
    else if (n < 1)
        text = QStringLiteral("1");
    for (QWidget* edit : Copies(kWheelEdit))
        if (ui::GetText(edit) != text)
            ui::SetText(edit, text, false);
}

void PerformancePage::OnWheelFocusLost(QWidget* sender) {
    if (!sender || !sender->isEnabled())
        return;
    const int n = ClampLines(platform::ToInt(ui::GetText(sender).toStdString()));
    SetTexts(Copies(kWheelEdit), QString::number(n));
    SetWheelLines(n);
}

// --- panels ----------------------------------------------------------------------------------

void PerformancePage::TogglePanel(const QString& button, QWidget* sender) {
    const PanelToggle* toggle = PanelOf(button);
    const QList<QWidget*> panels = Copies(QLatin1String(toggle->panel));
    if (panels.isEmpty())
        return;
    QWidget* own = panels.front();
    for (QWidget* p : panels)
        if (OnKeyboardTab(p) == OnKeyboardTab(sender))
            own = p;
    const bool show = own->isHidden();
    for (QWidget* p : panels)
        p->setVisible(show);
    ShowToggleTexts();
}

} // namespace zk::pages
