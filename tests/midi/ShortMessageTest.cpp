#include "midi/ShortMessage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using midi::packShortMessage;
using midi::ShortMessageBytes;
using midi::unpackShortMessage;

// Bytes from a MIDI device, and what they pack to (nothing: not forwarded).
struct PackRow {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint32_t> packed;
};

class PackTest : public testing::TestWithParam<PackRow> {};

TEST_P(PackTest, PacksExactlyOneShortMessage)
{
    const PackRow& row = GetParam();
    EXPECT_EQ(packShortMessage(row.bytes), row.packed);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, PackTest,
    testing::Values(
        PackRow{"noteOn", {0x90, 0x3C, 0x7F}, 0x007F3C90u},
        PackRow{"noteOnVelocity0", {0x90, 0x3C, 0x00}, 0x00003C90u},
        PackRow{"programChange", {0xC0, 0x05}, 0x000005C0u},
        PackRow{"pitchBendCentre", {0xE0, 0x00, 0x40}, 0x004000E0u},
        PackRow{"songPosition", {0xF2, 0x01, 0x02}, 0x000201F2u},
        PackRow{"songSelect", {0xF3, 0x09}, 0x000009F3u},
        PackRow{"tuneRequest", {0xF6}, 0x000000F6u}, PackRow{"clock", {0xF8}, 0x000000F8u},
        PackRow{"systemReset", {0xFF}, 0x000000FFu},
        // Not one short message.
        PackRow{"empty", {}, std::nullopt}, PackRow{"runningStatus", {0x3C, 0x7F}, std::nullopt},
        PackRow{"noteOnMissingVelocity", {0x90, 0x3C}, std::nullopt},
        PackRow{"noteOnExtraByte", {0x90, 0x3C, 0x7F, 0x00}, std::nullopt},
        PackRow{"programChangeThreeBytes", {0xC0, 0x05, 0x00}, std::nullopt},
        PackRow{"statusWhereDataIsDue", {0x90, 0x90, 0x7F}, std::nullopt},
        PackRow{"sysEx", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, std::nullopt},
        PackRow{"sysExEndAlone", {0xF7}, std::nullopt},
        PackRow{"undefinedF4", {0xF4}, std::nullopt}, PackRow{"undefinedF9", {0xF9}, std::nullopt},
        PackRow{"undefinedFD", {0xFD}, std::nullopt},
        PackRow{"clockWithData", {0xF8, 0x00}, std::nullopt}),
    [](const testing::TestParamInfo<PackRow>& row) { return row.param.name; });

// A packed value and the bytes it plays as (nothing: not played).
struct UnpackRow {
    std::string name;
    std::uint32_t packed{};
    std::optional<std::vector<std::uint8_t>> bytes;
};

class UnpackTest : public testing::TestWithParam<UnpackRow> {};

TEST_P(UnpackTest, PlaysTheBytesTheStatusCallsFor)
{
    const UnpackRow& row = GetParam();
    const std::optional<ShortMessageBytes> unpacked = unpackShortMessage(row.packed);
    ASSERT_EQ(unpacked.has_value(), row.bytes.has_value());
    if (unpacked) {
        const auto view = unpacked->view();
        EXPECT_EQ(std::vector<std::uint8_t>(view.begin(), view.end()), *row.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, UnpackTest,
    testing::Values(
        UnpackRow{"noteOn", 0x007F3C90u, std::vector<std::uint8_t>{0x90, 0x3C, 0x7F}},
        UnpackRow{"keyboardRelease", 0x00003C90u, std::vector<std::uint8_t>{0x90, 0x3C, 0x00}},
        UnpackRow{"programChange", 0x000005C0u, std::vector<std::uint8_t>{0xC0, 0x05}},
        UnpackRow{"programChangeIgnoresUnusedBytes", 0xAB7F05C0u,
                  std::vector<std::uint8_t>{0xC0, 0x05}},
        UnpackRow{"noteOnIgnoresTopByte", 0xFF7F3C90u, std::vector<std::uint8_t>{0x90, 0x3C, 0x7F}},
        UnpackRow{"pitchBend", 0x007F7FEFu, std::vector<std::uint8_t>{0xEF, 0x7F, 0x7F}},
        UnpackRow{"songPosition", 0x000201F2u, std::vector<std::uint8_t>{0xF2, 0x01, 0x02}},
        UnpackRow{"tuneRequest", 0x00FFFFF6u, std::vector<std::uint8_t>{0xF6}},
        UnpackRow{"clockIgnoresUnusedBytes", 0x123456F8u, std::vector<std::uint8_t>{0xF8}},
        UnpackRow{"systemReset", 0x000000FFu, std::vector<std::uint8_t>{0xFF}},
        // Not playable.
        UnpackRow{"zero", 0x00000000u, std::nullopt},
        UnpackRow{"runningStatus", 0x00007F3Cu, std::nullopt},
        UnpackRow{"statusWhereFirstDataIsDue", 0x007F90B0u, std::nullopt},
        UnpackRow{"statusWhereSecondDataIsDue", 0x00F83C90u, std::nullopt},
        UnpackRow{"programChangeStatusInData", 0x000080C0u, std::nullopt},
        UnpackRow{"sysExStart", 0x00007EF0u, std::nullopt},
        UnpackRow{"sysExEnd", 0x000000F7u, std::nullopt},
        UnpackRow{"undefinedF4", 0x000000F4u, std::nullopt},
        UnpackRow{"undefinedF9", 0x000000F9u, std::nullopt},
        UnpackRow{"undefinedFD", 0x000000FDu, std::nullopt}),
    [](const testing::TestParamInfo<UnpackRow>& row) { return row.param.name; });

// A run of bytes (one JACK MIDI event) and the messages it is split into.
struct SplitRow {
    std::string name;
    std::vector<std::uint8_t> bytes;
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
    testing::Values(
        SplitRow{"one", {0x90, 0x3C, 0x7F}, {0x7F3C90}},
        SplitRow{"two", {0x90, 0x3C, 0x7F, 0xC1, 0x05}, {0x7F3C90, 0x05C1}},
        SplitRow{"runningStatus", {0x90, 0x3C, 0x7F, 0x3E, 0x00}, {0x7F3C90, 0x003E90}},
        SplitRow{"controllersOfA14BitValue", {0xB0, 0x07, 0x64, 0x27, 0x05}, {0x6407B0, 0x0527B0}},
        SplitRow{"realTimeInsideAMessage", {0x90, 0x3C, 0xF8, 0x7F}, {0xF8, 0x7F3C90}},
        SplitRow{"sysExSkipped", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0xC0, 0x05}, {0x05C0}},
        SplitRow{"sysExEndedByAStatus", {0xF0, 0x01, 0x02, 0x80, 0x3C, 0x00}, {0x003C80}},
        SplitRow{"systemCommonEndsRunningStatus",
                 {0x90, 0x3C, 0x7F, 0xF3, 0x02, 0x3E, 0x7F},
                 {0x7F3C90, 0x02F3}},
        SplitRow{"tuneRequestAlone", {0xF6, 0x01}, {0xF6}},
        SplitRow{"dataWithoutStatus", {0x3C, 0x7F, 0xFE}, {0xFE}},
        SplitRow{"undefinedStatusDropsItsData", {0xF4, 0x01, 0xF9, 0xC0, 0x01}, {0x01C0}},
        SplitRow{"cutShort", {0xC0, 0x05, 0x90, 0x3C}, {0x05C0}}),
    [](const testing::TestParamInfo<SplitRow>& row) { return row.param.name; });

}  // namespace
