#include "ui/MenuWnd.h"

#include "ui/Log.h"
#include "ui/ResourceManager.h"
#include "ui/WindowImplBase.h"

#include <QAction>
#include <QFile>
#include <QXmlStreamReader>

#include <memory>

namespace zk::ui {

namespace {

bool IsTrue(QStringView v) {
    return v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || v == QLatin1String("1");
}

QString ShownText(const MenuElement& e) {
    return e.isKey ? ResourceManager::GetInstance().GetText(e.text) : e.text;
}

MenuElement ReadElement(const QXmlStreamAttributes& a) {
    MenuElement e;
    e.name = a.value(QLatin1String("name")).toString();
    e.text = a.value(QLatin1String("text")).toString();
    e.userData = a.value(QLatin1String("userdata")).toString();
    e.isKey = IsTrue(a.value(QLatin1String("resourcetext")));
    e.checked = IsTrue(a.value(QLatin1String("checked")));
    e.checkable = e.checked || IsTrue(a.value(QLatin1String("checkable")));
    return e;
}

} // namespace

MenuWnd::MenuWnd() = default;

MenuWnd::~MenuWnd() {
    DestroyMenu();
}

static QAction* MakeAction(QMenu* menu, const MenuElement& e) {
    auto* a = new QAction(ShownText(e), menu);
    a->setObjectName(e.name);
    a->setData(e.userData);
    a->setCheckable(e.checkable);
    a->setChecked(e.checked);
    if (e.isKey)
        a->setProperty("resourceKey", e.text);
    return a;
}

bool MenuWnd::Init(WindowImplBase* owner, const QString& layout, QPoint pt, unsigned alignment) {
    DestroyMenu();
    const QString path = ResourceManager::GetInstance().ResolveLayout(layout);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        qCWarning(uiLog) << "no menu layout" << layout;
        return false;
    }
    auto* menu = new QMenu(owner);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("menu"));
    QList<QMenu*> stack{menu};
    QXmlStreamReader xml(&file);
    bool sawRoot = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            // Every element opened a (possibly empty) sub-menu of its own.
            if (xml.name() == QLatin1String("MenuElement") && stack.size() > 1)
                stack.pop_back();
            continue;
        }
        if (!xml.isStartElement())
            continue;
        if (!sawRoot) {
            sawRoot = true;
            continue;
        }
        if (xml.name() == QLatin1String("Separator")) {
            stack.back()->addSeparator();
        } else if (xml.name() == QLatin1String("MenuElement")) {
            // An element with children becomes a sub-menu; decided when its
            // first child element appears.
            QMenu* current = stack.back();
            const MenuElement e = ReadElement(xml.attributes());
            QAction* a = MakeAction(current, e);
            current->addAction(a);
            auto* sub = new QMenu(current);
            sub->setObjectName(e.name);
            sub->setTitle(a->text());
            sub->setProperty("zkAction", QVariant::fromValue(static_cast<QObject*>(a)));
            stack.push_back(sub);
        }
    }
    if (xml.hasError() || !sawRoot) {
        qCWarning(uiLog) << "malformed menu layout" << path << xml.errorString();
        delete menu;
        return false;
    }
    // Attach sub-menus that received items; drop the empty ones.
    const auto subs = menu->findChildren<QMenu*>();
    for (QMenu* sub : subs) {
        auto* a = qobject_cast<QAction*>(sub->property("zkAction").value<QObject*>());
        if (sub->actions().isEmpty() || !a)
            sub->deleteLater();
        else
            a->setMenu(sub);
    }
    menu_ = menu;
    owner_ = owner;
    point_ = pt;
    alignment_ = alignment;
    const auto actions = menu->findChildren<QAction*>();
    for (QAction* a : actions)
        if (!a->isSeparator())
            QObject::connect(a, &QAction::triggered, menu, [this, a] { Choose(a); });
    Place();
    return true;
}

void MenuWnd::Choose(QAction* action) {
    if (!action || !owner_)
        return;
    if (action->menu())
        return; // a sub-menu opener is no choice
    auto cmd = std::make_shared<MenuCmd>();
    cmd->szName = action->objectName().left(256);
    cmd->szUserData = action->data().toString().left(1024);
    cmd->szText = action->text().left(1024);
    cmd->bChecked = action->isChecked();
    owner_->PostMessageOwning(UIMSG_MENUCLICK, std::move(cmd), 0);
    if (menu_ && menu_->isVisible())
        menu_->close();
}

void MenuWnd::InsertItem(int index, const MenuElement& item) {
    if (!menu_)
        return;
    QAction* a = MakeAction(menu_, item);
    const auto actions = menu_->actions();
    QAction* before = index >= 0 && index < actions.size() ? actions.at(index) : nullptr;
    menu_->insertAction(before, a);
    QObject::connect(a, &QAction::triggered, menu_, [this, a] { Choose(a); });
}

int MenuWnd::GetCount() const {
    return menu_ ? static_cast<int>(menu_->actions().size()) : 0;
}

QAction* MenuWnd::FindItem(const QString& name) const {
    if (!menu_)
        return nullptr;
    for (QAction* a : menu_->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

void MenuWnd::Place() {
    if (!menu_)
        return;
    menu_->adjustSize();
    const QSize size = menu_->sizeHint();
    QPoint at = point_;
    if (alignment_ & eMenuAlignment_Right)
        at.rx() -= size.width();
    if (alignment_ & eMenuAlignment_Bottom)
        at.ry() -= size.height();
    if (menu_->isVisible())
        menu_->move(at);
    else
        menu_->popup(at);
}

void MenuWnd::ResizeMenu() {
    Place();
}

void MenuWnd::DestroyMenu() {
    if (menu_) {
        QMenu* m = menu_;
        menu_ = nullptr;
        m->close();
        m->deleteLater();
    }
}

bool MenuWnd::IsOpen() const {
    return menu_ && menu_->isVisible();
}

} // namespace zk::ui
