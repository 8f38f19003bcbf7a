#pragma once
// An LED of the mouse or mousepad picture: a light picture that the preview
// tints. With the tint switched on it shows the picture's shape in the tint
// colour at the tint opacity (nothing at opacity 0); with the tint off it
// shows the picture as it is, like a plain picture control.

#include "controls/TintedPicture.h"

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

    QWidget* TintWidget() override { return this; }
    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool ApplyOwnAttribute(const QString& name, const QString& value);

    TintedPicture light_;
};

} // namespace zk::controls
