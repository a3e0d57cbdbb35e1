#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace midi {

// A MIDI datagram: the kind byte '~' and the packed short message,
// little-endian.
inline constexpr std::byte kMidiDatagramKind{0x7E};

[[nodiscard]] constexpr std::array<std::byte, 5> midiDatagram(std::uint32_t message) noexcept {
    return {kMidiDatagramKind, static_cast<std::byte>(message & 0xFFU),
            static_cast<std::byte>((message >> 8U) & 0xFFU),
            static_cast<std::byte>((message >> 16U) & 0xFFU),
            static_cast<std::byte>((message >> 24U) & 0xFFU)};
}

}  // namespace midi
