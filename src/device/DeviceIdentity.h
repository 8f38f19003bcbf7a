#pragma once

// The devices this program works with, in one table: vendor and product IDs,
// and the usage page and usage of each interface it opens. Detection, change
// notifications, the emulator and the main window's channels all read it.
//
//   configuration interface  usage page 0xFF1C, usage 0x0092 (64-byte reports, ID 4)
//   notification interface   usage page 0x000C, usage 0x0001 (mouse and keyboard only)

#include <array>
#include <cstdint>

namespace zk::device {

enum class DeviceKind { Mouse, Keyboard, Mousepad };

enum class InterfaceRole { Configuration, Notification };

inline constexpr std::uint16_t kConfigUsagePage = 0xFF1C;
inline constexpr std::uint16_t kConfigUsage = 0x0092;
inline constexpr std::uint16_t kNotifyUsagePage = 0x000C;
inline constexpr std::uint16_t kNotifyUsage = 0x0001;

inline constexpr std::uint16_t kMouseVendorId = 0x260D;
inline constexpr std::uint16_t kMouseProductId = 0x1138;
inline constexpr std::uint16_t kMouseProductIdSecond = 0x1099;
inline constexpr std::uint16_t kKeyboardVendorId = 0x0C45;
inline constexpr std::uint16_t kKeyboardProductId = 0x6556;    // keyboard model 1
inline constexpr std::uint16_t kKeyboardProductIdAlt = 0x0800; // keyboard model 0
inline constexpr std::uint16_t kKeyboardProductIdTkl = 0x7200;
inline constexpr std::uint16_t kMousepadVendorId = 0x0C45;
inline constexpr std::uint16_t kMousepadProductId = 0x5004;

struct DeviceIdentity {
    DeviceKind kind;
    InterfaceRole role;
    std::uint16_t vendorId;
    std::array<std::uint16_t, 3> productIds; // 0 entries unused
    std::uint16_t usagePage;
    std::uint16_t usage;

    constexpr bool AcceptsProduct(std::uint16_t productId) const {
        for (std::uint16_t p : productIds)
            if (p != 0 && p == productId)
                return true;
        return false;
    }
    // True for an interface of one of this identity's products (any collection).
    constexpr bool IsProduct(std::uint16_t vendor, std::uint16_t product) const {
        return vendor == vendorId && AcceptsProduct(product);
    }
    // True for an opened interface of this identity.
    constexpr bool Matches(std::uint16_t vendor, std::uint16_t product, std::uint16_t page,
                           std::uint16_t use) const {
        return IsProduct(vendor, product) && page == usagePage && use == usage;
    }
};

inline constexpr std::array<DeviceIdentity, 5> kDeviceIdentities{{
    {DeviceKind::Mouse,
     InterfaceRole::Configuration,
     kMouseVendorId,
     {kMouseProductId, kMouseProductIdSecond, 0},
     kConfigUsagePage,
     kConfigUsage},
    {DeviceKind::Keyboard,
     InterfaceRole::Configuration,
     kKeyboardVendorId,
     {kKeyboardProductId, kKeyboardProductIdAlt, kKeyboardProductIdTkl},
     kConfigUsagePage,
     kConfigUsage},
    {DeviceKind::Mousepad,
     InterfaceRole::Configuration,
     kMousepadVendorId,
     {kMousepadProductId, 0, 0},
     kConfigUsagePage,
     kConfigUsage},
    {DeviceKind::Mouse,
     InterfaceRole::Notification,
     kMouseVendorId,
     {kMouseProductId, kMouseProductIdSecond, 0},
     kNotifyUsagePage,
     kNotifyUsage},
    {DeviceKind::Keyboard,
     InterfaceRole::Notification,
     kKeyboardVendorId,
     {kKeyboardProductId, 0, 0},
     kNotifyUsagePage,
     kNotifyUsage},
}};

// The identity of a kind's interface; null where the kind has no such
// interface (the mousepad sends no notifications).
constexpr const DeviceIdentity* FindIdentity(DeviceKind kind, InterfaceRole role) {
    for (const DeviceIdentity& id : kDeviceIdentities)
        if (id.kind == kind && id.role == role)
            return &id;
    return nullptr;
}

// The configuration interface of a kind (every kind has one).
constexpr const DeviceIdentity& ConfigurationIdentity(DeviceKind kind) {
    return *FindIdentity(kind, InterfaceRole::Configuration);
}

// The one of three things that belongs to `kind`.
template <class T> constexpr T& OfKind(DeviceKind kind, T& mouse, T& keyboard, T& mousepad) {
    switch (kind) {
    case DeviceKind::Mouse:
        return mouse;
    case DeviceKind::Keyboard:
        return keyboard;
    case DeviceKind::Mousepad:
        break;
    }
    return mousepad;
}

} // namespace zk::device
