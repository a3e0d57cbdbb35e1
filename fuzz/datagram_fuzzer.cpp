// Received datagrams: reading them, and the log line made from a text, which
// must stay one harmless line whatever the bytes are.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "fuzz/FuzzCheck.h"
#include "net/Datagram.h"
#include "net/LogLine.h"

namespace {

using fuzz::check;

// The longest sender prefix there is, so that the cut is reached soonest.
const net::Ipv4Endpoint kSender{0xFFFFFFFFu, 65535};
constexpr std::string_view kPrefix = "255.255.255.255:65535>";

struct Decoded {
    char32_t codePoint{};
    std::size_t length{};  // 0: not well-formed UTF-8 here
};

// A strict decoder of one UTF-8 character, written apart from the code
// under test.
Decoded decode(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    std::size_t n = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        return {lead, 1};
    }
    if ((lead & 0xE0) == 0xC0) {
        n = 2;
        cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3;
        cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4;
        cp = lead & 0x07u;
    } else {
        return {};
    }
    if (s.size() < n) {
        return {};
    }
    for (std::size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) {
            return {};
        }
        cp = (cp << 6) | (b(i) & 0x3Fu);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {};
    }
    return {cp, n};
}

// Characters that could break a line, forge another one or reorder it.
bool harmful(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0x061C ||
           c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// Characters in the text when it is well-formed and harmless throughout;
// nothing otherwise.
std::size_t cleanCharacters(std::string_view text, bool& clean)
{
    std::size_t count = 0;
    clean = true;
    while (!text.empty()) {
        const Decoded d = decode(text);
        if (d.length == 0 || harmful(d.codePoint)) {
            clean = false;
            return 0;
        }
        text.remove_prefix(d.length);
        ++count;
    }
    return count;
}

void checkLogLine(std::string_view text)
{
    const std::string line = net::formatLogLine(kSender, text);
    check(line.starts_with(kPrefix), "the line starts with the sender");

    std::string_view rest = line;
    std::size_t characters = 0;
    while (!rest.empty()) {
        const Decoded d = decode(rest);
        check(d.length != 0, "the line is well-formed UTF-8");
        check(!harmful(d.codePoint), "the line holds no control or reordering character");
        rest.remove_prefix(d.length);
        ++characters;
    }
    check(characters <= net::kMaxLogLineCharacters, "the line is cut to its length");

    bool clean = false;
    const std::size_t textCharacters = cleanCharacters(text, clean);
    if (clean && kPrefix.size() + textCharacters <= net::kMaxLogLineCharacters) {
        check(line.size() == kPrefix.size() + text.size() &&
                  std::string_view(line).substr(kPrefix.size()) == text,
              "clean text is kept byte for byte");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Longer datagrams never reach the reader: the receive counts as failed.
    if (size > net::kReceiveBufferBytes) {
        return 0;
    }
    const auto datagram = std::as_bytes(std::span(data, size));
    const net::DatagramContent content = net::readDatagram(datagram);

    if (size == 0) {
        check(std::holds_alternative<std::monostate>(content), "an empty datagram is ignored");
        return 0;
    }
    if (datagram[0] == net::kTextKind) {
        const auto* text = std::get_if<net::TextMessage>(&content);
        check(text != nullptr, "a '*' datagram is a text");
        const auto* begin = reinterpret_cast<const char*>(data + 1);
        check(text->text.data() == begin, "the text starts after the kind byte");
        check(text->text.size() <= size - 1, "the text stays inside the datagram");
        check(text->text.find('\0') == std::string_view::npos, "the text has no zero byte");
        check(text->text.size() == size - 1 || begin[text->text.size()] == '\0',
              "the text ends at the first zero byte or the end");
        checkLogLine(text->text);
    } else if (datagram[0] == net::kMidiKind) {
        const auto* midi = std::get_if<net::MidiMessage>(&content);
        check(midi != nullptr, "a '~' datagram is a MIDI message");
        std::uint32_t expected = 0;
        for (std::size_t i = 1; i < size && i <= 4; ++i) {
            expected |= static_cast<std::uint32_t>(data[i]) << (8 * (i - 1));
        }
        check(midi->message == expected, "the MIDI message is bytes 1 to 4, little-endian");
    } else {
        check(std::holds_alternative<std::monostate>(content), "other kinds are ignored");
    }
    // Whatever the kind, any bytes shown as a log line stay one harmless line.
    checkLogLine(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
