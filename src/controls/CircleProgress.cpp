#include "controls/CircleProgress.h"

#include "controls/Attributes.h"
#include "controls/TintedPicture.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zk::controls {

namespace {
constexpr int kRingWidth = 10;
constexpr int kStartDegrees = 90; // clockwise from three o'clock: the bottom
constexpr QRgb kCentreColour = 0xFFFFFFFF;
} // namespace

CCircleProgressUI::CCircleProgressUI(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
}

void CCircleProgressUI::SetAttribute(const QString& name, const QString& value) {
    if (!ApplyOwnAttribute(name, value))
        setProperty(name.toUtf8().constData(), value);
}

bool CCircleProgressUI::ApplyOwnAttribute(const QString& name, const QString& value) {
    // "bkColor" spelled exactly so is the window layer's numeric property.
    if (name == QLatin1String("bkColor"))
        return false;
    std::uint32_t argb = 0;
    if (name.compare(QLatin1String("bkcolor"), Qt::CaseInsensitive) == 0) {
        if (ParseHexColour(value, argb))
            SetBkColor(argb);
        return true;
    }
    if (name.compare(QLatin1String("forecolor"), Qt::CaseInsensitive) == 0) {
        if (ParseHexColour(value, argb))
            SetForeColor(argb);
        return true;
    }
    return false;
}

void CCircleProgressUI::SetBkColor(std::uint32_t argb) {
    bkColour_ = argb;
    update();
}

std::uint32_t CCircleProgressUI::GetBkColor() const {
    const QVariant layer = property("bkColor");
    if (layer.isValid() && layer.toUInt() != 0)
        return layer.toUInt();
    return bkColour_;
}

void CCircleProgressUI::SetForeColor(std::uint32_t argb) {
    foreColour_ = argb;
    update();
}

int CCircleProgressUI::SweepDegrees() const {
    const double range = static_cast<double>(maximum()) - static_cast<double>(minimum());
    if (range <= 0.0)
        return 0;
    // value() is below the minimum before any value was set.
    const double share = (static_cast<double>(value()) - static_cast<double>(minimum())) / range;
    const int sweep = static_cast<int>(std::trunc(share * 360.0));
    return std::clamp(sweep, 0, 360);
}

bool CCircleProgressUI::event(QEvent* e) {
    QString name, value;
    if (AttributeFromEvent(this, e, name, value))
        ApplyOwnAttribute(name, value);
    const bool handled = QProgressBar::event(e);
    // The window layer draws a background colour as a styled rectangle; the
    // circle paints its own background, so no rectangle may appear behind it.
    if ((e->type() == QEvent::StyleChange || e->type() == QEvent::Polish) &&
        testAttribute(Qt::WA_StyledBackground))
        setAttribute(Qt::WA_StyledBackground, false);
    return handled;
}

void CCircleProgressUI::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::NoPen);
    const QRect r = rect();

    p.setBrush(QColor::fromRgba(GetBkColor()));
    p.drawPie(r, 0, 360 * 16);

    // Qt counts angles counter-clockwise: the clockwise sweep is negative.
    const int sweep = SweepDegrees();
    if (sweep > 0) {
        p.setBrush(QColor::fromRgba(foreColour_));
        p.drawPie(r, -kStartDegrees * 16, -sweep * 16);
    }

    const QRect centre(r.left() + kRingWidth, r.top() + kRingWidth, r.width() - 2 * kRingWidth,
                       r.height() - 2 * kRingWidth);
    if (centre.width() > 0 && centre.height() > 0) {
        p.setBrush(QColor::fromRgba(kCentreColour));
        p.drawEllipse(centre);
    }
}

} // namespace zk::controls
