#pragma once

// What the program holds of one connected device kind: its settings image,
// the profile store that loads and saves it, and the device channel that
// reaches the device. The main window's owner keeps one session per kind; the
// pages of a kind receive its session.
//
//   session.image        edited by the pages (GUI thread; light bytes through
//                        the atomic helpers, since the previews read them)
//   session.MarkPending()  timer 2 writes the live record within 100 ms
//   session.store.Save…    saves the selected profile at once
//   session.channel      direct writes (report rate, button table, …)

#include "profiles/ProfileStore.h"
#include "protocol/DeviceChannel.h"
#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"

#include <utility>

namespace zk::profiles {

template <class Image, class Store> class DeviceSession {
public:
    DeviceSession(protocol::DeviceChannel& deviceChannel, StoreSeams seams)
        : channel(deviceChannel), store(image, std::move(seams)) {}
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Marks the image's live record for timer 2's flush.
    void MarkPending() { image.pending.store(true); }

    protocol::DeviceChannel& channel;
    Image image;
    Store store;
};

using MouseSession = DeviceSession<settings::MouseSettingsImage, MouseProfileStore>;
using KeyboardSession = DeviceSession<settings::KeyboardImage, KeyboardProfileStore>;
using MousepadSession = DeviceSession<settings::MousepadImage, MousepadProfileStore>;

} // namespace zk::profiles
