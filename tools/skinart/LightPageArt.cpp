// Pictures of the mouse lighting page: the gloss that lies over each colour swatch (the swatch's
// own colour is its background, set by the program), and the veil of a disabled swatch.

#include "skinart/Art.h"

#include <QLinearGradient>

namespace zk::art {

void DrawLightPageArt(ArtWriter& w) {
    w.Emit(QStringLiteral("common/swatch_gloss.png"), {24, 24}, [](QPainter& p) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(0.5, 0.5, 23, 23), 4, 4);
        // A soft light from above and a darker rim below, so that every colour reads as a
        // pressable chip, white included.
        QLinearGradient light(0, 0, 0, 24);
        light.setColorAt(0, QColor(255, 255, 255, 70));
        light.setColorAt(0.45, QColor(255, 255, 255, 0));
        light.setColorAt(1, QColor(0, 0, 0, 60));
        p.fillPath(shape, light);
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.drawPath(shape);
    });
    // A disabled swatch: the panel's colour laid over it, so that it stands back like the
    // other disabled controls.
    w.Emit(QStringLiteral("common/swatch_off.png"), {24, 24}, [](QPainter& p) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(0.5, 0.5, 23, 23), 4, 4);
        p.fillPath(shape, WithAlpha(ink::panel, 190));
    });
}

} // namespace zk::art
