#include "controls/LightPicture.h"

#include "controls/Attributes.h"

#include <QPaintEvent>
#include <QPainter>

namespace zk::controls {

CLightPictureUI::CLightPictureUI(QWidget* parent) : QWidget(parent), TintMembers(false, 0, 255) {
    // A picture over the device drawing: clicks reach the buttons below it.
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void CLightPictureUI::SetAttribute(const QString& name, const QString& value) {
    if (!ApplyOwnAttribute(name, value))
        setProperty(name.toUtf8().constData(), value);
}

bool CLightPictureUI::ApplyOwnAttribute(const QString& name, const QString& value) {
    if (name.compare(QLatin1String("lightimage"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("image"), Qt::CaseInsensitive) == 0) {
        SetLightImage(value);
        return true;
    }
    return false;
}

void CLightPictureUI::SetLightImage(const QString& file) {
    light_.SetFile(file);
    updateGeometry();
    update();
}

QSize CLightPictureUI::sizeHint() const {
    const QPixmap& p = const_cast<TintedPicture&>(light_).Picture(this);
    return p.isNull() ? QSize(16, 16) : p.deviceIndependentSize().toSize();
}

bool CLightPictureUI::event(QEvent* e) {
    QString name, value;
    if (AttributeFromEvent(this, e, name, value))
        ApplyOwnAttribute(name, value);
    return QWidget::event(e);
}

void CLightPictureUI::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.setClipRegion(e->region());
    if (IsChangerColor())
        light_.DrawTinted(p, rect(), this, GetChangerColor(), GetChangerAlpha());
    else
        light_.Draw(p, rect(), this);
}

} // namespace zk::controls
