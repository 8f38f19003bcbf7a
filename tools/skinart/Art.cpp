#include "skinart/Art.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainterPathStroker>

#include <vector>

namespace zk::art {

ArtWriter::ArtWriter(QString outDir, QString fontFamily)
    : outDir_(std::move(outDir)), family_(std::move(fontFamily)) {}

QFont ArtWriter::Font(double pixelSize, int weight) const {
    QFont f(family_);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

bool ArtWriter::Save(const QString& rel, const QImage& image) {
    const QString path = outDir_ + QLatin1Char('/') + rel;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        errors_ << path;
        return false;
    }
    written_ << rel;
    return true;
}

bool ArtWriter::Emit(const QString& rel, QSize logical, const DrawFn& draw) {
    bool ok = true;
    for (int scale : {1, 2}) {
        QImage image(logical * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.scale(scale, scale);
            draw(p);
        }
        QString name = rel;
        if (scale == 2)
            name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        ok = Save(name, image.convertToFormat(QImage::Format_ARGB32)) && ok;
    }
    return ok;
}

bool ArtWriter::EmitExact(const QString& rel, QSize pixels, const DrawFn& draw) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        draw(p);
    }
    return Save(rel, image.convertToFormat(QImage::Format_ARGB32));
}

QRectF ToQRect(const Rect& r) {
    return QRectF(r.x, r.y, r.w, r.h);
}

QColor WithAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

void SoftShadow(QPainter& p, const QPainterPath& shape, QColor colour, int spread, QPointF offset) {
    p.save();
    p.translate(offset);
    const int base = colour.alpha();
    for (int i = spread; i >= 1; --i) {
        QPainterPathStroker s;
        s.setWidth(2.0 * i);
        s.setJoinStyle(Qt::RoundJoin);
        const QPainterPath ring = s.createStroke(shape).united(shape);
        const int a = base * (spread - i + 1) / (spread * spread / 2 + 1);
        p.fillPath(ring, WithAlpha(colour, qBound(0, a / 3, 255)));
    }
    p.restore();
}

namespace {

// Box blur of the alpha channel, horizontal then vertical, repeated; the result is white.
std::vector<int> BlurAlpha(const QImage& img, int radius, int passes) {
    const int w = img.width(), h = img.height();
    std::vector<int> a(static_cast<std::size_t>(w * h)), tmp(a.size());
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            a[static_cast<std::size_t>(y * w + x)] = qAlpha(line[x]);
    }
    auto at = [&](std::vector<int>& v, int x, int y) -> int& {
        return v[static_cast<std::size_t>(y * w + x)];
    };
    const int span = 2 * radius + 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = x + k;
                    if (xx >= 0 && xx < w)
                        sum += at(a, xx, y);
                }
                at(tmp, x, y) = sum / span;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = y + k;
                    if (yy >= 0 && yy < h)
                        sum += at(tmp, x, yy);
                }
                at(a, x, y) = sum / span;
            }
    }
    return a;
}

} // namespace

void GlowMask(QPainter& p, const QPainterPath& shape, int spread) {
    QPaintDevice* dev = p.device();
    const QTransform t = p.combinedTransform();
    QImage layer(dev->width(), dev->height(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter q(&layer);
        q.setRenderHint(QPainter::Antialiasing);
        q.setTransform(t);
        q.fillPath(shape, Qt::white);
    }
    const int radius = qMax(1, qRound(spread * t.m11() / 2.0));
    const std::vector<int> glow = BlurAlpha(layer, radius, 2);
    QImage halo(layer.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < halo.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(halo.scanLine(y));
        for (int x = 0; x < halo.width(); ++x) {
            const int a = qMin(255, glow[static_cast<std::size_t>(y * halo.width() + x)] * 3 / 4);
            line[x] = qRgba(a, a, a, a);
        }
    }
    p.save();
    p.resetTransform();
    p.drawImage(0, 0, halo);
    p.drawImage(0, 0, layer);
    p.restore();
}

} // namespace zk::art
