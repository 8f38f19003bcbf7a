#include "controls/DeviceKeyButton.h"

#include "controls/Attributes.h"

#include <QPaintEvent>
#include <QPainter>

namespace zk::controls {

namespace {
// Initial tint: off, colour value 255, opacity 200.
constexpr std::uint32_t kInitialTintColour = 255;
constexpr std::uint32_t kInitialTintOpacity = 200;
} // namespace

CDeviceKeyButtonUI::CDeviceKeyButtonUI(QWidget* parent)
    : QPushButton(parent), TintMembers(false, kInitialTintColour, kInitialTintOpacity) {
    // The keys' look in the style sheet.
    setProperty("look", QStringLiteral("devicekey"));
}

void CDeviceKeyButtonUI::SetAttribute(const QString& name, const QString& value) {
    if (!ApplyOwnAttribute(name, value))
        setProperty(name.toUtf8().constData(), value);
}

bool CDeviceKeyButtonUI::ApplyOwnAttribute(const QString& name, const QString& value) {
    if (name.compare(QLatin1String("lightimage"), Qt::CaseInsensitive) == 0) {
        SetLightImage(value);
        return true;
    }
    if (name.compare(QLatin1String("keysetimage"), Qt::CaseInsensitive) == 0) {
        SetKeySetImage(value);
        return true;
    }
    if (name.compare(QLatin1String("gmnametextcolor"), Qt::CaseInsensitive) == 0) {
        // Accepted for layouts that name it; the key's painting does not use it.
        std::uint32_t ignored = 0;
        (void)ParseHexColour(value, ignored);
        return true;
    }
    return false;
}

void CDeviceKeyButtonUI::SetLightImage(const QString& file) {
    light_.SetFile(file);
    update();
}

void CDeviceKeyButtonUI::SetKeySetImage(const QString& file) {
    keySet_.SetFile(file);
    update();
}

bool CDeviceKeyButtonUI::event(QEvent* e) {
    QString name, value;
    if (AttributeFromEvent(this, e, name, value))
        ApplyOwnAttribute(name, value);
    return QPushButton::event(e);
}

void CDeviceKeyButtonUI::paintEvent(QPaintEvent* e) {
    // The button's own status look (normal, hover, pressed, disabled).
    QPushButton::paintEvent(e);

    const bool tintOn = IsChangerColor();
    const bool keySetShown = !IsKeySetHidden();
    if (!tintOn && !keySetShown)
        return;
    QPainter p(this);
    p.setClipRegion(e->region());
    if (tintOn)
        light_.DrawTinted(p, rect(), this, GetChangerColor(), GetChangerAlpha());
    if (keySetShown)
        keySet_.Draw(p, rect(), this);
}

} // namespace zk::controls
