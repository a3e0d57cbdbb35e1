#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "midi/MidiOutput.h"
#include "midi/SynthOptions.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace midi {

// The built-in synthesizer: FluidSynth playing a General MIDI SoundFont
// through the default audio output.
class SynthOutput final : public MidiOutput {
public:
    // Nothing when no SoundFont loads or, with options.audio, no audio
    // output can be opened.
    [[nodiscard]] static std::unique_ptr<SynthOutput> open(const SynthOptions& options);

    ~SynthOutput() override;

    // Plays channel messages; System Reset resets the synthesizer; other
    // system messages mean nothing to it and are dropped.
    void play(std::uint32_t message) override;

    // Renders the next left.size() frames into left and right (the same
    // size). Only for a synthesizer opened without audio: with audio the
    // audio output pulls the sound itself. False when it cannot render.
    [[nodiscard]] bool render(std::span<float> left, std::span<float> right);

    // The SoundFont in use.
    [[nodiscard]] const std::string& soundFont() const noexcept { return soundFont_; }

private:
    SynthOutput() = default;

    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_audio_driver_t* driver_ = nullptr;
    std::string soundFont_;
};

}  // namespace midi
