#pragma once
// Helpers of the custom-control tests: light pictures written to a temporary
// folder, grabbed pixels and a paint counter.

#include <QColor>
#include <QImage>
#include <QObject>
#include <QString>

#include <filesystem>

class QWidget;

namespace zktest {

// Writes a light picture of `size` × `size` pixels: transparent with a white
// square inset by `inset` pixels. Returns its path.
QString WriteLightPicture(const std::filesystem::path& folder, const QString& name, int size,
                          int inset);
// Writes a picture of one opaque colour.
QString WriteSolidPicture(const std::filesystem::path& folder, const QString& name, int size,
                          QColor colour);

// The widget as it is drawn (device pixel ratio 1 on the offscreen platform).
QImage Grab(QWidget* widget);
// Whether two colours differ by at most `tolerance` per channel.
bool Near(QColor a, QColor b, int tolerance = 2);

// Counts the paint events of the watched widgets.
class PaintCounter : public QObject {
public:
    void Watch(QWidget* w);
    int count = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};

} // namespace zktest
