#include "net/Target.h"

#include "net/Utf8.h"

namespace net {

bool parseTarget(std::string_view text, std::string* host, std::uint16_t* port)
{
    const std::optional<std::size_t> colon = findChar(text, ':');
    if (!colon) {
        return false;
    }
    // The port first: writing the host may overwrite the text it is read from.
    if (port != nullptr) {
        *port = static_cast<std::uint16_t>(parseDecimal(text.substr(*colon + 1)) & 0xFFFF);
    }
    if (host != nullptr) {
        host->assign(text.substr(0, *colon));
    }
    return true;
}

std::optional<std::size_t> findChar(std::string_view text, char c)
{
    for (std::size_t i = 0; i < text.size(); i += charLength(text.substr(i))) {
        if (text[i] == c) {
            return i;
        }
    }
    return std::nullopt;
}

std::int32_t parseDecimal(std::string_view text)
{
    // Unsigned arithmetic, so that a long run of digits wraps instead of
    // overflowing a signed value.
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10U + static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace net
