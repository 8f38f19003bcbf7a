#include "ui/DialogBuilder.h"

#include "ui/ControlFactory.h"
#include "ui/Log.h"
#include "ui/ResourceManager.h"
#include "ui/WindowImplBase.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QUiLoader>
#include <QWidget>
#include <QtMath>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace zk::ui {

namespace {

// Windows whose layouts are being built on this thread, innermost last; a
// sub-layout built without a callback asks the innermost one.
thread_local std::vector<WindowImplBase*> tBuilding;
thread_local int tDepth = 0;
constexpr int kMaxDepth = 16;
// The widget that the control being made by a callback will be placed in: a
// sub-layout that the callback builds for it is built there at once (see Home).
thread_local QWidget* tControlParent = nullptr;

// Where a widget made for `parent` ends up. Qt's form loader makes the pages of
// a stacked widget parentless and moves each in once it is complete, and moves
// the contents of a scroll area into its viewport: a tree moved there is styled
// again widget by widget, and each combo box in it makes its popup list at
// once instead of when the list first opens. Widgets are put in place while
// they are still empty instead.
QWidget* Home(QWidget* parent) {
    if (auto* area = qobject_cast<QScrollArea*>(parent))
        return area->viewport();
    return parent;
}

// The combo box of the layouts: its popup list is made when it first opens.
// Qt's combo box makes its popup (a list view with its scroll bars and
// scrollers) as soon as its font or style changes, which the style sheet does
// to every combo box when it is first styled, and the style sheet then keeps
// some 140 KB of style data for each popup, opened or not. Until the popup
// exists and while no size was asked of the box, those changes need nothing
// done by the box: the popup is made in the box's font and style when it opens.
// An editable box takes them as usual.
//
// Setting the size rule "minimum contents length with icon" or a minimum
// contents length makes the popup too, so until the popup opens the box keeps
// them and gives the size hints they give (a width for that many 'X's and an
// icon; the items do not count).
class LazyPopupComboBox final : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(QComboBox::SizeAdjustPolicy sizeAdjustPolicy READ SizeRule WRITE SetSizeRule)
    Q_PROPERTY(int minimumContentsLength READ MinimumChars WRITE SetMinimumChars)

public:
    using QComboBox::QComboBox;

    QSize sizeHint() const override {
        sized_ = true;
        return KeptRule() ? KeptRuleHint() : QComboBox::sizeHint();
    }
    QSize minimumSizeHint() const override {
        sized_ = true;
        return KeptRule() ? KeptRuleHint() : QComboBox::minimumSizeHint();
    }
    void showPopup() override {
        ApplyKeptRule();
        QComboBox::showPopup();
    }

    QComboBox::SizeAdjustPolicy SizeRule() const {
        return keptRule_ ? *keptRule_ : sizeAdjustPolicy();
    }
    void SetSizeRule(QComboBox::SizeAdjustPolicy rule) {
        if (rule == AdjustToMinimumContentsLengthWithIcon && !HasPopup()) {
            keptRule_ = rule;
            updateGeometry();
        } else {
            keptRule_.reset();
            setSizeAdjustPolicy(rule);
        }
    }
    int MinimumChars() const { return keptChars_ ? *keptChars_ : minimumContentsLength(); }
    void SetMinimumChars(int chars) {
        if (KeptRule()) {
            keptChars_ = chars;
            updateGeometry();
        } else {
            keptChars_.reset();
            setMinimumContentsLength(chars);
        }
    }

protected:
    void changeEvent(QEvent* e) override {
        const QEvent::Type type = e->type();
        if ((type == QEvent::StyleChange || type == QEvent::FontChange) && !sized_ &&
            !isEditable() && !HasPopup()) {
            QWidget::changeEvent(e);
            return;
        }
        QComboBox::changeEvent(e);
    }

private:
    bool HasPopup() const { return findChild<QAbstractItemView*>() != nullptr; }
    bool KeptRule() const { return keptRule_ && !HasPopup(); }
    // What Qt's combo box gives for its "minimum contents length with icon"
    // rule: room for the characters and an icon, the height of a line or of
    // the icon, and the style's frame and arrow.
    QSize KeptRuleHint() const {
        const QFontMetrics fm = fontMetrics();
        const QSize icon = iconSize();
        QSize size(MinimumChars() * fm.horizontalAdvance(QLatin1Char('X')) + icon.width() + 4,
                   std::max(qCeil(QFontMetricsF(fm).height()), 14) + 2);
        size.setHeight(std::max(size.height(), icon.height() + 2));
        QStyleOptionComboBox option;
        initStyleOption(&option);
        return style()->sizeFromContents(QStyle::CT_ComboBox, &option, size, this);
    }
    void ApplyKeptRule() {
        if (keptChars_)
            setMinimumContentsLength(*std::exchange(keptChars_, std::nullopt));
        if (keptRule_)
            setSizeAdjustPolicy(*std::exchange(keptRule_, std::nullopt));
    }

    mutable bool sized_ = false;
    std::optional<QComboBox::SizeAdjustPolicy> keptRule_;
    std::optional<int> keptChars_;
};

class Loader : public QUiLoader {
public:
    explicit Loader(WindowImplBase* callback) : callback_(callback) { clearPluginPaths(); }

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* const home = Home(parent);
        QWidget* w = nullptr;
        if (callback_) {
            QWidget* const outer = tControlParent;
            tControlParent = home;
            w = callback_->CreateControl(className);
            tControlParent = outer;
        }
        if (!w)
            w = ControlFactory::CreateControl(className, home);
        if (w) {
            if (w->parentWidget() != home)
                w->setParent(home);
            w->setObjectName(name);
            return w;
        }
        if (className == QLatin1String("QComboBox")) {
            w = new LazyPopupComboBox(home);
            w->setObjectName(name);
            return w;
        }
        w = QUiLoader::createWidget(className, parent, name);
        if (w && home && w->parentWidget() != home)
            w->setParent(home); // still empty: see Home
        return w;
    }

    // A layout class Qt does not know stands in as a box layout, since the
    // loader would use the missing layout; the layout counts as broken.
    QLayout* createLayout(const QString& className, QObject* parent, const QString& name) override {
        if (QLayout* layout = QUiLoader::createLayout(className, parent, name))
            return layout;
        unknownLayout_ = className;
        return QUiLoader::createLayout(QStringLiteral("QVBoxLayout"), parent, name);
    }
    const QString& UnknownLayout() const { return unknownLayout_; }

private:
    WindowImplBase* callback_;
    QString unknownLayout_;
};

} // namespace

QWidget* DialogBuilder::Create(const QString& nameOrFile, WindowImplBase* callback,
                               QWidget* parent) {
    if (tDepth >= kMaxDepth) {
        qCWarning(uiLog) << "layouts nested too deeply at" << nameOrFile;
        return nullptr;
    }
    const QString path = ResourceManager::GetInstance().ResolveLayout(nameOrFile);
    if (path.isEmpty()) {
        qCWarning(uiLog) << "no layout" << nameOrFile;
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(uiLog) << "cannot open layout" << path;
        return nullptr;
    }
    WindowImplBase* cb = callback ? callback : (tBuilding.empty() ? nullptr : tBuilding.back());
    // Qt's form loader loads every designer plugin it finds while it is being
    // made (Qt Quick among them, megabytes the layouts never use): it is made
    // with no plugin folders, which are then given back.
    const QStringList pluginFolders = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    Loader loader(cb);
    QCoreApplication::setLibraryPaths(pluginFolders);
    loader.setWorkingDirectory(QFileInfo(path).absoluteDir());
    if (!parent)
        parent = tControlParent;
    tControlParent = nullptr; // the layout's own controls say where they go
    ++tDepth;
    if (callback)
        tBuilding.push_back(callback);
    QWidget* root = loader.load(&file, parent);
    if (callback)
        tBuilding.pop_back();
    --tDepth;
    if (!root) {
        qCWarning(uiLog) << "cannot build layout" << path << loader.errorString();
        return nullptr;
    }
    if (!loader.UnknownLayout().isEmpty()) {
        qCWarning(uiLog) << "cannot build layout" << path << "unknown layout class"
                         << loader.UnknownLayout();
        delete root;
        return nullptr;
    }
    ResourceManager::GetInstance().ApplyTexts(root);
    return root;
}

} // namespace zk::ui

#include "DialogBuilder.moc"
