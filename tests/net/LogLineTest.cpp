// The log line: sender, cut and the making harmless of received text.
#include "net/LogLine.h"

#include <gmock/gmock.h>

#include <string>

namespace {

using net::formatLogLine;
using net::Ipv4Endpoint;

// 192.168.0.5, network byte order on a little-endian host.
Ipv4Endpoint sender()
{
    Ipv4Endpoint from;
    from.address = *net::UdpSocket::resolveIpv4("192.168.0.5");
    from.port = 50000;
    return from;
}

const std::string kPrefix = "192.168.0.5:50000>";

std::string repeated(const std::string& part, std::size_t times)
{
    std::string s;
    for (std::size_t i = 0; i < times; ++i) {
        s += part;
    }
    return s;
}

struct Row {
    const char* name;
    std::string text;
    std::string shown;  // what follows the prefix
};

class LogLineText : public ::testing::TestWithParam<Row> {};

TEST_P(LogLineText, ShowsTextSafely)
{
    EXPECT_EQ(formatLogLine(sender(), GetParam().text), kPrefix + GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LogLineText,
    ::testing::Values(Row{"plain", "hello", "hello"},
                      Row{"wellFormedMultibyte", "gr\xC3\xBC\xC3\x9F \xE9\x8D\xB5 \xF0\x9F\x8E\xB9",
                          "gr\xC3\xBC\xC3\x9F \xE9\x8D\xB5 \xF0\x9F\x8E\xB9"},
                      // A forged second line claiming another sender.
                      Row{"crLfInjection", "hi\r\n10.0.0.1:1>fake",
                          "hi\xE2\x90\x8D\xE2\x90\x8A"
                          "10.0.0.1:1>fake"},
                      Row{"tabAndEscape", "a\tb\x1B[2J",
                          "a\xE2\x90\x89"
                          "b\xE2\x90\x9B[2J"},
                      Row{"nextLine", "a\xC2\x85z", "a\xE2\x90\xA4z"},
                      Row{"otherC1Control", "a\xC2\x9Bz", "a\xEF\xBF\xBDz"},
                      Row{"lineSeparator", "a\xE2\x80\xA8z", "a\xE2\x90\xA4z"},
                      // U+202E would show the rest, and so the sender, reversed.
                      Row{"bidiOverride", "\xE2\x80\xAEolleh", "\xEF\xBF\xBDolleh"},
                      Row{"bidiMarks", "\xE2\x80\x8F\xD8\x9C", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                      Row{"loneContinuation", "a\x80z", "a\xEF\xBF\xBDz"},
                      Row{"latin1Byte", "caf\xE9!", "caf\xEF\xBF\xBD!"},
                      Row{"truncatedAtEnd", "ab\xE2\x82", "ab\xEF\xBF\xBD"},
                      // Each maximal ill-formed part is one U+FFFD.
                      Row{"overlong", "\xC0\xAF", repeated("\xEF\xBF\xBD", 2)},
                      Row{"surrogate", "\xED\xA0\x80", repeated("\xEF\xBF\xBD", 3)},
                      Row{"aboveUnicode", "\xF4\x90\x80\x80", repeated("\xEF\xBF\xBD", 4)}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

TEST(LogLine, IsCutToItsFirst1023Characters)
{
    const std::string line = formatLogLine(sender(), std::string(2000, 'a'));
    EXPECT_EQ(line.size(), 1023u);
    EXPECT_EQ(line, kPrefix + std::string(1023 - kPrefix.size(), 'a'));
}

TEST(LogLine, NeverSplitsACharacterAtTheCut)
{
    // Two-byte characters: the cut falls after a whole one, counted as one.
    const std::string umlauts = repeated("\xC3\xBC", 1100);
    const std::string line = formatLogLine(sender(), "x" + umlauts);
    const std::size_t kept = 1023 - kPrefix.size() - 1;
    EXPECT_EQ(line, kPrefix + "x" + umlauts.substr(0, 2 * kept));
}

TEST(LogLine, CountsReplacementsAsOneCharacterEach)
{
    const std::string line = formatLogLine(sender(), std::string(2000, '\n'));
    EXPECT_EQ(line.size(), kPrefix.size() + 3 * (1023 - kPrefix.size()));
    EXPECT_EQ(line.find('\n'), std::string::npos);
}

}  // namespace
