// The datagram format: what a text becomes on the wire, and how a received datagram is read. (A
// note's datagram shows in every window test that plays one.)
#include "net/Datagram.h"

#include <gmock/gmock.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

std::vector<std::byte> bytesOf(std::string_view text)
{
    const auto bytes = std::as_bytes(std::span(text));
    return {bytes.begin(), bytes.end()};
}

constexpr auto rowName = [](const auto& info) { return std::string(info.param.name); };

const std::string kFill(1020, 'a');  // two bytes short of the limit, 1022

struct TextRow {
    const char* name;
    std::string text;
    std::string sent;  // what follows the kind byte
};

class TextDatagram : public testing::TestWithParam<TextRow> {};

TEST_P(TextDatagram, KeepsAtMost1022BytesCutBetweenCharacters)
{
    EXPECT_EQ(net::makeTextDatagram(GetParam().text), bytesOf("*" + GetParam().sent));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextDatagram,
    testing::Values(TextRow{"tooLong", std::string(1500, 'a'), kFill + "aa"},
                    TextRow{"twoByteCharacterFits", kFill + "\xC3\xA9", kFill + "\xC3\xA9"},
                    TextRow{"twoByteCharacterCut", kFill + "a\xC3\xA9", kFill + "a"},
                    TextRow{"threeByteCharacterCut", kFill + "\xE2\x82\xAC", kFill},
                    // An invalid byte is a character of its own and may end the text.
                    TextRow{"invalidByteKept", kFill + "a\xA9x", kFill + "a\xA9"}),
    rowName);

std::string describe(const net::DatagramContent& content)
{
    if (const auto* text = std::get_if<net::TextMessage>(&content)) {
        return "text " + std::string(text->text);
    }
    if (const auto* midi = std::get_if<net::MidiMessage>(&content)) {
        return "midi " + std::to_string(midi->message);
    }
    return "ignored";
}

struct ReadRow {
    const char* name;
    std::string datagram;
    std::string content;
};

class ReadDatagram : public testing::TestWithParam<ReadRow> {};

TEST_P(ReadDatagram, ReadsTheKindAndItsPayload)
{
    EXPECT_EQ(describe(net::readDatagram(bytesOf(GetParam().datagram))), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadDatagram,
    testing::Values(ReadRow{"text", "*hello", "text hello"}, ReadRow{"emptyText", "*", "text "},
                    ReadRow{"textEndsAtZero", std::string("*ab\0cd", 6), "text ab"},
                    ReadRow{"midi", "~\x78\x56\x34\x12", "midi " + std::to_string(0x12345678)},
                    ReadRow{"midiMissingBytesAreZero", "~\x90\x3C",
                            "midi " + std::to_string(0x3C90)},
                    ReadRow{"midiKindOnly", "~", "midi 0"},
                    ReadRow{"midiExtraBytesIgnored", "~\x90\x3C\x7F\x01\xAA\xBB",
                            "midi " + std::to_string(0x017F3C90)},
                    ReadRow{"unknownKind", "?abc", "ignored"}, ReadRow{"empty", "", "ignored"},
                    ReadRow{"zeroBeforeTheKind", std::string("\0~\x90", 3), "ignored"}),
    rowName);

}  // namespace
