#pragma once
// The colour palette dialog with which the user picks the colour of a DPI stage.
//
//   CPalletDialog dialog(initialColour);
//   if (dialog.Run(mainWindow, QCursor::pos()) == 1) use(dialog.GetChosenColor());
//
// Run creates the dialog as a frameless window owned by `parent`, 800 x 572 and then the size
// of its layout, places its top-left corner at `cursor` + (-10, +10) (kept on the screen), and
// runs it modally: 1 when confirmed ("okbtn"), 2 when closed. The palette "Pallet", the colour
// sample "color_show_btn" and the 30 preset swatches "ms_dpi_color_png_0" .. "_29" come from the
// layout; "Pallet_BTN_OK" and "Pallet_BTN_CANCEL" act as "okbtn" and "closebtn".

#include "ui/WindowImplBase.h"

#include <QPoint>

#include <array>
#include <cstdint>

namespace zk::app {

class CColorPaletteUI;

// Preset colours of the swatches "ms_dpi_color_png_<N>", 0xAARRGGBB.
inline constexpr std::array<std::uint32_t, 30> kPresetColours{
    0xFFFF0000, 0xFF00F6FF, 0xFF6CFF00, 0xFF7E00FF, 0xFF008AFF, 0xFF2400FF, 0xFFADFE00, 0xFFFE5400,
    0xFFFE8300, 0xFF8300E7, 0xFFB700AC, 0xFFFEB300, 0xFFFEF500, 0xFFFF0000, 0xFFFF00F6, 0xFF21B309,
    0xFF48B1FA, 0xFFFA48A4, 0xFFFDFDFC, 0xFF4900E7, 0xFFFFC480, 0xFF000000, 0xFF1B48A3, 0xFF1B1A77,
    0xFF4877A3, 0xFF76A348, 0xFFACD55B, 0xFF7576D2, 0xFF7675FF, 0xFF4776A4};

class CPalletDialog : public ui::WindowImplBase {
    Q_OBJECT
public:
    static constexpr int kResultConfirmed = 1;
    static constexpr int kResultClosed = 2;

    explicit CPalletDialog(std::uint32_t initialColour);

    QString GetWindowClassName() const override { return QStringLiteral("UIPalletDialog"); }
    QString GetSkinFile() override { return QStringLiteral("GmPalletDialog.xml"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    QWidget* CreateControl(const QString& className) override;

    // Creates the window (see above) without showing it; false when the layout is missing.
    bool CreateAt(QWidget* parent, QPoint cursor);
    // CreateAt, then the modal run; 2 when the window cannot be created.
    int Run(QWidget* parent, QPoint cursor);

    std::uint32_t GetInitialColor() const { return initial_; }
    // The colour confirmed with "okbtn" (the initial colour until then).
    std::uint32_t GetChosenColor() const { return chosen_; }
    CColorPaletteUI* Palette() const { return palette_; }
    // Escape closes the dialog as "closebtn" does; Enter confirms as "okbtn".
    bool ResponseDefaultKeyEvent(int key) override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void ShowColour(std::uint32_t argb);
    void Confirm();

    std::uint32_t initial_;
    std::uint32_t chosen_;
    CColorPaletteUI* palette_ = nullptr;
    QWidget* okButton_ = nullptr;
    QWidget* cancelButton_ = nullptr;
};

// Runs the palette modally over `parent` at the cursor, starting at `initial`
// (0xAARRGGBB); true with `chosen` set when the user confirmed a colour.
bool PickColourAtCursor(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen);

} // namespace zk::app
