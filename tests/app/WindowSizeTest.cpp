// The main window at its minimum size and enlarged, as `zk412v --emulate`
// runs it: what opens inside the window (the button popup, a sub-list, the
// profile context panel, the help panel) opens beside what opened it at every
// size. On a real desktop the window is moved by its caption and resized by
// its edges with the pointer (xdotool), as a user does: on X11 with openbox
// (CTest runs this under xvfb-run), and as a Wayland client of a weston that
// runs inside an X server and takes its input from the X pointer
// (scripts/wayland-smoke.sh). Each case is skipped elsewhere.

#include "MainWndTestEnv.h"

#include "app/SkinFrame.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;

static void PrintTo(const QPoint& p, std::ostream* os) {
    *os << "(" << p.x() << ", " << p.y() << ")";
}

namespace {

QPoint TopLeftIn(const QWidget* w, const QWidget* window) {
    return w->mapTo(window, QPoint(0, 0));
}

class WindowSize : public apptest::MainWndTest {
protected:
    void Resize(QSize size) {
        wnd_->resize(size);
        Spin(50ms);
    }
    void Click(const char* name) {
        auto* w = Find(name);
        ASSERT_NE(w, nullptr) << name;
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }

    // Where each popup opens relative to what opened it, in window pixels.
    std::vector<QPoint> Offsets() {
        std::vector<QPoint> out;
        QWidget* window = wnd_.get();
        ShowPage("ms_tab", "ms_key_Op_tab");
        for (int button = 2; button <= 7; ++button) {
            const QByteArray name = "mouse_key_" + QByteArray::number(button);
            QApplication::setActiveWindow(window);
            Click(name.constData());
            QWidget* popup = Find("mouse_key_list");
            EXPECT_TRUE(popup->isVisible()) << name.constData();
            out.push_back(TopLeftIn(popup, window) - TopLeftIn(Find(name.constData()), window));
        }
        QWidget* opener = Find("office_key");
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(opener, &enter);
        QWidget* subList = Find("office_key_list");
        EXPECT_TRUE(subList->isVisible());
        out.push_back(TopLeftIn(subList, window) - TopLeftIn(opener, window));

        Click("quesbtn");
        QWidget* help = Find("ques_click");
        out.push_back(TopLeftIn(help, window) - TopLeftIn(Find("quesbtn"), window));
        Click("quesbtn"); // folds it away again
        EXPECT_TRUE(!help->isVisible() || help->geometry().isEmpty())
            << help->geometry().width() << "x" << help->geometry().height();

        auto* list = Find<QListWidget>("config_list");
        const QRect row = list->visualItemRect(list->item(0));
        QContextMenuEvent menu(QContextMenuEvent::Mouse, row.center(),
                               list->viewport()->mapToGlobal(row.center()));
        QApplication::sendEvent(list->viewport(), &menu);
        QWidget* panel = Find("menu_clicked");
        EXPECT_TRUE(panel->isVisible());
        out.push_back(TopLeftIn(panel, window) -
                      list->viewport()->mapTo(window, row.bottomRight()));
        // It stays until one of its buttons or another row is chosen; put
        // away here, so that the pictures show the pages alone.
        panel->hide();
        return out;
    }

    void Shots(const QString& size) {
        for (const char* lang : {"lan_en", "lan_cn"}) {
            ChooseMenuItem(lang);
            const QString suffix = size + QLatin1Char('_') + QLatin1String(lang + 4);
            ShowPage("ms_tab", "ms_dpi_Op_tab");
            Screenshot(QStringLiteral("size_mouse_dpi_") + suffix);
            ShowPage("ms_tab", "ms_key_Op_tab");
            QApplication::setActiveWindow(wnd_.get());
            Click("mouse_key_3");
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
            QApplication::sendEvent(Find("media_set_key"), &enter);
            Screenshot(QStringLiteral("size_mouse_buttons_") + suffix);
            Click("ms_dpi_Op_tab"); // closes the popup
            for (const char* page : {"ms_deng_Op_tab", "ms_cursor_Op_tab", "ms_macro_Op_tab"}) {
                ShowPage("ms_tab", page);
                Screenshot(QStringLiteral("size_") + QLatin1String(page) + QLatin1Char('_') +
                           suffix);
            }
            ShowPage("kb_tab", "kb_deng_Op_tab");
            Screenshot(QStringLiteral("size_keyboard_") + suffix);
            ShowPage("mp_tab", "mp_deng_Op_tab");
            Screenshot(QStringLiteral("size_mousepad_") + suffix);
        }
        ShowPage("ms_tab", "ms_dpi_Op_tab");
    }
};

TEST_F(WindowSize, PopupsOpenBesideWhatOpenedThemAtEverySize) {
    ASSERT_NO_FATAL_FAILURE(OpenEmulated());
    ASSERT_EQ(wnd_->size(), QSize(960, 600));
    EXPECT_EQ(wnd_->minimumSize(), QSize(960, 600));
    Shots(QStringLiteral("960x600"));
    const std::vector<QPoint> design = Offsets();
    for (const QSize size : {QSize(1400, 900), QSize(1100, 640), QSize(400, 300)}) {
        SCOPED_TRACE(size.width());
        Resize(size);
        EXPECT_EQ(wnd_->size(), size.expandedTo(QSize(960, 600)));
        if (size.width() == 1400)
            Shots(QStringLiteral("1400x900"));
        EXPECT_EQ(Offsets(), design);
    }
}

// --- on a real desktop -------------------------------------------------------------

// Watches what the native window is told about the pointer.
class PointerSeen : public QObject {
public:
    QPoint local{-1000, -1000}; // the last position
    int leaves = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonPress)
            local = static_cast<QMouseEvent*>(e)->position().toPoint();
        else if (e->type() == QEvent::Leave)
            ++leaves;
        return false;
    }
};

// The window on a desktop whose pointer xdotool drives: X11 with openbox, or
// Wayland under a weston that shows its output in an X window at the X
// screen's origin (so its output's and the X screen's pixels are the same).
class RealDesktop : public WindowSize {
protected:
    void SetUp() override {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("wayland") && !qEnvironmentVariableIsEmpty("ZK_POINTER_X")) {
            wayland_ = true;
        } else if (platform != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs X11, or Wayland with ZK_POINTER_X naming the X display that "
                            "feeds the compositor's pointer";
        }
        WindowSize::SetUp();
        if (!wayland_) {
            ASSERT_TRUE(StartWindowManager());
        }
        ASSERT_NO_FATAL_FAILURE(OpenEmulated());
        handle_ = wnd_->windowHandle();
        ASSERT_NE(handle_, nullptr);
        ASSERT_TRUE(SpinUntil([&] { return handle_->isExposed(); }, 5s));
        handle_->installEventFilter(&seen_);
    }
    void TearDown() override {
        WindowSize::TearDown();
        if (wm_.state() != QProcess::NotRunning) {
            wm_.kill();
            wm_.waitForFinished(2000);
        }
    }

    bool StartWindowManager() {
        wm_.setProgram(QStringLiteral("openbox"));
        wm_.setArguments({QStringLiteral("--replace")});
        wm_.start();
        if (!wm_.waitForStarted(5000))
            return false;
        const QString pid = QString::number(wm_.processId());
        return SpinUntil(
            [&] {
                QProcess p;
                p.start(QStringLiteral("xprop"), {"-root", "_OPENBOX_PID"});
                return p.waitForFinished(5000) &&
                       QString::fromUtf8(p.readAllStandardOutput()).trimmed().endsWith(pid);
            },
            10s);
    }

    void Xdotool(const QStringList& args) const {
        QProcess p;
        if (wayland_) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("ZK_POINTER_X"));
            p.setProcessEnvironment(env);
        }
        p.start(QStringLiteral("xdotool"), args);
        ASSERT_TRUE(p.waitForFinished(5000) && p.exitCode() == 0)
            << qPrintable(args.join(QLatin1Char(' ')));
    }
    void PointerTo(QPoint at) const {
        Xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
    }

    // The window's top-left corner on the screen the pointer moves over. A
    // Wayland client is never told its place: the pointer is moved over the
    // window and the window's coordinates of it are subtracted.
    QPoint Origin() {
        if (!wayland_)
            return wnd_->geometry().topLeft();
        const QPoint probe = handle_->screen()->geometry().center();
        PointerTo(probe + QPoint(5, 5));
        const QPoint before = seen_.local;
        EXPECT_TRUE(SpinUntil([&] { return seen_.local != before; }, 3s));
        const QPoint near = seen_.local;
        PointerTo(probe);
        EXPECT_TRUE(SpinUntil([&] { return seen_.local == near - QPoint(5, 5); }, 3s));
        return probe - seen_.local;
    }

    // Presses at `from` (window pixels) and drags by `by`. `cursor` is what
    // the window shows there before the press.
    void Drag(QPoint from, QPoint by, Qt::CursorShape cursor) {
        const QPoint start = Origin() + from;
        PointerTo(start);
        ASSERT_TRUE(SpinUntil([&] { return seen_.local == from; }, 3s)) << "pointer not seen";
        ASSERT_TRUE(SpinUntil([&] { return handle_->cursor().shape() == cursor; }, 2s))
            << "cursor " << handle_->cursor().shape() << " instead of " << cursor;
        const int leaves = seen_.leaves;
        Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        // The desktop takes the pointer for its move or resize (a compositor
        // takes the pointer's focus from the window: seen as a leave).
        if (wayland_) {
            EXPECT_TRUE(SpinUntil([&] { return seen_.leaves > leaves; }, 3s));
        }
        Spin(300ms);
        for (int step = 1; step <= 4; ++step) {
            PointerTo(start + by * step / 4);
            Spin(50ms);
        }
        Spin(200ms);
        Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    }

    void Expect(QPoint origin, QSize size) {
        EXPECT_TRUE(SpinUntil([&] { return wnd_->size() == size; }, 3s))
            << wnd_->width() << "x" << wnd_->height() << " instead of " << size.width() << "x"
            << size.height();
        Spin(100ms);
        const QPoint at = Origin();
        EXPECT_EQ(at, origin) << at.x() << "," << at.y();
    }

    bool wayland_ = false;
    QProcess wm_;
    QWindow* handle_ = nullptr;
    PointerSeen seen_;
};

TEST_F(RealDesktop, TheCaptionMovesAndTheEdgesResizeTheWindow) {
    ASSERT_EQ(wnd_->size(), QSize(960, 600));
    // By the caption's title to a known place.
    const QPoint place(150, 100);
    QWidget* title = Find("titletext");
    const QPoint grip = TopLeftIn(title, wnd_.get()) + title->rect().center();
    ASSERT_NO_FATAL_FAILURE(Drag(grip, place - Origin(), Qt::ArrowCursor));
    Expect(place, QSize(960, 600));

    struct Case {
        const char* grip;
        QPoint from; // at the window's current size w x h: x = w + from.x() when negative
        QPoint by;
        Qt::CursorShape cursor;
        QPoint moved;
        QSize grown;
    };
    const Case cases[] = {
        {"right edge", {-2, 300}, {120, 30}, Qt::SizeHorCursor, {0, 0}, {120, 0}},
        {"bottom-left corner", {3, -3}, {-40, 60}, Qt::SizeBDiagCursor, {-40, 0}, {40, 60}},
        {"top edge", {500, 2}, {0, 40}, Qt::SizeVerCursor, {0, 40}, {0, -40}},
        // Not below the minimum size; the bottom edge stays.
        {"top-left corner", {2, 2}, {400, 300}, Qt::SizeFDiagCursor, {160, 20}, {-160, -20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.grip);
        const QSize size = wnd_->size();
        const QPoint origin = Origin();
        const QPoint from(c.from.x() < 0 ? size.width() + c.from.x() : c.from.x(),
                          c.from.y() < 0 ? size.height() + c.from.y() : c.from.y());
        ASSERT_NO_FATAL_FAILURE(Drag(from, c.by, c.cursor));
        Expect(origin + c.moved, size + c.grown);
    }
    Screenshot(QStringLiteral("resized_") + QGuiApplication::platformName());

    // The skin chooser, a window of its own, opens under its button: the
    // pointer just inside the chooser's top-right corner is there on screen.
    QWidget* button = Find("skinbtn");
    const QPoint corner =
        Origin() + TopLeftIn(button, wnd_.get()) + QPoint(button->width(), button->height());
    const QPoint press = TopLeftIn(button, wnd_.get()) + button->rect().center();
    PointerTo(Origin() + press);
    ASSERT_TRUE(SpinUntil([&] { return seen_.local == press; }, 3s));
    Xdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(SpinUntil(
        [] {
            return zk::app::CSkinFrame::Current() &&
                   zk::app::CSkinFrame::Current()->windowHandle() &&
                   zk::app::CSkinFrame::Current()->windowHandle()->isExposed();
        },
        3s));
    QWidget* chooser = zk::app::CSkinFrame::Current();
    PointerSeen inChooser;
    chooser->windowHandle()->installEventFilter(&inChooser);
    // A compositor maps the chooser once its first picture arrives, a moment
    // after the window counts as exposed; the pointer comes in two steps.
    Spin(300ms);
    PointerTo(corner + QPoint(-12, 12));
    Spin(100ms);
    PointerTo(corner + QPoint(-10, 10));
    EXPECT_TRUE(SpinUntil([&] { return inChooser.local == QPoint(chooser->width() - 10, 10); }, 3s))
        << inChooser.local.x() << "," << inChooser.local.y();
    chooser->windowHandle()->removeEventFilter(&inChooser);
}

} // namespace
