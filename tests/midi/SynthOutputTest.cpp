#include "midi/SynthOutput.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using midi::SynthOptions;
using midi::SynthOutput;

constexpr double kRate = 48000.0;
constexpr std::size_t kBlock = 4800;  // 0.1 s
constexpr double kSilence = 1e-5;
constexpr double kSound = 1e-3;

class SynthOutputTest : public testing::Test {
protected:
    void SetUp() override
    {
        SynthOptions options;
        options.audio = false;
        options.sampleRate = kRate;
        synth_ = SynthOutput::open(options);
        if (!synth_) {
            GTEST_SKIP() << "no General MIDI SoundFont installed (Debian: timgm6mb-soundfont)";
        }
    }

    // Root mean square of the next block, both channels.
    double nextBlockRms()
    {
        std::vector<float> left(kBlock);
        std::vector<float> right(kBlock);
        EXPECT_TRUE(synth_->render(left, right));
        double sum = 0;
        for (std::size_t i = 0; i < kBlock; ++i) {
            sum += double(left[i]) * left[i] + double(right[i]) * right[i];
        }
        return std::sqrt(sum / (2.0 * kBlock));
    }

    // Renders until a block is silent; false if that takes more than ten
    // seconds of sound.
    bool renderUntilSilent()
    {
        for (int block = 0; block < 100; ++block) {
            if (nextBlockRms() < kSilence) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<SynthOutput> synth_;
};

struct NoteRow {
    std::string name;
    std::uint32_t noteOn{};
    std::uint32_t noteOff{};
};

class SynthNoteTest : public SynthOutputTest, public testing::WithParamInterface<NoteRow> {};

TEST_P(SynthNoteTest, SoundsFromNoteOnUntilReleased)
{
    EXPECT_LT(nextBlockRms(), kSilence);
    synth_->play(GetParam().noteOn);
    EXPECT_GT(nextBlockRms(), kSound);
    synth_->play(GetParam().noteOff);
    EXPECT_TRUE(renderUntilSilent());
}

INSTANTIATE_TEST_SUITE_P(Notes, SynthNoteTest,
                         testing::Values(NoteRow{"keyboardPressAndRelease", 0x007F3C90u,
                                                 0x00003C90u},
                                         NoteRow{"noteOff", 0x00643C90u, 0x00403C80u}),
                         [](const testing::TestParamInfo<NoteRow>& row) { return row.param.name; });

TEST(SynthOutputOpenTest, NoUsableSoundFontFailsCleanly)
{
    const std::filesystem::path notASoundFont =
        std::filesystem::temp_directory_path() /
        ("mirevo-not-a-soundfont-" + std::to_string(::getpid()) + ".sf2");
    {
        std::ofstream out(notASoundFont);
        out << "RIFF but not really";
    }
    SynthOptions options;
    options.audio = false;
    options.soundFonts = {"/nonexistent/default-GM.sf2", notASoundFont.string(),
                          std::filesystem::temp_directory_path().string()};
    EXPECT_EQ(SynthOutput::open(options), nullptr);
    std::filesystem::remove(notASoundFont);
}

}  // namespace
