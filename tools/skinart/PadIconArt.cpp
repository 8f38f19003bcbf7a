// The mousepad with its 15-LED strip, and the application and tray icons.

#include "skinart/Art.h"

#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>

namespace zk::art {
namespace {

QPainterPath Rounded(QRectF r, double radius) {
    QPainterPath p;
    p.addRoundedRect(r, radius, radius);
    return p;
}

QPainterPath PadStrip() {
    QPainterPath u;
    u.moveTo(20, 24);
    u.lineTo(20, 290);
    u.quadTo(20, 300, 30, 300);
    u.lineTo(490, 300);
    u.quadTo(500, 300, 500, 290);
    u.lineTo(500, 24);
    QPainterPathStroker s;
    s.setWidth(6);
    s.setCapStyle(Qt::RoundCap);
    s.setJoinStyle(Qt::RoundJoin);
    return s.createStroke(u);
}

QPainterPath PadLed(int i) {
    const Rect c = kMousepadLeds[static_cast<std::size_t>(i)];
    // Leave a hairline between neighbouring segments.
    const bool vertical = c.h > c.w;
    const QRectF cell =
        vertical ? QRectF(c.x, c.y + 1.5, c.w, c.h - 3) : QRectF(c.x + 1.5, c.y, c.w - 3, c.h);
    QPainterPath box;
    box.addRect(cell);
    return PadStrip().intersected(box);
}

void DrawPad(ArtWriter& w, QPainter& p) {
    const QRectF body(10, 10, 500, 300);
    SoftShadow(p, Rounded(body, 16), QColor(0, 0, 0, 200), 10, QPointF(0, 5));
    QLinearGradient cloth(0, body.top(), body.width(), body.bottom());
    cloth.setColorAt(0, QColor(0x22, 0x25, 0x2C));
    cloth.setColorAt(1, QColor(0x18, 0x1A, 0x1F));
    p.fillPath(Rounded(body, 16), cloth);
    // A fine weave.
    p.save();
    p.setClipPath(Rounded(body.adjusted(14, 14, -14, -14), 6));
    p.setPen(QPen(QColor(255, 255, 255, 7), 1));
    for (int x = -320; x < 520; x += 6)
        p.drawLine(QPointF(x, 10), QPointF(x + 300, 310));
    p.restore();
    // Stitched edge.
    p.setPen(QPen(QColor(0x0C, 0x0D, 0x10), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Rounded(body, 16));
    p.setPen(QPen(QColor(255, 255, 255, 26), 1, Qt::DashLine));
    p.drawPath(Rounded(body.adjusted(4, 4, -4, -4), 12));
    for (int i = 0; i < 15; ++i)
        p.fillPath(PadLed(i), QColor(0x3A, 0x3F, 0x4A));
    p.setPen(QColor(255, 255, 255, 40));
    p.setFont(w.Font(22, QFont::Bold));
    p.drawText(QRectF(0, 236, 520, 40), Qt::AlignCenter, QStringLiteral("ORVANE"));
}

// The product mark: a mouse outline with a light strip, on an accent tile.
void DrawMark(QPainter& p, double size, bool tile) {
    p.save();
    p.scale(size / 64.0, size / 64.0);
    if (tile) {
        QLinearGradient g(0, 0, 64, 64);
        g.setColorAt(0, QColor(0x12, 0xB4, 0xE6));
        g.setColorAt(1, ink::accentDeep);
        p.fillPath(Rounded(QRectF(2, 2, 60, 60), 14), g);
        p.setPen(QPen(QColor(255, 255, 255, 50), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Rounded(QRectF(2.5, 2.5, 59, 59), 13.5));
    }
    QPainterPath shell;
    shell.moveTo(32, 10);
    shell.cubicTo(42, 10, 47, 17, 47, 28);
    shell.lineTo(47, 40);
    shell.cubicTo(47, 50, 41, 55, 32, 55);
    shell.cubicTo(23, 55, 17, 50, 17, 40);
    shell.lineTo(17, 28);
    shell.cubicTo(17, 17, 22, 10, 32, 10);
    shell.closeSubpath();
    p.fillPath(shell, tile ? QColor(0x10, 0x12, 0x16, 235) : ink::panel);
    p.setPen(QPen(tile ? QColor(255, 255, 255) : ink::accent, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shell);
    p.drawLine(QPointF(32, 11), QPointF(32, 25));
    p.setPen(QPen(tile ? QColor(0x7F, 0xE3, 0xFF) : ink::accent, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 17), QPointF(32, 21));
    p.restore();
}

} // namespace

void DrawMousepadArt(ArtWriter& w) {
    w.Emit(QStringLiteral("device/mousepad.png"), {kMousepadPicture.w, kMousepadPicture.h},
           [&](QPainter& p) { DrawPad(w, p); });
    for (int i = 0; i < 15; ++i) {
        const Rect c = kMousepadLeds[static_cast<std::size_t>(i)];
        w.Emit(QStringLiteral("device/mp_led_%1.png").arg(i), {c.w, c.h}, [&](QPainter& p) {
            p.translate(-c.x, -c.y);
            GlowMask(p, PadLed(i), 4);
        });
    }
}

void DrawIconArt(ArtWriter& w) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        w.EmitExact(QStringLiteral("icons/zk412v_%1.png").arg(size), {size, size},
                    [&](QPainter& p) { DrawMark(p, size, true); });
    }
    w.Emit(QStringLiteral("icons/zk412v.png"), {64, 64},
           [](QPainter& p) { DrawMark(p, 64, true); });
    w.Emit(QStringLiteral("icons/tray.png"), {22, 22}, [](QPainter& p) { DrawMark(p, 22, true); });
    w.Emit(QStringLiteral("icons/logo.png"), {32, 32}, [](QPainter& p) { DrawMark(p, 32, true); });
}

} // namespace zk::art
