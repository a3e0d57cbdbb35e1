#pragma once

#include <string>
#include <vector>

namespace midi {

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
    // Play through the default audio output. Without it nothing is heard
    // and the sound is pulled with SynthOutput::render() instead.
    bool audio = true;
    double sampleRate = 48000.0;
};

}  // namespace midi
