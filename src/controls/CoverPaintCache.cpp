#include "controls/CoverPaintCache.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <cmath>
#include <utility>

namespace zk::controls {

CoverPaintCache::CoverPaintCache(QWidget* cover) : QObject(cover), cover_(cover) {
    // The cover's background (a style's picture, a filled colour) is drawn
    // here with the rest of it rather than before its paint event, so that a
    // repaint from the kept picture draws it once.
    cover->setAttribute(Qt::WA_NoSystemBackground, true);
    cover->installEventFilter(this);
}

void CoverPaintCache::DrawBackground() {
    // As the widget's own repaint draws the background of a child widget.
    QPainter p(cover_);
    if (cover_->autoFillBackground())
        p.fillRect(cover_->rect(), cover_->palette().brush(cover_->backgroundRole()));
    if (cover_->testAttribute(Qt::WA_StyledBackground)) {
        QStyleOption opt;
        opt.initFrom(cover_);
        cover_->style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, cover_);
    }
}

CoverPaintCache* CoverPaintCache::Of(const QWidget* cover) {
    return cover ? cover->findChild<CoverPaintCache*>(QString(), Qt::FindDirectChildrenOnly)
                 : nullptr;
}

void CoverPaintCache::Cover(QWidget* cover, const QObject* light, const QRegion& area) {
    if (!cover)
        return;
    CoverPaintCache* cache = Of(cover);
    if (!cache) {
        if (area.isEmpty())
            return;
        cache = new CoverPaintCache(cover);
    }
    if (area.isEmpty())
        cache->areas_.remove(light);
    else
        cache->areas_.insert(light, area);
    cache->area_ = QRegion();
    for (const QRegion& a : std::as_const(cache->areas_))
        cache->area_ += a;
}

CoverPaintCache::Look CoverPaintCache::LookNow() const {
    Look look;
    look.size = cover_->size();
    look.ratio = cover_->devicePixelRatioF();
    look.enabled = cover_->isEnabled();
    look.hovered = cover_->underMouse();
    look.focused = cover_->hasFocus();
    if (const auto* b = qobject_cast<const QAbstractButton*>(cover_)) {
        look.down = b->isDown();
        look.checked = b->isChecked();
        look.icon = b->icon().cacheKey();
        look.text = b->text();
    } else if (const auto* l = qobject_cast<const QLabel*>(cover_)) {
        look.icon = l->pixmap().cacheKey();
        look.text = l->text();
    }
    look.background = cover_->property("bkImage").toString();
    look.sheet = cover_->styleSheet();
    return look;
}

bool CoverPaintCache::Current() const {
    return !kept_.isNull() && keptLook_ == LookNow();
}

void CoverPaintCache::Keep() {
    keepQueued_ = false;
    if (cover_->size().isEmpty() || !cover_->isVisible())
        return;
    const qreal ratio = cover_->devicePixelRatioF();
    QPixmap picture(QSize(static_cast<int>(std::ceil(cover_->width() * ratio)),
                          static_cast<int>(std::ceil(cover_->height() * ratio))));
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    rendering_ = true;
    cover_->render(&picture, QPoint(), QRegion(), QWidget::RenderFlags());
    rendering_ = false;
    kept_ = picture;
    keptLook_ = LookNow();
}

bool CoverPaintCache::eventFilter(QObject* watched, QEvent* e) {
    if (watched != cover_)
        return QObject::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::StyleChange: // also a style sheet of the window or a parent
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::LayoutDirectionChange:
        kept_ = QPixmap();
        break;
    default:
        break;
    }
    if (e->type() != QEvent::Paint)
        return QObject::eventFilter(watched, e);
    if (rendering_) {
        DrawBackground();
        return QObject::eventFilter(watched, e);
    }
    const QRegion& region = static_cast<QPaintEvent*>(e)->region();
    // Only repaints that lie wholly over the lights use the kept picture.
    if ((region - area_).isEmpty() && !region.isEmpty()) {
        if (Current()) {
            QPainter p(cover_);
            // Rectangle by rectangle: each is a plain copy, where a fill over
            // the whole region would be cut into spans.
            for (const QRect& r : region) {
                p.setClipRect(r);
                p.drawPixmap(0, 0, kept_);
            }
            return true;
        }
        if (!keepQueued_) {
            keepQueued_ = true;
            QMetaObject::invokeMethod(this, &CoverPaintCache::Keep, Qt::QueuedConnection);
        }
    }
    DrawBackground();
    return QObject::eventFilter(watched, e);
}

} // namespace zk::controls
