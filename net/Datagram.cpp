#include "net/Datagram.h"

#include <algorithm>

#include "net/Utf8.h"

namespace net {

std::vector<std::byte> makeTextDatagram(std::string_view text)
{
    const auto payload =
        std::as_bytes(std::span(text.substr(0, wholeCharsPrefix(text, kMaxTextBytes))));
    std::vector<std::byte> datagram;
    datagram.reserve(1 + payload.size());
    datagram.push_back(kTextKind);
    datagram.insert(datagram.end(), payload.begin(), payload.end());
    return datagram;
}

MidiDatagram makeMidiDatagram(std::uint32_t message) noexcept
{
    return {kMidiKind, static_cast<std::byte>(message), static_cast<std::byte>(message >> 8),
            static_cast<std::byte>(message >> 16), static_cast<std::byte>(message >> 24)};
}

DatagramContent readDatagram(std::span<const std::byte> datagram) noexcept
{
    if (datagram.empty()) {
        return std::monostate{};
    }
    const auto payload = datagram.subspan(1);
    if (datagram[0] == kTextKind) {
        const auto end = std::find(payload.begin(), payload.end(), std::byte{0});
        return TextMessage{std::string_view(reinterpret_cast<const char*>(payload.data()),
                                            static_cast<std::size_t>(end - payload.begin()))};
    }
    if (datagram[0] == kMidiKind) {
        std::uint32_t message = 0;
        const std::size_t n = std::min<std::size_t>(payload.size(), 4);
        for (std::size_t i = 0; i < n; ++i) {
            message |= std::to_integer<std::uint32_t>(payload[i]) << (8 * i);
        }
        return MidiMessage{message};
    }
    return std::monostate{};
}

}  // namespace net
