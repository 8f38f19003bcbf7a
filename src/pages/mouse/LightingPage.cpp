#include "pages/mouse/LightingPage.h"

#include "lighting/LightPreview.h"
#include "pages/LightPageParts.h"
#include "settings/LightLayout.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTimer>

#include <span>

namespace zk::pages {

using namespace settings; // the light byte offsets

namespace {

// The modes form: option, mode code, its slider (none for the reactive mode)
// and whether the slider sets the brightness (else the speed).
struct ModeOption {
    const char* option;
    std::uint8_t mode;
    const char* slider;
    bool brightness;
};
constexpr std::array<ModeOption, 7> kModeOptions = {{
    {"light_check_1", 3, "slider_cl", true},
    {"light_check_2", 2, "slider_hx", false},
    {"light_check_3", 1, "slider_RGB", false},
    {"light_check_4", 0, "slider_ls", false},
    {"light_check_5", 4, "slider_cx", false},
    {"light_check_6", 5, "slider_mc", false},
    {"light_check_7", 6, nullptr, false},
}};
// The key options of the reactive mode, options 8 to 10 of the group.
constexpr std::array<const char*, 3> kKeyOptions = {"left_key_check", "right_key_check",
                                                    "middle_key_check"};
constexpr int kReactiveOption = 7; // light_check_7
constexpr int kLeftKeyOption = 8;  // left_key_check
constexpr int kRippleOption = 6;   // light_check_6
constexpr unsigned Bit(int option) {
    return 1u << (option - 1);
}

constexpr std::array<const char*, 3> kModeCombos = {
    "ms_deng_combo_modeSelect0", "ms_deng_combo_modeSelect1", "ms_deng_combo_modeSelect2"};

// Rows of the three mode combos: fx, colour, seven-colour select, speed, same mode.
constexpr ModeParts kCombo0[] = {
    {false, false, false, true, true}, {false, true, true, true, true},
    {false, true, true, true, true},   {false, true, false, false, true},
    {true, true, true, true, false},   {true, true, true, true, false},
};
constexpr ModeParts kCombo1[] = {
    {true, true, true, true, true},     {false, false, false, true, true},
    {false, true, true, true, true},    {false, true, false, false, true},
    {true, true, true, true, false},    {true, true, false, true, false},
    {false, false, false, true, false},
};
constexpr ModeParts kCombo2[] = {
    {true, true, true, true, true},   {false, false, false, true, true},
    {false, true, true, true, true},  {false, true, false, false, true},
    {true, true, true, true, false},  {true, true, true, true, false},
    {false, true, true, true, false},
};
constexpr std::array<std::span<const ModeParts>, 3> kComboParts = {
    std::span<const ModeParts>(kCombo0), std::span<const ModeParts>(kCombo1),
    std::span<const ModeParts>(kCombo2)};

const QString kViewModes = QStringLiteral("ms_deng_view_modes");
const QString kViewList = QStringLiteral("ms_deng_view_list");
const QString kForms = QStringLiteral("ms_deng_forms");
const QString kPalette = QStringLiteral("ms_deng_Color_Pallet");
const QString kColourButton = QStringLiteral("ms_Deng_colordp_btn");
const QString kCycleCheck = QStringLiteral("ms_Deng_7color_check");
const QString kSwatchPrefix = QStringLiteral("color_option_");
const QString kRgbLayout = QStringLiteral("RGB_Color_Edit_Layout");
const QString kLightSlider = QStringLiteral("ms_deng_light_slider");
const QString kSpeedSlider = QStringLiteral("ms_deng_speed_slider");
const QString kDirectionLabel = QStringLiteral("ms_deng_direction_label");
const QString kLightButton = QStringLiteral("light_btn");
const QString kLightPanel = QStringLiteral("mouse_light");
constexpr std::array<const char*, 3> kComponentEdits = {"ms_Deng_edit_R", "ms_Deng_edit_G",
                                                        "ms_Deng_edit_B"};
constexpr std::array<std::size_t, 3> kComponentBytes = {kLightRed, kLightGreen, kLightBlue};

constexpr int kFullLevel = 4;  // brightness and speed levels run 0 to 4
constexpr int kLevelCount = 5; // levels 0 to 4
// Ring cells of the preview's ripple marker.
constexpr std::uint8_t kMarkerForward = 7;
constexpr std::uint8_t kMarkerBackward = 0;

bool Is(const QString& name, const char* expected) {
    return name.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

// Index of `name` in `names`, or -1.
template <std::size_t N> int IndexOf(const QString& name, const std::array<const char*, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
        if (Is(name, names[i]))
            return static_cast<int>(i);
    return -1;
}

int ModeOptionOf(const QString& name) {
    for (std::size_t i = 0; i < kModeOptions.size(); ++i)
        if (Is(name, kModeOptions[i].option))
            return static_cast<int>(i) + 1;
    return 0;
}

const ModeOption* ModeSliderOf(const QString& name) {
    for (const ModeOption& o : kModeOptions)
        if (o.slider && Is(name, o.slider))
            return &o;
    return nullptr;
}

// The swatch number of "color_option_<n>", or 0.
int SwatchOf(const QString& name) {
    if (!name.startsWith(kSwatchPrefix, Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = name.mid(kSwatchPrefix.size()).toInt(&ok);
    return ok && n > 0 ? n : 0;
}

void SetSliderQuietly(QWidget* control, int value) {
    if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        ui::ProgramChangeGuard quiet;
        slider->setValue(value);
    }
}

} // namespace

std::optional<ModeParts> ModePartsOf(int combo, int index) {
    if (combo < 0 || combo >= static_cast<int>(kComboParts.size()) || index < 0 ||
        index >= ModeCountOf(combo))
        return std::nullopt;
    return kComboParts[static_cast<std::size_t>(combo)][static_cast<std::size_t>(index)];
}

int ModeCountOf(int combo) {
    if (combo < 0 || combo >= static_cast<int>(kComboParts.size()))
        return 0;
    return static_cast<int>(kComboParts[static_cast<std::size_t>(combo)].size());
}

void ApplyMouseLightLayouts(QWidget* window, const settings::MouseLightLayouts& layouts) {
    if (QWidget* rgb = FindControl(window, kRgbLayout))
        rgb->setEnabled(layouts.rgbColourEditEnabled);
    if (QWidget* cycle = FindControl(window, QStringLiteral("deng_7colorselect_layout"));
        cycle && layouts.sevenColourSelectEnabled)
        cycle->setEnabled(*layouts.sevenColourSelectEnabled);
}

MouseLightPage::MouseLightPage(QWidget* window, profiles::MouseSession& session,
                               PageServices& services)
    : window_(window), session_(session), services_(services) {}

// The main window builds its layout after the pages exist; the page fills its
// controls once they are there (before the first refresh or notification).
void MouseLightPage::Prepare() {
    if (prepared_ || !window_ || !Find(QStringLiteral("light_check_1")))
        return;
    prepared_ = true;
    // The combos offer the modes by name; the index is the mode code.
    for (std::size_t c = 0; c < kModeCombos.size(); ++c) {
        QWidget* combo = Find(QString::fromLatin1(kModeCombos[c]));
        if (!combo || ui::GetCount(combo) > 0)
            continue;
        for (int mode = 0; mode < ModeCountOf(static_cast<int>(c)); ++mode)
            ui::AddItem(combo, QStringLiteral("light_mode_%1").arg(mode), true);
    }
    // The swatches show the colours the layout gives them ("swatch", #RRGGBB).
    const auto controls = window_->findChildren<QWidget*>();
    for (QWidget* control : controls)
        if (SwatchOf(control->objectName())) {
            const QColor colour(control->property("swatch").toString());
            if (colour.isValid())
                ui::SetBkColor(control, 0xFF000000u | (colour.rgb() & 0x00FFFFFFu));
        }
    ApplyGroupState(0, false);
}

QWidget* MouseLightPage::Find(const QString& name) const {
    return FindControl(window_, name);
}

QAbstractButton* MouseLightPage::Button(const QString& name) const {
    return qobject_cast<QAbstractButton*>(Find(name));
}

std::uint8_t MouseLightPage::Byte(std::size_t offset) const {
    return session_.image.RecordByte(offset);
}

void MouseLightPage::Store(std::size_t offset, std::uint8_t value) {
    session_.image.SetRecordByte(offset, value);
}

MouseLightPage::~MouseLightPage() {
    SaveNow();
}

void MouseLightPage::Save() {
    session_.MarkPending();
    // The profile file takes the edits of one pass of the event loop in one
    // save, so that a burst of edits (keys held on a slider, a fast drag) does
    // not wait for the disk after each step.
    if (savePending_)
        return;
    savePending_ = true;
    QTimer::singleShot(0, &saveContext_, [this] { SaveNow(); });
}

void MouseLightPage::SaveNow() {
    if (!savePending_)
        return;
    savePending_ = false;
    session_.store.SaveDeviceProfile();
}

int MouseLightPage::ShownCombo() const {
    for (std::size_t c = 0; c < kModeCombos.size(); ++c)
        if (QWidget* combo = Find(QString::fromLatin1(kModeCombos[c])); combo && !combo->isHidden())
            return static_cast<int>(c);
    return -1;
}

bool MouseLightPage::Claims(const QString& name) const {
    return ModeOptionOf(name) || IndexOf(name, kKeyOptions) >= 0 || ModeSliderOf(name) ||
           IndexOf(name, kModeCombos) >= 0 || IndexOf(name, kComponentEdits) >= 0 ||
           SwatchOf(name) || name.compare(kPalette, Qt::CaseInsensitive) == 0 ||
           name.compare(kCycleCheck, Qt::CaseInsensitive) == 0 ||
           name.compare(kLightSlider, Qt::CaseInsensitive) == 0 ||
           name.compare(kSpeedSlider, Qt::CaseInsensitive) == 0 ||
           name.compare(kLightButton, Qt::CaseInsensitive) == 0 ||
           name.compare(kViewModes, Qt::CaseInsensitive) == 0 ||
           name.compare(kViewList, Qt::CaseInsensitive) == 0;
}

bool MouseLightPage::Notify(ui::TNotifyUI& msg) {
    Prepare();
    const QString& name = msg.senderName;
    if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED)) {
        // Options act when they become selected.
        auto* option = qobject_cast<QAbstractButton*>(msg.pSender.data());
        const bool selected = !option || option->isChecked();
        if (const int mode = ModeOptionOf(name)) {
            if (selected)
                OnModeOption(mode);
            return true;
        }
        if (const int key = IndexOf(name, kKeyOptions); key >= 0) {
            if (selected)
                OnKeyOption(key + kLeftKeyOption);
            return true;
        }
        if (name.compare(kViewModes, Qt::CaseInsensitive) == 0 ||
            name.compare(kViewList, Qt::CaseInsensitive) == 0) {
            if (selected)
                OnView(name.compare(kViewList, Qt::CaseInsensitive) == 0);
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_VALUECHANGED) || msg.Is(ui::DUI_MSGTYPE_MOVEVALUECHANGED)) {
        // The preview follows the handle while it is dragged.
        if (ModeSliderOf(name)) {
            OnModeSlider(name);
            return true;
        }
        if (name.compare(kLightSlider, Qt::CaseInsensitive) == 0 ||
            name.compare(kSpeedSlider, Qt::CaseInsensitive) == 0) {
            OnLevelSlider(name);
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT)) {
        if (const int combo = IndexOf(name, kModeCombos); combo >= 0) {
            OnModeCombo(combo, ui::GetCurSel(msg.pSender.data()));
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_COLORCHANGED)) {
        if (name.compare(kPalette, Qt::CaseInsensitive) == 0) {
            const QWidget* palette = msg.pSender.data();
            const std::uint32_t picked = palette ? palette->property("selectColor").toUInt()
                                                 : static_cast<std::uint32_t>(msg.wParam);
            ApplyColour(picked, true);
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_TEXTCHANGED)) {
        if (const int component = IndexOf(name, kComponentEdits); component >= 0) {
            OnComponentEdit(component);
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        if (SwatchOf(name)) {
            if (msg.pSender)
                ApplyColour(ui::GetBkColor(msg.pSender.data()), true);
            return true;
        }
        if (name.compare(kCycleCheck, Qt::CaseInsensitive) == 0) {
            OnSevenColourClick();
            return true;
        }
        if (name.compare(kLightButton, Qt::CaseInsensitive) == 0) {
            ToggleColourPanel();
            return true;
        }
        return false;
    }
    return false;
}

// --- the modes form ---------------------------------------------------------------

void MouseLightPage::ApplyGroupState(unsigned selected, bool keys) {
    for (std::size_t i = 0; i < kModeOptions.size(); ++i) {
        const int option = static_cast<int>(i) + 1;
        const bool on = (selected & Bit(option)) != 0;
        ui::SetCheck(Button(QString::fromLatin1(kModeOptions[i].option)), on, false);
        if (kModeOptions[i].slider)
            if (QWidget* slider = Find(QString::fromLatin1(kModeOptions[i].slider)))
                slider->setEnabled(on);
    }
    for (std::size_t i = 0; i < kKeyOptions.size(); ++i) {
        QAbstractButton* key = Button(QString::fromLatin1(kKeyOptions[i]));
        ui::SetCheck(key, (selected & Bit(kLeftKeyOption + static_cast<int>(i))) != 0, false);
        if (key)
            key->setEnabled(keys);
    }
}

void MouseLightPage::ResetPreview(bool rippleFromCellSeven) {
    // The ripple starts from the end its sweep runs from; the ripple option of
    // the modes form always starts it at cell 7.
    const bool forward = rippleFromCellSeven || Byte(kLightDirection) != 0;
    services_.Preview().ResetMouse(forward ? kMarkerForward : kMarkerBackward);
}

void MouseLightPage::OnModeOption(int option) {
    const ModeOption& chosen = kModeOptions[static_cast<std::size_t>(option - 1)];
    if (option == kReactiveOption)
        ApplyGroupState(Bit(kReactiveOption) | Bit(kLeftKeyOption), true);
    else
        ApplyGroupState(Bit(option), false);
    ResetPreview(option == kRippleOption);
    Store(kLightMode, chosen.mode);
    if (chosen.slider) {
        QWidget* slider = Find(QString::fromLatin1(chosen.slider));
        if (chosen.brightness) {
            // The steady light starts at full brightness, as its slider shows.
            SetSliderQuietly(slider, kFullLevel);
            Store(kLightBrightness, kFullLevel);
        } else {
            if (auto* s = qobject_cast<QAbstractSlider*>(slider))
                Store(kLightSpeed, static_cast<std::uint8_t>(s->value()));
            Store(kLightBrightness, kFullLevel);
        }
    }
    if (chosen.mode == 1)
        if (QWidget* rgb = Find(kRgbLayout))
            rgb->setEnabled(false);
    ShowModeInForms(chosen.mode);
    Save();
}

void MouseLightPage::OnKeyOption(int key) {
    if (key == kLeftKeyOption) {
        OnModeOption(kReactiveOption);
        return;
    }
    // The other keys only mark the choice; the record has no byte for it.
    ApplyGroupState(Bit(kReactiveOption) | Bit(key), true);
}

void MouseLightPage::OnModeSlider(const QString& name) {
    const ModeOption* mode = ModeSliderOf(name);
    auto* slider = qobject_cast<QAbstractSlider*>(Find(name));
    if (!mode || !slider)
        return;
    const std::size_t offset = mode->brightness ? kLightBrightness : kLightSpeed;
    const auto value = static_cast<std::uint8_t>(slider->value());
    if (Byte(offset) == value)
        return;
    Store(offset, value);
    if (QWidget* level = Find(mode->brightness ? kLightSlider : kSpeedSlider))
        SetSliderQuietly(level, mode->brightness ? value : kFullLevel - value);
    Save();
}

// --- the list form ----------------------------------------------------------------

void MouseLightPage::ApplyModeParts(int combo, int mode) {
    const auto parts = ModePartsOf(combo, mode);
    if (!parts)
        return;
    const std::array<bool, 5> enabled = {parts->fx, parts->colour, parts->sevenColourSelect,
                                         parts->speed, parts->sameMode};
    for (std::size_t i = 0; i < kModePartNames.size(); ++i)
        if (QWidget* part = Find(QString::fromLatin1(kModePartNames[i])))
            part->setEnabled(enabled[i]);
}

void MouseLightPage::OnModeCombo(int combo, int index) {
    if (!ModePartsOf(combo, index))
        return;
    const auto mode = static_cast<std::uint8_t>(index);
    ResetPreview(false);
    ApplyModeParts(combo, index);
    Store(kLightMode, mode);
    ShowModeInForms(mode);
    Save();
}

void MouseLightPage::OnLevelSlider(const QString& name) {
    auto* slider = qobject_cast<QAbstractSlider*>(Find(name));
    if (!slider)
        return;
    const bool brightness = name.compare(kLightSlider, Qt::CaseInsensitive) == 0;
    const std::size_t offset = brightness ? kLightBrightness : kLightSpeed;
    // The speed slider runs from slow (left) to fast; the record's speed level
    // runs from fast (0) to slow (4).
    const int value = brightness ? slider->value() : kFullLevel - slider->value();
    if (value < 0 || value >= kLevelCount || Byte(offset) == value)
        return;
    Store(offset, static_cast<std::uint8_t>(value));
    // The current mode's own slider in the modes form shows the same level.
    const std::uint8_t mode = Byte(kLightMode);
    for (const ModeOption& o : kModeOptions)
        if (o.mode == mode && o.slider && o.brightness == brightness)
            SetSliderQuietly(Find(QString::fromLatin1(o.slider)), value);
    Save();
}

void MouseLightPage::OnView(bool list) {
    if (auto* forms = qobject_cast<QStackedWidget*>(Find(kForms)))
        forms->setCurrentIndex(list ? 1 : 0);
    if (list) {
        ApplyModeParts(ShownCombo(), Byte(kLightMode));
    } else {
        // The modes form has no parts to switch: all of the colour panel is its.
        for (const char* name : kModePartNames)
            if (QWidget* part = Find(QString::fromLatin1(name)))
                part->setEnabled(true);
    }
}

// Both forms show the mode the record holds: every mode combo that has it,
// and its option.
void MouseLightPage::ShowModeInForms(std::uint8_t mode) {
    for (std::size_t c = 0; c < kModeCombos.size(); ++c)
        if (auto* combo = qobject_cast<QComboBox*>(Find(QString::fromLatin1(kModeCombos[c])))) {
            ui::ProgramChangeGuard quiet;
            combo->setCurrentIndex(mode < ModeCountOf(static_cast<int>(c)) ? mode : -1);
        }
    for (std::size_t i = 0; i < kModeOptions.size(); ++i) {
        if (kModeOptions[i].mode != mode)
            continue;
        const int option = static_cast<int>(i) + 1;
        if (ui::IsSelected(Button(QString::fromLatin1(kModeOptions[i].option))))
            return; // already shown (with the key option the user chose)
        if (option == kReactiveOption)
            ApplyGroupState(Bit(kReactiveOption) | Bit(kLeftKeyOption), true);
        else
            ApplyGroupState(Bit(option), false);
        return;
    }
    ApplyGroupState(0, false); // a mode the mouse does not know
}

// --- colour -----------------------------------------------------------------------

void MouseLightPage::ApplyColour(std::uint32_t argb, bool store) {
    if (QWidget* button = Find(kColourButton)) {
        ui::SetBkColor(button, argb);
        ShowCycling(button, false);
    }
    if (store)
        if (QWidget* palette = Find(kPalette))
            palette->setProperty("selectColor", argb); // a swatch moves the palette's mark
    const std::array<std::uint8_t, 3> rgb = {static_cast<std::uint8_t>(argb >> 16),
                                             static_cast<std::uint8_t>(argb >> 8),
                                             static_cast<std::uint8_t>(argb)};
    for (std::size_t i = 0; i < rgb.size(); ++i)
        if (QWidget* edit = Find(QString::fromLatin1(kComponentEdits[i])))
            ui::SetText(edit, QString::number(rgb[i]), false);
    if (!store)
        return;
    ui::SetCheck(Button(kCycleCheck), false, false);
    for (std::size_t i = 0; i < rgb.size(); ++i)
        Store(kComponentBytes[i], rgb[i]);
    Store(kLightColourCycle, 0);
    Save();
}

void MouseLightPage::OnComponentEdit(int component) {
    auto* edit = qobject_cast<QLineEdit*>(Find(QString::fromLatin1(kComponentEdits[component])));
    if (!edit)
        return;
    // Text that holds no number reads 0; a number beyond the range is brought
    // to its nearer end, and the edit shows it.
    bool overLimit = false;
    const std::uint8_t value = ComponentOfText(edit->text(), overLimit);
    const QString typed = edit->text().trimmed();
    const bool negative =
        typed.size() > 1 && typed.front() == QLatin1Char('-') && typed[1].isDigit();
    if (overLimit || negative) {
        ui::SetText(edit, QString::number(value), false);
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
    }

    QWidget* button = Find(kColourButton);
    const int shift = 16 - 8 * component;
    std::uint32_t argb = button ? ui::GetBkColor(button) : 0;
    argb = 0xFF000000u | (argb & ~(0xFFu << shift) & 0x00FFFFFFu) |
           (static_cast<std::uint32_t>(value) << shift);
    if (button) {
        // The sample shows the colour the mouse now uses.
        ui::SetBkColor(button, argb);
        ui::SetBkImage(button, QString());
    }
    if (QWidget* palette = Find(kPalette))
        palette->setProperty("selectColor", argb);

    ui::SetCheck(Button(kCycleCheck), false, false);
    Store(kComponentBytes[static_cast<std::size_t>(component)], value);
    Store(kLightColourCycle, 0);
    Save();
}

void MouseLightPage::OnSevenColourClick() {
    // The click has already turned the option; its state now is the choice.
    QAbstractButton* check = Button(kCycleCheck);
    const bool cycling = check && check->isChecked();
    ShowCycling(Find(kColourButton), cycling);
    Store(kLightColourCycle, cycling ? 1 : 0);
    Save();
}

void MouseLightPage::ToggleColourPanel() {
    if (QWidget* panel = Find(kLightPanel))
        panel->setVisible(panel->isHidden());
}

// --- refresh ----------------------------------------------------------------------

void MouseLightPage::Refresh() {
    Prepare();
    const std::uint8_t mode = Byte(kLightMode);
    const std::uint8_t brightness = Byte(kLightBrightness);
    const std::uint8_t speed = Byte(kLightSpeed);
    SetSliderQuietly(Find(kLightSlider), brightness);
    SetSliderQuietly(Find(kSpeedSlider), kFullLevel - qMin<int>(speed, kFullLevel));

    const bool cycling = Byte(kLightColourCycle) != 0;
    ui::SetCheck(Button(kCycleCheck), cycling, false);
    if (mode != 1) {
        const std::uint32_t colour =
            OpaqueColour(Byte(kLightRed), Byte(kLightGreen), Byte(kLightBlue));
        if (QWidget* palette = Find(kPalette))
            palette->setProperty("selectColor", colour);
        if (cycling) {
            ShowCycling(Find(kColourButton), true);
        } else {
            ApplyColour(colour, false);
        }
    }

    ShowModeInForms(mode);
    // The colour layouts as the next write of this mode will leave them.
    ApplyMouseLightLayouts(window_, settings::LayoutsForLightMode(mode));
    if (auto* forms = qobject_cast<QStackedWidget*>(Find(kForms));
        forms && forms->currentIndex() == 1)
        ApplyModeParts(ShownCombo(), mode);
    // The chosen mode's own slider shows the level the mouse uses.
    for (const ModeOption& o : kModeOptions)
        if (o.mode == mode && o.slider)
            SetSliderQuietly(Find(QString::fromLatin1(o.slider)),
                             o.brightness ? brightness : speed);

    if (QWidget* direction = Find(kDirectionLabel))
        ui::SetText(direction,
                    Byte(kLightDirection) != 0 ? QStringLiteral("light_direction_1")
                                               : QStringLiteral("light_direction_0"),
                    true);
}

} // namespace zk::pages
