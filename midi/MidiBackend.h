#pragma once

#include <cstdint>

namespace midi {

// A MIDI system our client can live in.
enum class MidiBackend : std::uint8_t {
    None,  // neither is available: only the built-in synthesizer works
    Alsa,  // the ALSA sequencer
    Jack,  // a running JACK server (none is ever started for us)
};

}  // namespace midi
