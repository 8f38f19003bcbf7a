#include "WindowTestEnv.h"

#include "app/windows/ColorPalette.h"
#include "app/windows/PalletDialog.h"
#include "ui/Controls.h"

#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

using zk::app::CPalletDialog;

namespace {

constexpr std::uint32_t kInitial = 0xFF0199CB;

class PalletDialogTest : public ::testing::Test {
protected:
    void SetUp() override { zktest::UseStagedSkin(); }
};

std::uint32_t Shown(CPalletDialog& d) {
    QWidget* show = d.FindControl(QStringLiteral("color_show_btn"));
    return show ? zk::ui::GetBkColor(show) : 0;
}

void Press(QWidget* w, QPointF at, QEvent::Type type) {
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST_F(PalletDialogTest, StartsWithTheCallersColour) {
    CPalletDialog d(kInitial);
    ASSERT_TRUE(d.CreateAt(nullptr, QPoint(200, 200)));
    ASSERT_NE(d.Palette(), nullptr);
    EXPECT_EQ(d.Palette()->GetSelectColor(), kInitial);
    EXPECT_EQ(Shown(d), kInitial);
    // Created 800 x 572, then the layout's own size.
    EXPECT_LT(d.width(), 800);
    // Placed 10 pixels left of and below the cursor.
    EXPECT_EQ(d.pos(), QPoint(190, 210));
    // Every preset swatch shows its colour.
    for (std::size_t n = 0; n < zk::app::kPresetColours.size(); ++n) {
        QWidget* swatch = d.FindControl(QStringLiteral("ms_dpi_color_png_%1").arg(n));
        ASSERT_NE(swatch, nullptr) << n;
        EXPECT_EQ(zk::ui::GetBkColor(swatch), zk::app::kPresetColours[n]) << n;
    }
}

TEST_F(PalletDialogTest, PresetThreeIsShownSelectedAndConfirmed) {
    CPalletDialog d(kInitial);
    ASSERT_TRUE(d.CreateAt(nullptr, QPoint(100, 100)));
    std::uint32_t shown = 0, selected = 0;
    zktest::Soon([&] {
        EXPECT_TRUE(zktest::Click(&d, QStringLiteral("ms_dpi_color_png_3")));
        shown = Shown(d);
        selected = d.Palette()->GetSelectColor();
        zktest::MaybeScreenshot(&d, QStringLiteral("palette_dialog"));
        EXPECT_TRUE(zktest::Click(&d, QStringLiteral("okbtn")));
    });
    EXPECT_EQ(d.ShowModal(), 1);
    EXPECT_EQ(shown, 0xFF7E00FFu);
    EXPECT_EQ(selected, 0xFF7E00FFu);
    EXPECT_EQ(d.GetChosenColor(), 0xFF7E00FFu);
}

TEST_F(PalletDialogTest, ClosingLeavesTheColour) {
    for (const char* button : {"closebtn", "Pallet_BTN_CANCEL"}) {
        CPalletDialog d(kInitial);
        ASSERT_TRUE(d.CreateAt(nullptr, QPoint(100, 100)));
        zktest::Soon([&] {
            zktest::Click(&d, QStringLiteral("ms_dpi_color_png_0"));
            EXPECT_TRUE(zktest::Click(&d, QLatin1String(button)));
        });
        EXPECT_EQ(d.ShowModal(), 2) << button;
        EXPECT_EQ(d.GetChosenColor(), kInitial) << button;
    }
}

TEST_F(PalletDialogTest, PickingOnThePaletteShowsAndConfirmsThePick) {
    CPalletDialog d(kInitial);
    ASSERT_TRUE(d.CreateAt(nullptr, QPoint(100, 100)));
    std::uint32_t picked = 0, shown = 0;
    zktest::Soon([&] {
        zk::app::CColorPaletteUI* palette = d.Palette();
        // Top-left corner of the field is white, whatever the hue.
        Press(palette, QPointF(1, 1), QEvent::MouseButtonPress);
        Press(palette, QPointF(1, 1), QEvent::MouseButtonRelease);
        picked = palette->GetSelectColor();
        shown = Shown(d);
        EXPECT_TRUE(zktest::Click(&d, QStringLiteral("okbtn")));
    });
    EXPECT_EQ(d.ShowModal(), 1);
    EXPECT_EQ(picked & 0x00F0F0F0u, 0x00F0F0F0u); // near white
    EXPECT_EQ(shown, picked);
    EXPECT_EQ(d.GetChosenColor(), picked);
}

TEST_F(PalletDialogTest, NamesOutsideThePresetTableChangeNothing) {
    CPalletDialog d(kInitial);
    ASSERT_TRUE(d.CreateAt(nullptr, QPoint(100, 100)));
    QWidget* root = d.GetPaintManager().GetRoot();
    ASSERT_NE(root, nullptr);
    for (const char* name : {"ms_dpi_color_png_30", "ms_dpi_color_png_-1", "ms_dpi_color_png_x",
                             "other_color_png_3", "nounderscore"}) {
        auto* extra = new QPushButton(root);
        extra->setObjectName(QLatin1String(name));
        d.GetPaintManager().AttachControl(extra);
        extra->click();
        EXPECT_EQ(Shown(d), kInitial) << name;
        EXPECT_EQ(d.Palette()->GetSelectColor(), kInitial) << name;
    }
    // The prefix is compared without regard to case.
    auto* upper = new QPushButton(root);
    upper->setObjectName(QStringLiteral("MS_DPI_COLOR_PNG_15"));
    d.GetPaintManager().AttachControl(upper);
    upper->click();
    EXPECT_EQ(Shown(d), zk::app::kPresetColours[15]);
}

TEST(ColorPaletteTest, ProgramSelectionKeepsTheExactValueAndPicksAreOpaque) {
    zk::app::CColorPaletteUI palette;
    palette.resize(240, 180);
    for (std::uint32_t c : {0xFF7E00FFu, 0xFF000000u, 0xFFFDFDFCu, 0x80123456u}) {
        palette.SelectColor(c);
        EXPECT_EQ(palette.GetSelectColor(), c);
    }
    // The hue strip changes the hue and keeps saturation and value.
    palette.SelectColor(0xFFFF0000u);
    Press(&palette, QPointF(120, 174), QEvent::MouseButtonPress);
    Press(&palette, QPointF(120, 174), QEvent::MouseButtonRelease);
    const QColor strip = QColor::fromRgba(palette.GetSelectColor()).toHsv();
    EXPECT_EQ(palette.GetSelectColor() >> 24, 0xFFu);
    EXPECT_NEAR(strip.hsvHue(), 180, 4);
    EXPECT_EQ(strip.hsvSaturation(), 255);
    EXPECT_EQ(strip.value(), 255);
    // The bottom edge of the field is black whatever the hue.
    Press(&palette, QPointF(120, 155), QEvent::MouseButtonPress);
    EXPECT_EQ(palette.GetSelectColor(), 0xFF000000u);
}
