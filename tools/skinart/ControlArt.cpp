// Pictures of controls: report-rate and slider pictures, the colour-cycle swatch, the disabled
// "move up" button, and the small glyphs that the style sheet uses.

#include "skinart/Art.h"

#include <QConicalGradient>
#include <QLinearGradient>

#include <array>
#include <cmath>

namespace zk::art {
namespace {

constexpr std::array<int, 4> kRates{125, 250, 500, 1000};

// Report-rate picture: four stops on a track; the chosen stop and the track up to it are lit.
void DrawRate(ArtWriter& w, int chosen) {
    w.Emit(QStringLiteral("qelma/%1.png").arg(kRates[static_cast<std::size_t>(chosen)]), {320, 48},
           [&](QPainter& p) {
               const double left = 24, right = 296, y = 16;
               const double step = (right - left) / 3.0;
               p.setPen(Qt::NoPen);
               p.setBrush(ink::line);
               p.drawRoundedRect(QRectF(left, y - 2, right - left, 4), 2, 2);
               p.setBrush(ink::accent);
               p.drawRoundedRect(QRectF(left, y - 2, step * chosen, 4), 2, 2);
               p.setFont(w.Font(12, chosen >= 0 ? QFont::Medium : QFont::Normal));
               for (int i = 0; i < 4; ++i) {
                   const QPointF c(left + step * i, y);
                   if (i == chosen) {
                       p.setBrush(WithAlpha(ink::accent, 60));
                       p.drawEllipse(c, 11, 11);
                       p.setBrush(ink::accent);
                       p.drawEllipse(c, 7, 7);
                       p.setBrush(ink::text);
                       p.drawEllipse(c, 3, 3);
                   } else {
                       p.setBrush(i < chosen ? ink::accent : ink::lineStrong);
                       p.drawEllipse(c, 4.5, 4.5);
                   }
                   p.setPen(i == chosen ? ink::text : ink::textDim);
                   const QString label =
                       QStringLiteral("%1 Hz").arg(kRates[static_cast<std::size_t>(i)]);
                   p.drawText(QRectF(c.x() - 40, 30, 80, 16), Qt::AlignCenter, label);
                   p.setPen(Qt::NoPen);
               }
           });
}

// Slider picture for position p of 0..10: a track filled up to the position, eleven ticks.
void DrawSliderPosition(ArtWriter& w, int pos) {
    w.Emit(QStringLiteral("qelma/%1.png").arg(pos + 1), {320, 32}, [&](QPainter& p) {
        const double left = 12, right = 308, y = 12;
        p.setPen(Qt::NoPen);
        p.setBrush(ink::line);
        p.drawRoundedRect(QRectF(left, y - 2, right - left, 4), 2, 2);
        QLinearGradient fill(left, 0, right, 0);
        fill.setColorAt(0, ink::accentDeep);
        fill.setColorAt(1, ink::accent);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(left, y - 2, (right - left) * pos / 10.0, 4), 2, 2);
        for (int i = 0; i <= 10; ++i) {
            const double x = left + (right - left) * i / 10.0;
            p.setBrush(i <= pos ? WithAlpha(ink::accent, 200) : ink::lineStrong);
            const double h = (i % 5 == 0) ? 6 : 4;
            p.drawRoundedRect(QRectF(x - 1, 22, 2, h), 1, 1);
        }
    });
}

QPainterPath RoundedSquare(QRectF r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void DrawCycleSwatch(ArtWriter& w) {
    w.Emit(QStringLiteral("common/base.png"), {48, 48}, [](QPainter& p) {
        QConicalGradient g(24, 24, 90);
        const std::array<QColor, 7> stops{
            QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0), QColor(0, 255, 255),
            QColor(0, 0, 255), QColor(255, 0, 255), QColor(255, 0, 0)};
        for (std::size_t i = 0; i < stops.size(); ++i)
            g.setColorAt(static_cast<double>(i) / 6.0, stops[i]);
        const QPainterPath sq = RoundedSquare(QRectF(0.5, 0.5, 47, 47), 6);
        p.fillPath(sq, g);
        QRadialGradient soft(24, 24, 24);
        soft.setColorAt(0, QColor(255, 255, 255, 150));
        soft.setColorAt(1, QColor(255, 255, 255, 0));
        p.fillPath(sq, soft);
        p.setPen(QPen(QColor(255, 255, 255, 60), 1));
        p.drawPath(sq);
    });
}

void Chevron(QPainter& p, QPointF c, double size, double angleDeg, QColor colour, double width) {
    p.save();
    p.translate(c);
    p.rotate(angleDeg);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(-size, -size / 2);
    path.lineTo(0, size / 2);
    path.lineTo(size, -size / 2);
    p.drawPath(path);
    p.restore();
}

void DrawUnusable(ArtWriter& w) {
    w.Emit(QStringLiteral("common/unuse.png"), {32, 32}, [](QPainter& p) {
        const QPainterPath sq = RoundedSquare(QRectF(0.5, 0.5, 31, 31), 6);
        p.fillPath(sq, ink::panel);
        p.setPen(QPen(ink::line, 1));
        p.drawPath(sq);
        Chevron(p, QPointF(16, 13), 6, 180, ink::textFaint, 2);
        p.setPen(QPen(ink::textFaint, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 11), QPointF(16, 23));
    });
}

// Glyphs of the style sheet: check marks, arrows, caption buttons.
void DrawGlyphs(ArtWriter& w) {
    struct Tone {
        const char* suffix;
        QColor colour;
    };
    const std::array<Tone, 3> tones{
        {{"", ink::text}, {"_accent", ink::accent}, {"_disabled", ink::textFaint}}};
    for (const Tone& t : tones) {
        const QString s = QLatin1String(t.suffix);
        w.Emit(QStringLiteral("common/check%1.png").arg(s), {14, 14}, [&](QPainter& p) {
            p.setPen(QPen(t.colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            QPainterPath path;
            path.moveTo(3, 7.5);
            path.lineTo(6, 10.5);
            path.lineTo(11.5, 4);
            p.drawPath(path);
        });
        const std::array<std::pair<const char*, double>, 4> dirs{
            {{"down", 0}, {"up", 180}, {"left", 90}, {"right", -90}}};
        for (const auto& [name, angle] : dirs) {
            w.Emit(QStringLiteral("common/arrow_%1%2.png").arg(QLatin1String(name), s), {12, 12},
                   [&](QPainter& p) { Chevron(p, QPointF(6, 6), 3.5, angle, t.colour, 1.6); });
        }
    }

    // Message box mark: an accent disc with an "i".
    w.Emit(QStringLiteral("common/info.png"), {32, 32}, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(WithAlpha(ink::accent, 40));
        p.drawEllipse(QPointF(16, 16), 15.5, 15.5);
        p.setBrush(ink::accent);
        p.drawEllipse(QPointF(16, 16), 11, 11);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 10.5), 1.6, 1.6);
        p.drawRoundedRect(QRectF(14.6, 13.5, 2.8, 9), 1.4, 1.4);
    });

    // Delay of a macro line: a small clock.
    w.Emit(QStringLiteral("common/delay.png"), {14, 14}, [](QPainter& p) {
        p.setPen(QPen(ink::textDim, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(7, 7), 5.5, 5.5);
        p.drawLine(QPointF(7, 7), QPointF(7, 3.8));
        p.drawLine(QPointF(7, 7), QPointF(9.5, 8.5));
    });

    // Caption buttons: 16 x 16 line icons in the text colour.
    auto icon = [&](const char* name, const std::function<void(QPainter&)>& body) {
        for (const Tone& t : tones) {
            if (QLatin1String(t.suffix) == QLatin1String("_disabled"))
                continue;
            w.Emit(QStringLiteral("common/cap_%1%2.png")
                       .arg(QLatin1String(name), QLatin1String(t.suffix)),
                   {16, 16}, [&](QPainter& p) {
                       p.setPen(QPen(t.colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                       p.setBrush(Qt::NoBrush);
                       body(p);
                   });
        }
    };
    icon("close", [](QPainter& p) {
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
    icon("min", [](QPainter& p) { p.drawLine(QPointF(3.5, 8.5), QPointF(12.5, 8.5)); });
    icon("max", [](QPainter& p) { p.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1.5, 1.5); });
    icon("help", [](QPainter& p) {
        p.drawArc(QRectF(5, 2.5, 6, 6), 180 * 16, -270 * 16);
        p.drawLine(QPointF(8, 8.5), QPointF(8, 10));
        p.setBrush(p.pen().color());
        p.drawEllipse(QPointF(8, 13), 0.6, 0.6);
    });
    icon("menu", [](QPainter& p) {
        for (double y : {4.5, 8.0, 11.5})
            p.drawLine(QPointF(3, y), QPointF(13, y));
    });
    icon("skin", [](QPainter& p) {
        p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
        QPainterPath half;
        half.moveTo(8, 2.5);
        half.arcTo(QRectF(2.5, 2.5, 11, 11), 90, 180);
        half.closeSubpath();
        p.fillPath(half, p.pen().color());
    });
}

} // namespace

void DrawControlArt(ArtWriter& w) {
    for (int i = 0; i < 4; ++i)
        DrawRate(w, i);
    for (int pos = 0; pos <= 10; ++pos)
        DrawSliderPosition(w, pos);
    DrawCycleSwatch(w);
    DrawUnusable(w);
    DrawGlyphs(w);
}

} // namespace zk::art
