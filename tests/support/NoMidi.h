#pragma once

#include "midi/MidiDevices.h"

namespace testing_support {

// A MIDI system with no devices at all: no ports, and a built-in synthesizer without a SoundFont or
// audio output, so every opening fails at once.
inline midi::MidiDevices& noMidi()
{
    static midi::MidiDevices devices(midi::MidiBackend::None,
                                     midi::SynthOptions{.soundFonts = {}, .audioOutputs = {}});
    return devices;
}

}  // namespace testing_support
