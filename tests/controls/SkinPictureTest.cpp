// The device pictures of the skin with their key and LED controls, as the
// pages show them: every key and LED lights up in the colour of its tint.
// With ZK_CONTROLS_SNAPSHOT set to a file name the picture is also saved there.

#include "controls/ChartView.h"
#include "controls/CircleProgress.h"
#include "controls/ControlsTestUtil.h"
#include "controls/DeviceKeyButton.h"
#include "controls/DevicePicture.h"
#include "controls/LightPicture.h"
#include "controls/PreviewSet.h"
#include "lighting/LightTables.h"
#include "lighting/PreviewFrame.h"
#include "skinart/DeviceGeometry.h"
#include "ui/ResourceManager.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

using namespace zk::controls;
using zk::lighting::kColourWheel;
using zk::lighting::MakeTint;
using zk::lighting::PreviewFrame;

namespace {

QRect ToRect(const zk::art::Rect& r, QPoint offset) {
    return QRect(r.x + offset.x(), r.y + offset.y(), r.w, r.h);
}

int Distance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

// How many pixels of `rect` came clearly closer to `tint` from `before` to
// `after`.
int PixelsTinted(const QImage& before, const QImage& after, const QRect& rect, QColor tint) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += Distance(after.pixelColor(x, y), tint) <
                         Distance(before.pixelColor(x, y), tint) - 60
                     ? 1
                     : 0;
    return n;
}

// The staged skin as the resource folder, while a test runs.
class SkinPictures : public ::testing::Test {
protected:
    void SetUp() override {
        QString stage = qEnvironmentVariable("ZK_STAGE_DIR");
        if (stage.isEmpty())
            stage = QStringLiteral(ZK_CONTROLS_STAGE_DIR);
        const QString skin = stage + QStringLiteral("/skin");
        if (!QFile::exists(skin + QStringLiteral("/device/keyboard.png")))
            GTEST_SKIP() << "the skin pictures are not drawn in " << skin.toStdString();
        saved_ = zk::ui::ResourceManager::GetInstance().GetResourcePath();
        zk::ui::ResourceManager::GetInstance().SetResourcePath(skin);
    }
    void TearDown() override {
        if (saved_)
            zk::ui::ResourceManager::GetInstance().SetResourcePath(*saved_);
    }

private:
    std::optional<QString> saved_;
};

} // namespace

TEST_F(SkinPictures, DeviceDrawingsAreReadWhenFirstPaintedAndFitTheirControl) {
    const QImage file = LoadSkinPicture(QStringLiteral("device/mouse_side.png")).toImage();
    ASSERT_FALSE(file.isNull());

    // Wider than its control (as in the mouse's side view): scaled down to the
    // control's width, kept in proportion and centred; until painted, not read.
    CDevicePictureUI picture;
    picture.setProperty("picture", QStringLiteral("device/mouse_side.png"));
    picture.resize(file.width() / 2, file.height() * 2);
    EXPECT_FALSE(picture.PictureLoaded());
    const QImage shown = picture.grab().toImage();
    EXPECT_TRUE(picture.PictureLoaded());
    const QSize fitted = file.size().scaled(picture.size(), Qt::KeepAspectRatio);
    const int top = (picture.height() - fitted.height()) / 2;
    const QImage expected = file.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (const QPoint at : {QPoint(fitted.width() / 2, fitted.height() / 2),
                            QPoint(fitted.width() / 3, fitted.height() * 2 / 3)})
        EXPECT_LT(Distance(shown.pixelColor(at + QPoint(0, top)), expected.pixelColor(at)), 40);
    // Above the drawing only the background shows.
    EXPECT_EQ(shown.pixelColor(picture.width() / 2, top / 2), shown.pixelColor(0, 0));

    // Smaller than its control: drawn at its own size in the middle.
    picture.resize(file.width() + 40, file.height() + 20);
    const QImage roomy = picture.grab().toImage();
    const QPoint middle(file.width() / 2, file.height() / 2);
    EXPECT_LT(Distance(roomy.pixelColor(middle + QPoint(20, 10)), file.pixelColor(middle)), 40);
}

TEST_F(SkinPictures, KeysAndLedsLightUpInTheirTints) {
    const QPoint kbAt(0, 0);
    const QPoint msAt(zk::art::kKeyboardPicture.w + 20, 0);
    QWidget page;
    page.setAutoFillBackground(true);
    QPalette pal = page.palette();
    pal.setColor(QPalette::Window, QColor::fromRgba(zk::art::kColourWindow));
    page.setPalette(pal);
    page.resize(msAt.x() + zk::art::kMouseFrontPicture.w + 140,
                std::max(zk::art::kKeyboardPicture.h, zk::art::kMouseFrontPicture.h));

    auto* keyboard = new QLabel(&page);
    keyboard->setPixmap(LoadSkinPicture(QStringLiteral("device/keyboard.png")));
    keyboard->setGeometry(ToRect(zk::art::kKeyboardPicture, kbAt));
    auto* mouse = new QLabel(&page);
    mouse->setPixmap(LoadSkinPicture(QStringLiteral("device/mouse_front.png")));
    mouse->setGeometry(ToRect(zk::art::kMouseFrontPicture, msAt));

    for (int i = 0; i < 20; ++i) {
        auto* led = new CLightPictureUI(&page);
        led->setObjectName(PreviewSet::ControlName(static_cast<std::size_t>(i)));
        led->SetLightImage(QStringLiteral("device/ms_led_%1.png").arg(i));
        led->setGeometry(ToRect(zk::art::kMouseFrontLeds[static_cast<std::size_t>(i)], msAt));
    }
    for (int k = 0; k < 126; ++k) {
        const zk::art::Rect r = zk::art::KeyRect(k);
        if (r.empty())
            continue;
        auto* key = new CDeviceKeyButtonUI(&page);
        key->setObjectName(QStringLiteral("kb_key_%1").arg(k));
        key->setStyleSheet(
            QStringLiteral("QPushButton { background: transparent; border: none; }"));
        key->SetLightImage(QStringLiteral("device/kb_light_%1.png").arg(k));
        key->setGeometry(ToRect(r, kbAt));
    }
    auto* ring = new CCircleProgressUI(&page);
    ring->setGeometry(msAt.x() + zk::art::kMouseFrontPicture.w + 20, 20, 100, 100);
    ring->setRange(0, 100);
    ring->setValue(25);
    // The chart view, for the saved picture.
    auto* pie = new CChartViewUI(&page);
    pie->setGeometry(ring->x(), 140, 120, 80);
    pie->SetAttribute(QStringLiteral("showtext"), QStringLiteral("true"));
    auto* bars = new CChartViewUI(&page);
    bars->setGeometry(ring->x(), 240, 120, 120);
    bars->SetAttribute(QStringLiteral("view"), QStringLiteral("histpgram"));
    bars->SetAttribute(QStringLiteral("showtext"), QStringLiteral("true"));
    for (int i = 0; i < 3; ++i) {
        pie->Add(QStringLiteral("P%1").arg(i + 1), i + 1);
        bars->Add(QStringLiteral("B%1").arg(i + 1), 3 - i);
    }

    PreviewSet set;
    set.Find([&](const QString& n) { return page.findChild<QWidget*>(n); });
    set.PrepareLedPictures();
    PreviewFrame frame;
    for (std::size_t i = 0; i < PreviewSet::kCount; ++i)
        frame.Write(i, MakeTint(kColourWheel[(i * 7) % 192], 255));
    frame.SetKeyboardTintOn(true);
    page.show();
    const QImage dark = zktest::Grab(&page);
    set.Apply(frame, IsWindowShown(&page));
    const QImage img = zktest::Grab(&page);

    const QString snapshot = qEnvironmentVariable("ZK_CONTROLS_SNAPSHOT");
    if (!snapshot.isEmpty())
        img.save(snapshot);

    for (int k = 0; k < 126; ++k) {
        const zk::art::Rect r = zk::art::KeyRect(k);
        if (r.empty())
            continue;
        const zk::lighting::Rgb c = kColourWheel[((35 + k) * 7) % 192];
        EXPECT_GT(PixelsTinted(dark, img, ToRect(r, kbAt), QColor(c.r, c.g, c.b)), 20)
            << "key " << k;
    }
    for (std::size_t i = 0; i < 20; ++i) {
        const zk::lighting::Rgb c = kColourWheel[(i * 7) % 192];
        EXPECT_GT(PixelsTinted(dark, img, ToRect(zk::art::kMouseFrontLeds[i], msAt),
                               QColor(c.r, c.g, c.b)),
                  10)
            << "LED " << i;
    }
}
