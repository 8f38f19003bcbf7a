#include "controls/LightPicture.h"

#include "controls/Attributes.h"
#include "controls/CoverPaintCache.h"

#include <algorithm>
#include <cmath>

#include <QAbstractButton>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace zk::controls {

CLightPictureUI::CLightPictureUI(QWidget* parent) : QWidget(parent), TintMembers(false, 0, 255) {
    // A picture over the device drawing: clicks reach the buttons below it.
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void CLightPictureUI::SetAttribute(const QString& name, const QString& value) {
    if (!ApplyOwnAttribute(name, value))
        setProperty(name.toUtf8().constData(), value);
}

bool CLightPictureUI::ApplyOwnAttribute(const QString& name, const QString& value) {
    if (name.compare(QLatin1String("lightimage"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("image"), Qt::CaseInsensitive) == 0) {
        SetLightImage(value);
        return true;
    }
    return false;
}

void CLightPictureUI::SetLightImage(const QString& file) {
    light_.SetFile(file);
    UpdateShapeMask();
    updateGeometry();
    update();
}

void CLightPictureUI::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    UpdateShapeMask();
    RefreshBackdrop();
}

void CLightPictureUI::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    RefreshBackdrop();
}

void CLightPictureUI::SetPaintsBackdrop(bool on) {
    backdropWanted_ = on;
    RefreshBackdrop();
}

void CLightPictureUI::RefreshBackdrop() {
    backdrop_ = QPixmap();
    // The ancestors tell of their own changes: new sizes, styles and children.
    QList<QPointer<QWidget>> chain;
    if (backdropWanted_) {
        for (QWidget* a = isWindow() ? nullptr : parentWidget(); a;
             a = a->isWindow() ? nullptr : a->parentWidget())
            chain.append(a);
    }
    if (chain != watched_) {
        for (const QPointer<QWidget>& a : watched_) {
            if (a)
                a->removeEventFilter(this);
        }
        for (const QPointer<QWidget>& a : chain)
            a->installEventFilter(this);
        watched_ = chain;
    }
    const bool paints = backdropWanted_ && !chain.isEmpty() && OnlyAncestorsBeneath();
    if (paints != PaintsBackdrop()) {
        setAttribute(Qt::WA_OpaquePaintEvent, paints);
        update();
    }
    KeepCoversOverShape(paints);
}

void CLightPictureUI::KeepCoversOverShape(bool keep) {
    // Buttons and picture labels laid over the LED repaint with it; while it paints its backdrop
    // they keep a picture of themselves for the areas over its shape.
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QRegion shape = Shape().translated(pos());
    bool above = false;
    for (QObject* o : parent->children()) {
        if (o == this) {
            above = true;
            continue;
        }
        auto* cover = qobject_cast<QWidget*>(o);
        if (!above || !cover || cover->isWindow() ||
            !(qobject_cast<QAbstractButton*>(o) ||
              (qobject_cast<QLabel*>(o) && !static_cast<QLabel*>(o)->movie())))
            continue;
        const QRegion over = keep ? shape & cover->geometry() : QRegion();
        CoverPaintCache::Cover(cover, this, over.translated(-cover->pos()));
    }
}

QRegion CLightPictureUI::Shape() const {
    // A mask made before a pending resize may still reach past the control.
    return mask().isEmpty() ? QRegion(rect()) : mask() & rect();
}

bool CLightPictureUI::OnlyAncestorsBeneath() const {
    const QRegion shape = Shape();
    for (const QWidget* w = this; !w->isWindow(); w = w->parentWidget()) {
        const QWidget* parent = w->parentWidget();
        if (!parent)
            return false;
        const QPoint at = mapTo(parent, QPoint());
        const QRect box(at, size());
        // Children are kept in stacking order: those before `w` lie beneath.
        for (const QObject* o : parent->children()) {
            if (o == w)
                break;
            const auto* sibling = qobject_cast<const QWidget*>(o);
            if (!sibling || sibling->isWindow() || !sibling->isVisibleTo(parent) ||
                !sibling->geometry().intersects(box))
                continue;
            if (const auto* led = qobject_cast<const CLightPictureUI*>(sibling)) {
                if (!led->Shape().translated(led->pos()).intersects(shape.translated(at)))
                    continue;
            }
            return false;
        }
    }
    return true;
}

void CLightPictureUI::RenderBackdrop() {
    // What the ancestors alone paint under the LED, from the window down, as
    // the window's own repaint composes them.
    const qreal ratio = devicePixelRatioF();
    QPixmap backdrop(QSize(static_cast<int>(std::ceil(width() * ratio)),
                           static_cast<int>(std::ceil(height() * ratio))));
    backdrop.setDevicePixelRatio(ratio);
    backdrop.fill(Qt::transparent);
    for (auto a = watched_.crbegin(); a != watched_.crend(); ++a) {
        QWidget* ancestor = a->data();
        if (!ancestor)
            continue;
        const QRegion under(QRect(mapTo(ancestor, QPoint()), size()));
        ancestor->render(&backdrop, QPoint(), under,
                         ancestor->isWindow() ? QWidget::DrawWindowBackground
                                              : QWidget::RenderFlags());
    }
    backdrop_ = backdrop;
}

bool CLightPictureUI::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::Move:
        // A window moving on the screen changes nothing inside it.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            break;
        [[fallthrough]];
    case QEvent::Resize:
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
        RefreshBackdrop();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, e);
}

void CLightPictureUI::UpdateShapeMask() {
    const QPixmap& picture = light_.Picture(this);
    if (picture.isNull() || size().isEmpty()) {
        clearMask();
        return;
    }
    // The picture as it is drawn (scaled to the control), in bands of rows:
    // each band covers the columns where it shows anything. Bands keep the
    // region a few rectangles, which Qt repaints and flushes cheaply.
    constexpr int kBand = 8;
    const QImage drawn = picture.toImage()
                             .scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    QList<QRect> runs;
    for (int top = 0; top < drawn.height(); top += kBand) {
        const int bottom = std::min(top + kBand, drawn.height());
        int left = drawn.width(), right = -1;
        for (int y = top; y < bottom; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
            for (int x = 0; x < drawn.width(); ++x) {
                if (qAlpha(row[x]) != 0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        if (right >= left)
            runs.append(QRect(left, top, right - left + 1, bottom - top));
    }
    if (runs.isEmpty()) {
        clearMask();
        return;
    }
    QRegion shape;
    shape.setRects(runs.constData(), static_cast<int>(runs.size()));
    setMask(shape);
}

QSize CLightPictureUI::sizeHint() const {
    const QPixmap& p = const_cast<TintedPicture&>(light_).Picture(this);
    return p.isNull() ? QSize(16, 16) : p.deviceIndependentSize().toSize();
}

bool CLightPictureUI::event(QEvent* e) {
    QString name, value;
    if (AttributeFromEvent(this, e, name, value))
        ApplyOwnAttribute(name, value);
    switch (e->type()) {
    case QEvent::Show:
    case QEvent::ParentChange:
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
    case QEvent::LayoutDirectionChange:
        RefreshBackdrop();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void CLightPictureUI::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.setClipRegion(e->region());
    if (PaintsBackdrop()) {
        if (backdrop_.isNull() || backdrop_.devicePixelRatio() != devicePixelRatioF())
            RenderBackdrop();
        // Opaque: nothing beneath is painted, so the backdrop replaces it.
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawPixmap(0, 0, backdrop_);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (IsChangerColor())
        light_.DrawTinted(p, rect(), this, GetChangerColor(), GetChangerAlpha());
    else
        light_.Draw(p, rect(), this);
}

} // namespace zk::controls
