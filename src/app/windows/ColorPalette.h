#pragma once
// The colour palette control ("Pallet" of the palette dialog, and the lighting pages' palettes):
// a saturation/value field over a hue strip. The user picks by clicking or dragging (arrow keys
// move the hue); each pick raises "colorchanged" to the window. Setting the colour from the
// program raises nothing and keeps the exact value, so GetSelectColor returns what was set.

#include <QWidget>

#include <cstdint>

namespace zk::app {

class CColorPaletteUI : public QWidget {
    Q_OBJECT
    // The selected colour for code that knows the control by name only (the
    // pages): setProperty("selectColor", argb) is SelectColor(argb).
    Q_PROPERTY(uint selectColor READ SelectedColorValue WRITE SelectColorValue)
public:
    // Class names under which layouts may name the control.
    static constexpr const char* kClassName = "CColorPaletteUI";
    static constexpr const char* kShortClassName = "ColorPalette";

    explicit CColorPaletteUI(QWidget* parent = nullptr);

    // Colours are 0xAARRGGBB. A picked colour is always opaque.
    void SelectColor(std::uint32_t argb);
    std::uint32_t GetSelectColor() const { return argb_; }
    uint SelectedColorValue() const { return argb_; }
    void SelectColorValue(uint argb) { SelectColor(argb); }

    QSize sizeHint() const override { return {240, 180}; }
    QSize minimumSizeHint() const override { return {96, 64}; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    enum class Drag { None, Field, Hue };
    QRectF FieldRect() const;
    QRectF HueRect() const;
    void PickAt(QPointF pos);
    void Commit(); // colour from hue/saturation/value, repaint, "colorchanged"

    std::uint32_t argb_ = 0xFF0199CB;
    double hue_ = 0;        // 0..1
    double saturation_ = 0; // 0..1
    double value_ = 0;      // 0..1
    Drag drag_ = Drag::None;
};

// Registers the control with the window layer's control factory under both class names.
void RegisterColorPalette();

} // namespace zk::app
