#include "midi/KeyMap.h"

#include <gmock/gmock.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Datagram.h"

namespace midi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct KeyRow {
    const char* name;
    std::uint8_t virtualKey;
    std::uint8_t semitone;
};

// The whole key map, row by row, in its stored order.
constexpr std::array<KeyRow, 26> kExpectedRows{{
    {"Z", 0x5A, 0},  {"S", 0x53, 1},  {"X", 0x58, 2},      {"D", 0x44, 3},  {"C", 0x43, 4},
    {"V", 0x56, 5},  {"G", 0x47, 6},  {"B", 0x42, 7},      {"H", 0x48, 8},  {"N", 0x4E, 9},
    {"J", 0x4A, 10}, {"M", 0x4D, 11}, {"Comma", 0xBC, 12}, {"Q", 0x51, 12}, {"2", 0x32, 13},
    {"W", 0x57, 14}, {"3", 0x33, 15}, {"E", 0x45, 16},     {"R", 0x52, 17}, {"5", 0x35, 18},
    {"T", 0x54, 19}, {"6", 0x36, 20}, {"Y", 0x59, 21},     {"7", 0x37, 22}, {"U", 0x55, 23},
    {"I", 0x49, 24},
}};

class KeyMapRowTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(KeyMapRowTest, HoldsTheKeyAndSemitoneAndPlaysIt)
{
    const std::size_t index = GetParam();
    const KeyRow& row = kExpectedRows[index];
    EXPECT_EQ(kKeyMap[index].virtualKey, row.virtualKey);
    EXPECT_EQ(kKeyMap[index].semitone, row.semitone);
    EXPECT_THAT(notesForKey(row.virtualKey, 5), ElementsAre(60 + row.semitone));
    EXPECT_THAT(notesForKey(row.virtualKey, 0), ElementsAre(row.semitone));
    // Octave 9 starts at 108: the keys from semitone 20 on would pass 127.
    if (108 + row.semitone <= 127) {
        EXPECT_THAT(notesForKey(row.virtualKey, 9), ElementsAre(108 + row.semitone));
    } else {
        EXPECT_THAT(notesForKey(row.virtualKey, 9), IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRow, KeyMapRowTest, ::testing::Range<std::size_t>(0, 26),
                         [](const ::testing::TestParamInfo<std::size_t>& row) {
                             return std::string("Key") + kExpectedRows[row.param].name;
                         });

TEST(KeyMapTest, UnmappedKeysPlayNothing)
{
    for (const std::uint8_t key : {std::uint8_t{'A'}, std::uint8_t{'1'}, std::uint8_t{' '},
                                   std::uint8_t{0}, std::uint8_t{0xBD}}) {
        EXPECT_THAT(notesForKey(key, 5), IsEmpty()) << int{key};
    }
}

TEST(KeyMapTest, OnlyTheOctavesLowByteCountsAndNegativeOctavesAreDefined)
{
    EXPECT_EQ(noteNumber(256 + 5, 0), 60);
    EXPECT_EQ(noteNumber(-1, 0), 244);
    EXPECT_EQ(noteNumber(-1, 24), 12);
    EXPECT_THAT(notesForKey('Z', -1), IsEmpty());
    EXPECT_THAT(notesForKey('I', -1), ElementsAre(12));
    EXPECT_EQ(noteNumber(21, 24), 20);  // 276 wraps round
}

TEST(KeyMapTest, MessagesAndTheirDatagramsAreLittleEndian)
{
    EXPECT_EQ(noteOnMessage(60, true), 0x007F3C90U);
    EXPECT_EQ(noteOnMessage(60, false), 0x00003C90U);
    EXPECT_EQ(programChangeMessage(127), 0x00007FC0U);
    const auto datagram = net::makeMidiDatagram(0x44332211U);
    EXPECT_THAT(datagram, ElementsAre(std::byte{0x7E}, std::byte{0x11}, std::byte{0x22},
                                      std::byte{0x33}, std::byte{0x44}));
}

}  // namespace
}  // namespace midi
