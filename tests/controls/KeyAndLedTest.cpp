// The key button of the keyboard picture and the LED picture of the mouse and
// mousepad: tinted light pictures, key-set pictures, layout attributes.

#include "controls/CircleProgress.h"
#include "controls/ControlsTestUtil.h"
#include "controls/DeviceKeyButton.h"
#include "controls/LightPicture.h"
#include "controls/Registration.h"
#include "controls/TintedPicture.h"
#include "lighting/LightTables.h"
#include "support/TempDir.h"
#include "ui/DialogBuilder.h"
#include "ui/ResourceManager.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

using namespace zk::controls;
using zk::lighting::ChangerColor;
using zk::lighting::Rgb;
using zktest::Grab;
using zktest::Near;

namespace {

const QString kButtonSheet =
    QStringLiteral("QPushButton { background: #000000; border: none; color: #FFFFFF; }");
constexpr int kSize = 40;

// A 40 x 40 key with a black face whose light picture is a white square inset
// by 10 pixels.
class KeyButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        light = zktest::WriteLightPicture(dir.path(), QStringLiteral("light.png"), kSize, 10);
        keySet = zktest::WriteSolidPicture(dir.path(), QStringLiteral("set.png"), kSize,
                                           QColor(0, 255, 0));
    }
    std::unique_ptr<CDeviceKeyButtonUI> MakeKey() {
        auto key = std::make_unique<CDeviceKeyButtonUI>();
        key->setStyleSheet(kButtonSheet);
        key->setText(QStringLiteral("A"));
        key->resize(kSize, kSize);
        key->SetAttribute(QStringLiteral("lightimage"), light);
        return key;
    }
    zktest::TempDir dir;
    QString light;
    QString keySet;
};

} // namespace

TEST(TintValues, ColourValueOfThePreviewsShowsTheEffectColour) {
    // The previews pack (green << 16) | (blue << 8) | red; the picture must
    // show the colour the effect chose, not a byte-swapped one.
    const Rgb samples[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0x12, 0x34, 0x56}};
    for (const Rgb& c : samples) {
        const std::uint32_t packed = ChangerColor(c);
        EXPECT_EQ(TintColour(packed), QColor(c.r, c.g, c.b));
        EXPECT_EQ(PackTintColour(QColor(c.r, c.g, c.b)), packed);
    }

    std::uint32_t v = 0;
    EXPECT_TRUE(ParseHexColour(QStringLiteral("#FF0099CB"), v));
    EXPECT_EQ(v, 0xFF0099CBu);
    EXPECT_TRUE(ParseHexColour(QStringLiteral(" 0x00ff00 "), v));
    EXPECT_EQ(v, 0x00FF00u);
    v = 7;
    EXPECT_FALSE(ParseHexColour(QStringLiteral("#"), v));
    EXPECT_FALSE(ParseHexColour(QStringLiteral("red"), v));
    EXPECT_FALSE(ParseHexColour(QStringLiteral("#1234567890"), v));
    EXPECT_EQ(v, 7u);
}

TEST_F(KeyButtonTest, WithoutTintOrKeySetItLooksLikeAPlainButton) {
    QPushButton plain;
    plain.setStyleSheet(kButtonSheet);
    plain.setText(QStringLiteral("A"));
    plain.resize(kSize, kSize);
    const QImage expected = Grab(&plain);

    auto key = MakeKey();
    EXPECT_FALSE(key->IsChangerColor());
    EXPECT_TRUE(key->IsKeySetHidden());
    EXPECT_EQ(key->GetChangerColor(), 255u);
    EXPECT_EQ(key->GetChangerAlpha(), 200u);
    EXPECT_EQ(Grab(key.get()), expected);

    // A name colour is accepted and changes nothing.
    key->SetAttribute(QStringLiteral("GMNameTextColor"), QStringLiteral("#FFFF0000"));
    EXPECT_EQ(Grab(key.get()), expected);
    EXPECT_FALSE(key->property("GMNameTextColor").isValid());

    // Showing the key-set picture of a key without one draws nothing extra.
    key->SetKeySetHidden(false);
    EXPECT_EQ(Grab(key.get()), expected);

    // A tint switched on at opacity 0 is invisible.
    key->SetIsChangerColor(true);
    key->SetChangerAlpha(0);
    EXPECT_EQ(Grab(key.get()), expected);
}

TEST_F(KeyButtonTest, TintedLightPictureAndKeySetPicture) {
    auto key = MakeKey();
    key->SetIsChangerColor(true);
    key->SetChangerColor(ChangerColor(Rgb{255, 0, 0}));
    key->SetChangerAlpha(255);
    QImage img = Grab(key.get());
    EXPECT_TRUE(Near(img.pixelColor(20, 20), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(img.pixelColor(10, 29), QColor(255, 0, 0)));
    // Outside the picture's shape the button's face shows.
    EXPECT_TRUE(Near(img.pixelColor(3, 3), QColor(0, 0, 0)));
    EXPECT_TRUE(Near(img.pixelColor(35, 20), QColor(0, 0, 0)));

    // Half opacity lays the colour half over the face.
    key->SetChangerColor(ChangerColor(Rgb{0, 0, 255}));
    key->SetChangerAlpha(128);
    img = Grab(key.get());
    EXPECT_TRUE(Near(img.pixelColor(20, 20), QColor(0, 0, 128), 3));

    // Opacities above 255 count as 255.
    key->SetChangerAlpha(1000);
    EXPECT_EQ(key->GetChangerAlpha(), 255u);

    // The key-set picture lies over the light.
    key->SetAttribute(QStringLiteral("KeySetImage"), keySet);
    EXPECT_TRUE(Near(Grab(key.get()).pixelColor(20, 20), QColor(0, 0, 255)));
    key->SetKeySetHidden(false);
    img = Grab(key.get());
    EXPECT_TRUE(Near(img.pixelColor(20, 20), QColor(0, 255, 0)));
    EXPECT_TRUE(Near(img.pixelColor(3, 3), QColor(0, 255, 0)));

    // Switching the tint off leaves only the face and the key-set picture.
    key->SetKeySetHidden(true);
    key->SetIsChangerColor(false);
    EXPECT_TRUE(Near(Grab(key.get()).pixelColor(20, 20), QColor(0, 0, 0)));
}

TEST_F(KeyButtonTest, LedPictureTintedOrPlain) {
    // Over a black panel: a plain picture control with the same picture, and
    // the LED picture without tint, must look the same.
    auto panelWith = [](QWidget* child) {
        auto panel = std::make_unique<QWidget>();
        panel->setAutoFillBackground(true);
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, Qt::black);
        panel->setPalette(pal);
        panel->resize(kSize, kSize);
        child->setParent(panel.get());
        child->setGeometry(0, 0, kSize, kSize);
        return panel;
    };
    auto* label = new QLabel;
    label->setPixmap(QPixmap(light));
    auto plainPanel = panelWith(label);

    auto* led = new CLightPictureUI;
    led->setProperty("LightImage", light); // as a layout sets it
    auto ledPanel = panelWith(led);
    EXPECT_EQ(led->GetLightImage(), light);
    EXPECT_EQ(led->sizeHint(), QSize(kSize, kSize));
    EXPECT_EQ(Grab(ledPanel.get()), Grab(plainPanel.get()));

    // As the main window prepares it: tint on, opacity 0 shows nothing.
    led->SetIsChangerColor(true);
    led->SetChangerAlpha(0);
    QImage img = Grab(ledPanel.get());
    EXPECT_TRUE(Near(img.pixelColor(20, 20), QColor(0, 0, 0)));

    led->SetChangerColor(ChangerColor(Rgb{0, 200, 100}));
    led->SetChangerAlpha(255);
    img = Grab(ledPanel.get());
    EXPECT_TRUE(Near(img.pixelColor(20, 20), QColor(0, 200, 100)));
    EXPECT_TRUE(Near(img.pixelColor(2, 2), QColor(0, 0, 0)));
}

TEST_F(KeyButtonTest, LayoutNamesTheRegisteredClassesWithTheirAttributes) {
    RegisterControls();
    auto& rm = zk::ui::ResourceManager::GetInstance();
    const QString savedPath = rm.GetResourcePath();
    rm.SetResourcePath(QString::fromStdString(dir.str()));

    const QString ui = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <widget class="CDeviceKeyButtonUI" name="kb_key_0">
   <property name="geometry"><rect><x>0</x><y>0</y><width>40</width><height>40</height></rect></property>
   <property name="LightImage" stdset="0"><string>light.png</string></property>
   <property name="keysetimage" stdset="0"><string>set.png</string></property>
  </widget>
  <widget class="CLightPictureUI" name="ms_dkey_0">
   <property name="geometry"><rect><x>50</x><y>0</y><width>40</width><height>40</height></rect></property>
   <property name="lightimage" stdset="0"><string>light.png</string></property>
  </widget>
  <widget class="CCircleProgressUI" name="progress">
   <property name="forecolor" stdset="0"><string>#FFFF0000</string></property>
  </widget>
  <widget class="CChartViewUI" name="chart"/>
  <widget class="CWndUI" name="host"/>
 </widget>
 <customwidgets>
  <customwidget><class>CDeviceKeyButtonUI</class><extends>QPushButton</extends></customwidget>
  <customwidget><class>CLightPictureUI</class><extends>QWidget</extends></customwidget>
  <customwidget><class>CCircleProgressUI</class><extends>QProgressBar</extends></customwidget>
  <customwidget><class>CChartViewUI</class><extends>QWidget</extends></customwidget>
  <customwidget><class>CWndUI</class><extends>QWidget</extends></customwidget>
 </customwidgets>
</ui>
)");
    {
        QFile f(QString::fromStdString((dir / "keys.ui").string()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ui.toUtf8());
    }
    std::unique_ptr<QWidget> root(zk::ui::DialogBuilder::Create(QStringLiteral("keys.ui")));
    ASSERT_NE(root, nullptr);
    auto* key = root->findChild<CDeviceKeyButtonUI*>(QStringLiteral("kb_key_0"));
    auto* led = root->findChild<CLightPictureUI*>(QStringLiteral("ms_dkey_0"));
    ASSERT_NE(key, nullptr);
    ASSERT_NE(led, nullptr);
    EXPECT_EQ(key->GetLightImage(), QStringLiteral("light.png"));
    EXPECT_EQ(key->GetKeySetImage(), QStringLiteral("set.png"));
    EXPECT_EQ(key->GetClass(), QStringLiteral("DeviceKeyButton"));
    auto* progress = root->findChild<CCircleProgressUI*>(QStringLiteral("progress"));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetForeColor(), 0xFFFF0000u);
    EXPECT_NE(root->findChild<QWidget*>(QStringLiteral("chart")), nullptr);
    EXPECT_NE(root->findChild<QWidget*>(QStringLiteral("host")), nullptr);

    // Pictures named relative to the skin folder are found there.
    led->SetIsChangerColor(true);
    led->SetChangerColor(ChangerColor(Rgb{255, 255, 0}));
    led->SetChangerAlpha(255);
    EXPECT_TRUE(Near(Grab(led).pixelColor(20, 20), QColor(255, 255, 0)));
    key->SetKeySetHidden(false);
    EXPECT_TRUE(Near(Grab(key).pixelColor(20, 20), QColor(0, 255, 0)));

    // The main window's custom tags.
    std::unique_ptr<QWidget> circle(CreateControlForTag(QStringLiteral("circleprogress")));
    std::unique_ptr<QWidget> button(CreateControlForTag(QStringLiteral("DeviceKeyButton")));
    EXPECT_NE(qobject_cast<QProgressBar*>(circle.get()), nullptr);
    EXPECT_NE(qobject_cast<CDeviceKeyButtonUI*>(button.get()), nullptr);
    EXPECT_EQ(CreateControlForTag(QStringLiteral("kb_Key_UI")), nullptr);

    rm.SetResourcePath(savedPath);
}
