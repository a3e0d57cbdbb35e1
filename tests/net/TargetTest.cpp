#include "net/Target.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

template <class Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

struct TargetRow {
    const char* name;
    std::string_view text;
    bool accepted;
    std::string_view host;  // when accepted
    std::uint16_t port;     // when accepted
};

class ParseTarget : public testing::TestWithParam<TargetRow> {};

TEST_P(ParseTarget, SplitsHostAndPort)
{
    const TargetRow& row = GetParam();
    std::string host = "untouched";
    std::uint16_t port = 7;
    ASSERT_EQ(net::parseTarget(row.text, &host, &port), row.accepted);
    if (row.accepted) {
        EXPECT_EQ(host, row.host);
        EXPECT_EQ(port, row.port);
    } else {
        EXPECT_EQ(host, "untouched");
        EXPECT_EQ(port, 7);
    }
    EXPECT_EQ(net::parseTarget(row.text, nullptr, nullptr), row.accepted);
}

// "\xE3\x83\x9B\xE3\x82\xB9\xE3\x83\x88" is a three-character host name.
INSTANTIATE_TEST_SUITE_P(
    Rows, ParseTarget,
    testing::Values(TargetRow{"nameAndPort", "localhost:12323", true, "localhost", 12323},
                    TargetRow{"multibyteHost", "\xE3\x83\x9B\xE3\x82\xB9\xE3\x83\x88:80", true,
                              "\xE3\x83\x9B\xE3\x82\xB9\xE3\x83\x88", 80},
                    TargetRow{"cutSequenceBeforeColon", "\xE3\x83:5", true, "\xE3\x83", 5},
                    TargetRow{"portWithTrailingLetters", "host:80x", true, "host", 80},
                    TargetRow{"portAbove65535", "host:70000", true, "host", 4464},
                    TargetRow{"port65536", "host:65536", true, "host", 0},
                    TargetRow{"hugePort", "host:99999999999999999999", true, "host", 65535},
                    TargetRow{"emptyHost", ":80", true, "", 80},
                    TargetRow{"trailingColon", "host:", true, "host", 0},
                    TargetRow{"secondColon", "host:1:2", true, "host", 1},
                    TargetRow{"noColon", "localhost", false, "", 0},
                    TargetRow{"empty", "", false, "", 0}),
    rowName<TargetRow>);

struct FindRow {
    const char* name;
    std::string_view text;
    char c;
    std::optional<std::size_t> position;
};

class FindChar : public testing::TestWithParam<FindRow> {};

TEST_P(FindChar, StepsWholeCharacters)
{
    EXPECT_EQ(net::findChar(GetParam().text, GetParam().c), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindChar,
    testing::Values(FindRow{"first", "a:b:c", ':', 1}, FindRow{"absent", "abc", ':', std::nullopt},
                    FindRow{"afterFourByteCharacter", "\xF0\x9F\x8E\xB9:", ':', 4},
                    // A continuation byte inside a character is not a character of its own...
                    FindRow{"byteInsideCharacter", "\xC3\xA9", '\xA9', std::nullopt},
                    // ...but an invalid byte is.
                    FindRow{"strayContinuationByte", "x\xA9", '\xA9', 1},
                    FindRow{"overlongLeadIsInvalid", "\xC0\xBA", '\xBA', 1},
                    FindRow{"surrogateIsInvalid", "\xED\xA0\x80", '\x80', 2},
                    FindRow{"leadCutByEnd", "ab\xE3", '\xE3', 2}),
    rowName<FindRow>);

struct DecimalRow {
    const char* name;
    std::string_view text;
    std::int32_t value;
};

class ParseDecimal : public testing::TestWithParam<DecimalRow> {};

TEST_P(ParseDecimal, ReadsLeadingDigits)
{
    EXPECT_EQ(net::parseDecimal(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseDecimal,
    testing::Values(DecimalRow{"digits", "12323", 12323}, DecimalRow{"stopsAtLetter", "12ab", 12},
                    DecimalRow{"startsWithLetter", "a12", 0}, DecimalRow{"noSign", "-5", 0},
                    DecimalRow{"largest", "2147483647", std::numeric_limits<std::int32_t>::max()},
                    DecimalRow{"wrapsToNegative", "2147483648",
                               std::numeric_limits<std::int32_t>::min()},
                    DecimalRow{"wrapsToZero", "4294967296", 0},
                    DecimalRow{"hugeKeepsLow32Bits", "99999999999999999999", 1661992959}),
    rowName<DecimalRow>);

}  // namespace
