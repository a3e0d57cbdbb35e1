// What the synthesizer plays is heard through JACK in tests/app/MidiWindowTest.
#include "midi/SynthOutput.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using midi::SynthOutput;

TEST(SynthOutputOpenTest, NoUsableSoundFontSaysSo)
{
    const std::filesystem::path notASoundFont =
        std::filesystem::temp_directory_path() /
        ("mirevo-not-a-soundfont-" + std::to_string(::getpid()) + ".sf2");
    {
        std::ofstream out(notASoundFont);
        out << "RIFF but not really";
    }
    midi::SynthOptions options;
    options.soundFonts = {"/nonexistent/default-GM.sf2", notASoundFont.string(),
                          std::filesystem::temp_directory_path().string()};
    const std::atomic<bool> cancel{false};
    const SynthOutput::Opened opened = SynthOutput::open(options, cancel);
    EXPECT_EQ(opened.output, nullptr);
    EXPECT_EQ(opened.problem, SynthOutput::Problem::NoSoundFont);
    std::filesystem::remove(notASoundFont);
}

}  // namespace
