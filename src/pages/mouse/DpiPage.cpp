#include "pages/mouse/DpiPage.h"

#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSlider>

namespace zk::pages {

using settings::kDpiLevelOffsets;
using settings::kDpiStageCount;
using settings::kStageColourOffsets;
using settings::MouseSettingsRecord;

namespace {

const QString kSliderPrefix = QStringLiteral("DPI_slider_");
const QString kLabelPrefix = QStringLiteral("DPI_label_");
const QString kCheckPrefix = QStringLiteral("DPI_check_");
const QString kButtonPrefix = QStringLiteral("DPI_btn_");
const QString kDetailsButton = QStringLiteral("DPI_set_btn");
const QString kDetailsPanel = QStringLiteral("DPI_setting");
const QString kLimitsLabel = QStringLiteral("dpi_limits_label");
// The highest level index a stage's byte can hold.
constexpr int kHighestLevel = 255;

QString Numbered(const QString& prefix, int stage) {
    return prefix + QString::number(stage);
}

} // namespace

int StageOfControl(const QString& name, const QString& prefix) {
    if (name.size() != prefix.size() + 1 || !name.startsWith(prefix, Qt::CaseInsensitive))
        return 0;
    const int stage = name.back().digitValue();
    return stage >= 1 && stage <= static_cast<int>(kDpiStageCount) ? stage : 0;
}

std::uint32_t StageColourArgb(const settings::MouseSettingsImage& image, int stage) {
    const std::size_t at = kStageColourOffsets[static_cast<std::size_t>(stage - 1)];
    return 0xFF000000u | (std::uint32_t{image.RecordByte(at)} << 16) |
           (std::uint32_t{image.RecordByte(at + 1)} << 8) | image.RecordByte(at + 2);
}

DpiPage::DpiPage(QWidget* window, profiles::MouseSession& session, PageServices& services)
    : window_(window), session_(session), services_(services) {}

bool DpiPage::Claims(const QString& name) const {
    return StageOfControl(name, kSliderPrefix) || StageOfControl(name, kCheckPrefix) ||
           StageOfControl(name, kButtonPrefix) ||
           name.compare(kDetailsButton, Qt::CaseInsensitive) == 0;
}

QWidget* DpiPage::Find(const QString& name) const {
    return FindControl(window_, name);
}

int DpiPage::Base() const {
    return session_.image.capabilities.DpiBase();
}

void DpiPage::Save() {
    session_.store.SaveDeviceProfile();
}

void DpiPage::Refresh() {
    settings::MouseSettingsImage& image = session_.image;
    // Without a limit from the device (0) a stage takes any index its byte holds.
    const int maxLevel =
        image.capabilities.dpiMaxLevel != 0 ? image.capabilities.dpiMaxLevel : kHighestLevel;
    const int base = Base();
    settings::ClampDpiStages(image);
    ui::ProgramChangeGuard quiet;
    for (int stage = 1; stage <= static_cast<int>(kDpiStageCount); ++stage) {
        const int level = image.RecordByte(kDpiLevelOffsets[static_cast<std::size_t>(stage - 1)]);
        if (auto* slider = qobject_cast<QSlider*>(Find(Numbered(kSliderPrefix, stage)))) {
            slider->setRange(0, maxLevel);
            slider->setValue(level);
        }
        if (QWidget* label = Find(Numbered(kLabelPrefix, stage)))
            ui::SetText(label, QString::number(settings::DpiOfLevel(level, base)), false);
    }
    const int current = image.RecordByte(offsetof(MouseSettingsRecord, dpiStage)) + 1;
    for (int stage = 1; stage <= static_cast<int>(kDpiStageCount); ++stage)
        if (auto* option = qobject_cast<QAbstractButton*>(Find(Numbered(kCheckPrefix, stage))))
            ui::SetCheck(option, stage == current, false);
    for (int stage = 1; stage <= static_cast<int>(kDpiStageCount); ++stage)
        if (QWidget* button = Find(Numbered(kButtonPrefix, stage)))
            ui::SetBkColor(button, StageColourArgb(image, stage));
    if (QWidget* limits = Find(kLimitsLabel))
        ui::SetText(
            limits,
            QStringLiteral("%1 – %2 DPI").arg(base).arg(settings::DpiOfLevel(maxLevel, base)),
            false);
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
    if (!slider)
        return;
    const int level = slider->value();
    if (QWidget* label = Find(Numbered(kLabelPrefix, stage)))
        ui::SetText(label, QString::number(settings::DpiOfLevel(level, Base())), false);
    // Releasing the handle where the last move left it changes nothing: the
    // record already holds the level and the write is on its way.
    const std::size_t at = kDpiLevelOffsets[static_cast<std::size_t>(stage - 1)];
    if (session_.image.RecordByte(at) == level)
        return;
    session_.image.SetRecordByte(at, static_cast<std::uint8_t>(level));
    Save();
}

void DpiPage::OnStageSelected(int stage) {
    session_.image.SetRecordByte(offsetof(MouseSettingsRecord, dpiStage),
                                 static_cast<std::uint8_t>(stage - 1));
    Save();
    // The stage names and every other mouse page follow the new stage.
    services_.RefreshPages(DeviceKind::Mouse);
}

void DpiPage::OnColourButton(int stage) {
    QWidget* button = Find(Numbered(kButtonPrefix, stage));
    if (!button)
        return;
    std::uint32_t chosen = 0;
    QWidget* parent = window_ ? window_->window() : nullptr;
    if (!services_.PickColour(parent, ui::GetBkColor(button), chosen))
        return;
    ui::SetBkColor(button, chosen);
    const std::size_t at = kStageColourOffsets[static_cast<std::size_t>(stage - 1)];
    session_.image.SetRecordByte(at, static_cast<std::uint8_t>(chosen >> 16));
    session_.image.SetRecordByte(at + 1, static_cast<std::uint8_t>(chosen >> 8));
    session_.image.SetRecordByte(at + 2, static_cast<std::uint8_t>(chosen));
    Save();
}

void DpiPage::ToggleDetails() {
    if (QWidget* panel = Find(kDetailsPanel))
        panel->setVisible(panel->isHidden());
}

} // namespace zk::pages
