#include "pages/profiles/LinkChooser.h"

#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>

namespace zk::pages {

namespace {

const QString kList = QStringLiteral("link_window_list");
const QString kPath = QStringLiteral("link_path_edit");
const QString kBrowse = QStringLiteral("link_browse_btn");
const QString kConfirm = QStringLiteral("link_confirm_btn");
const QString kCancel = QStringLiteral("link_cancel_btn");
const QString kWaylandNote = QStringLiteral("link_wayland_note");

// Where the file dialog starts: the usual home of installed programs.
const QString kProgramFolder = QStringLiteral("/usr/bin");

QString Text(const char* key) {
    return ui::ResourceManager::GetInstance().GetText(QString::fromLatin1(key));
}

} // namespace

QString CLinkChooser::ProgramFile(const QString& chosen) {
    const QFileInfo file(chosen);
    const QString target = file.canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QFileInfo program(target);
    if (!program.isFile() || !program.isExecutable())
        return {};
    return target;
}

void CLinkChooser::InitWindow() {
    if (QWidget* note = FindControl(kWaylandNote))
        note->setVisible(platform::IsWaylandSession());
    if (auto* list = FindControl<QListWidget>(kList)) {
        for (const auto& window : windows_) {
            const QString executable = QString::fromStdString(window.executable);
            const QString title = QString::fromStdString(window.title);
            auto* item = new QListWidgetItem(title.isEmpty() ? executable
                                                             : title + QStringLiteral("  —  ") +
                                                                   QFileInfo(executable).fileName(),
                                             list);
            item->setData(Qt::UserRole, executable);
            item->setToolTip(executable);
        }
        if (windows_.empty()) {
            auto* item = new QListWidgetItem(Text("link_no_windows"), list);
            item->setFlags(Qt::NoItemFlags);
        }
    }
    Choose({});
}

void CLinkChooser::Choose(const QString& path) {
    path_ = path;
    if (auto* edit = FindControl<QLineEdit>(kPath)) {
        edit->setText(path);
        edit->setToolTip(path);
        edit->setCursorPosition(0);
    }
    if (QWidget* confirm = FindControl(kConfirm))
        confirm->setEnabled(!path.isEmpty());
}

void CLinkChooser::Browse() {
    const QString start = path_.isEmpty() ? kProgramFolder : QFileInfo(path_).absolutePath();
    const QString chosen =
        QFileDialog::getOpenFileName(this, Text("link_browse_title"), start, QString(), nullptr,
                                     QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return;
    const QString program = ProgramFile(chosen);
    if (program.isEmpty()) {
        if (showMessage_)
            showMessage_("link_not_program");
        return;
    }
    if (auto* list = FindControl<QListWidget>(kList))
        list->clearSelection();
    Choose(program);
}

void CLinkChooser::Notify(ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT, kList)) {
        auto* list = FindControl<QListWidget>(kList);
        QListWidgetItem* item = list ? list->item(static_cast<int>(msg.wParam)) : nullptr;
        if (item && (item->flags() & Qt::ItemIsSelectable))
            Choose(item->data(Qt::UserRole).toString());
    } else if (msg.Is(ui::DUI_MSGTYPE_ITEMACTIVATE, kList)) {
        if (!path_.isEmpty()) {
            confirmed_ = true;
            Close(ui::IDOK);
        }
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK, kBrowse)) {
        Browse();
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK, kConfirm)) {
        if (path_.isEmpty())
            return;
        confirmed_ = true;
        Close(ui::IDOK);
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK, kCancel)) {
        confirmed_ = false;
        Close(ui::IDCANCEL);
    }
}

} // namespace zk::pages
