#include "net/LogLine.h"

#include <cstdint>

namespace net {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kNewlineSymbol = 0x2424;

struct Decoded {
    char32_t codePoint{};
    std::size_t length{};  // bytes taken, at least 1
};

// Decodes one character at the start of the text. Ill-formed input gives
// U+FFFD for its maximal ill-formed part: the longest start of a
// well-formed sequence, or one byte if none.
Decoded decodeOne(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    std::uint8_t low = 0x80;  // range of the second byte
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        if (lead == 0xE0) {
            low = 0xA0;  // no overlong forms
        } else if (lead == 0xED) {
            high = 0x9F;  // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        if (lead == 0xF0) {
            low = 0x90;  // no overlong forms
        } else if (lead == 0xF4) {
            high = 0x8F;  // nothing above U+10FFFF
        }
    } else {
        return {kReplacement, 1};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= text.size()) {
            return {kReplacement, i};
        }
        const std::uint8_t next = byte(i);
        const std::uint8_t min = i == 1 ? low : std::uint8_t{0x80};
        const std::uint8_t max = i == 1 ? high : std::uint8_t{0xBF};
        if (next < min || next > max) {
            return {kReplacement, i};
        }
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    return {codePoint, length};
}

// What is shown in place of a character that could break the line or
// reorder it; the character itself when it is harmless.
char32_t visible(char32_t c)
{
    if (c < 0x20) {
        return 0x2400 + c;  // control pictures
    }
    if (c == 0x7F) {
        return 0x2421;
    }
    if (c == 0x85 || c == 0x2028 || c == 0x2029) {
        return kNewlineSymbol;
    }
    if (c >= 0x80 && c <= 0x9F) {
        return kReplacement;
    }
    const bool bidi = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                      (c >= 0x2066 && c <= 0x2069);
    return bidi ? kReplacement : c;
}

void appendUtf8(std::string& out, char32_t c)
{
    const auto put = [&](std::uint32_t bits) { out.push_back(static_cast<char>(bits)); };
    const auto v = static_cast<std::uint32_t>(c);
    if (v < 0x80) {
        put(v);
    } else if (v < 0x800) {
        put(0xC0 | (v >> 6));
        put(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        put(0xE0 | (v >> 12));
        put(0x80 | ((v >> 6) & 0x3F));
        put(0x80 | (v & 0x3F));
    } else {
        put(0xF0 | (v >> 18));
        put(0x80 | ((v >> 12) & 0x3F));
        put(0x80 | ((v >> 6) & 0x3F));
        put(0x80 | (v & 0x3F));
    }
}

}  // namespace

std::string formatLogLine(const Ipv4Endpoint& from, std::string_view text)
{
    std::string line = from.addressText();
    line += ':';
    line += std::to_string(from.port);
    line += '>';
    // The sender part is plain ASCII: one byte per character.
    std::size_t characters = line.size();
    line.reserve(line.size() + text.size());
    while (!text.empty() && characters < kMaxLogLineCharacters) {
        const Decoded d = decodeOne(text);
        const char32_t shown = visible(d.codePoint);
        if (shown == d.codePoint && d.codePoint != kReplacement) {
            line.append(text.substr(0, d.length));
        } else {
            appendUtf8(line, shown);
        }
        text.remove_prefix(d.length);
        ++characters;
    }
    return line;
}

}  // namespace net
