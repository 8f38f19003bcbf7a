#include "pages/FunctionChoices.h"

#include "ui/Controls.h"
#include "ui/DeviceHook.h"
#include "ui/NotifyHub.h"

namespace zk::pages {

QStringList KeyNameKeys(std::size_t first, std::size_t count) {
    QStringList keys;
    for (std::size_t i = first; i < first + count && i < settings::KeyNameTable.size(); ++i) {
        const std::string_view key = settings::KeyNameTable[i];
        keys << QString::fromUtf8(key.data(), static_cast<int>(key.size()));
    }
    return keys;
}

QStringList OfficeChoiceKeys() {
    namespace row = settings::key_name_row;
    QStringList office = KeyNameKeys(row::kOffice, row::kOfficeCount);
    office << QStringLiteral("office_print") << QStringLiteral("office_repeat")
           << QStringLiteral("office_close_window") << QStringLiteral("office_show_desktop")
           << QStringLiteral("office_run");
    return office;
}

void FillChoices(QWidget* combo, const QStringList& keys) {
    if (!combo)
        return;
    ui::ProgramChangeGuard quiet;
    ui::RemoveAllItems(combo);
    for (const QString& key : keys)
        ui::AddItem(combo, key, true);
    ui::SelectItem(combo, 0);
}

std::optional<settings::CapturedKey> CaptureOfHookMessage(ui::WPARAM message, ui::LPARAM record) {
    if (record == 0 || (message != ui::WM_KEYDOWN && message != ui::WM_SYSKEYDOWN))
        return std::nullopt;
    const auto& event = *reinterpret_cast<const ui::KeyboardEventRecord*>(record);
    return settings::CaptureKey(event.vkCode, event.flags);
}

} // namespace zk::pages
