#pragma once

// Small helpers of the tests that drive real widgets: where a slider's handle
// is drawn, a picture of a window for a person to look at, how far two
// pictures lie apart, and work done inside a window once it opens.

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QScreen>
#include <QSlider>
#include <QString>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>

namespace zktest {

// The largest difference of a colour channel or alpha between two pictures of
// one size (256 when the sizes differ).
inline int LargestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 256;
    const QImage p = a.convertToFormat(QImage::Format_ARGB32);
    const QImage q = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int y = 0; y < p.height(); ++y) {
        for (int x = 0; x < p.width(); ++x) {
            const QRgb u = p.pixel(x, y), v = q.pixel(x, y);
            largest =
                std::max({largest, std::abs(qRed(u) - qRed(v)), std::abs(qGreen(u) - qGreen(v)),
                          std::abs(qBlue(u) - qBlue(v)), std::abs(qAlpha(u) - qAlpha(v))});
        }
    }
    return largest;
}

// Centre of the slider's handle, as its style draws it.
inline QPoint HandleCentre(QSlider* slider) {
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.subControls = QStyle::SC_All;
    opt.orientation = slider->orientation();
    opt.minimum = slider->minimum();
    opt.maximum = slider->maximum();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider)
        .center();
}

// Saves `window` as <ZK_SCREENSHOT_DIR>/<name>.png when that variable is set:
// as the screen shows it on a real display, as drawn otherwise.
inline void SaveWindowPicture(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
    if (dir.isEmpty() || !window)
        return;
    QDir().mkpath(dir);
    const bool real = QGuiApplication::platformName() == QLatin1String("xcb");
    const QPixmap picture =
        real && window->screen() ? window->screen()->grabWindow(window->winId()) : window->grab();
    picture.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

// The first visible top-level widget of type W.
template <class W> W* ShownTopLevel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(w); found && found->isVisible())
            return found;
    return nullptr;
}

// The first skin window of type W that is open and not closing.
template <class W> W* OpenWindowOf() {
    for (QWidget* w : QApplication::allWidgets())
        if (auto* found = qobject_cast<W*>(w); found && found->IsWindow() && !found->IsClosing())
            return found;
    return nullptr;
}

// Runs `inside` on the window `find` gives once it gives one, polled from
// whatever event loop runs (a modal window's own included); a failure when
// none came within `limit`. The poll belongs to `owner`.
template <class W>
void WhenFound(QObject* owner, W* (*find)(), std::function<void(W&)> inside,
               std::chrono::milliseconds limit) {
    auto* poll = new QTimer(owner);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, find, inside, deadline] {
        if (W* window = find()) {
            poll->stop();
            poll->deleteLater();
            inside(*window);
        } else if (std::chrono::steady_clock::now() > deadline) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "the window did not open";
        }
    });
    poll->start(10);
}

} // namespace zktest
