#include "pages/LightPageParts.h"

#include "pages/Page.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QLineEdit>
#include <QWidget>

namespace zk::pages {

namespace {
// The sample's picture while the colours come from the colour wheel.
const QString kCyclePicture = QStringLiteral("common/base.png");
} // namespace

std::uint8_t ComponentOfText(const QString& text, bool& overLimit) {
    overLimit = false;
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 255) {
            overLimit = !negative;
            return negative ? 0 : 255;
        }
    }
    return negative ? 0 : static_cast<std::uint8_t>(value);
}

void ShowCycling(QWidget* sample, bool cycling) {
    if (sample)
        ui::SetBkImage(sample, cycling ? kCyclePicture : QString());
}

void ShowColour(QWidget* window, const ColourControls& names, std::uint32_t argb, bool cycling) {
    ui::ProgramChangeGuard quiet;
    if (QWidget* palette = FindControl(window, names.palette))
        palette->setProperty("selectColor", static_cast<uint>(argb));
    if (QWidget* sample = FindControl(window, names.sample)) {
        ui::SetBkColor(sample, argb);
        ShowCycling(sample, cycling);
    }
    for (int c = 0; c < 3; ++c)
        if (auto* edit = qobject_cast<QLineEdit*>(FindControl(window, names.edits[c])))
            edit->setText(QString::number(ColourByte(argb, c)));
}

void EnableGroups(QWidget* window, std::span<const char* const> names, std::span<const bool> on) {
    for (std::size_t i = 0; i < names.size() && i < on.size(); ++i)
        if (QWidget* group = FindControl(window, QString::fromLatin1(names[i])))
            group->setEnabled(on[i]);
}

int EditIndex(const ColourControls& names, const QString& name) {
    for (int c = 0; c < 3; ++c)
        if (name.compare(names.edits[c], Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

bool RouteLiveLightControls(const ui::TNotifyUI& msg, const LiveLightNames& names,
                            LiveLightHandlers& page) {
    auto is = [&msg](const QString& control) {
        return msg.senderName.compare(control, Qt::CaseInsensitive) == 0;
    };
    if (msg.Is(ui::DUI_MSGTYPE_COLORCHANGED) && is(names.colour.palette)) {
        page.OnColourChosen(static_cast<std::uint32_t>(msg.wParam));
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_TEXTCHANGED)) {
        if (const int component = EditIndex(names.colour, msg.senderName); component >= 0) {
            page.OnColourEdited(component);
            return true;
        }
    }
    if (msg.Is(ui::DUI_MSGTYPE_CLICK) && is(names.cycle)) {
        page.OnCycleClicked();
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_VALUECHANGED) || msg.Is(ui::DUI_MSGTYPE_MOVEVALUECHANGED)) {
        if (is(names.brightness)) {
            page.OnBrightness();
            return true;
        }
        if (is(names.speed)) {
            page.OnSpeed();
            return true;
        }
    }
    if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED) && msg.wParam != 0 &&
        (is(names.forward) || is(names.backward))) {
        page.OnDirection(is(names.forward));
        return true;
    }
    return false;
}

} // namespace zk::pages
