#include "ui/Controls.h"

#include "ui/Notify.h"
#include "ui/NotifyHub.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>

namespace zk::ui {

namespace {

const char* const kResourceText = "resourceText";
const char* const kResourceKey = "resourceKey";

void ShowText(QWidget* c, const QString& text) {
    ProgramChangeGuard guard;
    if (auto* te = qobject_cast<QTextEdit*>(c))
        te->setPlainText(text);
    else if (auto* pe = qobject_cast<QPlainTextEdit*>(c))
        pe->setPlainText(text);
    else if (auto* gb = qobject_cast<QGroupBox*>(c))
        gb->setTitle(text);
    else if (c->metaObject()->indexOfProperty("text") >= 0)
        c->setProperty("text", text);
    else
        c->setWindowTitle(text);
}

// Applies the composed background style of a control.
void ApplyBackground(QWidget* c) {
    if (!c->property("zkBaseStyle").isValid())
        c->setProperty("zkBaseStyle", c->styleSheet());
    QString decl;
    const std::uint32_t argb = c->property("bkColor").toUInt();
    if (argb != 0)
        decl += QStringLiteral("background-color: rgba(%1, %2, %3, %4);")
                    .arg((argb >> 16) & 0xFF)
                    .arg((argb >> 8) & 0xFF)
                    .arg(argb & 0xFF)
                    .arg((argb >> 24) & 0xFF);
    const QString image = c->property("bkImage").toString();
    if (!image.isEmpty()) {
        const QString folder = ResourceManager::GetInstance().GetResourcePath();
        const QString path =
            QDir::isAbsolutePath(image) || folder.isEmpty() ? image : QDir(folder).filePath(image);
        decl += QStringLiteral("border-image: url(\"%1\") 0 0 0 0 stretch stretch;").arg(path);
    }
    QString sheet = c->property("zkBaseStyle").toString();
    if (!decl.isEmpty()) {
        c->setAttribute(Qt::WA_StyledBackground, true);
        if (c->objectName().isEmpty())
            sheet += decl;
        else
            sheet += QStringLiteral("\n#%1 { %2 }").arg(c->objectName(), decl);
    }
    c->setStyleSheet(sheet);
}

} // namespace

void SetResourceText(QWidget* control, bool isKey) {
    if (control)
        control->setProperty(kResourceText, isKey);
}

bool IsResourceText(QWidget* control) {
    return control && control->property(kResourceText).toBool();
}

void SetText(QWidget* control, const QString& text) {
    if (!control)
        return;
    if (IsResourceText(control)) {
        control->setProperty(kResourceKey, text);
        ShowText(control, text.isEmpty() ? text : ResourceManager::GetInstance().GetText(text));
    } else {
        control->setProperty(kResourceKey, QVariant());
        ShowText(control, text);
    }
}

void SetText(QWidget* control, const QString& text, bool isKey) {
    SetResourceText(control, isKey);
    SetText(control, text);
}

QString GetText(QWidget* control) {
    if (!control)
        return {};
    if (auto* te = qobject_cast<QTextEdit*>(control))
        return te->toPlainText();
    if (auto* pe = qobject_cast<QPlainTextEdit*>(control))
        return pe->toPlainText();
    if (auto* gb = qobject_cast<QGroupBox*>(control))
        return gb->title();
    if (control->metaObject()->indexOfProperty("text") >= 0)
        return control->property("text").toString();
    return control->windowTitle();
}

QString GetResourceKey(QWidget* control) {
    return control ? control->property(kResourceKey).toString() : QString();
}

int AddItem(QWidget* control, const QString& text, bool isKey, int index) {
    const QString shown = isKey ? ResourceManager::GetInstance().GetText(text) : text;
    ProgramChangeGuard guard;
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const int at = index < 0 || index > combo->count() ? combo->count() : index;
        combo->insertItem(at, shown);
        if (isKey)
            combo->setItemData(at, text, ResourceKeyRole);
        return at;
    }
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        const int at = index < 0 || index > list->count() ? list->count() : index;
        auto* item = new QListWidgetItem(shown);
        if (isKey)
            item->setData(ResourceKeyRole, text);
        list->insertItem(at, item);
        return at;
    }
    return -1;
}

bool RemoveItem(QWidget* control, int index) {
    ProgramChangeGuard guard;
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (index < 0 || index >= combo->count())
            return false;
        combo->removeItem(index);
        return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        if (index < 0 || index >= list->count())
            return false;
        delete list->takeItem(index);
        return true;
    }
    return false;
}

void RemoveAllItems(QWidget* control) {
    ProgramChangeGuard guard;
    if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->clear();
    else if (auto* list = qobject_cast<QListWidget*>(control))
        list->clear();
}

int GetCount(QWidget* control) {
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->count();
    if (auto* view = qobject_cast<QAbstractItemView*>(control))
        return view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
    if (auto* tw = qobject_cast<QTabWidget*>(control))
        return tw->count();
    if (auto* tb = qobject_cast<QTabBar*>(control))
        return tb->count();
    if (auto* sw = qobject_cast<QStackedWidget*>(control))
        return sw->count();
    return 0;
}

QString GetItemText(QWidget* control, int index) {
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->itemText(index);
    if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        if (!view->model())
            return {};
        return view->model()->index(index, 0, view->rootIndex()).data().toString();
    }
    return {};
}

int GetCurSel(QWidget* control) {
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->currentIndex();
    if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        const QModelIndex cur = view->currentIndex();
        return cur.isValid() ? cur.row() : -1;
    }
    if (auto* tw = qobject_cast<QTabWidget*>(control))
        return tw->currentIndex();
    if (auto* tb = qobject_cast<QTabBar*>(control))
        return tb->currentIndex();
    if (auto* sw = qobject_cast<QStackedWidget*>(control))
        return sw->currentIndex();
    return -1;
}

bool SelectItem(QWidget* control, int index, bool sendNotify) {
    if (!control || index < 0 || index >= GetCount(control))
        return false;
    const int prev = GetCurSel(control);
    if (prev == index)
        return true;
    const char* type = DUI_MSGTYPE_SELECTCHANGED;
    {
        ProgramChangeGuard guard;
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->setCurrentIndex(index);
            type = DUI_MSGTYPE_ITEMSELECT;
        } else if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
            view->setCurrentIndex(view->model()->index(index, 0, view->rootIndex()));
            type = DUI_MSGTYPE_ITEMSELECT;
        } else if (auto* tw = qobject_cast<QTabWidget*>(control)) {
            tw->setCurrentIndex(index);
        } else if (auto* tb = qobject_cast<QTabBar*>(control)) {
            tb->setCurrentIndex(index);
        } else if (auto* sw = qobject_cast<QStackedWidget*>(control)) {
            sw->setCurrentIndex(index);
        }
    }
    if (sendNotify)
        SendNotify(control, QString::fromLatin1(type), static_cast<WPARAM>(index), prev);
    return true;
}

void SetCheck(QAbstractButton* option, bool checked, bool sendNotify) {
    if (!option || option->isChecked() == checked)
        return;
    {
        ProgramChangeGuard guard;
        if (!option->isCheckable())
            option->setCheckable(true);
        if (!checked) {
            // An exclusive option may be deselected by the program (all of its
            // group then stand deselected), as with the user's choice elsewhere.
            const bool autoEx = option->autoExclusive();
            QButtonGroup* group = option->group();
            const bool groupEx = group && group->exclusive();
            option->setAutoExclusive(false);
            if (groupEx)
                group->setExclusive(false);
            option->setChecked(false);
            if (groupEx)
                group->setExclusive(true);
            option->setAutoExclusive(autoEx);
        } else {
            option->setChecked(true);
        }
    }
    const bool exclusive =
        option->autoExclusive() || (option->group() && option->group()->exclusive());
    if (sendNotify && (checked || !exclusive))
        SendNotify(option, QString::fromLatin1(DUI_MSGTYPE_SELECTCHANGED), checked ? 1 : 0);
}

bool IsSelected(QAbstractButton* option) {
    return option && option->isChecked();
}

void SetUserData(QWidget* control, const QString& data) {
    if (control)
        control->setProperty("userData", data);
}

QString GetUserData(QWidget* control) {
    return control ? control->property("userData").toString() : QString();
}

void SetBkColor(QWidget* control, std::uint32_t argb) {
    if (!control)
        return;
    control->setProperty("bkColor", argb);
    ApplyBackground(control);
}

std::uint32_t GetBkColor(QWidget* control) {
    return control ? control->property("bkColor").toUInt() : 0;
}

void SetBkImage(QWidget* control, const QString& file) {
    if (!control)
        return;
    control->setProperty("bkImage", file);
    ApplyBackground(control);
}

QString GetBkImage(QWidget* control) {
    return control ? control->property("bkImage").toString() : QString();
}

} // namespace zk::ui
