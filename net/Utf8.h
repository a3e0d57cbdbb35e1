#pragma once

#include <cstddef>
#include <string_view>

namespace net {

// Texts are bytes in the locale's 8-bit encoding, UTF-8 on the platforms we
// build for. Scans step one character at a time, so that a multibyte
// character is never split.

// One character decoded from the start of a text.
struct DecodedChar {
    char32_t codePoint{};  // U+FFFD where the bytes are not well-formed
    std::size_t length{};  // bytes it takes: the whole sequence, or the
                           // longest start of one (at least 1) when ill-formed
    bool wellFormed{};
};

// Decodes the character at the start of a non-empty text. Ill-formed input
// gives U+FFFD for its maximal ill-formed part, as Unicode recommends.
[[nodiscard]] DecodedChar decodeChar(std::string_view text) noexcept;

// The number of bytes of the character at the start of the text: 1 to 4 for
// a well-formed UTF-8 sequence, 1 for a byte that starts none (an invalid
// byte counts as one character), 0 for an empty text.
[[nodiscard]] std::size_t charLength(std::string_view text) noexcept;

// The length of the longest start of the text that is at most maxBytes long
// and ends between two characters.
[[nodiscard]] std::size_t wholeCharsPrefix(std::string_view text, std::size_t maxBytes) noexcept;

}  // namespace net
