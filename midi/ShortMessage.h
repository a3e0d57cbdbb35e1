#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace midi {

// A MIDI short message travels and is kept as one 32-bit value: the status
// byte in the low byte, the first data byte in the next, the second data
// byte in the next, and a top byte that every message we build leaves 0.
//
// Which status bytes make a short message, and how long it is:
//   0x80-0xBF, 0xE0-0xEF  channel messages           3 bytes
//   0xC0-0xDF             Program Change, Pressure   2 bytes
//   0xF1, 0xF3            Time Code, Song Select     2 bytes
//   0xF2                  Song Position              3 bytes
//   0xF6                  Tune Request               1 byte
//   0xF8, 0xFA-0xFC, 0xFE, 0xFF  real-time           1 byte
// Not short messages: data bytes (no running status is kept), 0xF0 and 0xF7
// (System Exclusive), and the undefined 0xF4, 0xF5, 0xF9 and 0xFD. The
// undefined ones are refused both ways: their length is unknown (0xF4/0xF5)
// or they mean nothing to any receiver (0xF9/0xFD), and forwarding them
// would only hand the peer a value it cannot play either.

// The largest value a data byte (a note, a program, a velocity) can hold.
inline constexpr std::uint8_t kMaxDataByte = 0x7F;

// The bytes of one playable short message.
struct ShortMessageBytes {
    std::array<std::uint8_t, 3> bytes{};
    std::size_t size{};

    [[nodiscard]] std::span<const std::uint8_t> view() const noexcept
    {
        return {bytes.data(), size};
    }
    friend bool operator==(const ShortMessageBytes&, const ShortMessageBytes&) = default;
};

// The length in bytes of the short message that starts with this status
// byte, or 0 when the byte does not start a short message.
[[nodiscard]] std::size_t shortMessageLength(std::uint8_t status) noexcept;

// Packs the bytes of one message as they came from a MIDI device. Nothing
// when they are not exactly one short message: a missing or wrong status,
// too few or too many bytes, or a data byte with its top bit set.
[[nodiscard]] std::optional<std::uint32_t> packShortMessage(
    std::span<const std::uint8_t> bytes) noexcept;

// The messages the program builds itself, all on channel 1: a Note On at
// velocity 127, or at velocity 0 for a release; a Program Change, program
// counted from 0.
[[nodiscard]] constexpr std::uint32_t noteOn(std::uint8_t note, bool pressed) noexcept
{
    return 0x90U | (std::uint32_t{note} << 8U) | (pressed ? 0x7FU << 16U : 0U);
}
[[nodiscard]] constexpr std::uint32_t programChange(std::uint8_t program) noexcept
{
    return 0xC0U | (std::uint32_t{program} << 8U);
}

// The bytes to play for a packed message, or nothing when it is not a
// playable short message. Bytes past the message's length (and the top
// byte) are ignored, whatever they hold.
[[nodiscard]] std::optional<ShortMessageBytes> unpackShortMessage(std::uint32_t message) noexcept;

}  // namespace midi
