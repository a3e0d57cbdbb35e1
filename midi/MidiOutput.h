#pragma once

#include <cstdint>

namespace midi {

// Somewhere to play MIDI short messages: a port of the system, our own
// virtual port, or the built-in synthesizer. play() may be called from any
// thread, also from two at once; a message that is not a playable short
// message is dropped.
class MidiOutput {
public:
    MidiOutput() = default;
    virtual ~MidiOutput() = default;
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;
    MidiOutput(MidiOutput&&) = delete;
    MidiOutput& operator=(MidiOutput&&) = delete;

    virtual void play(std::uint32_t message) = 0;
};

}  // namespace midi
