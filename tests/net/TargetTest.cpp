// Targets written host:port, split where the first whole-character colon is.
#include "net/Target.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr auto rowName = [](const auto& info) { return std::string(info.param.name); };

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
    EXPECT_EQ(host, row.accepted ? row.host : "untouched");
    EXPECT_EQ(port, row.accepted ? row.port : 7);
    EXPECT_EQ(net::parseTarget(row.text, nullptr, nullptr), row.accepted);
}

// "\xE3\x83\x9B\xE3\x82\xB9\xE3\x83\x88" is a three-character host name.
INSTANTIATE_TEST_SUITE_P(
    Rows, ParseTarget,
    testing::Values(TargetRow{"nameAndPort", "localhost:12323", true, "localhost", 12323},
                    TargetRow{"multibyteHost", "\xE3\x83\x9B\xE3\x82\xB9\xE3\x83\x88:80", true,
                              "\xE3\x83\x9B\xE3\x82\xB9\xE3\x83\x88", 80},
                    // The colon ends a character cut short: it is not swallowed.
                    TargetRow{"cutSequenceBeforeColon", "\xE3\x83:5", true, "\xE3\x83", 5},
                    TargetRow{"portWithTrailingLetters", "host:80x", true, "host", 80},
                    TargetRow{"portKeeps16Bits", "host:70000", true, "host", 4464},
                    TargetRow{"hugePort", "host:99999999999999999999", true, "host", 65535},
                    TargetRow{"emptyHost", ":80", true, "", 80},
                    TargetRow{"trailingColon", "host:", true, "host", 0},
                    TargetRow{"secondColon", "host:1:2", true, "host", 1},
                    TargetRow{"signedPort", "host:-5", true, "host", 0},
                    TargetRow{"noColon", "localhost", false, "", 0},
                    TargetRow{"empty", "", false, "", 0}),
    rowName);

}  // namespace
