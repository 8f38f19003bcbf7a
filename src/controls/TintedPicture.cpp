#include "controls/TintedPicture.h"

#include "ui/ResourceManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegularExpression>
#include <QWidget>

#include <algorithm>
#include <array>

namespace zk::controls {

QColor TintColour(std::uint32_t changerColour) {
    const int red = static_cast<int>(changerColour & 0xFFu);
    const int blue = static_cast<int>((changerColour >> 8) & 0xFFu);
    const int green = static_cast<int>((changerColour >> 16) & 0xFFu);
    return QColor(red, green, blue);
}

std::uint32_t PackTintColour(const QColor& colour) {
    return (static_cast<std::uint32_t>(colour.green()) << 16) |
           (static_cast<std::uint32_t>(colour.blue()) << 8) |
           static_cast<std::uint32_t>(colour.red());
}

bool ParseHexColour(const QString& text, std::uint32_t& value) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('#')))
        t.remove(0, 1);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t.remove(0, 2);
    if (t.isEmpty() || t.size() > 8)
        return false;
    bool ok = false;
    const uint v = t.toUInt(&ok, 16);
    if (!ok)
        return false;
    value = v;
    return true;
}

namespace {

QString ResolvePicturePath(const QString& file) {
    static const QRegularExpression searchPrefix(QStringLiteral("^[A-Za-z][A-Za-z0-9_]+:"));
    if (QDir::isAbsolutePath(file) || searchPrefix.match(file).hasMatch())
        return file;
    const QString folder = ui::ResourceManager::GetInstance().GetResourcePath();
    if (folder.isEmpty())
        return file;
    return QDir(folder).filePath(file);
}

} // namespace

QPixmap LoadSkinPicture(const QString& file, qreal devicePixelRatio) {
    if (file.isEmpty())
        return {};
    const QString path = ResolvePicturePath(file);
    if (devicePixelRatio > 1.0) {
        const QFileInfo info(path);
        const QString suffix = info.suffix();
        const QString hi = path.left(path.size() - (suffix.isEmpty() ? 0 : suffix.size() + 1)) +
                           QStringLiteral("@2x") +
                           (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
        QPixmap p;
        if (QFile::exists(hi) && p.load(hi)) {
            p.setDevicePixelRatio(2.0);
            return p;
        }
    }
    QPixmap p;
    if (!p.load(path))
        return {};
    return p;
}

void TintedPicture::SetFile(const QString& file) {
    if (file == file_)
        return;
    file_ = file;
    loaded_ = false;
    picture_ = QPixmap();
    shape_ = QImage();
    tinted_ = QImage();
    tintedValid_ = false;
}

const QPixmap& TintedPicture::Picture(const QWidget* widget) {
    const qreal ratio = widget ? widget->devicePixelRatioF() : 1.0;
    if (!loaded_ || ratio != loadedRatio_) {
        picture_ = LoadSkinPicture(file_, ratio);
        loadedRatio_ = ratio;
        loaded_ = true;
        shape_ = QImage();
        tintedValid_ = false;
    }
    return picture_;
}

void TintedPicture::Draw(QPainter& painter, const QRect& target, const QWidget* widget) {
    const QPixmap& picture = Picture(widget);
    if (!picture.isNull())
        painter.drawPixmap(target, picture);
}

void TintedPicture::DrawTinted(QPainter& painter, const QRect& target, const QWidget* widget,
                               std::uint32_t changerColour, std::uint32_t opacity) {
    if (opacity == 0)
        return;
    const QPixmap& picture = Picture(widget);
    if (picture.isNull())
        return;
    if (shape_.isNull()) {
        shape_ = picture.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        tinted_ = QImage(shape_.size(), QImage::Format_ARGB32_Premultiplied);
        tinted_.setDevicePixelRatio(picture.devicePixelRatio());
        tinted_.fill(Qt::transparent);
        // Each row's columns from its first to its last covered pixel: a new
        // colour rewrites those alone, the rest stays transparent.
        rowSpans_.assign(static_cast<std::size_t>(shape_.height()), {0, 0});
        for (int y = 0; y < shape_.height(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(shape_.constScanLine(y));
            int first = shape_.width(), end = 0;
            for (int x = 0; x < shape_.width(); ++x) {
                if (qAlpha(from[x]) != 0) {
                    first = std::min(first, x);
                    end = x + 1;
                }
            }
            if (end > first)
                rowSpans_[static_cast<std::size_t>(y)] = {first, end};
        }
        tintedValid_ = false;
    }
    if (!tintedValid_ || tintedColour_ != changerColour) {
        // The shape's coverage in the tint colour (source-in): every pixel
        // keeps its alpha and takes the colour, looked up by alpha.
        const QColor colour = TintColour(changerColour);
        const int r = colour.red(), g = colour.green(), b = colour.blue();
        std::array<QRgb, 256> byAlpha;
        byAlpha[0] = 0u;
        for (int a = 1; a < 256; ++a)
            byAlpha[static_cast<std::size_t>(a)] = qPremultiply(qRgba(r, g, b, a));
        for (int y = 0; y < shape_.height(); ++y) {
            const auto [first, end] = rowSpans_[static_cast<std::size_t>(y)];
            const auto* from = reinterpret_cast<const QRgb*>(shape_.constScanLine(y));
            auto* to = reinterpret_cast<QRgb*>(tinted_.scanLine(y));
            for (int x = first; x < end; ++x)
                to[x] = byAlpha[qAlpha(from[x])];
        }
        tintedColour_ = changerColour;
        tintedValid_ = true;
    }
    painter.save();
    painter.setOpacity(painter.opacity() * static_cast<qreal>(opacity > 255 ? 255 : opacity) /
                       255.0);
    painter.drawImage(target, tinted_);
    painter.restore();
}

} // namespace zk::controls
