#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

namespace net {

// One UDP datagram is one message: a kind byte, then the payload.
inline constexpr std::byte kTextKind{0x2A};  // '*': the text, no terminating zero
inline constexpr std::byte kMidiKind{0x7E};  // '~': a MIDI short message, little-endian

// The longest text a text datagram carries.
inline constexpr std::size_t kMaxTextBytes = 1022;
// The receive buffer: a longer datagram is a failed receive, never read in part.
inline constexpr std::size_t kReceiveBufferBytes = 1024;

inline constexpr std::size_t kMidiDatagramBytes = 5;
using MidiDatagram = std::array<std::byte, kMidiDatagramBytes>;

// A text datagram. A text longer than kMaxTextBytes is cut after its last
// whole character that fits.
[[nodiscard]] std::vector<std::byte> makeTextDatagram(std::string_view text);

// A MIDI datagram from a packed short message: status byte in the low byte,
// then the two data bytes, then the top byte.
[[nodiscard]] MidiDatagram makeMidiDatagram(std::uint32_t message) noexcept;

// What a received datagram holds.
struct TextMessage {
    std::string_view text;  // a view into the received bytes
};
struct MidiMessage {
    std::uint32_t message{};
};
// std::monostate: an empty datagram or an unknown kind, to be ignored.
using DatagramContent = std::variant<std::monostate, TextMessage, MidiMessage>;

// Reads a received datagram (at most kReceiveBufferBytes long) as if it lay
// in a buffer cleared to zeros: a text ends at its first zero byte or at the
// end; a MIDI message reads missing bytes as 0 and ignores bytes after the
// fourth.
[[nodiscard]] DatagramContent readDatagram(std::span<const std::byte> datagram) noexcept;

}  // namespace net
