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

}  // namespace
