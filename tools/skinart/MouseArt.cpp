// The mouse: front (top) and side views, the masks of its 20 LED zones, the button highlights
// and the leader lines of the button labels.

#include "skinart/Art.h"

#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>

namespace zk::art {
namespace {

QPainterPath Shell() {
    QPainterPath p;
    p.moveTo(160, 34);
    p.cubicTo(200, 34, 228, 62, 234, 118);
    p.cubicTo(240, 180, 252, 250, 252, 316);
    p.cubicTo(252, 386, 214, 426, 160, 426);
    p.cubicTo(106, 426, 68, 386, 68, 316);
    p.cubicTo(68, 250, 80, 180, 86, 118);
    p.cubicTo(92, 62, 120, 34, 160, 34);
    p.closeSubpath();
    return p;
}

QPainterPath Rounded(QRectF r, double radius) {
    QPainterPath p;
    p.addRoundedRect(r, radius, radius);
    return p;
}

QPainterPath Box(double x, double y, double w, double h) {
    QPainterPath p;
    p.addRect(x, y, w, h);
    return p;
}

QPainterPath Stroke(const QPainterPath& path, double width) {
    QPainterPathStroker s;
    s.setWidth(width);
    s.setJoinStyle(Qt::RoundJoin);
    s.setCapStyle(Qt::RoundCap);
    return s.createStroke(path);
}

const QRectF kWheel(150, 82, 20, 46);
const QRectF kWheelSlot(146, 77, 28, 56);
const QRectF kDpiLoop(152, 143, 16, 18);
const QRectF kDpiDown(152, 169, 16, 16);
const QRectF kForward(64, 200, 12, 40);
const QRectF kBack(64, 252, 12, 40);
const QPointF kLogoCentre(160, 330);

QPainterPath MainButton(bool right) {
    QPainterPath region;
    region.moveTo(40, 20);
    region.lineTo(159, 20);
    region.lineTo(159, 205);
    region.quadTo(110, 206, 40, 226);
    region.closeSubpath();
    if (right) {
        QTransform mirror(-1, 0, 0, 1, 320, 0);
        region = mirror.map(region);
    }
    return Shell().intersected(region).subtracted(Rounded(kWheelSlot.adjusted(-2, -2, 2, 2), 13));
}

// Path of button drawing M (1..7) in picture coordinates.
QPainterPath ButtonShape(int m) {
    switch (m) {
    case 1:
        return MainButton(false);
    case 2:
        return MainButton(true);
    case 3:
        return Rounded(kWheel, 9);
    case 4:
        return Rounded(kForward, 5);
    case 5:
        return Rounded(kBack, 5);
    case 6:
        return Rounded(kDpiLoop, 5);
    default:
        return Rounded(kDpiDown, 5);
    }
}

// Path of front-view LED i in picture coordinates.
QPainterPath FrontLed(int i) {
    const QPainterPath shell = Shell();
    const Rect cell = kMouseFrontLeds[static_cast<std::size_t>(i)];
    if (i <= 13) {
        const QPainterPath ring =
            shell.intersected(Stroke(shell, 22)).subtracted(Stroke(shell, 10));
        const bool right = i >= 7;
        const double x = right ? 163 : 40;
        return ring.intersected(Box(x, cell.y + 2, 117, cell.h - 4));
    }
    if (i <= 17) {
        QPainterPath circle;
        circle.addEllipse(kLogoCentre, 18, 18);
        QPainterPath ring = Stroke(circle, 5);
        ring = ring.subtracted(Box(kLogoCentre.x() - 1.2, 280, 2.4, 100));
        ring = ring.subtracted(Box(100, kLogoCentre.y() - 1.2, 120, 2.4));
        return ring.intersected(Box(cell.x, cell.y, cell.w, cell.h));
    }
    if (i == 18) {
        QPainterPath dot;
        dot.addEllipse(QPointF(160, 200), 3.5, 3.5);
        return dot;
    }
    return Stroke(Rounded(kWheelSlot, 12), 3);
}

void DrawFront(QPainter& p) {
    const QPainterPath shell = Shell();
    SoftShadow(p, shell, QColor(0, 0, 0, 200), 12, QPointF(0, 6));

    QLinearGradient body(0, 34, 0, 426);
    body.setColorAt(0, QColor(0x2C, 0x30, 0x39));
    body.setColorAt(0.55, QColor(0x23, 0x26, 0x2E));
    body.setColorAt(1, QColor(0x1C, 0x1F, 0x25));
    p.fillPath(shell, body);

    // Main buttons: a slightly lighter top surface with a seam between them.
    for (bool right : {false, true}) {
        QLinearGradient top(0, 34, 0, 220);
        top.setColorAt(0, QColor(0x33, 0x37, 0x41));
        top.setColorAt(1, QColor(0x28, 0x2B, 0x33));
        p.fillPath(MainButton(right), top);
        p.setPen(QPen(QColor(0x12, 0x14, 0x18), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(MainButton(right));
    }

    // Light strips, logo ring, indicator and wheel glow, unlit.
    for (int i = 0; i < 20; ++i) {
        const QPainterPath led = FrontLed(i);
        p.fillPath(led, QColor(0x3A, 0x3F, 0x4A));
    }

    // Wheel in its slot.
    p.fillPath(Rounded(kWheelSlot, 12), QColor(0x0E, 0x10, 0x13));
    QLinearGradient wheel(kWheel.left(), 0, kWheel.right(), 0);
    wheel.setColorAt(0, QColor(0x22, 0x25, 0x2C));
    wheel.setColorAt(0.5, QColor(0x3C, 0x41, 0x4C));
    wheel.setColorAt(1, QColor(0x22, 0x25, 0x2C));
    p.fillPath(Rounded(kWheel, 9), wheel);
    p.setPen(QPen(QColor(0x16, 0x18, 0x1D), 1));
    for (double y = kWheel.top() + 6; y < kWheel.bottom() - 4; y += 4)
        p.drawLine(QPointF(kWheel.left() + 3, y), QPointF(kWheel.right() - 3, y));

    // DPI buttons and side buttons.
    for (const QRectF& r : {kDpiLoop, kDpiDown, kForward, kBack}) {
        QLinearGradient g(0, r.top(), 0, r.bottom());
        g.setColorAt(0, QColor(0x3A, 0x3F, 0x4A));
        g.setColorAt(1, QColor(0x2A, 0x2E, 0x36));
        p.fillPath(Rounded(r, 5), g);
        p.setPen(QPen(QColor(0x10, 0x12, 0x16), 1));
        p.drawPath(Rounded(r, 5));
    }

    // Rim: a light edge on top, a dark edge outside.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x0C, 0x0D, 0x10), 1.6));
    p.drawPath(shell);
    p.save();
    p.setClipPath(shell);
    p.setPen(QPen(QColor(255, 255, 255, 28), 2));
    p.translate(0, 1.5);
    p.drawPath(shell);
    p.restore();
}

QPainterPath SideProfile() {
    QPainterPath p;
    p.moveTo(40, 196);
    p.cubicTo(34, 150, 80, 112, 140, 100);
    p.cubicTo(200, 88, 250, 62, 300, 66);
    p.cubicTo(372, 72, 410, 118, 406, 168);
    p.cubicTo(404, 192, 396, 204, 378, 206);
    p.lineTo(62, 206);
    p.cubicTo(50, 206, 42, 202, 40, 196);
    p.closeSubpath();
    return p;
}

QPainterPath SideLed(int i) {
    const Rect cell = kMouseSideLeds[static_cast<std::size_t>(i)];
    return SideProfile()
        .intersected(Rounded(QRectF(58, 172, 322, 8), 4))
        .intersected(Box(cell.x + 2, cell.y, cell.w - 4, cell.h));
}

const QRectF kSideForward(126, 118, 52, 16);
const QRectF kSideBack(184, 108, 52, 16);

void DrawSide(QPainter& p) {
    const QPainterPath profile = SideProfile();
    SoftShadow(p, profile, QColor(0, 0, 0, 200), 12, QPointF(0, 6));
    QLinearGradient body(0, 62, 0, 206);
    body.setColorAt(0, QColor(0x2E, 0x32, 0x3B));
    body.setColorAt(0.6, QColor(0x22, 0x25, 0x2D));
    body.setColorAt(1, QColor(0x1A, 0x1C, 0x22));
    p.fillPath(profile, body);

    // Grip panel and the seam of the main button.
    p.save();
    p.setClipPath(profile);
    QPainterPath grip;
    grip.moveTo(96, 150);
    grip.cubicTo(160, 132, 260, 126, 350, 150);
    grip.lineTo(350, 166);
    grip.cubicTo(260, 158, 160, 160, 92, 166);
    grip.closeSubpath();
    p.fillPath(grip, QColor(0x1A, 0x1D, 0x23));
    p.setPen(QPen(QColor(0x12, 0x14, 0x18), 1.2));
    QPainterPath seam;
    seam.moveTo(50, 150);
    seam.cubicTo(90, 120, 150, 108, 200, 98);
    seam.cubicTo(240, 90, 262, 82, 280, 76);
    p.drawPath(seam);
    p.restore();

    for (int i = 0; i < 7; ++i) {
        p.fillPath(SideLed(i), QColor(0x3A, 0x3F, 0x4A));
    }
    for (const QRectF& r : {kSideForward, kSideBack}) {
        QLinearGradient g(0, r.top(), 0, r.bottom());
        g.setColorAt(0, QColor(0x3E, 0x43, 0x4E));
        g.setColorAt(1, QColor(0x2A, 0x2E, 0x36));
        p.fillPath(Rounded(r, 7), g);
        p.setPen(QPen(QColor(0x10, 0x12, 0x16), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Rounded(r, 7));
    }
    // Sole with its glide feet.
    p.fillPath(Rounded(QRectF(60, 204, 320, 6), 2), QColor(0x0E, 0x10, 0x13));
    p.fillPath(Rounded(QRectF(70, 209, 60, 3), 1.5), QColor(0x4A, 0x50, 0x5C));
    p.fillPath(Rounded(QRectF(300, 209, 60, 3), 1.5), QColor(0x4A, 0x50, 0x5C));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x0C, 0x0D, 0x10), 1.6));
    p.drawPath(profile);
    p.save();
    p.setClipPath(profile);
    p.setPen(QPen(QColor(255, 255, 255, 30), 2));
    p.translate(0, 1.5);
    p.drawPath(profile);
    p.restore();
}

// A mask image of a shape drawn at its place within `cell`.
void EmitMask(ArtWriter& w, const QString& rel, const Rect& cell, const QPainterPath& shape,
              int glow) {
    w.Emit(rel, {cell.w, cell.h}, [&](QPainter& p) {
        p.translate(-cell.x, -cell.y);
        GlowMask(p, shape, glow);
    });
}

void DrawButtonPictures(ArtWriter& w) {
    for (int m = 1; m <= 7; ++m) {
        const Rect cell = kMouseButtons[static_cast<std::size_t>(m - 1)];
        const QPainterPath shape = ButtonShape(m);
        w.Emit(QStringLiteral("qelma/btn_%1.png").arg(m), {cell.w, cell.h}, [&](QPainter& p) {
            p.translate(-cell.x, -cell.y);
            p.setPen(QPen(QColor(255, 255, 255, 24), 1));
            p.setBrush(Qt::NoBrush);
            p.drawPath(shape);
        });
        w.Emit(QStringLiteral("qelma/btn_%1_0.png").arg(m), {cell.w, cell.h}, [&](QPainter& p) {
            p.translate(-cell.x, -cell.y);
            p.fillPath(shape, WithAlpha(ink::accent, 70));
            p.setPen(QPen(ink::accent, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawPath(shape);
        });

        const Rect c = kMouseCallouts[static_cast<std::size_t>(m - 1)];
        const bool leftSide = kMouseLabelAnchors[static_cast<std::size_t>(m - 1)].x == 0;
        for (bool over : {false, true}) {
            const QString name = QStringLiteral("qelma/F-%1-%2.png")
                                     .arg(m)
                                     .arg(over ? QStringLiteral("over") : QStringLiteral("normal"));
            w.Emit(name, {c.w, c.h}, [&](QPainter& p) {
                const double y = c.h / 2.0;
                const double dot = leftSide ? c.w - 6.0 : 6.0;
                const double edge = leftSide ? 0.0 : c.w;
                const QColor colour = over ? ink::accent : ink::lineStrong;
                // Solid outside the mouse, dotted across it.
                QPainterPath line;
                line.moveTo(edge, y);
                line.lineTo(dot, y);
                const QPainterPath shell = Shell().translated(-c.x, -c.y);
                p.save();
                p.setClipPath(QPainterPath(Box(0, 0, c.w, c.h)).subtracted(shell));
                p.setPen(QPen(colour, 1.2));
                p.drawPath(line);
                p.restore();
                p.save();
                p.setClipPath(shell);
                p.setPen(QPen(WithAlpha(colour, over ? 200 : 120), 1, Qt::DotLine));
                p.drawPath(line);
                p.restore();
                p.setPen(Qt::NoPen);
                if (over) {
                    p.setBrush(WithAlpha(ink::accent, 70));
                    p.drawEllipse(QPointF(dot, y), 5.5, 5.5);
                }
                p.setBrush(over ? ink::text : ink::textDim);
                p.drawEllipse(QPointF(dot, y), 2.5, 2.5);
            });
        }
    }
}

} // namespace

void DrawMouseArt(ArtWriter& w) {
    w.Emit(QStringLiteral("device/mouse_front.png"), {kMouseFrontPicture.w, kMouseFrontPicture.h},
           DrawFront);
    w.Emit(QStringLiteral("device/mouse_side.png"), {kMouseSidePicture.w, kMouseSidePicture.h},
           DrawSide);
    for (int i = 0; i < 20; ++i)
        EmitMask(w, QStringLiteral("device/ms_led_%1.png").arg(i),
                 kMouseFrontLeds[static_cast<std::size_t>(i)], FrontLed(i), i == 18 ? 4 : 3);
    for (int i = 0; i < 7; ++i)
        EmitMask(w, QStringLiteral("device/ms_side_led_%1.png").arg(i),
                 kMouseSideLeds[static_cast<std::size_t>(i)], SideLed(i), 4);
    DrawButtonPictures(w);
}

} // namespace zk::art
