#pragma once
// The custom control classes that layouts may name.

#include <QString>

class QWidget;

namespace zk::controls {

// Registers "CCircleProgressUI", "CChartViewUI", "CWndUI" and
// "CDeviceKeyButtonUI", the LED picture class "CLightPictureUI" and the device
// drawing "CDevicePictureUI", with the
// window layer's control factory. Call once at start-up, before any layout is
// built; calling again replaces the same creators.
void RegisterControls();

// The control of a custom layout tag ("CircleProgress", "DeviceKeyButton",
// compared without regard to case), or null for any other tag.
QWidget* CreateControlForTag(const QString& tag, QWidget* parent = nullptr);

} // namespace zk::controls
