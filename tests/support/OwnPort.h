#pragma once

#include <rtmidi/RtMidi.h>

#include <optional>
#include <string>

#include "midi/MidiPort.h"

namespace testing_support {

// Where Mirevo's own port of this name ("MIDI In", "MIDI Out") is in the
// port list of another program's RtMidi object.
inline std::optional<unsigned> ownPort(RtMidi& midi, const char* portName)
{
    for (unsigned i = 0; i < midi.getPortCount(); ++i) {
        const std::string name = midi.getPortName(i);
        if (midi::isOwnPortName(name) && name.ends_with(std::string(":") + portName)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace testing_support
