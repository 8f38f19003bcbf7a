#pragma once
// A round progress: a disc in the background colour, a pie in the foreground
// colour from the bottom (90 degrees, clockwise on screen) whose sweep is the
// share of the value in the range, and a white centre that leaves a ring
// 10 pixels wide.

#include <QProgressBar>

#include <cstdint>

namespace zk::controls {

class CCircleProgressUI : public QProgressBar {
    Q_OBJECT
public:
    explicit CCircleProgressUI(QWidget* parent = nullptr);

    QString GetClass() const { return QStringLiteral("CircleProgress"); }

    // "bkcolor" and "forecolor" (hexadecimal ARGB, optional '#'); any other
    // name becomes a property. Names are compared without regard to case.
    void SetAttribute(const QString& name, const QString& value);

    // Colours as 0xAARRGGBB. A background colour set through the window
    // layer's SetBkColor (the "bkColor" property) takes precedence.
    void SetBkColor(std::uint32_t argb);
    std::uint32_t GetBkColor() const;
    void SetForeColor(std::uint32_t argb);
    std::uint32_t GetForeColor() const { return foreColour_; }

    // The sweep of the foreground pie in whole degrees (0 to 360).
    int SweepDegrees() const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool ApplyOwnAttribute(const QString& name, const QString& value);

    std::uint32_t bkColour_ = 0xFF262A32;
    std::uint32_t foreColour_ = 0xFF0199CB;
};

} // namespace zk::controls
