#include "pages/macros/MacroAssignWnd.h"

#include "macros/MacroLibrary.h"
#include "profiles/NameFile.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

namespace zk::pages {

namespace {

const QString kCombo = QStringLiteral("macro_combo_select");
const QString kRepeat = QStringLiteral("end_num_check");
const QString kEndDown = QStringLiteral("end_down_check");
const QString kEndUp = QStringLiteral("end_up_check");
const QString kCount = QStringLiteral("num_edit");
const QString kConfirm = QStringLiteral("macro_select_confirm");
const QString kCancel = QStringLiteral("macro_select_cancel");
const QString kEmptyNote = QStringLiteral("macro_select_empty");

// The name the window returns when the library is empty.
const QString kNoMacroName = QStringLiteral("宏");
// A name that marks the end of the listed names.
constexpr std::string_view kNoName = "100";
constexpr int kMaxRepeat = 255;

// The end options in MacroEndStyle order (0, 1, 2).
const QString* const kEndOptions[] = {&kRepeat, &kEndDown, &kEndUp};

} // namespace

void Cmacro::InitWindow() {
    const macros::MacroLibrary library = macros::MacroLibrary::Mouse();
    const int count = library.ReadCount();
    QWidget* confirm = FindControl(kConfirm);
    if (QWidget* note = FindControl(kEmptyNote))
        note->setVisible(count <= 0);
    if (count <= 0) {
        hasMacros_ = false;
        macroName_ = kNoMacroName;
        // Nothing to assign: confirming would name a macro that is not there.
        if (confirm)
            confirm->setEnabled(false);
        return;
    }
    hasMacros_ = true;
    QWidget* combo = FindControl(kCombo);
    for (int i = 0; i < count; ++i) {
        const std::string name = library.ReadName(i, kNoName);
        if (name == kNoName)
            return;
        // Text and user data are the name.
        if (auto* box = qobject_cast<QComboBox*>(combo)) {
            const int at = ui::AddItem(box, QString::fromStdString(name));
            box->setItemData(at, QString::fromStdString(name), Qt::UserRole);
        }
    }
    if (confirm)
        confirm->setEnabled(false);

    // The choice remembered for the profile.
    const auto nameFile = profiles::MouseNameFile::ForProfile(profileName_);
    if (!nameFile)
        return;
    const macros::AssignmentMemo memo = macros::ReadAssignmentMemo(nameFile->File().Path());
    if (combo && ui::SelectItem(combo, memo.macroIndex, false))
        Choose(memo.macroIndex);
    if (memo.endStyle >= 0 && memo.endStyle <= 2)
        if (auto* option = FindControl<QAbstractButton>(*kEndOptions[memo.endStyle]))
            ui::SetCheck(option, true, false);
}

void Cmacro::Choose(int index) {
    chosen_ = index;
    if (QWidget* confirm = FindControl(kConfirm))
        confirm->setEnabled(index >= 0);
}

void Cmacro::ClampRepeatCount() {
    auto* edit = FindControl<QLineEdit>(kCount);
    if (!edit)
        return;
    bool ok = false;
    const long value = edit->text().trimmed().toLong(&ok);
    if (ok && value > kMaxRepeat)
        edit->setText(QString::number(kMaxRepeat));
}

void Cmacro::Notify(ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT, kCombo)) {
        Choose(static_cast<int>(msg.wParam));
    } else if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED)) {
        // The three end options exclude each other.
        for (const QString* name : kEndOptions)
            if (msg.senderName.compare(*name, Qt::CaseInsensitive) == 0)
                for (const QString* other : kEndOptions)
                    if (other != name)
                        if (auto* option = FindControl<QAbstractButton>(*other))
                            ui::SetCheck(option, false, false);
    } else if (msg.Is(ui::DUI_MSGTYPE_KILLFOCUS, kCount)) {
        ClampRepeatCount();
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK, kConfirm)) {
        Confirm();
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK, kCancel)) {
        confirmed_ = false;
        Close(ui::IDCANCEL);
    }
}

void Cmacro::Confirm() {
    if (!hasMacros_ || chosen_ < 0)
        return;
    ClampRepeatCount();
    QWidget* combo = FindControl(kCombo);
    macroIndex_ = chosen_;
    macroName_ = combo ? ui::GetItemText(combo, chosen_) : QString();
    action_.p1 = static_cast<std::uint8_t>(chosen_);
    auto selected = [this](const QString& name) {
        auto* option = FindControl<QAbstractButton>(name);
        return option && option->isChecked();
    };
    if (selected(kEndDown)) {
        action_.type = settings::action_type::kMacroEndMode;
        action_.p2 = 2;
        endStyle_ = 1;
    } else if (selected(kEndUp)) {
        action_.type = settings::action_type::kMacroEndMode;
        action_.p2 = 1;
        endStyle_ = 2;
    } else {
        // The repeat option, also when the layout left none selected.
        auto* edit = FindControl<QLineEdit>(kCount);
        const int count = edit ? edit->text().trimmed().toInt() : 1;
        action_.type = settings::action_type::kMacroRepeat;
        action_.p2 = static_cast<std::uint8_t>(count & 0xFF);
        endStyle_ = 0;
    }
    confirmed_ = true;
    Close(ui::IDOK);
}

} // namespace zk::pages
