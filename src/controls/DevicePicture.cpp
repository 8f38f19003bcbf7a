#include "controls/DevicePicture.h"

#include "controls/Attributes.h"
#include "controls/TintedPicture.h"

#include <QEvent>
#include <QPainter>

namespace zk::controls {

CDevicePictureUI::CDevicePictureUI(QWidget* parent) : QWidget(parent) {}

void CDevicePictureUI::SetPicture(const QString& file) {
    if (file == file_)
        return;
    file_ = file;
    picture_ = QPixmap();
    loaded_ = false;
    update();
}

bool CDevicePictureUI::event(QEvent* e) {
    QString name, value;
    if (AttributeFromEvent(this, e, name, value) &&
        name.compare(QLatin1String("picture"), Qt::CaseInsensitive) == 0)
        SetPicture(value);
    return QWidget::event(e);
}

void CDevicePictureUI::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (!loaded_ || ratio != loadedRatio_) {
        picture_ = LoadSkinPicture(file_, ratio);
        loadedRatio_ = ratio;
        loaded_ = true;
    }
    if (picture_.isNull())
        return;
    QSize size = picture_.deviceIndependentSize().toSize();
    if (size.width() > width() || size.height() > height())
        size.scale(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), size);
    target.moveCenter(rect().center());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, picture_);
}

} // namespace zk::controls
