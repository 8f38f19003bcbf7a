// The keyboard: case, key caps with legends, and one light mask per key (its rim and legend,
// which a tint turns into the key's backlight).

#include "skinart/Art.h"

#include <QLinearGradient>

namespace zk::art {
namespace {

QRectF CapRect(const Rect& r) {
    return QRectF(r.x + kKeyGap, r.y + kKeyGap, r.w - 2 * kKeyGap, r.h - 2 * kKeyGap);
}

QPainterPath Rounded(QRectF r, double radius) {
    QPainterPath p;
    p.addRoundedRect(r, radius, radius);
    return p;
}

// Draws the legend of a key cap: one centred word, or two stacked symbols.
void Legend(ArtWriter& w, QPainter& p, const QRectF& top, const KeyPlace& k, QColor colour) {
    const QString text = QString::fromUtf8(k.legend);
    if (text.isEmpty())
        return;
    p.setPen(colour);
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() == 2) {
        p.setFont(w.Font(9.5, QFont::Medium));
        p.drawText(top.adjusted(0, 1, 0, -top.height() / 2), Qt::AlignCenter, lines[0]);
        p.drawText(top.adjusted(0, top.height() / 2 - 2, 0, -1), Qt::AlignCenter, lines[1]);
        return;
    }
    const bool word = text.size() > 2;
    p.setFont(w.Font(word ? 8.5 : 11, word ? QFont::Medium : QFont::DemiBold));
    p.drawText(top, Qt::AlignCenter, text);
}

QRectF TopFace(const QRectF& cap) {
    return cap.adjusted(3, 2, -3, -5);
}

void DrawKeyboard(ArtWriter& w, QPainter& p) {
    const QRectF whole = ToQRect(kKeyboardPicture);
    const QRectF body = whole.adjusted(4, 4, -4, -6);
    SoftShadow(p, Rounded(body, 14), QColor(0, 0, 0, 200), 8, QPointF(0, 4));
    QLinearGradient caseGrad(0, body.top(), 0, body.bottom());
    caseGrad.setColorAt(0, QColor(0x2A, 0x2D, 0x35));
    caseGrad.setColorAt(1, QColor(0x1C, 0x1E, 0x24));
    p.fillPath(Rounded(body, 14), caseGrad);
    p.setPen(QPen(QColor(0x0C, 0x0D, 0x10), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Rounded(body, 14));
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawPath(Rounded(body.adjusted(1.5, 1.5, -1.5, -1.5), 12.5));
    const QRectF plate =
        whole.adjusted(kKeyboardPad - 6, kKeyboardPad - 6, -kKeyboardPad + 6, -kKeyboardPad + 6);
    p.fillPath(Rounded(plate, 8), QColor(0x12, 0x13, 0x17));

    for (int i = 0; i < static_cast<int>(kKeyboardKeys.size()); ++i) {
        const KeyPlace& k = kKeyboardKeys[static_cast<std::size_t>(i)];
        if (!k.present())
            continue;
        const QRectF cap = CapRect(KeyRect(i));
        p.fillPath(Rounded(cap, 4.5), QColor(0x1A, 0x1C, 0x21));
        const QRectF top = TopFace(cap);
        QLinearGradient face(0, top.top(), 0, top.bottom());
        face.setColorAt(0, QColor(0x34, 0x38, 0x42));
        face.setColorAt(1, QColor(0x2B, 0x2F, 0x37));
        p.fillPath(Rounded(top, 3.5), face);
        p.setPen(QPen(QColor(255, 255, 255, 18), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Rounded(top.adjusted(0.5, 0.5, -0.5, -0.5), 3));
        Legend(w, p, top, k, QColor(0xB8, 0xBE, 0xC8));
    }
}

void DrawKeyLight(ArtWriter& w, QPainter& p, int i) {
    const Rect r = KeyRect(i);
    p.translate(-r.x, -r.y);
    const QRectF cap = CapRect(r);
    // Light spills out around the cap and shines through the legend.
    for (int s = 3; s >= 1; --s)
        p.fillPath(Rounded(cap.adjusted(-s + 1, -s + 1, s - 1, s - 1), 4.5 + s),
                   QColor(255, 255, 255, s == 1 ? 150 : 40 * (4 - s)));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(Rounded(TopFace(cap), 3.5), Qt::black);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillPath(Rounded(TopFace(cap), 3.5), QColor(255, 255, 255, 40));
    Legend(w, p, TopFace(cap), kKeyboardKeys[static_cast<std::size_t>(i)], Qt::white);
}

} // namespace

void DrawKeyboardArt(ArtWriter& w) {
    w.Emit(QStringLiteral("device/keyboard.png"), {kKeyboardPicture.w, kKeyboardPicture.h},
           [&](QPainter& p) { DrawKeyboard(w, p); });
    for (int i = 0; i < static_cast<int>(kKeyboardKeys.size()); ++i) {
        const Rect r = KeyRect(i);
        if (r.empty())
            continue;
        w.Emit(QStringLiteral("device/kb_light_%1.png").arg(i), {r.w, r.h},
               [&](QPainter& p) { DrawKeyLight(w, p, i); });
        // Mark of a key that carries its own assignment: an accent corner and outline.
        w.Emit(QStringLiteral("device/kb_keyset_%1.png").arg(i), {r.w, r.h}, [&](QPainter& p) {
            const QRectF cap = CapRect(r).translated(-r.x, -r.y);
            p.setPen(QPen(WithAlpha(ink::accent, 200), 1.4));
            p.setBrush(Qt::NoBrush);
            p.drawPath(Rounded(cap.adjusted(0.7, 0.7, -0.7, -0.7), 4));
            QPainterPath corner;
            corner.moveTo(cap.right() - 11, cap.top() + 1);
            corner.lineTo(cap.right() - 4, cap.top() + 1);
            corner.quadTo(cap.right() - 1, cap.top() + 1, cap.right() - 1, cap.top() + 4);
            corner.lineTo(cap.right() - 1, cap.top() + 11);
            corner.closeSubpath();
            p.fillPath(corner, ink::accent);
        });
    }
}

} // namespace zk::art
