#pragma once
// A button or picture label laid over light pictures (a caption of the mouse
// picture, a drawing of a mouse button) is repainted each time a light
// beneath it changes. While its own
// look stays the same, it repaints those areas from a picture of itself kept
// from its last look instead of drawing itself again; any other repaint, and
// any repaint after its look changed, draws it as usual.
//
// Its look is known by its size, screen scale, style sheet, text, icon or picture,
// state (enabled, under the mouse, pressed, checked, focused) and background
// picture property, and a change of style, palette or font drops the kept
// picture; a kept picture that no longer matches is drawn again after the
// repaint, outside any paint.

#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QRegion>
#include <QSize>
#include <QString>

class QWidget;

namespace zk::controls {

class CoverPaintCache : public QObject {
    Q_OBJECT
public:
    // Sets the area of `cover` (in its coordinates) that lies over the light
    // picture `light`, giving the cover its cache on first use; an empty area
    // withdraws the light's.
    static void Cover(QWidget* cover, const QObject* light, const QRegion& area);
    // The cache of `cover`, if it has one.
    static CoverPaintCache* Of(const QWidget* cover);

    const QRegion& Area() const { return area_; }
    // Whether the kept picture matches the cover's look now.
    bool Current() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    explicit CoverPaintCache(QWidget* cover);
    // What the cover's look depends on.
    struct Look {
        QSize size;
        qreal ratio = 0;
        bool enabled = false, hovered = false, down = false, checked = false, focused = false;
        qint64 icon = 0;
        QString text, background, sheet;
        bool operator==(const Look&) const = default;
    };
    Look LookNow() const;
    void Keep();
    void DrawBackground();

    QWidget* cover_;
    QHash<const QObject*, QRegion> areas_; // by light picture
    QRegion area_;                         // all of them
    QPixmap kept_;
    Look keptLook_;
    bool rendering_ = false;
    bool keepQueued_ = false;
};

} // namespace zk::controls
