#include "controls/Registration.h"

#include "controls/ChartView.h"
#include "controls/CircleProgress.h"
#include "controls/DeviceKeyButton.h"
#include "controls/DevicePicture.h"
#include "controls/LightPicture.h"
#include "controls/WndHost.h"
#include "ui/ControlFactory.h"

namespace zk::controls {

namespace {
template <class T> QWidget* Make(QWidget* parent) {
    return new T(parent);
}
} // namespace

void RegisterControls() {
    using ui::ControlFactory;
    ControlFactory::RegistControl(QStringLiteral("CCircleProgressUI"), &Make<CCircleProgressUI>);
    ControlFactory::RegistControl(QStringLiteral("CChartViewUI"), &Make<CChartViewUI>);
    ControlFactory::RegistControl(QStringLiteral("CWndUI"), &Make<CWndUI>);
    ControlFactory::RegistControl(QStringLiteral("CDeviceKeyButtonUI"), &Make<CDeviceKeyButtonUI>);
    ControlFactory::RegistControl(QStringLiteral("CLightPictureUI"), &Make<CLightPictureUI>);
    ControlFactory::RegistControl(QStringLiteral("CDevicePictureUI"), &Make<CDevicePictureUI>);
}

QWidget* CreateControlForTag(const QString& tag, QWidget* parent) {
    if (tag.compare(QLatin1String("CircleProgress"), Qt::CaseInsensitive) == 0)
        return new CCircleProgressUI(parent);
    if (tag.compare(QLatin1String("DeviceKeyButton"), Qt::CaseInsensitive) == 0)
        return new CDeviceKeyButtonUI(parent);
    return nullptr;
}

} // namespace zk::controls
