#include "net/Datagram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

using testing::ElementsAre;

std::vector<std::byte> bytesOf(std::string_view text)
{
    const auto bytes = std::as_bytes(std::span(text));
    return {bytes.begin(), bytes.end()};
}

TEST(TextDatagram, KeepsAtMost1022Bytes)
{
    const std::string full(net::kMaxTextBytes, 'a');
    EXPECT_EQ(net::makeTextDatagram(full), bytesOf("*" + full));
    EXPECT_EQ(net::makeTextDatagram(std::string(1500, 'a')), bytesOf("*" + full));
}

TEST(TextDatagram, IsCutBetweenCharacters)
{
    const std::string e = "\xC3\xA9";         // two bytes
    const std::string euro = "\xE2\x82\xAC";  // three bytes
    const std::string fits(net::kMaxTextBytes - 2, 'a');
    EXPECT_EQ(net::makeTextDatagram(fits + e), bytesOf("*" + fits + e));
    EXPECT_EQ(net::makeTextDatagram(fits + 'a' + e), bytesOf("*" + fits + 'a'));
    EXPECT_EQ(net::makeTextDatagram(fits + euro), bytesOf("*" + fits));
    // An invalid byte is a character of its own and may end the text.
    EXPECT_EQ(net::makeTextDatagram(fits + "a\xA9x"), bytesOf("*" + fits + "a\xA9"));
}

TEST(MidiDatagram, IsTheKindThenTheMessageLittleEndian)
{
    EXPECT_THAT(net::makeMidiDatagram(0x007F3C90),
                ElementsAre(std::byte{0x7E}, std::byte{0x90}, std::byte{0x3C}, std::byte{0x7F},
                            std::byte{0x00}));
    EXPECT_THAT(net::makeMidiDatagram(0x12345678),
                ElementsAre(std::byte{0x7E}, std::byte{0x78}, std::byte{0x56}, std::byte{0x34},
                            std::byte{0x12}));
}

std::string readText(std::span<const std::byte> datagram)
{
    const net::DatagramContent content = net::readDatagram(datagram);
    const auto* text = std::get_if<net::TextMessage>(&content);
    return text != nullptr ? std::string(text->text) : "<not text>";
}

std::uint32_t readMidi(std::span<const std::byte> datagram)
{
    const net::DatagramContent content = net::readDatagram(datagram);
    const auto* midi = std::get_if<net::MidiMessage>(&content);
    return midi != nullptr ? midi->message : 0xDEADBEEF;
}

TEST(ReadDatagram, TextEndsAtTheFirstZeroOrTheEnd)
{
    EXPECT_EQ(readText(bytesOf("*hello")), "hello");
    EXPECT_EQ(readText(bytesOf("*")), "");
    EXPECT_EQ(readText(bytesOf(std::string_view("*ab\0cd", 6))), "ab");

    const std::string longest(net::kReceiveBufferBytes - 1, 'x');
    EXPECT_EQ(readText(bytesOf("*" + longest)), longest);
}

TEST(ReadDatagram, MidiReadsMissingBytesAsZeroAndIgnoresExtraOnes)
{
    EXPECT_EQ(readMidi(net::makeMidiDatagram(0x12345678)), 0x12345678U);
    EXPECT_EQ(readMidi(bytesOf("~\x90\x3C")), 0x00003C90U);
    EXPECT_EQ(readMidi(bytesOf("~")), 0U);
    EXPECT_EQ(readMidi(bytesOf("~\x90\x3C\x7F\x01\xAA\xBB")), 0x017F3C90U);
}

TEST(ReadDatagram, IgnoresUnknownKindsAndEmptyDatagrams)
{
    EXPECT_TRUE(std::holds_alternative<std::monostate>(net::readDatagram(bytesOf("?abc"))));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(net::readDatagram(bytesOf(""))));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(
        net::readDatagram(bytesOf(std::string_view("\0~\x90", 3)))));
}

}  // namespace
