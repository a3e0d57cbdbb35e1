#pragma once

#include <cstdint>
#include <optional>

// Which key a key event is, named the way Windows names keys with its
// virtual-key codes, worked out from what X11 (or Wayland) and the keymap tell
// about the event. The note keyboard's key map is written in those codes, so
// on every layout it plays the keys Windows would play with that layout:
// - on a layout with Latin letters, a letter key is the Latin letter the
//   layout puts on it without Shift, and the comma key is the key that types
//   a comma without Shift (or the key at the US comma place, where none
//   does);
// - on a layout without Latin letters (Russian, Greek, Hebrew, Arabic ...)
//   the letter keys and the comma key are those at their places on a US
//   keyboard, as Windows keeps them for such layouts;
// - a key of the digit row is its digit, whatever Shift or the layout makes
//   of it (AZERTY types é, ", ... there without Shift);
// - keys of the numeric keypad are other keys, with Num Lock on or off;
// - with Alt held and Control not, a key is a system key, which the note
//   keyboard passes on. Control with Alt is AltGr on Windows, and AltGr
//   itself is not Alt.

namespace keys {

// What a key event carries itself.
struct KeyEventFacts {
    // The X keycode (the Linux evdev code + 8, on X11 and Wayland alike); 0
    // when unknown.
    std::uint32_t keycode = 0;
    // The keysym the key gave, with the held modifiers applied; 0 when unknown.
    std::uint32_t keysym = 0;
    bool alt = false;
    bool control = false;
    // The platform marked the event as coming from the numeric keypad.
    bool keypad = false;
};

// What the active keymap says about the key, in the event's layout group.
struct LayoutFacts {
    // The keysym on the key's first (unshifted) level.
    std::uint32_t unshiftedKeysym = 0;
    // Some key of the group has a Latin letter on its first level.
    bool groupHasLatinLetters = false;
    // Some key of the group types a comma on its first level.
    bool groupHasUnshiftedComma = false;
};

struct VirtualKey {
    // Alt held without Control: passed on, never played.
    bool system = false;
    // The virtual-key code; 0 for a key with none the note keyboard can use,
    // and for a system key.
    std::uint8_t code = 0;

    friend bool operator==(const VirtualKey&, const VirtualKey&) = default;
};

inline constexpr std::uint32_t kKeysymComma = 0x002C;

// The key an event is. Without layout facts (no keymap can be had, as on
// Wayland) the event's own keysym and keycode decide: a Latin letter is
// itself, a key with a letter of another script is read by its US place, the
// digit row by its place, and a comma (or a US Shift+comma) is the comma key.
[[nodiscard]] VirtualKey virtualKeyOf(const KeyEventFacts& key,
                                      const std::optional<LayoutFacts>& layout) noexcept;

// A keysym of a Latin letter a-z or A-Z.
[[nodiscard]] constexpr bool isLatinLetterKeysym(std::uint32_t keysym) noexcept
{
    return (keysym >= 'a' && keysym <= 'z') || (keysym >= 'A' && keysym <= 'Z');
}

}  // namespace keys
