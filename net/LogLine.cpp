#include "net/LogLine.h"

#include "net/Utf8.h"

#include <cstdint>

namespace net {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kNewlineSymbol = 0x2424;

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
        const DecodedChar d = decodeChar(text);
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
