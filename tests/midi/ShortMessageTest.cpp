// Short messages: a packed value played back as the bytes its status calls
// for, and a run of bytes (one JACK MIDI event) split into its messages.
#include "midi/ShortMessage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A received value and the bytes played for it (nothing: not played).
struct UnpackRow {
    std::string name;
    std::uint32_t packed;
    std::optional<Bytes> bytes;
};

class UnpackTest : public testing::TestWithParam<UnpackRow> {};

TEST_P(UnpackTest, PlaysTheBytesTheStatusCallsFor)
{
    const auto played = midi::unpackShortMessage(GetParam().packed);
    EXPECT_EQ(
        played ? std::optional(Bytes(played->view().begin(), played->view().end())) : std::nullopt,
        GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Values, UnpackTest,
    testing::Values(UnpackRow{"programChange", 0xAB7F05C0, Bytes{0xC0, 0x05}},
                    UnpackRow{"channelPressure", 0xAB7F5AD4, Bytes{0xD4, 0x5A}},
                    UnpackRow{"topByteIgnored", 0xFF7F3C90, Bytes{0x90, 0x3C, 0x7F}},
                    UnpackRow{"zero", 0, std::nullopt},
                    UnpackRow{"statusWhereDataIsDue", 0xF83C90, std::nullopt},
                    UnpackRow{"sysExStart", 0x7EF0, std::nullopt},
                    UnpackRow{"undefinedFD", 0xFD, std::nullopt}),
    [](const testing::TestParamInfo<UnpackRow>& row) { return row.param.name; });

// A run of bytes and the messages it is split into.
struct SplitRow {
    std::string name;
    Bytes bytes;
    std::vector<std::uint32_t> messages;
};

class SplitTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitTest, SplitsARunIntoItsShortMessages)
{
    std::vector<std::uint32_t> messages;
    midi::splitShortMessages(GetParam().bytes,
                             [&messages](std::uint32_t m) { messages.push_back(m); });
    EXPECT_EQ(messages, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SplitTest,
    testing::Values(SplitRow{"two", {0x90, 0x3C, 0x7F, 0xC1, 0x05}, {0x7F3C90, 0x05C1}},
                    SplitRow{"runningStatus", {0x90, 0x3C, 0x7F, 0x3E, 0x00}, {0x7F3C90, 0x003E90}},
                    SplitRow{"realTimeInsideAMessage", {0x90, 0x3C, 0xF8, 0x7F}, {0xF8, 0x7F3C90}},
                    SplitRow{"sysExSkipped", {0xF0, 0x7E, 0x09, 0xF7, 0xC0, 0x05}, {0x05C0}},
                    SplitRow{"sysExEndedByAStatus", {0xF0, 0x01, 0x80, 0x3C, 0x00}, {0x003C80}},
                    SplitRow{"systemCommonEndsRunningStatus",
                             {0x90, 0x3C, 0x7F, 0xF3, 0x02, 0x3E},
                             {0x7F3C90, 0x02F3}},
                    SplitRow{"dataWithoutStatus", {0x3C, 0x7F, 0xFE}, {0xFE}},
                    SplitRow{
                        "undefinedStatusDropsItsData", {0xF4, 0x01, 0xF9, 0xC0, 0x01}, {0x01C0}},
                    SplitRow{"cutShort", {0xC0, 0x05, 0x90, 0x3C}, {0x05C0}}),
    [](const testing::TestParamInfo<SplitRow>& row) { return row.param.name; });

}  // namespace
