#pragma once
// The key of the keyboard picture: a button that draws, over its own status
// look, its light picture with the key's tint and, while the key carries an
// assignment of its own, its key-set picture.

#include "controls/TintedPicture.h"

#include <QPushButton>

#include <atomic>
#include <cstdint>

namespace zk::controls {

class CDeviceKeyButtonUI : public QPushButton, public TintMembers {
    Q_OBJECT
public:
    explicit CDeviceKeyButtonUI(QWidget* parent = nullptr);

    QString GetClass() const { return QStringLiteral("DeviceKeyButton"); }

    // "lightimage" and "keysetimage" (picture files) repaint the key;
    // "gmnametextcolor" is read as a hexadecimal colour and changes nothing;
    // any other name becomes a property of the button. Names are compared
    // without regard to case.
    void SetAttribute(const QString& name, const QString& value);

    void SetLightImage(const QString& file);
    QString GetLightImage() const { return light_.File(); }
    void SetKeySetImage(const QString& file);
    QString GetKeySetImage() const { return keySet_.File(); }

    // Hidden (the default): the key-set picture is not drawn. Any thread.
    void SetKeySetHidden(bool hidden) {
        keySetHidden_.store(hidden ? 1u : 0u, std::memory_order_relaxed);
    }
    bool IsKeySetHidden() const { return keySetHidden_.load(std::memory_order_relaxed) != 0; }

    QWidget* TintWidget() override { return this; }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool ApplyOwnAttribute(const QString& name, const QString& value);

    TintedPicture light_;
    TintedPicture keySet_;
    std::atomic<std::uint32_t> keySetHidden_{1};
};

} // namespace zk::controls
