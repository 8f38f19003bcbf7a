#include "app/windows/HelpPanel.h"
#include "app/windows/Copyright.h"

#include <QFrame>
#include <QWidget>

#include <gtest/gtest.h>

using zk::app::HelpPanel;

namespace {

zk::ui::TNotifyUI Note(const char* type, const char* sender) {
    zk::ui::TNotifyUI n;
    n.sType = QLatin1String(type);
    n.senderName = QLatin1String(sender);
    return n;
}

struct MainWindowFake {
    QWidget window;
    QWidget* body = new QWidget(&window);
    QFrame* panel = new QFrame(body);
    MainWindowFake() {
        window.resize(960, 600);
        body->setGeometry(0, 0, 960, 600);
        panel->setObjectName(QStringLiteral("ques_click"));
        panel->setVisible(false);
        window.show();
    }
};

} // namespace

TEST(HelpPanelTest, HelpButtonOpensAndCollapsesThePanel) {
    MainWindowFake main;
    HelpPanel help(&main.window);
    EXPECT_TRUE(help.IsCollapsed());

    EXPECT_TRUE(help.Handle(Note("click", "quesbtn")));
    EXPECT_TRUE(main.panel->isVisible());
    EXPECT_EQ(help.PanelRect(), QRect(800, 20, 151, 85)); // (800, 20, 951, 105)
    EXPECT_FALSE(help.IsCollapsed());

    EXPECT_TRUE(help.Handle(Note("click", "QuesBtn"))); // names without regard to case
    EXPECT_EQ(help.PanelRect(), QRect(800, 20, 0, 0));
    EXPECT_TRUE(help.IsCollapsed());

    EXPECT_TRUE(help.Handle(Note("click", "quesbtn")));
    EXPECT_EQ(help.PanelRect().size(), QSize(151, 85));

    // Focus moving to the mouse picture hides the panel and leaves the flag.
    EXPECT_FALSE(help.Handle(Note("setfocus", "mouse_map")));
    EXPECT_FALSE(main.panel->isVisible());
    EXPECT_FALSE(help.IsCollapsed());
    EXPECT_FALSE(help.Handle(Note("click", "some_other_button")));
}

TEST(HelpPanelTest, EntriesOpenThePageOrTheUpdaterAndHideThePanel) {
    MainWindowFake main;
    HelpPanel help(&main.window);
    QList<QUrl> opened;
    QStringList started;
    help.SetOpenUrl([&](const QUrl& url) {
        opened << url;
        return true;
    });
    help.SetStartProgram([&](const QString& program, const QString& argument, const QString&) {
        started << program << argument;
        return false; // a missing updater
    });

    help.Handle(Note("click", "quesbtn"));
    EXPECT_TRUE(help.Handle(Note("click", "menu_website")));
    EXPECT_TRUE(opened.isEmpty()); // this entry opens nothing
    EXPECT_EQ(help.PanelRect(), QRect(0, 0, 0, 0));
    EXPECT_TRUE(help.IsCollapsed());

    help.Handle(Note("click", "quesbtn"));
    EXPECT_TRUE(help.Handle(Note("click", "menu_restore")));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), zk::app::Ccopyright::MakerWebPage());
    EXPECT_TRUE(help.IsCollapsed());

    help.Handle(Note("click", "quesbtn"));
    EXPECT_TRUE(help.Handle(Note("click", "menu_update")));
    ASSERT_EQ(started.size(), 2);
    EXPECT_TRUE(started[0].endsWith(QStringLiteral("/Update_ms.exe")));
    EXPECT_EQ(started[1], QStringLiteral("NULL"));
    EXPECT_EQ(help.PanelRect(), QRect(0, 0, 0, 0));
    EXPECT_TRUE(help.IsCollapsed());
}
