#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiBackend.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "midi/SynthLoader.h"
#include "midi/SynthOptions.h"
#include "midi/SynthOutput.h"

namespace midi {

// The MIDI devices to choose from, numbered by their line in the selection
// window's list.
//
// Input lines: 0 is Mirevo's own virtual input port ("MIDI In", which other
// programs connect to), then the system's ports Mirevo can read from.
// Output lines: 0 is the built-in synthesizer, 1 Mirevo's own virtual output
// port ("MIDI Out"), then the system's ports Mirevo can write to. Mirevo's
// own ports are never listed among the system's. The default device (-1) is
// the virtual input port for input and the built-in synthesizer for output.
// Without a MIDI system there are no virtual ports: the input list is empty
// and the output list holds the synthesizer alone. The synthesizer's line
// says why it did not open the last time it was tried, if it did not.
//
// The system's ports come and go; a line number means the port on that line
// of the list as it is when opened.
//
// GUI thread only (listing and opening may take a few milliseconds).
class MidiDevices {
public:
    static constexpr int defaultDevice = -1;

    // Uses the ALSA sequencer when it can be opened, else a running JACK
    // server, else no MIDI system.
    MidiDevices();
    // Uses the given MIDI system and synthesizer options (tests).
    explicit MidiDevices(MidiBackend backend, SynthOptions synth = {});

    [[nodiscard]] MidiBackend backend() const noexcept { return backend_; }

    // One name per line, in line order.
    [[nodiscard]] std::vector<std::string> inputLines() const;
    [[nodiscard]] std::vector<std::string> outputLines() const;

    // Nothing when the line does not exist or the device cannot be opened.
    // See MidiInput for what notify must do. The synthesizer, which takes a
    // while to load, is not opened here but by loadSynthesizer().
    [[nodiscard]] std::unique_ptr<MidiInput> openInput(int line, MidiInput::Notify notify) const;
    [[nodiscard]] std::shared_ptr<MidiOutput> openOutput(int line) const;

    // Whether an output line (or the default output) is the synthesizer.
    [[nodiscard]] static bool isSynthesizer(int line) noexcept
    {
        return line == defaultDevice || line == 0;
    }
    // Starts loading the synthesizer on a thread of its own (SynthLoader).
    [[nodiscard]] std::unique_ptr<SynthLoader> loadSynthesizer(SynthLoader::Ready ready) const;

private:
    MidiBackend backend_ = MidiBackend::None;
    SynthOptions synth_;
    // What kept the synthesizer from opening the last time; shared with the
    // loading threads, which may end after these devices.
    std::shared_ptr<std::atomic<SynthOutput::Problem>> synthProblem_ =
        std::make_shared<std::atomic<SynthOutput::Problem>>(SynthOutput::Problem::None);
};

}  // namespace midi
