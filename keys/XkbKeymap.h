#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "keys/VirtualKey.h"

struct xkb_keymap;
struct xcb_connection_t;

namespace keys {

// A keymap compiled by xkbcommon, asked what the note keyboard needs to know
// of a key: its unshifted keysym in a layout group, and whether that group
// has Latin letters and an unshifted comma at all. Reads the X server's
// keymap, and tells the X events that announce a new one. No Qt.
class XkbKeymap {
public:
    // Takes over the caller's reference to the keymap.
    explicit XkbKeymap(xkb_keymap* keymap);
    ~XkbKeymap();
    XkbKeymap(const XkbKeymap&) = delete;
    XkbKeymap& operator=(const XkbKeymap&) = delete;

    // The X server's keymap of its core keyboard, or nothing when it cannot
    // be read. The connection has set up the keyboard extension already
    // (x11EventBase() said yes).
    [[nodiscard]] static std::shared_ptr<const XkbKeymap> fromX11(xcb_connection_t* connection);
    // The first event number of the X server's keyboard extension, or
    // nothing when it has none.
    [[nodiscard]] static std::optional<std::uint8_t> x11EventBase(xcb_connection_t* connection);
    // True for an X event (an xcb_generic_event_t) telling that the keymap
    // changed: a new keyboard or a new mapping.
    [[nodiscard]] static bool isX11KeymapChange(const void* event, std::uint8_t eventBase) noexcept;

    // What the keymap says of a key in a group (the group as the X event's
    // state carries it); nothing for a keycode the keymap does not have.
    [[nodiscard]] std::optional<LayoutFacts> layoutFacts(std::uint32_t keycode,
                                                         std::uint32_t group) const;

private:
    struct Group {
        bool hasLatinLetters = false;
        bool hasUnshiftedComma = false;
    };

    [[nodiscard]] std::uint32_t unshiftedKeysym(std::uint32_t keycode, std::uint32_t group) const;

    xkb_keymap* keymap_ = nullptr;
    std::vector<Group> groups_;
};

}  // namespace keys
