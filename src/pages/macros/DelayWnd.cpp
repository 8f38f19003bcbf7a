#include "pages/macros/DelayWnd.h"

#include "platform/IniFile.h"

#include <QLineEdit>
#include <QPointer>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace zk::pages {

namespace {

const QString kEdit = QStringLiteral("x_edit");
const QString kConfirm = QStringLiteral("confirm_btn");
const QString kCancel = QStringLiteral("cancel_btn");
constexpr int kMaxDelay = 65535;

} // namespace

void Cdelay::InitWindow() {
    if (auto* edit = FindControl<QLineEdit>(kEdit)) {
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,5}")), edit));
        edit->setText(QStringLiteral("10"));
        edit->selectAll();
        edit->setFocus();
    }
}

void Cdelay::Notify(ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_CLICK, kConfirm))
        Finish(true);
    else if (msg.Is(ui::DUI_MSGTYPE_CLICK, kCancel))
        Finish(false);
}

bool Cdelay::ResponseDefaultKeyEvent(int key) {
    Finish(key != Qt::Key_Escape);
    return true;
}

void Cdelay::Finish(bool confirmed) {
    if (IsClosing())
        return;
    confirmed_ = confirmed;
    if (confirmed) {
        auto* edit = FindControl<QLineEdit>(kEdit);
        const int typed = edit ? platform::ToInt(edit->text().toStdString()) : 0;
        value_ = std::clamp(typed, 0, kMaxDelay);
    }
    Close(confirmed ? ui::IDOK : ui::IDCANCEL);
}

std::optional<int> RunDelayWindow(QWidget* parent) {
    QPointer<Cdelay> window = new Cdelay;
    if (!window->Create(parent ? parent->window() : nullptr, QStringLiteral("DelayWnd"),
                        ui::WindowStyle::Dialog)) {
        delete window;
        return std::nullopt;
    }
    window->CenterWindow();
    window->ShowModal();
    std::optional<int> out;
    if (window && window->Confirmed())
        out = window->Value();
    delete window;
    return out;
}

} // namespace zk::pages
