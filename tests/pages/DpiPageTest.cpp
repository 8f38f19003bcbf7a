#include "DpiPageTestEnv.h"

#include "pages/mouse/DpiPage.h"
#include "support/WidgetTools.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

namespace dpitest {
namespace {

using namespace zk;
using settings::DpiOfLevel;

QString Name(const char* prefix, int stage) {
    return QString::fromLatin1(prefix) + QString::number(stage);
}

class DpiPage : public DpiPageTest {
protected:
    QSlider* Slider(int stage) const {
        return qobject_cast<QSlider*>(Control(Name("DPI_slider_", stage)));
    }
    QString Label(int stage) const { return ui::GetText(Control(Name("DPI_label_", stage))); }
    QAbstractButton* Option(int stage) const {
        return qobject_cast<QAbstractButton*>(Control(Name("DPI_check_", stage)));
    }
    std::uint8_t Level(int stage) const {
        return image_.RecordByte(settings::kDpiLevelOffsets[static_cast<std::size_t>(stage - 1)]);
    }
    // Waits for the next write of the settings record.
    bool NextWrite(std::size_t already = 0) {
        return SpinUntil([&] { return Writes().size() > already; });
    }
};

TEST_F(DpiPage, WithoutLimitTheSlidersReachEveryIndexAndNothingIsCorrected) {
    StopFlush();
    SetLimits(0, 400);
    SetLevels({40, 0, 12, 90, 48, 49});
    image_.pending = false;
    page_->Refresh();
    for (int stage = 1; stage <= 6; ++stage) {
        ASSERT_NE(Slider(stage), nullptr) << stage;
        EXPECT_EQ(Slider(stage)->minimum(), 0);
        EXPECT_EQ(Slider(stage)->maximum(), 255);
    }
    const std::array<int, 6> expected = {40, 0, 12, 90, 48, 49};
    for (int stage = 1; stage <= 6; ++stage) {
        EXPECT_EQ(Level(stage), expected[stage - 1]) << stage;
        EXPECT_EQ(Label(stage), QString::number(DpiOfLevel(expected[stage - 1], 400))) << stage;
        EXPECT_EQ(Slider(stage)->value(), expected[stage - 1]) << stage;
    }
    EXPECT_FALSE(image_.pending.load());
}

TEST_F(DpiPage, LevelsAboveTheLimitAreShownAtItAndWrittenByTheNextFlush) {
    SetLimits(30, 200);
    SetLevels({40, 10, 40, 30, 31, 0});
    page_->Refresh();
    const std::array<int, 6> shown = {30, 10, 30, 30, 30, 0};
    for (int stage = 1; stage <= 6; ++stage) {
        EXPECT_EQ(Slider(stage)->maximum(), 30);
        EXPECT_EQ(Slider(stage)->value(), shown[stage - 1]) << stage;
        EXPECT_EQ(Level(stage), shown[stage - 1]) << stage;
    }
    EXPECT_EQ(Label(1), QString::number(30 * 100 + 200));
    EXPECT_EQ(Label(2), QString::number(10 * 100 + 200));

    ASSERT_TRUE(NextWrite());
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    const auto& frame = writes[0].frame;
    EXPECT_EQ(frame[4], 56);
    const auto memory = mouse_->Memory(emulator::MemoryArea::Settings);
    for (int stage = 1; stage <= 6; ++stage) {
        const std::size_t at = settings::kDpiLevelOffsets[static_cast<std::size_t>(stage - 1)];
        EXPECT_EQ(frame[8 + at], shown[stage - 1]) << stage;
        EXPECT_EQ(memory[at], shown[stage - 1]) << stage;
    }
}

TEST_F(DpiPage, LabelsStepBy100UpTo48AndBy200After) {
    SetLimits(80, 50);
    SetLevels({0, 48, 49, 80, 1, 2});
    page_->Refresh();
    EXPECT_EQ(Label(1), QStringLiteral("50"));
    EXPECT_EQ(Label(2), QStringLiteral("4850"));
    EXPECT_EQ(Label(3), QStringLiteral("5050"));
    EXPECT_EQ(Label(4), QString::number((80 - 24) * 200 + 50));

    // A keyboard step over the boundary goes through the page like a drag.
    Slider(2)->setFocus();
    QTest::keyClick(Slider(2), Qt::Key_Right);
    EXPECT_EQ(Label(2), QStringLiteral("5050"));
    EXPECT_EQ(Level(2), 49);
    QTest::keyClick(Slider(1), Qt::Key_Left); // already at 0: nothing changes
    EXPECT_EQ(Level(1), 0);
    ASSERT_TRUE(NextWrite());
    EXPECT_EQ(Writes().back().frame[8 + 16], 49);
    const auto saved = RecordOfProfileFile("profile1");
    ASSERT_TRUE(saved);
    EXPECT_EQ((*saved)[16], 49);
}

TEST_F(DpiPage, SelectingStageFiveStoresFourBetweenStagesFourAndFive) {
    SetLimits(40, 100);
    SetLevels({1, 2, 3, 4, 5, 6});
    page_->Refresh();
    ASSERT_NE(Option(5), nullptr);
    QTest::mouseClick(Option(5), Qt::LeftButton, {}, QPoint(6, Option(5)->height() / 2));
    EXPECT_EQ(image_.RecordByte(19), 4);
    for (int stage = 1; stage <= 6; ++stage)
        EXPECT_EQ(ui::IsSelected(Option(stage)), stage == 5) << stage;
    ASSERT_TRUE(NextWrite());
    const auto& frame = Writes().back().frame;
    EXPECT_EQ(frame[8 + 18], 4); // stage 4's level
    EXPECT_EQ(frame[8 + 19], 4); // the current stage
    EXPECT_EQ(frame[8 + 20], 5); // stage 5's level
    EXPECT_EQ(mouse_->Memory(emulator::MemoryArea::Settings)[19], 4);
    EXPECT_EQ((*RecordOfProfileFile("profile1"))[19], 4);

    // A refresh from a record with another stage moves the selection quietly.
    settings::PutByte(image_.RecordBytes()[19], 1);
    page_->Refresh();
    EXPECT_TRUE(ui::IsSelected(Option(2)));
    EXPECT_FALSE(ui::IsSelected(Option(5)));
}

TEST_F(DpiPage, DraggingAStageSliderSendsOneFrameWithin100Ms) {
    SetLimits(60, 100);
    SetLevels({4, 8, 16, 32, 48, 60});
    page_->Refresh();
    QSlider* slider = Slider(3);
    ASSERT_NE(slider, nullptr);
    // Start right after a flush tick, so that the whole drag falls between two.
    bool dragged = false;
    std::chrono::steady_clock::time_point firstMove;
    auto connection = QObject::connect(&flush_, &QTimer::timeout, [&] {
        if (dragged)
            return;
        dragged = true;
        mouse_->ClearRequestLog();
        const QPoint start = zktest::HandleCentre(slider);
        QTest::mousePress(slider, Qt::LeftButton, {}, start);
        firstMove = std::chrono::steady_clock::now();
        for (int dx = 6; dx <= 60; dx += 6)
            QTest::mouseMove(slider, start + QPoint(dx, 0));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, start + QPoint(60, 0));
    });
    ASSERT_TRUE(SpinUntil([&] { return dragged; }));
    QObject::disconnect(connection);
    const int level = slider->value();
    ASSERT_GT(level, 16);
    EXPECT_EQ(Level(3), level);
    EXPECT_EQ(Label(3), QString::number(DpiOfLevel(level, 100)));

    MaybeScreenshot(window_.get(), QStringLiteral("dpi_page"));
    ASSERT_TRUE(NextWrite());
    Spin(std::chrono::milliseconds(250)); // nothing else may follow
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    const auto& frame = writes[0].frame;
    EXPECT_EQ(frame[4], 56);                  // length
    EXPECT_EQ(frame[5] | (frame[6] << 8), 0); // address
    EXPECT_EQ(frame[8 + 17], level);
    for (std::size_t i = 8 + settings::kMouseSettingsRecordSize; i < 8 + 56; ++i)
        EXPECT_EQ(frame[i], 0) << i;
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(writes[0].time - firstMove);
    EXPECT_LE(took.count(), 110) << "the flush runs every 100 ms";
    EXPECT_EQ(mouse_->Memory(emulator::MemoryArea::Settings)[17], level);
    const auto saved = RecordOfProfileFile("profile1");
    ASSERT_TRUE(saved);
    EXPECT_EQ((*saved)[17], level);
}

TEST_F(DpiPage, AConfirmedColourIsStoredAndACancelledOneChangesNothing) {
    StopFlush();
    page_->Refresh();
    QWidget* button = Control(QStringLiteral("DPI_btn_2"));
    ASSERT_NE(button, nullptr);
    const std::uint32_t before = ui::GetBkColor(button);
    const auto savedBefore = RecordOfProfileFile("profile1");
    image_.pending = false;

    // Cancelled: the colour, the flag and the profile stay.
    for (const char* close : {"closebtn", "Pallet_BTN_CANCEL"}) {
        Soon([close] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->objectName() != QLatin1String("DPI"))
                    if (auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(close)))
                        b->click();
        });
        QTest::mouseClick(static_cast<QAbstractButton*>(button), Qt::LeftButton);
        EXPECT_EQ(ui::GetBkColor(button), before) << close;
        EXPECT_FALSE(image_.pending.load()) << close;
        EXPECT_EQ(RecordOfProfileFile("profile1"), savedBefore) << close;
    }

    // Confirmed with preset 3.
    Soon([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() != QLatin1String("DPI")) {
                if (auto* b = w->findChild<QAbstractButton*>(QStringLiteral("ms_dpi_color_png_3")))
                    b->click();
                if (auto* ok = w->findChild<QAbstractButton*>(QStringLiteral("okbtn")))
                    ok->click();
            }
    });
    QTest::mouseClick(static_cast<QAbstractButton*>(button), Qt::LeftButton);
    EXPECT_EQ(ui::GetBkColor(button), 0xFF7E00FFu);
    EXPECT_EQ(image_.RecordByte(26), 0x7E);
    EXPECT_EQ(image_.RecordByte(27), 0x00);
    EXPECT_EQ(image_.RecordByte(28), 0xFF);
    EXPECT_TRUE(image_.pending.load());
    const auto saved = RecordOfProfileFile("profile1");
    ASSERT_TRUE(saved);
    EXPECT_EQ((*saved)[26], 0x7E);
    EXPECT_EQ((*saved)[28], 0xFF);
}

TEST_F(DpiPage, TheDetailsButtonShowsAndHidesThePanel) {
    QWidget* panel = Control(QStringLiteral("DPI_setting"));
    auto* button = qobject_cast<QAbstractButton*>(Control(QStringLiteral("DPI_set_btn")));
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(button, nullptr);
    const bool hidden = panel->isHidden();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(panel->isHidden(), !hidden);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(panel->isHidden(), hidden);
}

} // namespace
} // namespace dpitest
