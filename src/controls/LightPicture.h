#pragma once
// An LED of the mouse or mousepad picture: a light picture that the preview
// tints. With the tint switched on it shows the picture's shape in the tint
// colour at the tint opacity (nothing at opacity 0); with the tint off it
// shows the picture as it is, like a plain picture control.
//
// Over a still picture (the device drawings), an LED may paint its backdrop
// itself: what its ancestors show beneath it, rendered once and kept. The LED
// is then opaque to the window's repaints, so a new light repaints the LED
// alone instead of every widget beneath it.

#include "controls/TintedPicture.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace zk::controls {

class CLightPictureUI : public QWidget, public TintMembers {
    Q_OBJECT
public:
    explicit CLightPictureUI(QWidget* parent = nullptr);

    QString GetClass() const { return QStringLiteral("LightPicture"); }

    // "lightimage" (or "image"): the picture file. Any other name becomes a
    // property of the control. Names are compared without regard to case.
    void SetAttribute(const QString& name, const QString& value);

    void SetLightImage(const QString& file);
    QString GetLightImage() const { return light_.File(); }

    // Paints the backdrop kept from the ancestors beneath the LED (see above).
    // Kept off while a widget other than the ancestors lies beneath the LED
    // (a lower sibling, or an LED whose shape overlaps): its backdrop would
    // hide that widget. The backdrop is rendered again after a move, a resize
    // or a change of style, palette, font or state.
    void SetPaintsBackdrop(bool on);
    bool PaintsBackdrop() const { return testAttribute(Qt::WA_OpaquePaintEvent); }

    QWidget* TintWidget() override { return this; }
    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool ApplyOwnAttribute(const QString& name, const QString& value);
    // The control covers only the picture's visible pixels: a new light
    // repaints the LED's shape and what lies under it, not its whole box.
    void UpdateShapeMask();
    // Drops the kept backdrop and decides again whether the LED paints one.
    void RefreshBackdrop();
    bool OnlyAncestorsBeneath() const;
    QRegion Shape() const; // the mask within the control, or all of it
    void RenderBackdrop();
    void KeepCoversOverShape(bool keep);

    TintedPicture light_;
    bool backdropWanted_ = false;
    QPixmap backdrop_;
    QList<QPointer<QWidget>> watched_; // the ancestors, nearest first
};

} // namespace zk::controls
