#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midi/MidiDeviceEntry.h"

namespace midi {
class MidiDevices;
}  // namespace midi

namespace peer {

// Which MIDI device to open at start.
struct DeviceChoice {
    enum class Kind : std::uint8_t {
        Default,      // what the window opens: our "MIDI In"; the built-in synthesizer
        OwnPort,      // our "MIDI In" / "MIDI Out", for others to connect to
        Synthesizer,  // the built-in synthesizer (output only)
        None,         // nothing
        Line,         // the device listed with this line
    };

    Kind kind{Kind::Default};
    std::string line;  // Kind::Line
};

// What a choice comes to among the devices listed now.
struct ChosenDevice {
    enum class Status : std::uint8_t {
        Open,     // open `entry`
        Nothing,  // open nothing
        Unknown,  // no device is listed with that line
    };

    Status status{Status::Nothing};
    midi::MidiDeviceEntry entry;
};

// The input or output a choice names, looked up in a fresh listing.
[[nodiscard]] ChosenDevice chooseInput(midi::MidiDevices& devices, const DeviceChoice& choice);
[[nodiscard]] ChosenDevice chooseOutput(midi::MidiDevices& devices, const DeviceChoice& choice);

}  // namespace peer
