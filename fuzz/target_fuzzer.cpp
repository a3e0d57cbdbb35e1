// Target text as typed or remembered: parseTarget, findChar, parseDecimal.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "net/Target.h"
#include "net/Utf8.h"

namespace {

using fuzz::check;

// The decimal digits at the start, modulo 2^32, computed apart from the
// code under test.
std::uint32_t referenceDecimal(std::string_view text)
{
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = (value * 10 + static_cast<std::uint64_t>(c - '0')) & 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(value);
}

// Whether offset lies between two characters, stepping as the code must.
bool onCharacterBoundary(std::string_view text, std::size_t offset)
{
    std::size_t i = 0;
    while (i < offset) {
        i += net::charLength(text.substr(i));
    }
    return i == offset;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The controls hand out at most kMaxTargetBytes; the functions must
    // still be safe with more, so lengths are not limited here.
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::optional<std::size_t> colon = net::findChar(text, ':');
    if (colon) {
        check(*colon < text.size() && text[*colon] == ':', "findChar points at the character");
        check(onCharacterBoundary(text, *colon), "findChar stops only between characters");
        check(!net::findChar(std::string_view(text).substr(0, *colon), ':'),
              "findChar finds the first one");
    }

    std::string host = "untouched";
    std::uint16_t port = 4242;
    const bool parsed = net::parseTarget(text, &host, &port);
    check(parsed == colon.has_value(), "a target is accepted exactly when it has a colon");
    if (parsed) {
        check(host == text.substr(0, *colon), "the host is the text before the colon");
        const std::uint32_t decimal = referenceDecimal(std::string_view(text).substr(*colon + 1));
        check(port == static_cast<std::uint16_t>(decimal & 0xFFFFu),
              "the port is the low 16 bits of the number after the colon");
    } else {
        check(host == "untouched" && port == 4242, "a rejected target touches no output");
    }

    check(static_cast<std::uint32_t>(net::parseDecimal(text)) == referenceDecimal(text),
          "parseDecimal reads the leading digits modulo 2^32");

    // The host may be written over the text it is read from.
    std::string inPlace = text;
    if (net::parseTarget(inPlace, &inPlace, nullptr)) {
        check(inPlace == host, "parsing in place gives the same host");
    }
    return 0;
}
