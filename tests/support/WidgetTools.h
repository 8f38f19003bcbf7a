#pragma once

// Small helpers of the tests that drive real widgets: where a slider's handle
// is drawn, and a picture of a window for a person to look at.

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QPoint>
#include <QScreen>
#include <QSlider>
#include <QString>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWidget>

namespace zktest {

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

} // namespace zktest
