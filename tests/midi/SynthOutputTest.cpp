// Why the built-in synthesizer did not open, as its line in the selection
// window says. What it plays is heard through JACK in tests/app.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "midi/MidiDevices.h"

namespace {

struct SynthLineRow {
    std::string name;
    midi::SynthOptions options;
    std::string line;
};

class SynthLineTest : public testing::TestWithParam<SynthLineRow> {};

TEST_P(SynthLineTest, TheSynthesizersLineSaysWhyItDidNotOpen)
{
    midi::MidiDevices devices(midi::MidiBackend::None, GetParam().options);
    EXPECT_EQ(midi::lineNames(devices.outputs()), std::vector<std::string>{"Built-in synthesizer"});
    std::promise<void> ended;
    const auto loader = devices.loadSynthesizer([&ended](auto) { ended.set_value(); });
    ASSERT_EQ(ended.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(loader->take(), nullptr);
    EXPECT_EQ(midi::lineNames(devices.outputs()), std::vector<std::string>{GetParam().line});
}

std::string notASoundFont()
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("mirevo-not-a-soundfont-" + std::to_string(::getpid()));
    std::ofstream(path) << "RIFF but not really";
    return path.string();
}

INSTANTIATE_TEST_SUITE_P(
    Problems, SynthLineTest,
    testing::Values(SynthLineRow{"noAudioOutput", midi::SynthOptions{.audioOutputs = {}},
                                 "Built-in synthesizer (no audio output)"},
                    SynthLineRow{"noSoundFont",
                                 midi::SynthOptions{.soundFonts = {"/nonexistent/default-GM.sf2",
                                                                   notASoundFont(), "/tmp"}},
                                 "Built-in synthesizer (no SoundFont)"}),
    [](const testing::TestParamInfo<SynthLineRow>& row) { return row.param.name; });

}  // namespace
