#pragma once

#include <cstdint>

namespace midi {

// Somewhere to play MIDI short messages: our own "MIDI Out" port (wired to
// another program's port or not), or the built-in synthesizer. play() may
// be called from any thread, also from two at once; a message that is not a
// playable short message is dropped.
class MidiOutput {
public:
    MidiOutput() = default;
    virtual ~MidiOutput() = default;
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;
    MidiOutput(MidiOutput&&) = delete;
    MidiOutput& operator=(MidiOutput&&) = delete;

    virtual void play(std::uint32_t message) = 0;

    // Called once on the front end's thread when the device is taken out of use
    // (a play already under way may still finish): undoes what opening it
    // did outside this object, such as a connection to another program.
    virtual void release() {}

    // Whether the MIDI system the device lives in went away (the JACK server
    // stopped): nothing it plays is heard any more.
    [[nodiscard]] virtual bool lost() const noexcept { return false; }
};

}  // namespace midi
