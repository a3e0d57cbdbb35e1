#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The computer keyboard as a two-row note keyboard: which key plays which
// semitone above the octave's first note.

namespace keys {

struct KeyMapEntry {
    std::uint8_t virtualKey{};  // Windows-style virtual-key code
    std::uint8_t semitone{};    // above the octave's first note
};

inline constexpr std::uint8_t kVirtualKeyComma = 0xBC;

// The bottom letter row Z to M plays one octave from semitone 0 with S, D, G,
// H, J as the raised notes, and comma repeats semitone 12; the top row Q to I
// plays the next octave with 2, 3, 5, 6, 7 as the raised notes.
inline constexpr std::array<KeyMapEntry, 26> kKeyMap{{
    {'Z', 0},
    {'S', 1},
    {'X', 2},
    {'D', 3},
    {'C', 4},
    {'V', 5},
    {'G', 6},
    {'B', 7},
    {'H', 8},
    {'N', 9},
    {'J', 10},
    {'M', 11},
    {kVirtualKeyComma, 12},
    {'Q', 12},
    {'2', 13},
    {'W', 14},
    {'3', 15},
    {'E', 16},
    {'R', 17},
    {'5', 18},
    {'T', 19},
    {'6', 20},
    {'Y', 21},
    {'7', 22},
    {'U', 23},
    {'I', 24},
}};

// (octave * 12 + semitone) modulo 256. Only the octave's low byte matters;
// the arithmetic is unsigned so that any octave, negative ones included, is
// well defined.
[[nodiscard]] constexpr std::uint8_t noteNumber(int octave, std::uint8_t semitone) noexcept
{
    return static_cast<std::uint8_t>((static_cast<unsigned>(octave) * 12U + semitone) & 0xFFU);
}

// The notes of every row mapping the key, in table order. Notes above 127,
// which the top keys give from octave 9 on, are left out: a MIDI data byte
// cannot hold them.
[[nodiscard]] std::vector<std::uint8_t> notesForKey(std::uint8_t virtualKey, int octave);

}  // namespace keys
