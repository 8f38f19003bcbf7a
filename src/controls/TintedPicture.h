#pragma once
// The tinted picture of the light previews, shared by the key buttons of the
// keyboard picture and the LED pictures of the mouse and mousepad.
//
// A light picture is a white shape on transparency. Drawn with a tint, its
// shape is filled with the tint colour and laid over what is below at the
// tint opacity (0 invisible, 255 opaque); drawn without, it appears as it is.
//
// Tint colour values are packed as the light previews pack them:
// (green << 16) | (blue << 8) | red.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

class QPainter;
class QRect;
class QWidget;

namespace zk::controls {

// The colour of a packed tint colour value (opaque).
QColor TintColour(std::uint32_t changerColour);
// The packed tint colour value of a colour (its inverse).
std::uint32_t PackTintColour(const QColor& colour);

// Parses a colour attribute: hexadecimal digits with an optional leading '#'
// (and an optional "0x"). False for an empty or non-hexadecimal text.
bool ParseHexColour(const QString& text, std::uint32_t& value);

// Loads a skin picture: an absolute path or a "name:" search-path name as it
// is, any other name relative to the skin folder of the resource manager. On a
// screen with a device pixel ratio above 1 the "@2x" partner is preferred when
// it exists. A null pixmap when nothing can be read.
QPixmap LoadSkinPicture(const QString& file, qreal devicePixelRatio = 1.0);

// The tint members that the preview tickers write from their own threads
// while the GUI thread paints: each value is a separate atomic, so a reader
// sees every value whole; a tint that mixes two frames lasts one repaint.
class TintMembers {
public:
    virtual ~TintMembers() = default;

    void SetIsChangerColor(bool on) { tintOn_.store(on ? 1u : 0u, std::memory_order_relaxed); }
    void SetChangerColor(std::uint32_t colour) {
        tintColour_.store(colour, std::memory_order_relaxed);
    }
    // Opacity 0 to 255; larger values count as 255.
    void SetChangerAlpha(std::uint32_t opacity) {
        tintOpacity_.store(opacity > 255u ? 255u : opacity, std::memory_order_relaxed);
    }
    bool IsChangerColor() const { return tintOn_.load(std::memory_order_relaxed) != 0; }
    std::uint32_t GetChangerColor() const { return tintColour_.load(std::memory_order_relaxed); }
    std::uint32_t GetChangerAlpha() const { return tintOpacity_.load(std::memory_order_relaxed); }

    // The widget that shows the tint (for repaints on the GUI thread).
    virtual QWidget* TintWidget() = 0;

protected:
    TintMembers(bool on, std::uint32_t colour, std::uint32_t opacity)
        : tintOn_(on ? 1u : 0u), tintColour_(colour), tintOpacity_(opacity) {}

private:
    std::atomic<std::uint32_t> tintOn_;
    std::atomic<std::uint32_t> tintColour_;
    std::atomic<std::uint32_t> tintOpacity_;
};

// A light picture with the tinted copy of its last tint colour, so that a
// repaint with an unchanged colour costs one draw, and a new colour one pass
// over the picture's pixels.
class TintedPicture {
public:
    void SetFile(const QString& file);
    const QString& File() const { return file_; }
    // The picture for the widget's screen (loaded on first use).
    const QPixmap& Picture(const QWidget* widget);

    // Draws the picture into `target` as it is.
    void Draw(QPainter& painter, const QRect& target, const QWidget* widget);
    // Draws the picture's shape in the colour `changerColour` at `opacity`.
    void DrawTinted(QPainter& painter, const QRect& target, const QWidget* widget,
                    std::uint32_t changerColour, std::uint32_t opacity);

private:
    QString file_;
    QPixmap picture_;
    qreal loadedRatio_ = 0.0;
    bool loaded_ = false;
    QImage shape_;                              // the picture's pixels (premultiplied), for tinting
    QImage tinted_;                             // the shape in the last tint colour
    std::vector<std::pair<int, int>> rowSpans_; // covered columns [first, end) by row
    std::uint32_t tintedColour_ = 0;
    bool tintedValid_ = false;
};

} // namespace zk::controls
