#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace midi {

// Where the built-in synthesizer's sound can go.
enum class AudioOutput : std::uint8_t {
    Jack,        // a running JACK server (also PipeWire's JACK service); never started
    PulseAudio,  // a PulseAudio server, or PipeWire's Pulse service
    Alsa,        // ALSA's "default" device
};

// How the built-in synthesizer is made.
struct SynthOptions {
    // General MIDI SoundFonts to try, in order; the first that loads is used.
    // FluidR3_GM sounds best of the ones Debian packages, so it comes first.
    std::vector<std::string> soundFonts = {
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",     "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",       "/usr/share/sounds/sf3/default-GM.sf3",
        "/usr/share/sounds/sf3/FluidR3Mono_GM.sf3", "/usr/share/sounds/sf3/MuseScore_General.sf3",
        "/usr/share/soundfonts/FluidR3_GM.sf2",     "/usr/share/soundfonts/default.sf2",
        "/usr/share/soundfonts/FluidR3_GM.sf3",     "/usr/local/share/soundfonts/default.sf2",
    };
    // Audio outputs to try, in order, until one opens. Empty: none, so the
    // synthesizer never opens.
    std::vector<AudioOutput> audioOutputs = {AudioOutput::Jack, AudioOutput::PulseAudio,
                                             AudioOutput::Alsa};
    // The synthesizer's own client on a JACK server.
    std::string jackClientName = "Mirevo Synth";
    // Called on JACK's thread when the server it plays on goes away; must
    // be quick. The synthesizer then says lost().
    std::function<void()> jackLost{};
    // Where the output lets us choose (JACK runs at its own rate).
    double sampleRate = 48000.0;
};

}  // namespace midi
