#pragma once
// The drawing of a device that a page lays its buttons and lights over:
// centred in the control and scaled down, keeping its proportions, where the
// control is smaller. The file is read when the drawing is first painted, so
// the drawings of device pages never opened take no memory.

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace zk::controls {

class CDevicePictureUI : public QWidget {
    Q_OBJECT
public:
    explicit CDevicePictureUI(QWidget* parent = nullptr);

    // "picture": the skin picture file, as LoadSkinPicture takes it.
    void SetPicture(const QString& file);
    QString Picture() const { return file_; }
    // Whether the file has been read (it is on the first paint).
    bool PictureLoaded() const { return loaded_; }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QString file_;
    QPixmap picture_;
    qreal loadedRatio_ = 0;
    bool loaded_ = false;
};

} // namespace zk::controls
