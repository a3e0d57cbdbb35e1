#include "midi/MidiDevices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/MidiPort.h"

namespace {

struct PortNameRow {
    std::string name;
    std::string port;
    bool own{};
};

class OwnPortNameTest : public testing::TestWithParam<PortNameRow> {};

TEST_P(OwnPortNameTest, RecognisesOurPortsAsTheMidiSystemNamesThem)
{
    EXPECT_EQ(midi::isOwnPortName(GetParam().port), GetParam().own);
}

INSTANTIATE_TEST_SUITE_P(
    Names, OwnPortNameTest,
    testing::Values(PortNameRow{"jackInput", "Mirevo:MIDI In", true},
                    PortNameRow{"jackOutput", "Mirevo:MIDI Out", true},
                    PortNameRow{"jackRenamedClient", "Mirevo-01:MIDI Out", true},
                    PortNameRow{"alsaInput", "Mirevo:MIDI In 129:0", true},
                    PortNameRow{"alsaOutput", "Mirevo:MIDI Out 130:0", true},
                    PortNameRow{"otherClient", "a2j:MIDI In", false},
                    PortNameRow{"clientPrefixOnly", "MirevoX:MIDI In", false},
                    PortNameRow{"clientBadSuffix", "Mirevo-x:MIDI In", false},
                    PortNameRow{"otherPortOfOurName", "Mirevo:Synth", false},
                    PortNameRow{"portNamePrefix", "Mirevo:MIDI Input", false},
                    PortNameRow{"alsaBadNumbers", "Mirevo:MIDI In 12x:0", false},
                    PortNameRow{"noClient", "MIDI In", false}, PortNameRow{"empty", "", false}),
    [](const testing::TestParamInfo<PortNameRow>& row) { return row.param.name; });

// No MIDI system at all: no virtual ports, the synthesizer is the only
// output line and nothing else opens.
TEST(MidiDevicesTest, WithoutMidiSystemOnlyTheSynthesizerIsListed)
{
    midi::SynthOptions noSoundFont;
    noSoundFont.soundFonts = {};
    noSoundFont.audio = false;
    const midi::MidiDevices devices(midi::MidiBackend::None, noSoundFont);

    EXPECT_TRUE(devices.inputLines().empty());
    EXPECT_EQ(devices.outputLines(), std::vector<std::string>{"Built-in synthesizer"});
    EXPECT_EQ(devices.openInput(midi::MidiDevices::defaultDevice, [] {}), nullptr);
    EXPECT_EQ(devices.openInput(0, [] {}), nullptr);
    EXPECT_EQ(devices.openOutput(1), nullptr);
    EXPECT_EQ(devices.openOutput(-2), nullptr);
    // The synthesizer without a SoundFont fails like any device.
    EXPECT_EQ(devices.openOutput(midi::MidiDevices::defaultDevice), nullptr);
}

TEST(MidiDevicesTest, DefaultSynthesizerLineOpensTheSynthesizer)
{
    midi::SynthOptions offline;
    offline.audio = false;
    const midi::MidiDevices devices(midi::MidiBackend::None, offline);
    if (!devices.openOutput(0)) {
        GTEST_SKIP() << "no General MIDI SoundFont installed (Debian: timgm6mb-soundfont)";
    }
    EXPECT_NE(devices.openOutput(midi::MidiDevices::defaultDevice), nullptr);
}

}  // namespace
