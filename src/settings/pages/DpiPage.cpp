#include "settings/pages/DpiPage.h"

#include "app/windows/PalletDialog.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"
#include "ui/PaintManager.h"

#include <QAbstractButton>
#include <QCursor>
#include <QLabel>
#include <QSlider>

namespace zk::settings::pages {

namespace {

const QString kSliderPrefix = QStringLiteral("DPI_slider_");
const QString kLabelPrefix = QStringLiteral("DPI_label_");
const QString kCheckPrefix = QStringLiteral("DPI_check_");
const QString kButtonPrefix = QStringLiteral("DPI_btn_");
const QString kDetailsButton = QStringLiteral("DPI_set_btn");
const QString kDetailsPanel = QStringLiteral("DPI_setting");
const QString kLimitsLabel = QStringLiteral("dpi_limits_label");

QString Numbered(const QString& prefix, int stage) {
    return prefix + QString::number(stage);
}

int RunPaletteDialog(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) {
    app::CPalletDialog dialog(initial);
    const int result = dialog.Run(parent, QCursor::pos());
    if (result == app::CPalletDialog::kResultConfirmed)
        chosen = dialog.GetChosenColor();
    return result;
}

} // namespace

void MarkPending(MousePageDeps& deps) {
    if (deps.image)
        deps.image->pending.store(true);
    if (deps.markPending)
        deps.markPending();
}

bool SaveProfile(MousePageDeps& deps) {
    return deps.store && deps.store->SaveDeviceProfile();
}

int StageOfControl(const QString& name, const QString& prefix) {
    if (name.size() != prefix.size() + 1 || !name.startsWith(prefix, Qt::CaseInsensitive))
        return 0;
    const int stage = name.back().digitValue();
    return stage >= 1 && stage <= static_cast<int>(kDpiStageCount) ? stage : 0;
}

std::uint32_t StageColourArgb(const MouseSettingsImage& image, int stage) {
    const std::size_t at = kStageColourOffsets[static_cast<std::size_t>(stage - 1)];
    return 0xFF000000u | (std::uint32_t{image.RecordByte(at)} << 16) |
           (std::uint32_t{image.RecordByte(at + 1)} << 8) | image.RecordByte(at + 2);
}

DpiPage::DpiPage(QWidget* window, MousePageDeps& deps) : window_(window), deps_(deps) {}

QWidget* DpiPage::Find(const QString& name) const {
    return window_ ? ui::PaintManager::FindSubControlByName(window_, name) : nullptr;
}

int DpiPage::Base() const {
    return deps_.image ? deps_.image->capabilities.DpiBase() : 0;
}

void DpiPage::Refresh() {
    if (!deps_.image)
        return;
    MouseSettingsImage& image = *deps_.image;
    const int maxLevel = image.capabilities.dpiMaxLevel;
    const int base = Base();
    ui::ProgramChangeGuard quiet;
    for (int stage = 1; stage <= static_cast<int>(kDpiStageCount); ++stage) {
        const std::size_t at = kDpiLevelOffsets[static_cast<std::size_t>(stage - 1)];
        auto* slider = qobject_cast<QSlider*>(Find(Numbered(kSliderPrefix, stage)));
        if (slider)
            slider->setRange(0, maxLevel);
        int level = image.RecordByte(at);
        if (ClampDpiLevel(level, maxLevel) != level) {
            level = maxLevel;
            image.SetRecordByte(at, static_cast<std::uint8_t>(level));
            MarkPending(deps_);
        }
        if (slider)
            slider->setValue(level);
        if (QWidget* label = Find(Numbered(kLabelPrefix, stage)))
            ui::SetText(label, QString::number(DpiOfLevel(level, base)), false);
    }
    const int current = image.RecordByte(offsetof(MouseSettingsRecord, dpiStage)) + 1;
    for (int stage = 1; stage <= static_cast<int>(kDpiStageCount); ++stage)
        if (auto* option = qobject_cast<QAbstractButton*>(Find(Numbered(kCheckPrefix, stage))))
            ui::SetCheck(option, stage == current, false);
    for (int stage = 1; stage <= static_cast<int>(kDpiStageCount); ++stage)
        if (QWidget* button = Find(Numbered(kButtonPrefix, stage)))
            ui::SetBkColor(button, StageColourArgb(image, stage));
    if (QWidget* limits = Find(kLimitsLabel)) {
        const QString text =
            maxLevel == 0 ? QStringLiteral("%1 DPI").arg(base)
                          : QStringLiteral("%1 – %2 DPI").arg(base).arg(DpiOfLevel(maxLevel, base));
        ui::SetText(limits, text, false);
    }
    if (deps_.refreshLighting)
        deps_.refreshLighting();
}

bool DpiPage::Notify(ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_VALUECHANGED) || msg.Is(ui::DUI_MSGTYPE_MOVEVALUECHANGED)) {
        if (const int stage = StageOfControl(msg.senderName, kSliderPrefix)) {
            OnSlider(stage);
            return true;
        }
    } else if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED)) {
        if (const int stage = StageOfControl(msg.senderName, kCheckPrefix)) {
            auto* option = qobject_cast<QAbstractButton*>(msg.pSender.data());
            if (!option || option->isChecked())
                OnStageSelected(stage);
            return true;
        }
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        if (const int stage = StageOfControl(msg.senderName, kButtonPrefix)) {
            OnColourButton(stage);
            return true;
        }
        if (msg.senderName.compare(kDetailsButton, Qt::CaseInsensitive) == 0) {
            ToggleDetails();
            return true;
        }
    }
    return false;
}

void DpiPage::OnSlider(int stage) {
    auto* slider = qobject_cast<QSlider*>(Find(Numbered(kSliderPrefix, stage)));
    if (!slider || !deps_.image)
        return;
    const int level = slider->value();
    if (QWidget* label = Find(Numbered(kLabelPrefix, stage)))
        ui::SetText(label, QString::number(DpiOfLevel(level, Base())), false);
    // Releasing the handle where the last move left it changes nothing: the
    // record already holds the level and the write is on its way.
    const std::size_t at = kDpiLevelOffsets[static_cast<std::size_t>(stage - 1)];
    if (deps_.image->RecordByte(at) == level)
        return;
    deps_.image->SetRecordByte(at, static_cast<std::uint8_t>(level));
    MarkPending(deps_);
    SaveProfile(deps_);
}

void DpiPage::OnStageSelected(int stage) {
    if (!deps_.image)
        return;
    deps_.image->SetRecordByte(offsetof(MouseSettingsRecord, dpiStage),
                               static_cast<std::uint8_t>(stage - 1));
    MarkPending(deps_);
    SaveProfile(deps_);
    Refresh();
}

void DpiPage::OnColourButton(int stage) {
    QWidget* button = Find(Numbered(kButtonPrefix, stage));
    if (!button || !deps_.image)
        return;
    std::uint32_t chosen = 0;
    const std::uint32_t initial = ui::GetBkColor(button);
    QWidget* parent = window_ ? window_->window() : nullptr;
    const int result = deps_.pickColour ? deps_.pickColour(parent, initial, chosen)
                                        : RunPaletteDialog(parent, initial, chosen);
    if (result != app::CPalletDialog::kResultConfirmed)
        return;
    ui::SetBkColor(button, chosen);
    const std::size_t at = kStageColourOffsets[static_cast<std::size_t>(stage - 1)];
    deps_.image->SetRecordByte(at, static_cast<std::uint8_t>(chosen >> 16));
    deps_.image->SetRecordByte(at + 1, static_cast<std::uint8_t>(chosen >> 8));
    deps_.image->SetRecordByte(at + 2, static_cast<std::uint8_t>(chosen));
    MarkPending(deps_);
    SaveProfile(deps_);
}

void DpiPage::ToggleDetails() {
    if (QWidget* panel = Find(kDetailsPanel))
        panel->setVisible(panel->isHidden());
}

} // namespace zk::settings::pages
