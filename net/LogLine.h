#pragma once

#include "net/UdpSocket.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace net {

// A log line holds at most this many characters (code points), sender
// included.
inline constexpr std::size_t kMaxLogLineCharacters = 1023;

// The log line for a received text: "address:port>text", the address in
// dotted decimal and the port as an unsigned decimal, as UTF-8 cut to its
// first kMaxLogLineCharacters characters (a character is never split).
//
// The text comes from the network, so it is made harmless to show: it can
// never make the line look like more than one line, nor move the sender's
// address and port on screen.
// - C0 controls and DEL show as their symbols (U+2400 to U+2421: CR as
//   U+240D, LF as U+240A, ...); NEL and the line and paragraph separators
//   (U+0085, U+2028, U+2029) as U+2424, the symbol for newline.
// - Other C1 controls and the bidirectional formatting characters (U+061C,
//   U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) show as U+FFFD.
// - Bytes that are not well-formed UTF-8 show as U+FFFD, one for each
//   maximal ill-formed part, never as nothing.
// Every such character is replaced one for one, so the cut counts what is
// shown. Well-formed text without those characters stays byte for byte.
[[nodiscard]] std::string formatLogLine(const Ipv4Endpoint& from, std::string_view text);

}  // namespace net
