#include "controls/PreviewSet.h"

#include "controls/LightPicture.h"
#include "controls/TintedPicture.h"
#include "lighting/LightTables.h"

namespace zk::controls {

namespace {

bool IsLed(std::size_t index) {
    return index < lighting::kPreviewKeyboardFirst;
}

// What a tint shows: nothing unless it is on and not fully transparent.
struct Shown {
    bool lit = false;
    std::uint32_t colour = 0;
    std::uint32_t opacity = 0;
    bool operator==(const Shown& o) const {
        return lit == o.lit && (!lit || (colour == o.colour && opacity == o.opacity));
    }
};

Shown ShownBy(bool on, std::uint32_t colour, std::uint32_t opacity) {
    return Shown{on && opacity != 0, colour, opacity};
}

} // namespace

QString PreviewSet::ControlName(std::size_t index) {
    if (index < lighting::kPreviewMousepadFirst)
        return QStringLiteral("ms_dkey_%1").arg(index - lighting::kPreviewMouseFirst);
    if (index < lighting::kPreviewKeyboardFirst)
        return QStringLiteral("mp_dkey_%1").arg(index - lighting::kPreviewMousepadFirst);
    if (index < kCount)
        return QStringLiteral("kb_key_%1").arg(index - lighting::kPreviewKeyboardFirst);
    return {};
}

int PreviewSet::Find(const Lookup& lookup) {
    int found = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        if (Bind(i, lookup ? lookup(ControlName(i)) : nullptr))
            ++found;
    }
    return found;
}

bool PreviewSet::Bind(std::size_t index, QWidget* control) {
    if (index >= kCount)
        return false;
    TintMembers* tint = dynamic_cast<TintMembers*>(control);
    controls_[index] = tint ? control : nullptr;
    tints_[index] = tint;
    return tint != nullptr;
}

QWidget* PreviewSet::Control(std::size_t index) const {
    return index < kCount ? controls_[index].data() : nullptr;
}

TintMembers* PreviewSet::Tint(std::size_t index) const {
    // A destroyed control leaves its QPointer null: its tint is gone too.
    return index < kCount && controls_[index] ? tints_[index] : nullptr;
}

void PreviewSet::PrepareLedPictures() {
    for (std::size_t i = 0; i < lighting::kPreviewKeyboardFirst; ++i) {
        if (TintMembers* t = Tint(i)) {
            t->SetIsChangerColor(true);
            t->SetChangerAlpha(0);
        }
        // The LEDs lie over still device drawings: a new light repaints the
        // LED alone, over a backdrop of those drawings kept once.
        if (auto* led = qobject_cast<CLightPictureUI*>(Control(i)))
            led->SetPaintsBackdrop(true);
    }
}

int PreviewSet::Apply(const lighting::PreviewFrame& frame, bool windowShown) {
    if (!windowShown)
        return 0;
    const bool keysOn = frame.KeyboardTintOn();
    int repainted = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        TintMembers* t = Tint(i);
        if (!t)
            continue;
        QWidget* w = controls_[i].data();
        // A page that is not shown costs nothing; its pictures catch up with
        // the next frame after it is shown.
        if (!w->isVisible())
            continue;
        const lighting::Tint tint = frame.Read(i);
        const std::uint32_t colour = lighting::ChangerColor(tint);
        const std::uint32_t opacity = lighting::TintOpacity(tint);
        const bool on = IsLed(i) ? t->IsChangerColor() : keysOn;
        const Shown before =
            ShownBy(t->IsChangerColor(), t->GetChangerColor(), t->GetChangerAlpha());
        if (!IsLed(i))
            t->SetIsChangerColor(on);
        t->SetChangerColor(colour);
        t->SetChangerAlpha(opacity);
        if (!(ShownBy(on, colour, opacity) == before)) {
            w->update();
            ++repainted;
        }
    }
    return repainted;
}

bool PreviewSet::PictureVisible(lighting::DeviceKind kind) const {
    std::size_t first = lighting::kPreviewMouseFirst, end = lighting::kPreviewMousepadFirst;
    if (kind == lighting::DeviceKind::Mousepad) {
        first = lighting::kPreviewMousepadFirst;
        end = lighting::kPreviewKeyboardFirst;
    } else if (kind == lighting::DeviceKind::Keyboard) {
        first = lighting::kPreviewKeyboardFirst;
        end = kCount;
    }
    for (std::size_t i = first; i < end; ++i) {
        if (const QWidget* w = controls_[i].data(); w && w->isVisible())
            return true;
    }
    return false;
}

bool IsWindowShown(const QWidget* window) {
    return window && window->isVisible() && !window->isMinimized();
}

} // namespace zk::controls
