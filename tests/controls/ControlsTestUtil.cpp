#include "controls/ControlsTestUtil.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cstdlib>

namespace zktest {

QString WriteLightPicture(const std::filesystem::path& folder, const QString& name, int size,
                          int inset) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.fillRect(QRect(inset, inset, size - 2 * inset, size - 2 * inset), Qt::white);
    }
    const QString path = QString::fromStdString((folder / name.toStdString()).string());
    img.save(path);
    return path;
}

QString WriteSolidPicture(const std::filesystem::path& folder, const QString& name, int size,
                          QColor colour) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(colour);
    const QString path = QString::fromStdString((folder / name.toStdString()).string());
    img.save(path);
    return path;
}

QImage Grab(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

void PaintCounter::Watch(QWidget* w) {
    w->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::Paint)
        ++count;
    return QObject::eventFilter(o, e);
}

} // namespace zktest
