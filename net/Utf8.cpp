#include "net/Utf8.h"

namespace net {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Well-formed UTF-8: a lead byte, then continuation bytes 0x80-0xBF, except
// that the first one after E0, ED, F0 and F4 has a narrower range (no
// overlong forms, no surrogates, nothing above U+10FFFF).
struct Lead {
    std::size_t length{};
    unsigned char secondLow{};
    unsigned char secondHigh{};
};

constexpr Lead leadOf(unsigned char b) noexcept
{
    if (b >= 0xC2 && b <= 0xDF) {
        return {2, 0x80, 0xBF};
    }
    if (b == 0xE0) {
        return {3, 0xA0, 0xBF};
    }
    if (b == 0xED) {
        return {3, 0x80, 0x9F};
    }
    if (b >= 0xE1 && b <= 0xEF) {
        return {3, 0x80, 0xBF};
    }
    if (b == 0xF0) {
        return {4, 0x90, 0xBF};
    }
    if (b >= 0xF1 && b <= 0xF3) {
        return {4, 0x80, 0xBF};
    }
    if (b == 0xF4) {
        return {4, 0x80, 0x8F};
    }
    return {1, 0, 0};
}

constexpr bool inRange(char c, unsigned char low, unsigned char high) noexcept
{
    const auto b = static_cast<unsigned char>(c);
    return b >= low && b <= high;
}

}  // namespace

DecodedChar decodeChar(std::string_view text) noexcept
{
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    const Lead form = leadOf(lead);
    if (form.length == 1) {
        return {kReplacement, 1, false};
    }
    char32_t codePoint = lead & (0x7Fu >> form.length);
    for (std::size_t i = 1; i < form.length; ++i) {
        const bool second = i == 1;
        if (i >= text.size() ||
            !inRange(text[i], second ? form.secondLow : 0x80, second ? form.secondHigh : 0xBF)) {
            return {kReplacement, i, false};
        }
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i]) & 0x3Fu);
    }
    return {codePoint, form.length, true};
}

std::size_t charLength(std::string_view text) noexcept
{
    if (text.empty()) {
        return 0;
    }
    const DecodedChar c = decodeChar(text);
    return c.wellFormed ? c.length : 1;
}

std::size_t wholeCharsPrefix(std::string_view text, std::size_t maxBytes) noexcept
{
    if (text.size() <= maxBytes) {
        return text.size();
    }
    std::size_t end = 0;
    for (;;) {
        const std::size_t next = end + charLength(text.substr(end, 4));
        if (next > maxBytes) {
            return end;
        }
        end = next;
    }
}

}  // namespace net
