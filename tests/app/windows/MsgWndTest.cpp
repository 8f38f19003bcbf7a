#include "WindowTestEnv.h"

#include "app/windows/MsgWnd.h"
#include "ui/Controls.h"

#include <QElapsedTimer>
#include <QPointer>

#include <gtest/gtest.h>

using zk::app::CMsgWnd;

namespace {

class MsgWndTest : public ::testing::Test {
protected:
    void SetUp() override { zktest::UseStagedSkin(); }
};

QWidget* TextOf(CMsgWnd* box) {
    return box ? box->FindControl(QStringLiteral("MessageText")) : nullptr;
}

// The text the layout itself gives the message label.
QString LayoutText() {
    CMsgWnd probe;
    EXPECT_TRUE(probe.Create(nullptr, QStringLiteral("probe"), zk::ui::WindowStyle::Dialog));
    QWidget* label = probe.FindControl(QStringLiteral("MessageText"));
    return label ? zk::ui::GetText(label) : QString();
}

} // namespace

TEST_F(MsgWndTest, EmptyTextKeepsTheLayoutsTextAndConfirmReturnsOne) {
    const QString layoutText = LayoutText();
    ASSERT_FALSE(layoutText.isEmpty());
    QString shown;
    QString title;
    zktest::Soon([&] {
        CMsgWnd* box = zktest::FindTopLevel<CMsgWnd>();
        ASSERT_NE(box, nullptr);
        shown = zk::ui::GetText(TextOf(box));
        title = zk::ui::GetText(box->FindControl(QStringLiteral("MessageTitle")));
        zktest::MaybeScreenshot(box, QStringLiteral("message_box"));
        EXPECT_TRUE(zktest::Click(box, QStringLiteral("confirm_btn")));
    });
    EXPECT_EQ(zk::app::ShowMessage(nullptr, QString(), true), 1);
    EXPECT_EQ(shown, layoutText);
    EXPECT_FALSE(title.isEmpty());
}

TEST_F(MsgWndTest, KeyTextIsLookedUpAndEveryOtherEndReturnsZero) {
    for (const char* button : {"cancel_btn", "closebtn"}) {
        QString key;
        QString plain;
        zktest::Soon([&] {
            CMsgWnd* box = zktest::FindTopLevel<CMsgWnd>();
            ASSERT_NE(box, nullptr);
            key = zk::ui::GetResourceKey(TextOf(box));
            EXPECT_TRUE(zktest::Click(box, QLatin1String(button)));
        });
        EXPECT_EQ(zk::app::ShowMessage(nullptr, QStringLiteral("message_text_1"), true), 0)
            << button;
        EXPECT_EQ(key, QStringLiteral("message_text_1"));

        // A plain text is shown as given and carries no key.
        zktest::Soon([&] {
            CMsgWnd* box = zktest::FindTopLevel<CMsgWnd>();
            ASSERT_NE(box, nullptr);
            plain = zk::ui::GetText(TextOf(box));
            key = zk::ui::GetResourceKey(TextOf(box));
            box->Close(7); // any other end
        });
        EXPECT_EQ(zk::app::ShowMessage(nullptr, QStringLiteral("Profile saved"), false), 0);
        EXPECT_EQ(plain, QStringLiteral("Profile saved"));
        EXPECT_TRUE(key.isEmpty());
    }
}

TEST_F(MsgWndTest, TimedMessageClosesItselfAfterAboutHalfASecond) {
    QString key;
    QPointer<CMsgWnd> seen;
    zktest::Soon([&] {
        seen = zktest::FindTopLevel<CMsgWnd>();
        if (seen)
            key = zk::ui::GetResourceKey(TextOf(seen));
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(zk::app::ShowTimedMessage(nullptr), 0);
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 450);
    EXPECT_LT(elapsed, 3000);
    EXPECT_EQ(key, QStringLiteral("message_text_20"));
    // The window deletes itself once it is destroyed.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(seen.isNull());
}

TEST_F(MsgWndTest, HookReceivesMessagesInsteadOfAWindow) {
    std::vector<zk::app::MessageRequest> seen;
    bool windowShown = false;
    {
        zk::app::ScopedMessageHook hook([&](const zk::app::MessageRequest& r) {
            seen.push_back(r);
            windowShown = windowShown || zktest::FindTopLevel<CMsgWnd>() != nullptr;
            return r.timed ? 0 : 1;
        });
        EXPECT_EQ(zk::app::ShowMessage(nullptr, QStringLiteral("message_text_8"), true), 1);
        EXPECT_EQ(zk::app::ShowTimedMessage(nullptr), 0);
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, QStringLiteral("message_text_8"));
    EXPECT_TRUE(seen[0].isKey);
    EXPECT_FALSE(seen[0].timed);
    EXPECT_EQ(seen[1].text, QStringLiteral("message_text_20"));
    EXPECT_TRUE(seen[1].timed);
    EXPECT_FALSE(windowShown);

    // Removed with its scope: a real box runs again.
    zktest::Soon([] {
        if (CMsgWnd* box = zktest::FindTopLevel<CMsgWnd>())
            zktest::Click(box, QStringLiteral("confirm_btn"));
    });
    EXPECT_EQ(zk::app::ShowMessage(nullptr, QStringLiteral("x"), false), 1);
}
