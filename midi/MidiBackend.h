#pragma once

#include <cstdint>

namespace midi {

// The MIDI system our ports live in.
enum class MidiBackend : std::uint8_t {
    None,  // neither is available: only the built-in synthesizer works
    Alsa,  // the ALSA sequencer
    Jack,  // a running JACK server
};

// The ALSA sequencer when its device can be opened, otherwise a JACK server
// that is running (none is ever started for us), otherwise none.
[[nodiscard]] MidiBackend detectMidiBackend();

// Keeps the JACK client library from printing its own complaints (a server
// that is not running, say) on the console. Called before we talk to JACK.
void silenceJackMessages();

}  // namespace midi
