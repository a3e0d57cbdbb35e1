#include "keys/VirtualKey.h"

#include <array>
#include <string_view>

#include "keys/KeyMap.h"

namespace keys {
namespace {

constexpr std::uint32_t kKeysymLess = 0x003C;  // Shift+comma on a US keyboard

// The places of a US keyboard, as X keycodes.
constexpr std::uint32_t kKeycodeDigit1 = 10;  // 1 to 9, then 0 at 19
constexpr std::uint32_t kKeycodeDigit0 = 19;
constexpr std::uint32_t kKeycodeComma = 59;

struct LetterRow {
    std::uint32_t firstKeycode;
    std::string_view letters;
};
constexpr std::array<LetterRow, 3> kUsLetterRows{{
    {24, "QWERTYUIOP"},
    {38, "ASDFGHJKL"},
    {52, "ZXCVBNM"},
}};

[[nodiscard]] constexpr bool isKeypadKeysym(std::uint32_t keysym) noexcept
{
    return keysym >= 0xFF80 && keysym <= 0xFFBD;  // KP_Space to KP_Equal
}

[[nodiscard]] constexpr std::uint8_t upperLatinLetter(std::uint32_t keysym) noexcept
{
    return static_cast<std::uint8_t>(keysym >= 'a' ? keysym - ('a' - 'A') : keysym);
}

// The code of a letter or the comma key by its place on a US keyboard; 0 for
// another place.
[[nodiscard]] std::uint8_t usKeyAt(std::uint32_t keycode) noexcept
{
    if (keycode == kKeycodeComma) {
        return kVirtualKeyComma;
    }
    for (const LetterRow& row : kUsLetterRows) {
        if (keycode >= row.firstKeycode && keycode - row.firstKeycode < row.letters.size()) {
            return static_cast<std::uint8_t>(row.letters[keycode - row.firstKeycode]);
        }
    }
    return 0;
}

// A keysym of a letter (or syllable) of a script other than Latin: the
// legacy keysym blocks of Kana, Arabic, Cyrillic, Greek, Hebrew, Thai and
// Hangul, and Unicode keysyms from Greek to Georgian and Ethiopic, Kana and
// Hangul syllables.
[[nodiscard]] bool isOtherScriptLetterKeysym(std::uint32_t keysym) noexcept
{
    struct Range {
        std::uint32_t first;
        std::uint32_t last;
    };
    static constexpr std::uint32_t kUnicode = 0x01000000;
    static constexpr std::array<Range, 10> kRanges{{
        {0x04A1, 0x04DF},
        {0x05C1, 0x05F2},
        {0x06A1, 0x06FF},
        {0x07A1, 0x07F9},
        {0x0CE0, 0x0CFA},
        {0x0DA1, 0x0DF9},
        {0x0EA1, 0x0EFA},
        {kUnicode + 0x0370, kUnicode + 0x1CFF},
        {kUnicode + 0x3040, kUnicode + 0x30FF},
        {kUnicode + 0xAC00, kUnicode + 0xD7A3},
    }};
    for (const Range& range : kRanges) {
        if (keysym >= range.first && keysym <= range.last) {
            return true;
        }
    }
    return false;
}

}  // namespace

VirtualKey virtualKeyOf(const KeyEventFacts& key, const std::optional<LayoutFacts>& layout) noexcept
{
    if (key.alt && !key.control) {
        return VirtualKey{.system = true};
    }
    if (key.keypad || isKeypadKeysym(key.keysym) ||
        (layout && isKeypadKeysym(layout->unshiftedKeysym))) {
        return {};
    }
    if (key.keycode >= kKeycodeDigit1 && key.keycode <= kKeycodeDigit0) {
        return {.code = static_cast<std::uint8_t>(
                    key.keycode == kKeycodeDigit0 ? '0' : '1' + (key.keycode - kKeycodeDigit1))};
    }
    if (key.keycode == 0 && key.keysym >= '0' && key.keysym <= '9') {
        return {.code = static_cast<std::uint8_t>(key.keysym)};  // no place known
    }

    if (layout) {
        if (!layout->groupHasLatinLetters) {
            return {.code = usKeyAt(key.keycode)};
        }
        const std::uint32_t unshifted = layout->unshiftedKeysym;
        if (isLatinLetterKeysym(unshifted)) {
            return {.code = upperLatinLetter(unshifted)};
        }
        if (unshifted == kKeysymComma ||
            (!layout->groupHasUnshiftedComma && key.keycode == kKeycodeComma)) {
            return {.code = kVirtualKeyComma};
        }
        return {};
    }

    // No keymap: what the event itself shows.
    if (isLatinLetterKeysym(key.keysym)) {
        return {.code = upperLatinLetter(key.keysym)};
    }
    if (key.keysym == kKeysymComma || (key.keycode == kKeycodeComma && key.keysym == kKeysymLess)) {
        return {.code = kVirtualKeyComma};
    }
    if (isOtherScriptLetterKeysym(key.keysym)) {
        return {.code = usKeyAt(key.keycode)};
    }
    return {};
}

}  // namespace keys
