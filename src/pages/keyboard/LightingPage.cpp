#include "pages/keyboard/LightingPage.h"

#include "lighting/KeyboardTables.h"
#include "lighting/LightPreview.h"
#include "pages/LightGroups.h"
#include "pages/LightPageParts.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMouseEvent>
#include <QObject>
#include <QSlider>

#include <algorithm>

namespace zk::pages {

using settings::LoadByte;

namespace {

const QString kModeCombo[2] = {QStringLiteral("kb_deng_combo_modeSelect"),
                               QStringLiteral("kb_deng_onecolor_combo_modeSelect")};
const QString kLayerCombo = QStringLiteral("kb_deng_combo_curtom_count");
const QString kCycleCheck = QStringLiteral("kb_Deng_7color_check");
const QString kBrightnessSlider = QStringLiteral("kb_deng_light_slider");
const QString kSpeedSlider = QStringLiteral("kb_deng_speed_slider");
const QString kForwardCheck = QStringLiteral("kb_Deng_FXL_check");
const QString kBackwardCheck = QStringLiteral("kb_Deng_FXR_check");
const QString kForwardLabel = QStringLiteral("kb_Deng_label_FXL");
const QString kBackwardLabel = QStringLiteral("kb_Deng_label_FXR");
const QString kPaintSample = QStringLiteral("kb_Deng_custom_colordp_btn");
const QString kClearLayerButton = QStringLiteral("kb_deng_custom_clear_btn");
const QString kPaintHint = QStringLiteral("kb_deng_paint_hint");
const QString kToolGroup = QStringLiteral("kb_deng_custom_tool_layout");
const QString kKeyPrefix = QStringLiteral("kb_key_");

const ColourControls kColour{QStringLiteral("kb_deng_Color_Pallet"),
                             QStringLiteral("kb_Deng_colordp_btn"),
                             {QStringLiteral("kb_Deng_edit_R"), QStringLiteral("kb_Deng_edit_G"),
                              QStringLiteral("kb_Deng_edit_B")}};
const LiveLightNames kLive{kColour,      kCycleCheck,   kBrightnessSlider,
                           kSpeedSlider, kForwardCheck, kBackwardCheck};

constexpr std::array<const char*, kKeyboardModel0Modes> kModel0ModeKeys = {
    "kb_light_mode_0",  "kb_light_mode_1",  "kb_light_mode_2",  "kb_light_mode_3",
    "kb_light_mode_4",  "kb_light_mode_5",  "kb_light_mode_6",  "kb_light_mode_7",
    "kb_light_mode_8",  "kb_light_mode_9",  "kb_light_mode_10", "kb_light_mode_11",
    "kb_light_mode_12", "kb_light_mode_13", "kb_light_mode_14", "kb_light_mode_15",
    "kb_light_mode_16"};
constexpr std::array<const char*, kKeyboardModel1Modes> kModel1ModeKeys = {
    "kb1_light_mode_0", "kb1_light_mode_1", "kb1_light_mode_2", "kb1_light_mode_3",
    "kb1_light_mode_4", "kb1_light_mode_5", "kb1_light_mode_6", "kb1_light_mode_7",
    "kb1_light_mode_8", "kb1_light_mode_9", "kb1_light_mode_10"};
constexpr std::array<const char*, settings::kCustomLayerCount> kLayerKeys = {
    "lightpage_layer_1", "lightpage_layer_2", "lightpage_layer_3", "lightpage_layer_4",
    "lightpage_layer_5"};

// The fixed backlight colour of model 1, as the preview draws it.
constexpr std::uint32_t kModel1Colour =
    OpaqueColour(lighting::kModel1Red, lighting::kModel1Green, lighting::kModel1Blue);

// Direction labels of model 0's row bands and rings.
constexpr int kRowBandsMode = 10;
constexpr int kRingsMode = 13;

constexpr int kTopLevel = 4;

bool Is(const QString& name, const QString& control) {
    return name.compare(control, Qt::CaseInsensitive) == 0;
}

std::size_t ModeCount(int model) {
    return model == 0 ? kKeyboardModel0Modes : kKeyboardModel1Modes;
}

const KeyboardGroups* GroupsOf(int model, int mode) {
    if (mode < 0 || static_cast<std::size_t>(mode) >= ModeCount(model))
        return nullptr;
    return model == 0 ? &kKeyboardModel0Groups[static_cast<std::size_t>(mode)]
                      : &kKeyboardModel1Groups[static_cast<std::size_t>(mode)];
}

void FillCombo(QWidget* combo, std::span<const char* const> keys) {
    if (!combo || ui::GetCount(combo) == static_cast<int>(keys.size()))
        return;
    ui::RemoveAllItems(combo);
    for (const char* key : keys)
        ui::AddItem(combo, QString::fromLatin1(key), true);
}

// The key number of a picture key's name, -1 for other names.
int KeyOfName(const QString& name) {
    if (!name.startsWith(kKeyPrefix))
        return -1;
    bool ok = false;
    const int key = name.mid(kKeyPrefix.size()).toInt(&ok);
    return ok && key >= 0 && key < static_cast<int>(settings::kKeyboardKeyCount) ? key : -1;
}

} // namespace

// Turns presses and drags on the keys of the keyboard picture into painting
// while the custom tools are on screen; otherwise the keys behave as before.
class KeyboardLightPage::KeyFilter final : public QObject {
public:
    explicit KeyFilter(KeyboardLightPage& page) : page_(page) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (!page_.Painting() ||
                (e->button() != Qt::LeftButton && e->button() != Qt::RightButton))
                return false;
            button_ = e->button();
            PaintAt(watched, e->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseMove: {
            if (button_ == Qt::NoButton)
                return false;
            PaintAt(watched, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (button_ == Qt::NoButton)
                return false;
            if (static_cast<QMouseEvent*>(event)->button() == button_) {
                button_ = Qt::NoButton;
                page_.EndStroke();
            }
            return true;
        }
        case QEvent::ContextMenu:
            return page_.Painting();
        default:
            return false;
        }
    }

private:
    // Paints the key under the pointer: the pressed key grabs the mouse, so a
    // drag is found by position among its siblings.
    void PaintAt(QObject* watched, QPoint global) {
        auto* key = qobject_cast<QWidget*>(watched);
        QWidget* picture = key ? key->parentWidget() : nullptr;
        if (!picture)
            return;
        QWidget* under = picture->childAt(picture->mapFromGlobal(global));
        while (under && under->parentWidget() != picture)
            under = under->parentWidget();
        if (under && under->isVisible())
            page_.PaintKey(KeyOfName(under->objectName()), button_ == Qt::RightButton);
    }

    KeyboardLightPage& page_;
    Qt::MouseButton button_ = Qt::NoButton;
};

KeyboardLightPage::KeyboardLightPage(QWidget* window, profiles::KeyboardSession& session,
                                     PageServices& services)
    : window_(window), session_(session), services_(services),
      filter_(std::make_unique<KeyFilter>(*this)) {}

KeyboardLightPage::~KeyboardLightPage() = default;

bool KeyboardLightPage::Claims(const QString& name) const {
    for (const QString* control :
         {&kModeCombo[0], &kModeCombo[1], &kLayerCombo, &kCycleCheck, &kBrightnessSlider,
          &kSpeedSlider, &kForwardCheck, &kBackwardCheck, &kClearLayerButton, &kColour.palette})
        if (Is(name, *control))
            return true;
    return EditIndex(kColour, name) >= 0;
}

QWidget* KeyboardLightPage::Find(const QString& name) const {
    return FindControl(window_, name);
}

int KeyboardLightPage::Model() const {
    return session_.image.model.load() == 1 ? 1 : 0;
}

bool KeyboardLightPage::InCustomMode() const {
    const int model = Model();
    return LoadByte(session_.image.live.lightMode) == kKeyboardCustomMode[model];
}

// The layouts are built after the page: entries and the key filter come with
// the first refresh or notification.
void KeyboardLightPage::EnsureSetUp() {
    ui::ProgramChangeGuard quiet;
    FillCombo(Find(kModeCombo[0]), kModel0ModeKeys);
    FillCombo(Find(kModeCombo[1]), kModel1ModeKeys);
    FillCombo(Find(kLayerCombo), kLayerKeys);
    for (std::size_t key = 0; key < settings::kKeyboardKeyCount; ++key) {
        QWidget* button = Find(kKeyPrefix + QString::number(key));
        if (button && !button->property("zkPaintFilter").toBool()) {
            button->installEventFilter(filter_.get());
            button->setProperty("zkPaintFilter", true);
        }
    }
}

void KeyboardLightPage::ShowModel(int model) {
    if (QWidget* combo = Find(kModeCombo[0]))
        combo->setVisible(model == 0);
    if (QWidget* combo = Find(kModeCombo[1]))
        combo->setVisible(model == 1);
    if (QWidget* hint = Find(kPaintHint)) {
        if (model == 0)
            ui::SetText(hint, QStringLiteral("lightpage_paint_hint"), true);
        else
            ui::SetText(hint, QStringLiteral("lightpage_paint_hint_mono"), true);
    }
}

// The groups of the mode and the texts of the direction labels.
void KeyboardLightPage::ShowMode(int model, int mode) {
    const KeyboardGroups* groups = GroupsOf(model, mode);
    if (!groups)
        return;
    EnableGroups(window_, kKeyboardGroupNames, *groups);
    // The painting hint belongs to the tools.
    if (QWidget* hint = Find(kPaintHint))
        hint->setEnabled((*groups)[kKbCustomTool]);
    QWidget* forward = Find(kForwardLabel);
    QWidget* backward = Find(kBackwardLabel);
    if (!forward || !backward)
        return;
    if (model == 0 && mode == kRowBandsMode) {
        ui::SetText(forward, QStringLiteral("Deng_FXU_text"), true);
        ui::SetText(backward, QStringLiteral("Deng_FXD_text"), true);
    } else if (model == 0 && mode == kRingsMode) {
        ui::SetText(forward, QStringLiteral("Deng_FXSPEAD_text"), true);
        ui::SetText(backward, QStringLiteral("Deng_FXGATHER_text"), true);
    } else {
        ui::SetText(forward, QStringLiteral("Deng_FXL_text"), true);
        ui::SetText(backward, QStringLiteral("Deng_FXR_text"), true);
    }
}

// Model 1 shows its fixed colour; model 0 shows the paint colour in custom
// mode and the single colour otherwise.
void KeyboardLightPage::ShowColourControls(int model, int mode) {
    const auto& live = session_.image.live;
    const bool cycling = model == 0 && LoadByte(live.colourCycle) != 0;
    std::uint32_t argb = kModel1Colour;
    if (model == 0 && mode == static_cast<int>(kKeyboardCustomMode[0])) {
        const auto& paint = session_.image.lightRecord.customColour;
        argb = OpaqueColour(LoadByte(paint[0]), LoadByte(paint[1]), LoadByte(paint[2]));
    } else if (model == 0) {
        argb = OpaqueColour(LoadByte(live.lightRed), LoadByte(live.lightGreen),
                            LoadByte(live.lightBlue));
    }
    ShowColour(window_, kColour, argb, cycling && mode != static_cast<int>(kKeyboardCustomMode[0]));
    if (auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck))) {
        ui::ProgramChangeGuard quiet;
        ui::SetCheck(check, cycling);
    }
}

void KeyboardLightPage::ShowPaintColour() {
    const auto& paint = session_.image.lightRecord.customColour;
    if (QWidget* sample = Find(kPaintSample))
        ui::SetBkColor(sample,
                       OpaqueColour(LoadByte(paint[0]), LoadByte(paint[1]), LoadByte(paint[2])));
}

void KeyboardLightPage::Refresh() {
    EnsureSetUp();
    const int model = Model();
    const auto& live = session_.image.live;
    const int mode = LoadByte(live.lightMode);
    ui::ProgramChangeGuard quiet;
    ShowModel(model);
    if (GroupsOf(model, mode))
        ui::SelectItem(Find(kModeCombo[model]), mode);
    ShowMode(model, mode);
    if (auto* slider = qobject_cast<QSlider*>(Find(kBrightnessSlider)))
        slider->setValue(LoadByte(live.lightBrightness));
    if (auto* slider = qobject_cast<QSlider*>(Find(kSpeedSlider)))
        slider->setValue(kTopLevel - std::min<int>(LoadByte(live.lightSpeed), kTopLevel));
    ShowColourControls(model, mode);
    const bool forward = LoadByte(live.lightOption) != 0;
    if (auto* option = qobject_cast<QAbstractButton*>(Find(kForwardCheck)))
        ui::SetCheck(option, forward);
    if (auto* option = qobject_cast<QAbstractButton*>(Find(kBackwardCheck)))
        ui::SetCheck(option, !forward);
    const int layer = LoadByte(session_.image.lightRecord.customLayer);
    ui::SelectItem(Find(kLayerCombo),
                   layer < static_cast<int>(settings::kCustomLayerCount) ? layer : 0);
    ShowPaintColour();
    if (GroupsOf(model, mode))
        services_.Preview().SelectKeyboardMode(model, static_cast<std::uint8_t>(mode), false);
}

bool KeyboardLightPage::Notify(ui::TNotifyUI& msg) {
    EnsureSetUp();
    const QString& name = msg.senderName;
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT)) {
        for (int model = 0; model < 2; ++model) {
            if (Is(name, kModeCombo[model])) {
                OnModePicked(model, ui::GetCurSel(Find(kModeCombo[model])));
                return true;
            }
        }
        if (Is(name, kLayerCombo)) {
            OnLayerPicked(ui::GetCurSel(Find(kLayerCombo)));
            return true;
        }
    }
    if (RouteLiveLightControls(msg, kLive, *this))
        return true;
    if (msg.Is(ui::DUI_MSGTYPE_CLICK) && Is(name, kClearLayerButton)) {
        OnClearLayer();
        return true;
    }
    return false;
}

void KeyboardLightPage::PutLive(std::size_t offset, std::uint8_t value) {
    settings::PutByte(session_.image.LiveBytes()[offset], value);
}

void KeyboardLightPage::PutRecord(std::size_t offset, std::uint8_t value) {
    settings::PutByte(session_.image.RecordBytes()[offset], value);
}

// The selected light profile and the device profile both carry the light.
void KeyboardLightPage::Save() {
    session_.store.SaveLightProfile();
    session_.store.SaveDeviceProfile();
}

void KeyboardLightPage::OnModePicked(int model, int mode) {
    if (!GroupsOf(model, mode))
        return;
    services_.Preview().SelectKeyboardMode(model, static_cast<std::uint8_t>(mode), true);
    ShowColourControls(model, mode);
    ShowMode(model, mode);
    PutLive(settings::kLightMode, static_cast<std::uint8_t>(mode));
    session_.MarkPending();
    Save();
    services_.Preview().SetPaused(lighting::DeviceKind::Keyboard, false);
    if (model == 1)
        services_.Preview().SetPaused(lighting::DeviceKind::Mouse, false);
}

void KeyboardLightPage::OnLayerPicked(int layer) {
    if (layer < 0 || layer >= static_cast<int>(settings::kCustomLayerCount))
        return;
    PutRecord(settings::kCustomLayerSelectOffset, static_cast<std::uint8_t>(layer));
    Save();
}

// In custom mode a colour is the paint colour, which stays on the PC; in the
// other modes it is the single colour of the live state.
void KeyboardLightPage::SetColour(std::uint32_t argb) {
    if (InCustomMode()) {
        for (int c = 0; c < 3; ++c)
            PutRecord(settings::kCustomPaintColourOffset + static_cast<std::size_t>(c),
                      ColourByte(argb, c));
        ShowPaintColour();
    } else {
        for (int c = 0; c < 3; ++c)
            PutLive(settings::kLightRed + static_cast<std::size_t>(c), ColourByte(argb, c));
        PutLive(settings::kLightColourCycle, 0);
        session_.MarkPending();
    }
    Save();
}

void KeyboardLightPage::OnColourChosen(std::uint32_t argb) {
    argb |= 0xFF000000u;
    ShowColour(window_, kColour, argb, false);
    if (auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck))) {
        ui::ProgramChangeGuard quiet;
        ui::SetCheck(check, false);
    }
    SetColour(argb);
}

void KeyboardLightPage::OnColourEdited(int component) {
    auto* edit = qobject_cast<QLineEdit*>(Find(kColour.edits[component]));
    if (!edit)
        return;
    bool overLimit = false;
    const std::uint8_t value = ComponentOfText(edit->text(), overLimit);
    ui::ProgramChangeGuard quiet;
    if (overLimit)
        edit->setText(QStringLiteral("255"));
    // The other two components as the edits show them.
    std::array<std::uint8_t, 3> rgb{};
    for (int c = 0; c < 3; ++c) {
        bool ignored = false;
        auto* other = qobject_cast<QLineEdit*>(Find(kColour.edits[c]));
        rgb[static_cast<std::size_t>(c)] = other ? ComponentOfText(other->text(), ignored) : 0;
    }
    rgb[static_cast<std::size_t>(component)] = value;
    const std::uint32_t argb = OpaqueColour(rgb[0], rgb[1], rgb[2]);
    if (QWidget* palette = Find(kColour.palette))
        palette->setProperty("selectColor", static_cast<uint>(argb));
    if (QWidget* sample = Find(kColour.sample)) {
        ui::SetBkColor(sample, argb);
        ShowCycling(sample, false);
    }
    if (auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck)))
        ui::SetCheck(check, false);
    SetColour(argb);
}

void KeyboardLightPage::OnCycleClicked() {
    auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck));
    if (!check)
        return;
    const bool cycling = check->isChecked();
    ShowCycling(Find(kColour.sample), cycling);
    PutLive(settings::kLightColourCycle, cycling ? 1 : 0);
    session_.MarkPending();
    Save();
}

void KeyboardLightPage::OnBrightness() {
    auto* slider = qobject_cast<QSlider*>(Find(kBrightnessSlider));
    if (!slider)
        return;
    const auto level = static_cast<std::uint8_t>(std::clamp(slider->value(), 0, kTopLevel));
    if (LoadByte(session_.image.live.lightBrightness) == level)
        return;
    PutLive(settings::kLightBrightness, level);
    session_.MarkPending();
    Save();
}

void KeyboardLightPage::OnSpeed() {
    auto* slider = qobject_cast<QSlider*>(Find(kSpeedSlider));
    if (!slider)
        return;
    const auto level =
        static_cast<std::uint8_t>(kTopLevel - std::clamp(slider->value(), 0, kTopLevel));
    if (LoadByte(session_.image.live.lightSpeed) == level)
        return;
    PutLive(settings::kLightSpeed, level);
    session_.MarkPending();
    Save();
}

void KeyboardLightPage::OnDirection(bool forward) {
    PutLive(settings::kLightDirection, forward ? 1 : 0);
    session_.MarkPending();
    Save();
}

// --- custom layers ------------------------------------------------------------------

std::size_t KeyboardLightPage::LayerBase() const {
    std::size_t layer = LoadByte(session_.image.lightRecord.customLayer);
    if (layer >= settings::kCustomLayerCount)
        layer = 0; // the preview shows the first layer then, too
    return settings::kCustomLayersOffset + layer * settings::kCustomLayerSize;
}

bool KeyboardLightPage::Painting() const {
    const QWidget* tools = FindControl(window_, kToolGroup);
    return InCustomMode() && tools && tools->isVisible() && tools->isEnabled();
}

bool KeyboardLightPage::PaintKey(int key, bool clear) {
    if (key < 0 || key >= static_cast<int>(settings::kKeyboardKeyCount))
        return false;
    const auto& paint = session_.image.lightRecord.customColour;
    const std::uint8_t rgb[3] = {LoadByte(paint[0]), LoadByte(paint[1]), LoadByte(paint[2])};
    const auto bytes = session_.image.RecordBytes();
    const std::size_t base = LayerBase();
    bool changed = false;
    auto put = [&](std::size_t at, std::uint8_t value) {
        if (LoadByte(bytes[at]) != value) {
            PutRecord(at, value);
            changed = true;
        }
    };
    if (Model() == 0) {
        const std::uint8_t entry = lighting::kColourMap[static_cast<std::size_t>(key)];
        if (entry == lighting::kNoKey)
            return false;
        for (std::size_t c = 0; c < 3; ++c)
            put(base + 3 * std::size_t{entry} + c, clear ? 0 : rgb[c]);
    } else {
        const std::uint8_t entry = lighting::kBrightnessMap[static_cast<std::size_t>(key)];
        if (entry == lighting::kNoKey)
            return false;
        put(base + entry, clear ? 0 : std::max({rgb[0], rgb[1], rgb[2]}));
    }
    strokeChanged_ = strokeChanged_ || changed;
    return changed;
}

void KeyboardLightPage::EndStroke() {
    if (!strokeChanged_)
        return;
    strokeChanged_ = false;
    Save();
}

void KeyboardLightPage::OnClearLayer() {
    const std::size_t base = LayerBase();
    for (std::size_t i = 0; i < settings::kCustomLayerSize; ++i)
        PutRecord(base + i, 0);
    Save();
}

} // namespace zk::pages
