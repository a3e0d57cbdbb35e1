// The ALSA sequencer's side of the MIDI devices without a device (none here): events decoded into
// short messages and back, which ports are listed, and how a listed port is found again.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midi/AlsaEvents.h"
#include "midi/MidiPort.h"

namespace {

using midi::MidiPort;
using enum midi::PortDirection;
using Messages = std::vector<std::uint32_t>;

snd_seq_event_t control(snd_seq_event_type_t type, unsigned param, int value)
{
    snd_seq_event_t e{};
    e.type = type;
    e.data.control.channel = 1;
    e.data.control.param = param;
    e.data.control.value = value;
    return e;
}

// Events that are more than one message or carry shifted values (channel 2).
struct DecodeRow {
    std::string name;
    snd_seq_event_t event;
    Messages messages;
};

class DecodeTest : public testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeTest, AnEventBecomesTheShortMessagesItStandsFor)
{
    const midi::SequencerMessages decoded = midi::decodeSequencerEvent(GetParam().event);
    EXPECT_EQ(Messages(decoded.view().begin(), decoded.view().end()), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Events, DecodeTest,
    testing::Values(
        // A 14-bit controller: its MSB, then its LSB on the controller 32 above.
        DecodeRow{
            "control14", control(SND_SEQ_EVENT_CONTROL14, 7, (100 << 7) | 5), {0x6407B1, 0x0527B1}},
        DecodeRow{
            "control14OnAnLsbController", control(SND_SEQ_EVENT_CONTROL14, 40, 0x1FF), {0x7F28B1}},
        DecodeRow{"nonRegisteredParameter",
                  control(SND_SEQ_EVENT_NONREGPARAM, (0x12 << 7) | 0x34, (0x56 << 7) | 0x78),
                  {0x1263B1, 0x3462B1, 0x5606B1, 0x7826B1}},
        DecodeRow{"registeredParameter",
                  control(SND_SEQ_EVENT_REGPARAM, 0, 2 << 7),
                  {0x0065B1, 0x0064B1, 0x0206B1, 0x0026B1}},
        DecodeRow{"pitchBendCentre", control(SND_SEQ_EVENT_PITCHBEND, 0, 0), {0x4000E1}},
        DecodeRow{"sysEx", control(SND_SEQ_EVENT_SYSEX, 0, 0), {}}),
    [](const testing::TestParamInfo<DecodeRow>& row) { return row.param.name; });

// Every kind of playable message goes out as an event that reads back as the same message.
TEST(EncodeTest, PlayableMessagesReadBackUnchanged)
{
    for (const std::uint32_t message :
         {0x643C92u, 0x403C80u, 0x0201AFu, 0x6407B3u, 0x05C9u, 0x5AD4u, 0x7F7FE1u, 0x0000E0u,
          0x0304F2u, 0x23F1u, 0x09F3u, 0xF6u, 0xF8u, 0xFAu, 0xFBu, 0xFCu, 0xFEu, 0xFFu}) {
        snd_seq_event_t encoded{};
        ASSERT_TRUE(midi::encodeSequencerEvent(message, encoded)) << std::hex << message;
        const midi::SequencerMessages decoded = midi::decodeSequencerEvent(encoded);
        EXPECT_EQ(Messages(decoded.view().begin(), decoded.view().end()), Messages{message});
    }
    snd_seq_event_t refused{};
    EXPECT_FALSE(midi::encodeSequencerEvent(0x7EF0, refused));  // System Exclusive
    EXPECT_FALSE(midi::encodeSequencerEvent(0x3C, refused));    // no status
}

constexpr int kOwnClient = 128;
constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
constexpr unsigned kMidi = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE;

struct PortRow {
    std::string name;
    midi::SequencerPort port;
    midi::PortDirection direction;
    bool listed;
};

class ListedPortTest : public testing::TestWithParam<PortRow> {};

TEST_P(ListedPortTest, ListsOtherClientsMidiPortsOpenToSubscribers)
{
    const PortRow& row = GetParam();
    EXPECT_EQ(midi::isListablePort(row.port, kOwnClient, row.direction), row.listed);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, ListedPortTest,
    testing::Values(
        PortRow{"keyboard", {24, 0, kReadable | kWritable, kMidi}, Source, true},
        PortRow{"synthesizer", {129, 0, kWritable, SND_SEQ_PORT_TYPE_SYNTH}, Destination, true},
        PortRow{"readOnlyAsDestination", {24, 0, kReadable, kMidi}, Destination, false},
        PortRow{"ours", {kOwnClient, 0, kReadable, kMidi}, Source, false},
        PortRow{"systemAnnounce", {0, 1, kReadable, kMidi}, Source, false},
        PortRow{"hidden", {24, 0, kReadable | SND_SEQ_PORT_CAP_NO_EXPORT, kMidi}, Source, false},
        PortRow{"notMidi", {24, 0, kReadable, SND_SEQ_PORT_TYPE_SPECIFIC}, Source, false}),
    [](const testing::TestParamInfo<PortRow>& row) { return row.param.name; });

// Two identical keyboards, and a listed port looked for again.
struct FindRow {
    std::string name;
    MidiPort wanted;
    std::optional<MidiPort> found;
};

const MidiPort kFirstKeys{"Keys", "Keys MIDI 1", 24, 0};
const MidiPort kSecondKeys{"Keys", "Keys MIDI 1", 28, 0};

class FindPortTest : public testing::TestWithParam<FindRow> {};

TEST_P(FindPortTest, FindsTheListedPortByItsNames)
{
    const std::vector<MidiPort> now{kFirstKeys, kSecondKeys};
    const MidiPort* found = midi::findPort(now, GetParam().wanted);
    EXPECT_EQ(found != nullptr ? std::optional(*found) : std::nullopt, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Listings, FindPortTest,
    testing::Values(FindRow{"sameNumbers", kSecondKeys, kSecondKeys},
                    FindRow{"renumbered", MidiPort{"Keys", "Keys MIDI 1", 30, 0}, kFirstKeys},
                    FindRow{"otherPortOfTheClient", MidiPort{"Keys", "Keys MIDI 2", 24, 1},
                            std::nullopt}),
    [](const testing::TestParamInfo<FindRow>& row) { return row.param.name; });

}  // namespace
