// The log line: sender, cut and the making harmless of received text.
#include "net/LogLine.h"

#include <gmock/gmock.h>

#include <string>

namespace {

// 192.168.0.5:50000, the sender of every line here.
net::Ipv4Endpoint sender()
{
    return {*net::UdpSocket::resolveIpv4("192.168.0.5"), 50000};
}

const std::string kPrefix = "192.168.0.5:50000>";
// What is left of a 1023-character line after the 18 of the prefix.
constexpr std::size_t kRoom = 1023 - 18;

std::string repeated(const std::string& part, std::size_t times)
{
    std::string s;
    for (std::size_t i = 0; i < times; ++i) {
        s += part;
    }
    return s;
}

const std::string kReplacement = "\xEF\xBF\xBD";

struct Row {
    const char* name;
    std::string text;
    std::string shown;  // what follows the prefix
};

class LogLineText : public ::testing::TestWithParam<Row> {};

TEST_P(LogLineText, ShowsTextSafelyOnOneLine)
{
    EXPECT_EQ(net::formatLogLine(sender(), GetParam().text), kPrefix + GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LogLineText,
    ::testing::Values(Row{"wellFormedMultibyte", "gr\xC3\xBC\xC3\x9F \xE9\x8D\xB5 \xF0\x9F\x8E\xB9",
                          "gr\xC3\xBC\xC3\x9F \xE9\x8D\xB5 \xF0\x9F\x8E\xB9"},
                      // A forged second line claiming another sender.
                      Row{"crLfInjection", "hi\r\n10.0.0.1:1>fake",
                          "hi\xE2\x90\x8D\xE2\x90\x8A"
                          "10.0.0.1:1>fake"},
                      Row{"nextLine", "a\xC2\x85z", "a\xE2\x90\xA4z"},
                      Row{"otherC1Control", "a\xC2\x9Bz", "a" + kReplacement + "z"},
                      Row{"lineSeparator", "a\xE2\x80\xA8z", "a\xE2\x90\xA4z"},
                      // U+202E would show the rest, and so the sender, reversed.
                      Row{"bidiOverride", "\xE2\x80\xAEolleh", kReplacement + "olleh"},
                      Row{"latin1Byte", "caf\xE9!", "caf" + kReplacement + "!"},
                      Row{"truncatedAtEnd", "ab\xE2\x82", "ab" + kReplacement},
                      // Each maximal ill-formed part is one U+FFFD.
                      Row{"overlong", "\xC0\xAF", repeated(kReplacement, 2)},
                      Row{"surrogate", "\xED\xA0\x80", repeated(kReplacement, 3)},
                      Row{"aboveUnicode", "\xF4\x90\x80\x80", repeated(kReplacement, 4)},
                      // The line keeps its first 1023 characters, never a part of one...
                      Row{"cutAt1023Characters", std::string(2000, 'a'), std::string(kRoom, 'a')},
                      Row{"cutBetweenCharacters", "x" + repeated("\xC3\xBC", 1100),
                          "x" + repeated("\xC3\xBC", kRoom - 1)},
                      // ...and counts a replacement as the one character it shows.
                      Row{"replacementsCountOnce", std::string(2000, '\n'),
                          repeated("\xE2\x90\x8A", kRoom)}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

}  // namespace
