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

// Splits a run of MIDI bytes (one JACK MIDI event, or any stretch of a
// stream) into the short messages it holds and hands each to sink, packed,
// in order. Running status is followed: data bytes after a complete channel
// message repeat its status. A real-time byte (0xF8-0xFF) stands alone
// wherever it comes, even inside another message, which it leaves as it
// was. System Exclusive (from 0xF0 to 0xF7 or the next status byte) is
// skipped, and so are data bytes with no status to complete, undefined
// status bytes and a message the run ends before completing. A system
// common message ends the running status. No allocation: the real-time
// thread calls it.
template <typename Sink>
void splitShortMessages(std::span<const std::uint8_t> bytes, Sink&& sink);

// A short message from its status and data bytes (each data byte cut to
// its 7 bits), packed as everywhere in the program: status in the low byte.
[[nodiscard]] constexpr std::uint32_t shortMessage(std::uint32_t status, std::uint32_t first = 0,
                                                   std::uint32_t second = 0) noexcept
{
    return status | ((first & kMaxDataByte) << 8U) | ((second & kMaxDataByte) << 16U);
}

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

template <typename Sink>
void splitShortMessages(std::span<const std::uint8_t> bytes, Sink&& sink)
{
    std::uint8_t status = 0;  // the message being read, or the running status; 0: none
    std::uint32_t packed = 0;
    std::size_t have = 0;  // bytes of the current message so far, its status included
    for (const std::uint8_t byte : bytes) {
        if (byte >= 0xF8) {
            if (shortMessageLength(byte) == 1) {
                sink(std::uint32_t{byte});
            }
            continue;
        }
        if (byte >= 0x80) {
            // Tune Request stands alone; 0xF0, 0xF7 and the undefined ones
            // leave no status, so what follows them is skipped.
            const std::size_t length = shortMessageLength(byte);
            status = length > 1 ? byte : 0;
            packed = byte;
            have = 1;
            if (length == 1) {
                sink(packed);
            }
            continue;
        }
        if (status == 0) {
            continue;
        }
        if (have == 0) {  // running status
            packed = status;
            have = 1;
        }
        packed |= static_cast<std::uint32_t>(byte) << (8 * have);
        ++have;
        if (have == shortMessageLength(status)) {
            sink(packed);
            have = 0;
            if (status >= 0xF0) {
                status = 0;
            }
        }
    }
}

}  // namespace midi
