#include "app/windows/PalletDialog.h"

#include "app/windows/ColorPalette.h"
#include "app/windows/Frameless.h"
#include "ui/Controls.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace zk::app {
namespace {

constexpr int kCaptionHeight = 40;
const QString kPresetPrefix = QStringLiteral("ms_dpi_color_png_");

bool SameName(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

} // namespace

CPalletDialog::CPalletDialog(std::uint32_t initialColour)
    : initial_(initialColour), chosen_(initialColour) {}

QWidget* CPalletDialog::CreateControl(const QString& className) {
    if (SameName(className, CColorPaletteUI::kClassName) ||
        SameName(className, CColorPaletteUI::kShortClassName))
        return new CColorPaletteUI;
    return nullptr;
}

void CPalletDialog::InitWindow() {
    cancelButton_ = FindControl(QStringLiteral("Pallet_BTN_CANCEL"));
    okButton_ = FindControl(QStringLiteral("Pallet_BTN_OK"));
    palette_ = FindControl<CColorPaletteUI>(QStringLiteral("Pallet"));
    if (palette_)
        palette_->SelectColor(initial_);
    // The swatches show their preset colours.
    for (std::size_t n = 0; n < kPresetColours.size(); ++n) {
        if (QWidget* swatch = FindControl(kPresetPrefix + QString::number(n)))
            ui::SetBkColor(swatch, kPresetColours[n]);
    }
    if (QWidget* show = FindControl(QStringLiteral("color_show_btn"))) {
        ui::SetBkImage(show, QString());
        ui::SetBkColor(show, initial_);
        show->update();
    }
    SetUpFrameless(*this, kCaptionHeight);
}

void CPalletDialog::resizeEvent(QResizeEvent* e) {
    ui::WindowImplBase::resizeEvent(e);
    ApplyRoundedRegion(*this, LayoutCornerRadius(*this));
}

void CPalletDialog::ShowColour(std::uint32_t argb) {
    if (QWidget* show = FindControl(QStringLiteral("color_show_btn"))) {
        ui::SetBkColor(show, argb);
        show->update();
    }
}

void CPalletDialog::Confirm() {
    if (!palette_) {
        Close(kResultClosed);
        return;
    }
    // The sample shows what the user last picked (palette or preset); a layout without the
    // sample falls back to the palette's colour rather than to black.
    QWidget* show = FindControl(QStringLiteral("color_show_btn"));
    chosen_ = show ? ui::GetBkColor(show) : palette_->GetSelectColor();
    Close(kResultConfirmed);
}

bool CPalletDialog::ResponseDefaultKeyEvent(int key) {
    if (key == Qt::Key_Escape)
        Close(kResultClosed);
    else
        Confirm();
    return true;
}

void CPalletDialog::Notify(ui::TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (msg.sType == QLatin1String(ui::DUI_MSGTYPE_COLORCHANGED)) {
        if (palette_ && msg.pSender == palette_)
            ShowColour(palette_->GetSelectColor());
        return;
    }
    if (msg.sType != QLatin1String(ui::DUI_MSGTYPE_CLICK))
        return;
    if (SameName(name, "closebtn") || (cancelButton_ && msg.pSender == cancelButton_)) {
        Close(kResultClosed);
        return;
    }
    if (SameName(name, "okbtn") || (okButton_ && msg.pSender == okButton_)) {
        Confirm();
        return;
    }
    // A preset swatch: "<prefix>_<N>".
    const int cut = name.lastIndexOf(QLatin1Char('_'));
    if (cut < 0)
        return;
    const QString prefix = name.left(cut + 1);
    bool ok = false;
    const int n = name.mid(cut + 1).toInt(&ok, 10);
    if (!ok || prefix.compare(kPresetPrefix, Qt::CaseInsensitive) != 0)
        return;
    if (n < 0 || n >= static_cast<int>(kPresetColours.size()))
        return; // no preset beyond the table
    const std::uint32_t colour = kPresetColours[static_cast<std::size_t>(n)];
    ShowColour(colour);
    if (palette_)
        palette_->SelectColor(colour);
}

bool CPalletDialog::CreateAt(QWidget* parent, QPoint cursor) {
    if (!Create(parent, QStringLiteral("UIPalletDialog"), ui::WindowStyle::Dialog,
                QRect(0, 0, 800, 572)))
        return false;
    QRect place(cursor + QPoint(-10, 10), size());
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        place = KeepInside(place, screen->availableGeometry());
    move(place.topLeft());
    return true;
}

int CPalletDialog::Run(QWidget* parent, QPoint cursor) {
    if (!CreateAt(parent, cursor))
        return kResultClosed;
    return ShowModal();
}

bool PickColourAtCursor(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) {
    CPalletDialog dialog(initial);
    if (dialog.Run(parent, QCursor::pos()) != CPalletDialog::kResultConfirmed)
        return false;
    chosen = dialog.GetChosenColor();
    return true;
}

} // namespace zk::app
