#pragma once

// The mouse's performance page: the USB report rate, which the mouse keeps,
// and the desktop's pointer speed, double-click time and wheel scroll lines,
// which belong to the pointer and go to the desktop through
// platform::PointerSettings. It also holds the button that restores the
// factory settings (RestoreDefaults.cpp).
//
// The main layout loads the page twice, on the mouse tab ("ms_cursor_page")
// and on the keyboard tab ("kb_cursor_page"), so every control name exists
// twice. A handler reads the copy that sent the notification and puts the
// result into both copies. On the keyboard tab the report-rate row is
// disabled while no mouse is connected, and the restore row is hidden (it
// restores the mouse, whose tab has it).
//
// Controls:
//   rate_slider1..4, USB_rate_slider     report rate 125/250/500/1000 Hz
//   USB_rate_slider1                     its picture ("qelma/125.png", ...)
//   mouse_speed_slider1, DBC_speed_slider2  pointer speed and double-click
//                                        positions 0..10, their picture is
//                                        the position ("qelma/1.png", ...)
//   gunlun_speed_edit (the rules of ms_gunlun_speed_edit apply to it too),
//   speed_up_btn, speed_down_btn, gunlun_speed_check_row,
//   gunlun_check_screen                  wheel lines 1..100 or one screen
//   ms_point_speed_slider, ms_sensor_height_slider  shown, not editable
//   USB_rate_btn, mouse_speed_btn, DBC_speed_btn, gunlun_speed_btn,
//   XY_set_btn                           show or hide their panels
//   pointer_note                         what this desktop does not apply
//   recover_btn                          restore the factory settings

#include "pages/Page.h"

#include <QPointer>
#include <QTimer>

#include <optional>

namespace zk::pages {

// The double-click time (ms) of a double-click setting 1100 − 100 × position;
// 600 for any other value.
int DoubleClickTimeOf(int doubleClickSetting);

class PerformancePage final : public Page {
public:
    PerformancePage(QWidget* window, profiles::MouseSession& session, PageServices& services);

    DeviceKind Kind() const override { return DeviceKind::Mouse; }
    bool Claims(const QString& controlName) const override;
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

private:
    // Every copy of a control, mouse tab first.
    QList<QWidget*> Copies(const QString& name) const;
    bool OnKeyboardTab(const QWidget* control) const;

    void OnRateCode(int code);
    void OnRateSlider(int position);
    void OnPointerSpeed(int position);
    void OnDoubleClick(int position);
    void OnWheelStep(bool up, QWidget* sender);
    void OnWheelRow(QWidget* sender);
    void OnWheelScreen();
    void OnWheelText(QWidget* sender);
    void OnWheelFocusLost(QWidget* sender);
    void TogglePanel(const QString& button, QWidget* sender);
    // recover_btn (RestoreDefaults.cpp).
    void OnRecover();

    // Control updates, in both copies, without notifications.
    void ShowRate(int code);
    void ShowPointerSpeed(int position);
    void ShowDoubleClick(int position);
    void ShowWheel(int lines);
    void ShowNote();
    void ShowToggleTexts();
    void UpdateKeyboardCopy();

    void WriteRateToMouse(int code);
    void SetWheelLines(int lines);
    void Save();

    QPointer<QWidget> window_;
    profiles::MouseSession& session_;
    PageServices& services_;
    // Rate slider at position 3: the first time 500 Hz, the next time 1000 Hz.
    bool rateThreeSeen_ = false;
    QTimer keyboardCopyTimer_;
    // The keyboard copy's rate and restore rows, found once (the window keeps
    // them); looked for again while none is found.
    QList<QPointer<QWidget>> keyboardRateRows_, keyboardRestoreRows_;
};

} // namespace zk::pages
