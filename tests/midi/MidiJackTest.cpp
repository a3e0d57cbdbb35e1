// The device lists on a real JACK server on the dummy driver. What flows
// through the ports is tested through the window (tests/app/MidiWindowTest).
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midi/MidiDevices.h"
#include "midi/MidiPort.h"
#include "tests/support/JackTest.h"

namespace {

void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

class MidiJackTest : public testsupport::JackTest {};

TEST_F(MidiJackTest, ListsOurVirtualPortsFirstAndNeverOurPortsAmongTheSystems)
{
    const midi::MidiDevices devices{midi::MidiBackend::Jack};
    RtMidiOut keys(RtMidi::UNIX_JACK, "Keys");
    keys.setErrorCallback(&ignoreRtMidiError);
    keys.openVirtualPort("keys");
    RtMidiIn sound(RtMidi::UNIX_JACK, "Sound");
    sound.setErrorCallback(&ignoreRtMidiError);
    sound.openVirtualPort("sound");

    const auto input = devices.openInput(midi::MidiDevices::defaultDevice, [] {});
    const auto output = devices.openOutput(1);
    ASSERT_NE(input, nullptr);
    ASSERT_NE(output, nullptr);

    const std::vector<std::string> inputs = devices.inputLines();
    ASSERT_FALSE(inputs.empty());
    EXPECT_EQ(inputs[0], "Mirevo MIDI In (virtual port)");
    EXPECT_NE(std::ranges::find(inputs, "Keys:keys"), inputs.end());

    const std::vector<std::string> outputs = devices.outputLines();
    ASSERT_GE(outputs.size(), 2u);
    EXPECT_EQ(outputs[0], "Built-in synthesizer");
    EXPECT_EQ(outputs[1], "Mirevo MIDI Out (virtual port)");
    EXPECT_NE(std::ranges::find(outputs, "Sound:sound"), outputs.end());

    for (const auto& lines : {inputs, outputs}) {
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_FALSE(midi::isOwnPortName(lines[i])) << lines[i];
        }
    }
    EXPECT_EQ(devices.openInput(static_cast<int>(inputs.size()), [] {}), nullptr);
    EXPECT_EQ(devices.openOutput(static_cast<int>(outputs.size())), nullptr);
}

}  // namespace
