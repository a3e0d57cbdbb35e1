#include "midi/MidiDevices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
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
                    PortNameRow{"otherClient", "a2j:MIDI In", false},
                    PortNameRow{"clientPrefixOnly", "MirevoX:MIDI In", false},
                    PortNameRow{"clientBadSuffix", "Mirevo-x:MIDI In", false},
                    PortNameRow{"portNamePrefix", "Mirevo:MIDI Input", false},
                    PortNameRow{"alsaBadNumbers", "Mirevo:MIDI In 12x:0", false},
                    PortNameRow{"noClient", "MIDI In", false}, PortNameRow{"empty", "", false}),
    [](const testing::TestParamInfo<PortNameRow>& row) { return row.param.name; });

struct SynthLineRow {
    std::string name;
    midi::SynthOptions options;
    std::string line;
};

class SynthLineTest : public testing::TestWithParam<SynthLineRow> {};

TEST_P(SynthLineTest, TheSynthesizersLineSaysWhyItDidNotOpen)
{
    const midi::MidiDevices devices(midi::MidiBackend::None, GetParam().options);
    EXPECT_EQ(devices.outputLines(), std::vector<std::string>{"Built-in synthesizer"});
    std::promise<void> ended;
    const auto loader = devices.loadSynthesizer([&ended](auto) { ended.set_value(); });
    ASSERT_EQ(ended.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(loader->take(), nullptr);
    EXPECT_EQ(devices.outputLines(), std::vector<std::string>{GetParam().line});
}

INSTANTIATE_TEST_SUITE_P(
    Problems, SynthLineTest,
    testing::Values(SynthLineRow{"noAudioOutput", midi::SynthOptions{.audioOutputs = {}},
                                 "Built-in synthesizer (no audio output)"},
                    SynthLineRow{"noSoundFont", midi::SynthOptions{.soundFonts = {}},
                                 "Built-in synthesizer (no SoundFont)"}),
    [](const testing::TestParamInfo<SynthLineRow>& row) { return row.param.name; });

}  // namespace
