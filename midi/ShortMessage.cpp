#include "midi/ShortMessage.h"

namespace midi {

namespace {

constexpr bool isDataByte(std::uint8_t byte) noexcept
{
    return byte < 0x80;
}

}  // namespace

std::size_t shortMessageLength(std::uint8_t status) noexcept
{
    if (isDataByte(status)) {
        return 0;
    }
    if (status < 0xF0) {
        const std::uint8_t type = status & 0xF0;
        return (type == 0xC0 || type == 0xD0) ? 2 : 3;
    }
    switch (status) {
        case 0xF1:
        case 0xF3:
            return 2;
        case 0xF2:
            return 3;
        case 0xF6:
        case 0xF8:
        case 0xFA:
        case 0xFB:
        case 0xFC:
        case 0xFE:
        case 0xFF:
            return 1;
        default:  // 0xF0, 0xF7: System Exclusive; 0xF4, 0xF5, 0xF9, 0xFD: undefined
            return 0;
    }
}

std::optional<ShortMessageBytes> unpackShortMessage(std::uint32_t message) noexcept
{
    ShortMessageBytes out;
    for (std::size_t i = 0; i < out.bytes.size(); ++i) {
        out.bytes[i] = static_cast<std::uint8_t>(message >> (8 * i));
    }
    out.size = shortMessageLength(out.bytes[0]);
    if (out.size == 0) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < out.size; ++i) {
        if (!isDataByte(out.bytes[i])) {
            return std::nullopt;
        }
    }
    for (std::size_t i = out.size; i < out.bytes.size(); ++i) {
        out.bytes[i] = 0;
    }
    return out;
}

}  // namespace midi
