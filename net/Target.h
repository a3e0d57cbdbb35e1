#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// A target is written host:port: the host (a name or a dotted IPv4 address)
// is everything before the first colon, the port is the decimal number after
// it. The controls hand out at most this many bytes of target text.
inline constexpr std::size_t kMaxTargetBytes = 63;

// Splits a target. Returns false, touching neither output, when the text has
// no colon. Otherwise stores the host and the port (the low 16 bits of
// parseDecimal of the text after the colon, in host byte order) into the
// outputs that are given, and returns true. host may point at the string
// that text views.
[[nodiscard]] bool parseTarget(std::string_view text, std::string* host, std::uint16_t* port);

// The byte offset of the first character of the text that equals c, stepping
// one character at a time, so a byte inside a multibyte character is never
// taken for c.
[[nodiscard]] std::optional<std::size_t> findChar(std::string_view text, char c);

// The value of the decimal digits at the start of the text: no sign, stops at
// the first other character, 0 when there are none. Values beyond 32 bits
// wrap around (the low 32 bits are kept).
[[nodiscard]] std::int32_t parseDecimal(std::string_view text);

}  // namespace net
