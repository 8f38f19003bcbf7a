#pragma once
// Shared helpers of the skin art generator: every picture is described once in logical pixels
// and rendered at 1x ("name.png") and 2x ("name@2x.png").

#include "skinart/DeviceGeometry.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

namespace zk::art {

// Colours of the look beside the four of DeviceGeometry.h.
namespace ink {
inline const QColor window{0x15, 0x17, 0x1C};
inline const QColor panel{0x1E, 0x21, 0x28};
inline const QColor raised{0x26, 0x2A, 0x32};
inline const QColor line{0x33, 0x38, 0x42};
inline const QColor lineStrong{0x4A, 0x50, 0x5C};
inline const QColor text{0xE6, 0xE8, 0xEB};
inline const QColor textDim{0x9A, 0xA1, 0xAC};
inline const QColor textFaint{0x5C, 0x62, 0x6D};
inline const QColor accent{0x01, 0x99, 0xCB};
inline const QColor accentDeep{0x00, 0x6E, 0x94};
} // namespace ink

class ArtWriter {
public:
    using DrawFn = std::function<void(QPainter&)>;

    ArtWriter(QString outDir, QString fontFamily);

    // Renders `draw` (logical coordinates) into `rel` and its @2x partner. Returns false and
    // remembers the error when a file cannot be written.
    bool Emit(const QString& rel, QSize logical, const DrawFn& draw);
    // Renders one fixed-size picture without a 2x partner (icons in explicit pixel sizes).
    bool EmitExact(const QString& rel, QSize pixels, const DrawFn& draw);

    QFont Font(double pixelSize, int weight = QFont::Normal) const;
    const QStringList& Written() const { return written_; }
    const QStringList& Errors() const { return errors_; }

private:
    bool Save(const QString& rel, const QImage& image);

    QString outDir_;
    QString family_;
    QStringList written_;
    QStringList errors_;
};

QRectF ToQRect(const Rect& r);
QColor WithAlpha(QColor c, int alpha);
// Poor man's soft shadow: concentric translucent strokes around `shape`.
void SoftShadow(QPainter& p, const QPainterPath& shape, QColor colour, int spread, QPointF offset);
// Soft glow of `shape` in white for tintable masks, kept inside `clip`.
void GlowMask(QPainter& p, const QPainterPath& shape, int spread);

// Groups of pictures.
void DrawControlArt(ArtWriter& w);  // qelma/*, common/*, style sheet glyphs
void DrawMouseArt(ArtWriter& w);    // device/mouse_*, ms_led_*, qelma/btn_*, qelma/F-*
void DrawKeyboardArt(ArtWriter& w); // device/keyboard.png, kb_light_*
void DrawMousepadArt(ArtWriter& w); // device/mousepad.png, mp_led_*
void DrawIconArt(ArtWriter& w);     // icons/*
// common/swatch_gloss, common/swatch_off
void DrawLightPageArt(ArtWriter& w);

} // namespace zk::art
