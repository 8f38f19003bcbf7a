#include "app/windows/ColorPalette.h"

#include "ui/ControlFactory.h"
#include "ui/Notify.h"
#include "ui/PaintManager.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace zk::app {
namespace {

constexpr double kHueHeight = 10;
constexpr double kGap = 10;
constexpr double kRadius = 6;
constexpr double kInset = 7.5;

QColor ToQColor(std::uint32_t argb) {
    return QColor::fromRgba(static_cast<QRgb>(argb));
}

} // namespace

CColorPaletteUI::CColorPaletteUI(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    SelectColor(argb_);
}

void CColorPaletteUI::SelectColor(std::uint32_t argb) {
    argb_ = argb;
    const QColor c = ToQColor(argb).toHsv();
    if (c.hsvHueF() >= 0)
        hue_ = c.hsvHueF(); // a grey keeps the hue the field shows
    saturation_ = c.hsvSaturationF();
    value_ = c.valueF();
    update();
}

// The field and the strip leave room for their markers at the edges.
QRectF CColorPaletteUI::FieldRect() const {
    return QRectF(kInset, kInset, width() - 2 * kInset,
                  qMax(8.0, height() - kHueHeight - kGap - 2 * kInset));
}

QRectF CColorPaletteUI::HueRect() const {
    return QRectF(kInset, height() - kHueHeight - kInset, width() - 2 * kInset, kHueHeight);
}

void CColorPaletteUI::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.35); // a palette whose colour is not used stands back
    const QRectF field = FieldRect();
    QPainterPath fieldPath;
    fieldPath.addRoundedRect(field, kRadius, kRadius);
    p.fillPath(fieldPath, QColor::fromHsvF(static_cast<float>(hue_), 1, 1));
    QLinearGradient white(field.topLeft(), field.topRight());
    white.setColorAt(0, Qt::white);
    white.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(fieldPath, white);
    QLinearGradient black(field.topLeft(), field.bottomLeft());
    black.setColorAt(0, QColor(0, 0, 0, 0));
    black.setColorAt(1, Qt::black);
    p.fillPath(fieldPath, black);
    p.setPen(QPen(QColor(255, 255, 255, 30), 1));
    p.drawPath(fieldPath);

    const QRectF hue = HueRect();
    QLinearGradient hues(hue.topLeft(), hue.topRight());
    for (int i = 0; i <= 6; ++i)
        hues.setColorAt(i / 6.0, QColor::fromHsvF(static_cast<float>(i % 6) / 6.0f, 1, 1));
    QPainterPath huePath;
    huePath.addRoundedRect(hue, kHueHeight / 2, kHueHeight / 2);
    p.fillPath(huePath, hues);

    // Markers: a ring on the field at the colour, a ring on the strip at the hue.
    const QPointF at(field.left() + saturation_ * field.width(),
                     field.top() + (1.0 - value_) * field.height());
    p.setBrush(ToQColor(argb_ | 0xFF000000u));
    p.setPen(QPen(Qt::white, 2));
    p.drawEllipse(at, 6, 6);
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(at, 7.5, 7.5);
    const QPointF h(hue.left() + hue_ * hue.width(), hue.center().y());
    p.setBrush(QColor::fromHsvF(static_cast<float>(hue_), 1, 1));
    p.setPen(QPen(Qt::white, 2));
    p.drawEllipse(h, kHueHeight / 2 + 1, kHueHeight / 2 + 1);
    if (hasFocus()) {
        p.setPen(QPen(QColor(0x01, 0x99, 0xCB), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(fieldPath);
    }
}

void CColorPaletteUI::PickAt(QPointF pos) {
    if (drag_ == Drag::Field) {
        const QRectF f = FieldRect();
        saturation_ = qBound(0.0, (pos.x() - f.left()) / f.width(), 1.0);
        value_ = qBound(0.0, 1.0 - (pos.y() - f.top()) / f.height(), 1.0);
    } else if (drag_ == Drag::Hue) {
        const QRectF h = HueRect();
        hue_ = qBound(0.0, (pos.x() - h.left()) / h.width(), 1.0);
        if (hue_ >= 1.0)
            hue_ = 0.0; // the strip's right end is red again
    } else {
        return;
    }
    Commit();
}

void CColorPaletteUI::Commit() {
    const QColor c = QColor::fromHsvF(static_cast<float>(hue_), static_cast<float>(saturation_),
                                      static_cast<float>(value_));
    argb_ = 0xFF000000u | (static_cast<std::uint32_t>(c.rgb()) & 0x00FFFFFFu);
    update();
    ui::SendNotify(this, QString::fromLatin1(ui::DUI_MSGTYPE_COLORCHANGED),
                   static_cast<ui::WPARAM>(argb_));
}

void CColorPaletteUI::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    const QPointF pos = e->position();
    drag_ = pos.y() >= HueRect().top() - kGap / 2 ? Drag::Hue : Drag::Field;
    PickAt(pos);
}

void CColorPaletteUI::mouseMoveEvent(QMouseEvent* e) {
    if (drag_ != Drag::None && (e->buttons() & Qt::LeftButton))
        PickAt(e->position());
}

void CColorPaletteUI::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        drag_ = Drag::None;
}

void CColorPaletteUI::keyPressEvent(QKeyEvent* e) {
    const double step = (e->modifiers() & Qt::ShiftModifier) ? 0.1 : 0.01;
    switch (e->key()) {
    case Qt::Key_Left:
        hue_ = hue_ - step < 0 ? hue_ - step + 1.0 : hue_ - step;
        break;
    case Qt::Key_Right:
        hue_ = hue_ + step >= 1.0 ? hue_ + step - 1.0 : hue_ + step;
        break;
    case Qt::Key_Up:
        value_ = qMin(1.0, value_ + step);
        break;
    case Qt::Key_Down:
        value_ = qMax(0.0, value_ - step);
        break;
    default:
        return QWidget::keyPressEvent(e);
    }
    Commit();
}

void RegisterColorPalette() {
    const auto create = [](QWidget* parent) -> QWidget* { return new CColorPaletteUI(parent); };
    ui::ControlFactory::RegistControl(QString::fromLatin1(CColorPaletteUI::kClassName), create);
    ui::ControlFactory::RegistControl(QString::fromLatin1(CColorPaletteUI::kShortClassName),
                                      create);
}

} // namespace zk::app
