// Which notes a source left sounding, from what it played (as bytes off a port, running status
// included), and the output slot that releases them per source.
#include "midi/NoteTracker.h"

#include <gmock/gmock.h>

#include <chrono>
#include <string>
#include <vector>

#include "midi/MidiOutputSlot.h"
#include "midi/ShortMessage.h"

namespace {

using Messages = std::vector<std::uint32_t>;

std::uint32_t msg(std::uint32_t status, std::uint32_t first, std::uint32_t second)
{
    return status | (first << 8U) | (second << 16U);
}

struct Row {
    std::string name;
    std::vector<std::uint8_t> played;  // bytes as a port delivers them
    Messages releases;
};

class NoteTrackerTest : public testing::TestWithParam<Row> {};

TEST_P(NoteTrackerTest, ReleasesWhatIsStillSounding)
{
    midi::NoteTracker tracker;
    midi::splitShortMessages(GetParam().played,
                             [&](std::uint32_t message) { tracker.observe(message); });
    EXPECT_EQ(tracker.takeReleases(), GetParam().releases);
    EXPECT_TRUE(tracker.empty());
    EXPECT_TRUE(tracker.takeReleases().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Played, NoteTrackerTest,
    testing::Values(
        Row{"nothing", {}, {}},
        Row{"chordHeld", {0x90, 60, 100, 0x90, 64, 90}, {msg(0x90, 60, 0), msg(0x90, 64, 0)}},
        Row{"runningStatus", {0x91, 60, 100, 64, 90, 60, 0}, {msg(0x91, 64, 0)}},
        Row{"noteOffEnds", {0x90, 60, 100, 0x80, 60, 64}, {}},
        Row{"velocityZeroEnds", {0x9F, 1, 1, 0x9F, 1, 0}, {}},
        Row{"otherChannelStays", {0x90, 60, 100, 0x81, 60, 0}, {msg(0x90, 60, 0)}},
        Row{"allNotesOffEndsItsChannel",
            {0x90, 60, 100, 0x93, 61, 100, 0xB0, 123, 0},
            {msg(0x93, 61, 0)}},
        Row{"pedalDown", {0xB5, 64, 127, 0x95, 70, 1}, {msg(0x95, 70, 0), msg(0xB5, 64, 0)}},
        Row{"pedalUp", {0xB5, 64, 127, 0xB5, 64, 63}, {}},
        Row{"resetAllControllersLiftsThePedal", {0xB2, 64, 100, 0xB2, 121, 0}, {}},
        Row{"everyChannel",
            {0x90, 0,  1, 0x91, 1,  1, 0x92, 2,  1, 0x93, 3,   1, 0x94, 4,  1, 0x95, 5,  1,
             0x96, 6,  1, 0x97, 7,  1, 0x98, 8,  1, 0x99, 9,   1, 0x9A, 10, 1, 0x9B, 11, 1,
             0x9C, 12, 1, 0x9D, 13, 1, 0x9E, 14, 1, 0x9F, 127, 1},
            {msg(0x90, 0, 0), msg(0x91, 1, 0), msg(0x92, 2, 0), msg(0x93, 3, 0), msg(0x94, 4, 0),
             msg(0x95, 5, 0), msg(0x96, 6, 0), msg(0x97, 7, 0), msg(0x98, 8, 0), msg(0x99, 9, 0),
             msg(0x9A, 10, 0), msg(0x9B, 11, 0), msg(0x9C, 12, 0), msg(0x9D, 13, 0),
             msg(0x9E, 14, 0), msg(0x9F, 127, 0)}},
        Row{"otherMessagesPass", {0xA0, 60, 10, 0xC0, 5, 0xE0, 0, 64, 0xFE, 0xB0, 7, 100}, {}}),
    [](const testing::TestParamInfo<Row>& row) { return row.param.name; });

TEST(NoteTracker, PanicStopsEveryChannel)
{
    const Messages panic = midi::NoteTracker::panic();
    ASSERT_EQ(panic.size(), 48U);
    for (std::uint32_t channel = 0; channel < 16; ++channel) {
        EXPECT_THAT(Messages(panic.begin() + 3 * channel, panic.begin() + 3 * channel + 3),
                    testing::ElementsAre(msg(0xB0 | channel, 120, 0), msg(0xB0 | channel, 123, 0),
                                         msg(0xB0 | channel, 64, 0)));
    }
}

// Records what it is played.
class Recorder final : public midi::MidiOutput {
public:
    void play(std::uint32_t message) override { played.push_back(message); }
    Messages played;
};

// Many senders at one output: each one's notes are its own; a sender gone silent after Active
// Sensing loses its notes alone, one still sensing or never sensing keeps them; a switch of output
// releases everything on the output it was played on.
TEST(MidiOutputSlotNotes, ReleasesPerSenderOnSilenceAndOnTheOutputTheyWerePlayedOn)
{
    using namespace std::chrono_literals;
    const auto start = midi::MidiOutputSlot::Clock::now();
    midi::MidiOutputSlot slot;
    auto first = std::make_shared<Recorder>();
    slot.replace(first);
    slot.play(1, 0xFE, start);
    slot.play(1, msg(0x90, 60, 100), start);
    slot.play(2, 0xFE, start);
    slot.play(2, msg(0x90, 62, 100), start);
    slot.play(3, msg(0x90, 64, 100), start);
    slot.play(2, 0xFE, start + 250ms);  // still there
    first->played.clear();

    EXPECT_EQ(slot.releaseSilentSources(start + 299ms), 0U);
    EXPECT_EQ(slot.releaseSilentSources(start + 300ms), 1U);
    EXPECT_EQ(first->played, Messages{msg(0x90, 60, 0)});
    EXPECT_EQ(slot.releaseSilentSources(start + 2s), 1U);  // 2 went silent too; 3 never sensed
    EXPECT_EQ(slot.releaseSilentSources(start + 3s), 0U);

    first->played.clear();
    slot.replace(std::make_shared<Recorder>());
    EXPECT_EQ(first->played, Messages{msg(0x90, 64, 0)});
}

}  // namespace
