#include "WindowTestEnv.h"

#include "app/windows/Copyright.h"

#include <QDesktopServices>
#include <QPointer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

class CopyrightTest : public ::testing::Test {
protected:
    void SetUp() override { zktest::UseStagedSkin(); }
};

} // namespace

TEST(CopyrightPlacementTest, TwiceTheLeftEdgeAndHalfTheBottomKeptOnScreen) {
    const QRect area(0, 0, 1920, 1040);
    const QSize size(440, 260);
    // A main window at (100, 50), 960 x 600: bottom edge 649.
    EXPECT_EQ(zk::app::Ccopyright::Placement(QRect(100, 50, 960, 600), size, area).topLeft(),
              QPoint(200, 649 / 2 - 80));
    // Twice a far left edge would leave the screen: the window stays inside.
    const QRect far = zk::app::Ccopyright::Placement(QRect(1200, 300, 700, 600), size, area);
    EXPECT_TRUE(area.contains(far));
    EXPECT_EQ(far.size(), size);
    EXPECT_EQ(far.right(), area.right());
}

TEST_F(CopyrightTest, LinkOpensTheMakersPageAndCloseEndsTheWindow) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QWidget main;
    main.setGeometry(40, 60, 960, 600);
    main.show();
    QPointer<zk::app::Ccopyright> about = zk::app::Ccopyright::Open(&main);
    ASSERT_FALSE(about.isNull());
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->mask().isEmpty()); // rounded region
    EXPECT_FALSE(about->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(about->mask().contains(QPoint(about->width() / 2, about->height() / 2)));
    QCoreApplication::processEvents();
    zktest::MaybeScreenshot(about, QStringLiteral("about_window"));

    EXPECT_TRUE(zktest::Click(about, QStringLiteral("NetText")));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.first(), zk::app::Ccopyright::MakerWebPage());

    EXPECT_TRUE(zktest::Click(about, QStringLiteral("closebtn")));
    for (int i = 0; i < 5 && !about.isNull(); ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(about.isNull());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

#include "CopyrightTest.moc"
