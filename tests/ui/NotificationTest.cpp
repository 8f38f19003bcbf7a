// Notifications raised by the real widgets of a window built from a layout.

#include "TestWindow.h"

#include "ui/ControlFactory.h"
#include "ui/Controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace zk::ui;
using zktest::TestWindow;

namespace {

class NotificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        zktest::UseTestSkin();
        ControlFactory::RegistControl(QStringLiteral("CTestFactoryUI"), [](QWidget* parent) {
            auto* bar = new QProgressBar(parent);
            bar->setProperty("fromFactory", true);
            return bar;
        });
        ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("test"), WindowStyle::Frame));
        wnd.ShowWindow(true, true);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
        ASSERT_TRUE(zktest::WaitFor([&] { return wnd.Count("windowinit") == 1; }));
        wnd.ClearNotes();
    }

    template <class T> T* Find(const char* name) {
        auto* c = wnd.FindControl<T>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    TestWindow wnd;
};

TEST_F(NotificationTest, LayoutControlsAreFoundByNameWithCustomTagsAndFactoryClasses) {
    EXPECT_EQ(wnd.FindControl("no_such_control"), nullptr);
    EXPECT_EQ(wnd.FindControl(QString()), nullptr);
    EXPECT_NE(Find<QPushButton>("btn_ok"), nullptr);
    // The custom tag loaded a sub-layout whose controls are part of the window;
    // its root carries the name the outer layout gives it.
    QWidget* sub = wnd.FindControl("sub_host");
    ASSERT_NE(sub, nullptr);
    auto* subBtn = Find<QPushButton>("sub_btn");
    ASSERT_NE(subBtn, nullptr);
    EXPECT_TRUE(sub->isAncestorOf(subBtn));
    EXPECT_TRUE(wnd.GetPaintManager().GetRoot()->isAncestorOf(sub));
    // Its notifications arrive like any other control's.
    QTest::mouseClick(subBtn, Qt::LeftButton);
    EXPECT_EQ(wnd.Count("click", "sub_btn"), 1);
    // The factory made the registered class under the layout's name.
    auto* fromFactory = Find<QProgressBar>("factory_ctl");
    ASSERT_NE(fromFactory, nullptr);
    EXPECT_TRUE(fromFactory->property("fromFactory").toBool());
    // The window took the layout's size.
    EXPECT_EQ(wnd.size(), QSize(560, 340));
}

TEST_F(NotificationTest, WindowInitComesOnceAfterInitWindow) {
    const QStringList& ev = wnd.events;
    const auto init = ev.indexOf("InitWindow");
    const auto winit = ev.indexOf("notify:windowinit");
    ASSERT_GE(init, 0);
    ASSERT_GT(winit, init);
    EXPECT_EQ(ev.count("notify:windowinit"), 1);
    wnd.resize(600, 400);
    EXPECT_GE(wnd.Count("windowsize"), 1);
}

TEST_F(NotificationTest, ButtonsOptionsAndCheckBoxes) {
    auto* ok = Find<QPushButton>("btn_ok");
    auto* a = Find<QRadioButton>("opt_a");
    auto* b = Find<QRadioButton>("opt_b");
    auto* chk = Find<QCheckBox>("chk_1");

    QTest::mouseClick(ok, Qt::LeftButton);
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Space);
    EXPECT_EQ(wnd.Count("click", "btn_ok"), 2);
    EXPECT_EQ(wnd.Count("selectchanged"), 0);

    // Choosing another option: click, then selectchanged of the chosen one only.
    wnd.ClearNotes();
    const QPoint onIndicator(8, b->height() / 2);
    QTest::mouseClick(b, Qt::LeftButton, {}, onIndicator);
    ASSERT_TRUE(b->isChecked());
    std::vector<zktest::Note> choice;
    for (const auto& n : wnd.notes)
        if (n.type == "click" || n.type == "selectchanged")
            choice.push_back(n);
    ASSERT_EQ(choice.size(), 2u);
    EXPECT_EQ(choice[0].type, "click");
    EXPECT_EQ(choice[1].type, "selectchanged");
    EXPECT_EQ(choice[1].sender, "opt_b");
    EXPECT_EQ(wnd.Count("selectchanged", "opt_a"), 0);

    // Clicking the option that is already selected changes nothing.
    wnd.ClearNotes();
    QTest::mouseClick(b, Qt::LeftButton, {}, onIndicator);
    EXPECT_EQ(wnd.Count("click", "opt_b"), 1);
    EXPECT_EQ(wnd.Count("selectchanged"), 0);

    // A check box reports both directions.
    wnd.ClearNotes();
    QTest::mouseClick(chk, Qt::LeftButton, {}, onIndicator);
    QTest::mouseClick(chk, Qt::LeftButton, {}, onIndicator);
    auto sel = wnd.NotesOf("selectchanged");
    ASSERT_EQ(sel.size(), 2u);
    EXPECT_EQ(sel[0].wParam, 1u);
    EXPECT_EQ(sel[1].wParam, 0u);
    EXPECT_FALSE(a->isChecked());
}

TEST_F(NotificationTest, ProgramChangesNotifyOnlyWhenAsked) {
    auto* a = Find<QRadioButton>("opt_a");
    auto* b = Find<QRadioButton>("opt_b");
    auto* chk = Find<QCheckBox>("chk_1");
    auto* combo = Find<QComboBox>("fct_combo");
    auto* list = Find<QListWidget>("config_list");
    auto* tabs = Find<QTabWidget>("tabs");
    auto* pages = Find<QStackedWidget>("pages");
    auto* slider = Find<QSlider>("DPI_slider_1");
    auto* edit = Find<QLineEdit>("name_edit");

    // Qt's own setters and the helpers without sendNotify raise nothing.
    chk->setChecked(true);
    combo->setCurrentIndex(2);
    list->setCurrentRow(1);
    tabs->setCurrentIndex(1);
    slider->setValue(7);
    edit->setText("typed by program");
    SetCheck(b, true);
    EXPECT_TRUE(SelectItem(combo, 0));
    EXPECT_TRUE(SelectItem(pages, 1));
    EXPECT_TRUE(wnd.notes.empty()) << wnd.notes.front().type.toStdString();
    EXPECT_FALSE(a->isChecked());

    // With sendNotify the same notification a user's change raises follows once.
    SetCheck(a, true, true);
    EXPECT_TRUE(SelectItem(combo, 1, true));
    EXPECT_TRUE(SelectItem(list, 2, true));
    EXPECT_TRUE(SelectItem(tabs, 0, true));
    ASSERT_EQ(wnd.notes.size(), 4u);
    EXPECT_EQ(wnd.notes[0].type, "selectchanged");
    EXPECT_EQ(wnd.notes[0].sender, "opt_a");
    EXPECT_EQ(wnd.notes[1].type, "itemselect");
    EXPECT_EQ(wnd.notes[1].wParam, 1u);
    EXPECT_EQ(wnd.notes[1].lParam, 0);
    EXPECT_EQ(wnd.notes[2].sender, "config_list");
    EXPECT_EQ(wnd.notes[3].sender, "tabs");
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(list->currentRow(), 2);

    // Re-selecting the current entry raises nothing; a bad index is refused.
    wnd.ClearNotes();
    EXPECT_TRUE(SelectItem(combo, 1, true));
    EXPECT_TRUE(SelectItem(list, 2, true));
    SetCheck(a, true, true);
    EXPECT_FALSE(SelectItem(combo, 3, true));
    EXPECT_FALSE(SelectItem(combo, -1, true));
    EXPECT_TRUE(wnd.notes.empty());

    // The program may deselect an exclusive option (both then stand deselected).
    SetCheck(a, false);
    EXPECT_FALSE(a->isChecked());
    EXPECT_FALSE(b->isChecked());
    EXPECT_TRUE(a->autoExclusive());
}

TEST_F(NotificationTest, SliderDragKeyboardAndRelease) {
    auto* slider = Find<QSlider>("DPI_slider_1");
    slider->setValue(0);
    const QPoint handle(slider->style()->pixelMetric(QStyle::PM_SliderLength) / 2,
                        slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle);
    QTest::mouseMove(slider, QPoint(slider->width() / 2, slider->height() / 2));
    QTest::mouseMove(slider, QPoint(slider->width() - 5, slider->height() / 2));
    const auto moves = wnd.NotesOf("movevaluechanged");
    ASSERT_GE(moves.size(), 1u);
    EXPECT_EQ(moves.back().sender, "DPI_slider_1");
    EXPECT_EQ(wnd.Count("valuechanged"), 0);
    QTest::mouseRelease(slider, Qt::LeftButton, {},
                        QPoint(slider->width() - 5, slider->height() / 2));
    auto done = wnd.NotesOf("valuechanged");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(static_cast<int>(done[0].wParam), slider->value());
    EXPECT_GT(slider->value(), 5);

    // Keyboard steps report the new value, which the slider already holds.
    wnd.ClearNotes();
    slider->setValue(3);
    int seenInHandler = -1;
    wnd.onNotify = [&](TNotifyUI& m) {
        if (m.Is(DUI_MSGTYPE_VALUECHANGED, "dpi_slider_1"))
            seenInHandler = slider->value();
    };
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    ASSERT_EQ(wnd.Count("valuechanged", "DPI_slider_1"), 1);
    EXPECT_EQ(wnd.NotesOf("valuechanged")[0].wParam, 4u);
    EXPECT_EQ(seenInHandler, 4);
    // The wheel steps the value as well.
    wnd.ClearNotes();
    const QPoint mid = slider->rect().center();
    QWheelEvent wheel(mid, slider->mapToGlobal(mid), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(slider, &wheel);
    ASSERT_EQ(wnd.Count("valuechanged", "DPI_slider_1"), 1);
    EXPECT_EQ(static_cast<int>(wnd.NotesOf("valuechanged")[0].wParam), slider->value());
    EXPECT_NE(slider->value(), 4);
    EXPECT_EQ(wnd.Count("movevaluechanged"), 0);
    // At the end of the range a key press changes and raises nothing.
    slider->setValue(10);
    wnd.ClearNotes();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(wnd.Count("valuechanged"), 0);
}

TEST_F(NotificationTest, ComboSelectionByKeyboardAndPopup) {
    auto* combo = Find<QComboBox>("fct_combo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    auto sel = wnd.NotesOf("itemselect");
    ASSERT_EQ(sel.size(), 1u);
    EXPECT_EQ(sel[0].sender, "fct_combo");
    EXPECT_EQ(sel[0].wParam, 1u);
    EXPECT_EQ(sel[0].lParam, 0);

    // Picking an entry in the popup list.
    wnd.ClearNotes();
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(zktest::WaitFor([&] { return view->isVisible(); }));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(2, 0)).center());
    ASSERT_TRUE(zktest::WaitFor([&] { return combo->currentIndex() == 2; }));
    EXPECT_EQ(wnd.Count("itemselect", "fct_combo"), 1);

    // Picking the entry that is already current raises nothing.
    wnd.ClearNotes();
    combo->showPopup();
    ASSERT_TRUE(zktest::WaitFor([&] { return view->isVisible(); }));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(2, 0)).center());
    ASSERT_TRUE(zktest::WaitFor([&] { return !view->isVisible(); }));
    EXPECT_EQ(wnd.Count("itemselect"), 0);
}

// Combo boxes of a layout, styled by an application style sheet that sets
// their font, make their popup lists only when they open: at the top of the
// layout, in a sub-layout of a custom tag and on a hidden stacked page.
TEST(LayoutComboTest, PopupIsMadeWhenItFirstOpens) {
    zktest::UseTestSkin();
    const QString sheet = qApp->styleSheet();
    qApp->setStyleSheet(QStringLiteral("* { font-size: 15px; } QComboBox { padding: 2px 6px; }"));
    {
        TestWindow wnd;
        ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("test"), WindowStyle::Frame));
        wnd.ShowWindow(true, true);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
        zktest::Pump(50);
        for (const char* name : {"fct_combo", "sub_combo", "page_combo"}) {
            SCOPED_TRACE(name);
            auto* combo = wnd.FindControl<QComboBox>(QString::fromLatin1(name));
            ASSERT_NE(combo, nullptr);
            EXPECT_EQ(combo->findChild<QAbstractItemView*>(), nullptr);
            EXPECT_EQ(combo->font().pixelSize(), 15);
            // Size rules kept until the popup opens size the box as Qt's own do.
            QComboBox plain(combo->parentWidget());
            plain.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            plain.setMinimumContentsLength(combo->property("minimumContentsLength").toInt());
            plain.addItems({QStringLiteral("a much longer entry than five letters")});
            if (plain.minimumContentsLength() > 0) {
                plain.ensurePolished();
                EXPECT_EQ(combo->sizeHint(), plain.sizeHint());
                EXPECT_EQ(combo->minimumSizeHint(), plain.minimumSizeHint());
            }
            if (!combo->isVisible()) {
                auto* pages = wnd.FindControl<QStackedWidget>(QStringLiteral("pages"));
                pages->setCurrentWidget(combo->parentWidget());
            }
            // Picked from its list, the entry raises the combo's selection.
            wnd.ClearNotes();
            combo->showPopup();
            QAbstractItemView* view = combo->view();
            ASSERT_TRUE(zktest::WaitFor([&] { return view->isVisible(); }));
            EXPECT_EQ(view->font().pixelSize(), 15);
            if (plain.minimumContentsLength() > 0) {
                EXPECT_EQ(combo->sizeAdjustPolicy(), plain.sizeAdjustPolicy());
                EXPECT_EQ(combo->sizeHint(), plain.sizeHint());
            }
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->model()->index(1, 0)).center());
            ASSERT_TRUE(zktest::WaitFor([&] { return combo->currentIndex() == 1; }));
            EXPECT_EQ(wnd.Count("itemselect", QString::fromLatin1(name)), 1);
        }
    }
    qApp->setStyleSheet(sheet);
}

TEST_F(NotificationTest, ListSelectClickActivateAndContextMenu) {
    auto* list = Find<QListWidget>("config_list");
    auto rowCenter = [&](int row) { return list->visualItemRect(list->item(row)).center(); };
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(1));
    auto sel = wnd.NotesOf("itemselect");
    ASSERT_EQ(sel.size(), 1u);
    EXPECT_EQ(sel[0].sender, "config_list");
    EXPECT_EQ(sel[0].wParam, 1u);
    EXPECT_EQ(wnd.Count("itemclick", "config_list"), 1);

    // A click on the current row is a click, not a selection.
    wnd.ClearNotes();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(1));
    EXPECT_EQ(wnd.Count("itemselect"), 0);
    EXPECT_EQ(wnd.Count("itemclick"), 1);

    // Keyboard moves select too; a double click activates.
    wnd.ClearNotes();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(wnd.Count("itemselect"), 1);
    EXPECT_EQ(wnd.NotesOf("itemselect")[0].wParam, 2u);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCenter(0));
    EXPECT_EQ(wnd.Count("itemactivate", "config_list"), 1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(wnd.Count("itemactivate", "config_list"), 2);

    // A row shown by a named widget is the sender of its clicks.
    wnd.ClearNotes();
    auto* rowWidget = new QLabel(QStringLiteral("row"));
    rowWidget->setObjectName(QStringLiteral("ms_macro_action"));
    list->setItemWidget(list->item(2), rowWidget);
    zktest::Pump(10);
    QTest::mouseClick(rowWidget, Qt::LeftButton, {}, rowWidget->rect().center());
    auto rowClicks = wnd.NotesOf("itemclick");
    ASSERT_EQ(rowClicks.size(), 1u);
    EXPECT_EQ(rowClicks[0].sender, "ms_macro_action");
    EXPECT_EQ(rowClicks[0].wParam, 2u);
    EXPECT_EQ(wnd.Count("itemselect", "config_list"), 1);

    // A context menu request on the list (as the platform delivers it).
    wnd.ClearNotes();
    QContextMenuEvent ctx(QContextMenuEvent::Mouse, rowCenter(0),
                          list->viewport()->mapToGlobal(rowCenter(0)));
    QCoreApplication::sendEvent(list->viewport(), &ctx);
    auto menu = wnd.NotesOf("menu");
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].sender, "config_list");
    // A widget that asks for it raises "menu" as well; others do not.
    QWidget* ctxBtn = wnd.FindControl("ctx_btn");
    QContextMenuEvent ctx2(QContextMenuEvent::Keyboard, QPoint(2, 2), QPoint(2, 2));
    QCoreApplication::sendEvent(ctxBtn, &ctx2);
    QContextMenuEvent ctx3(QContextMenuEvent::Keyboard, QPoint(2, 2), QPoint(2, 2));
    QCoreApplication::sendEvent(wnd.FindControl("btn_ok"), &ctx3);
    EXPECT_EQ(wnd.Count("menu", "ctx_btn"), 1);
    EXPECT_EQ(wnd.Count("menu"), 2);
}

TEST_F(NotificationTest, TabClicksSelectPages) {
    auto* tabs = Find<QTabWidget>("tabs");
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(tabs->currentIndex(), 1);
    auto sel = wnd.NotesOf("selectchanged");
    ASSERT_EQ(sel.size(), 1u);
    EXPECT_EQ(sel[0].sender, "tabs");
    EXPECT_EQ(sel[0].wParam, 1u);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(wnd.Count("selectchanged"), 1);
}

TEST_F(NotificationTest, EditFocusAndTyping) {
    auto* edit = Find<QLineEdit>("name_edit");
    auto* other = Find<QLineEdit>("other_edit");
    wnd.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wnd));
    QTest::mouseClick(edit, Qt::LeftButton);
    ASSERT_TRUE(zktest::WaitFor([&] { return edit->hasFocus(); }));
    EXPECT_EQ(wnd.Count("setfocus", "name_edit"), 1);
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(wnd.Count("textchanged", "name_edit"), 3);
    EXPECT_EQ(edit->text(), "abc");
    QTest::mouseClick(other, Qt::LeftButton);
    ASSERT_TRUE(zktest::WaitFor([&] { return other->hasFocus(); }));
    EXPECT_EQ(wnd.Count("killfocus", "name_edit"), 1);
    EXPECT_EQ(wnd.Count("setfocus", "other_edit"), 1);
    // killfocus comes before the other control's setfocus.
    const auto all = wnd.notes;
    int kill = -1, set = -1;
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
        if (all[i].type == "killfocus" && all[i].sender == "name_edit")
            kill = i;
        if (all[i].type == "setfocus" && all[i].sender == "other_edit")
            set = i;
    }
    EXPECT_LT(kill, set);
}

TEST_F(NotificationTest, HoverEnterAndLeave) {
    auto* ok = Find<QPushButton>("btn_ok");
    QWidget* root = wnd.GetPaintManager().GetRoot();
    QTest::mouseMove(root, QPoint(300, 320));
    zktest::Pump(20);
    wnd.ClearNotes();
    QTest::mouseMove(ok, ok->rect().center());
    ASSERT_TRUE(zktest::WaitFor([&] { return wnd.Count("msenter", "btn_ok") == 1; }));
    QTest::mouseMove(root, QPoint(300, 320));
    ASSERT_TRUE(zktest::WaitFor([&] { return wnd.Count("msleave", "btn_ok") == 1; }));
    // Plain containers stay silent.
    EXPECT_EQ(wnd.Count("msenter", "root"), 0);
}

TEST_F(NotificationTest, CustomControlsRaiseTheirOwnNotifications) {
    QWidget* ctl = wnd.FindControl("factory_ctl");
    SendNotify(ctl, QString::fromLatin1(DUI_MSGTYPE_COLORCHANGED), 0xFF0199CB);
    auto notes = wnd.NotesOf("colorchanged");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].sender, "factory_ctl");
    EXPECT_EQ(notes[0].wParam, 0xFF0199CBu);
    // A control outside any window raises nothing and does not crash.
    QLabel loose;
    SendNotify(&loose, QStringLiteral("colorchanged"));
    EXPECT_EQ(WindowOf(&loose), nullptr);

    // Controls added to the window later are connected too.
    auto* late = new QPushButton(QStringLiteral("late"), wnd.FindControl("stack_page_1"));
    late->setObjectName(QStringLiteral("late_btn"));
    zktest::Pump(10);
    wnd.FindControl<QStackedWidget>("pages")->setCurrentIndex(1);
    late->show();
    QTest::mouseClick(late, Qt::LeftButton);
    EXPECT_EQ(wnd.Count("click", "late_btn"), 1);
}

} // namespace
