#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midi/MidiBackend.h"
#include "midi/MidiPort.h"

namespace midi {

// One line of the device selection window, as it was when listed: opening
// it opens that device (found again by its names) or nothing, whatever
// came or went in the MIDI system meanwhile.
struct MidiDeviceEntry {
    enum class Kind : std::uint8_t {
        OwnPort,      // our "MIDI In" or "MIDI Out": other programs connect to it
        Synthesizer,  // the built-in synthesizer (output only)
        Port,         // a port of another program or device
    };

    Kind kind{Kind::OwnPort};
    MidiBackend system{MidiBackend::None};  // where it was listed
    MidiPort port;                          // Kind::Port: which
    std::string name;                       // the line shown
};

// The lines to show, in order.
[[nodiscard]] inline std::vector<std::string> lineNames(const std::vector<MidiDeviceEntry>& lines)
{
    std::vector<std::string> names;
    names.reserve(lines.size());
    for (const MidiDeviceEntry& line : lines) {
        names.push_back(line.name);
    }
    return names;
}

}  // namespace midi
