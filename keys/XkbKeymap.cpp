#include "keys/XkbKeymap.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace keys {
namespace {

// The keyboard extension's event kinds (the byte after the event number).
constexpr std::uint8_t kXkbNewKeyboardNotify = 0;
constexpr std::uint8_t kXkbMapNotify = 1;

}  // namespace

XkbKeymap::XkbKeymap(xkb_keymap* keymap) : keymap_(keymap)
{
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts(keymap_);
    groups_.resize(layouts);
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap_); key != 0 && key <= last; ++key) {
        for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
            const std::uint32_t keysym = unshiftedKeysym(key, layout);
            groups_[layout].hasLatinLetters |= isLatinLetterKeysym(keysym);
            groups_[layout].hasUnshiftedComma |= keysym == kKeysymComma;
        }
    }
}

XkbKeymap::~XkbKeymap()
{
    xkb_keymap_unref(keymap_);
}

std::shared_ptr<const XkbKeymap> XkbKeymap::fromX11(xcb_connection_t* connection)
{
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0) {
        return nullptr;
    }
    // A keymap from the server needs no files: no include paths, no names
    // from the environment.
    xkb_context* context = xkb_context_new(static_cast<xkb_context_flags>(
        XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (context == nullptr) {
        return nullptr;
    }
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);  // the keymap keeps its own reference
    if (keymap == nullptr) {
        return nullptr;
    }
    return std::make_shared<const XkbKeymap>(keymap);
}

std::optional<std::uint8_t> XkbKeymap::x11EventBase(xcb_connection_t* connection)
{
    std::uint8_t eventBase = 0;
    if (connection == nullptr ||
        xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr) == 0) {
        return std::nullopt;
    }
    return eventBase;
}

bool XkbKeymap::isX11KeymapChange(const void* event, std::uint8_t eventBase) noexcept
{
    // Every keyboard extension event shares one number and names its kind in
    // the second byte, where other events keep their detail.
    const auto* generic = static_cast<const xcb_generic_event_t*>(event);
    if ((generic->response_type & 0x7FU) != eventBase) {
        return false;
    }
    const std::uint8_t kind = generic->pad0;
    return kind == kXkbNewKeyboardNotify || kind == kXkbMapNotify;
}

std::optional<LayoutFacts> XkbKeymap::layoutFacts(std::uint32_t keycode, std::uint32_t group) const
{
    if (groups_.empty() || keycode < xkb_keymap_min_keycode(keymap_) ||
        keycode > xkb_keymap_max_keycode(keymap_)) {
        return std::nullopt;
    }
    // The server keeps the effective group in range; wrap one that is not.
    const Group& facts = groups_[group % groups_.size()];
    return LayoutFacts{.unshiftedKeysym = unshiftedKeysym(keycode, group),
                       .groupHasLatinLetters = facts.hasLatinLetters,
                       .groupHasUnshiftedComma = facts.hasUnshiftedComma};
}

std::uint32_t XkbKeymap::unshiftedKeysym(std::uint32_t keycode, std::uint32_t group) const
{
    // A group beyond the key's own ones is brought back into range the way
    // the keymap says.
    const xkb_keysym_t* keysyms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap_, keycode, group, 0, &keysyms) < 1) {
        return 0;
    }
    return keysyms[0];
}

}  // namespace keys
