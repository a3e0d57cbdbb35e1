#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "midi/MessageQueue.h"
#include "midi/MidiOutput.h"
#include "midi/SynthOptions.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace midi {

class JackAudioOutput;

// The built-in synthesizer: FluidSynth playing a General MIDI SoundFont on
// the first audio output of SynthOptions::audioOutputs that opens.
//
// play() only queues: a feeder thread of the synthesizer's own hands the
// messages to FluidSynth in their order, so whoever plays never waits for
// it. The SoundFont's samples load on demand: a program's when it is first
// chosen, by a Program Change or, for a channel that had none, by its first
// note (channel 1's piano loads with the SoundFont). Until a program's
// samples are in, the feeder waits for them and the messages behind it wait
// in the queue; when the queue is full, further messages are dropped.
class SynthOutput final : public MidiOutput {
public:
    enum class Problem : std::uint8_t {
        None,
        NoSoundFont,    // none of the SoundFonts is there or loads
        NoAudioOutput,  // none of the audio outputs opens
        Cancelled,      // given up on request
    };

    struct Opened {
        std::unique_ptr<SynthOutput> output;  // nothing unless problem is None
        Problem problem = Problem::None;
    };

    // Opens the audio output and loads the SoundFont, which takes as long as
    // it takes: call it where nobody waits for it. Gives up soon after
    // `cancel` is set.
    [[nodiscard]] static Opened open(const SynthOptions& options, const std::atomic<bool>& cancel);

    // Stops the feeder (a sample load in progress is given up), then the
    // audio output.
    ~SynthOutput() override;

    // Queues the message for the feeder. Channel messages are played;
    // System Reset resets the synthesizer; other system messages mean
    // nothing to it and are dropped.
    void play(std::uint32_t message) override;
    // The JACK server it played on went away.
    [[nodiscard]] bool lost() const noexcept override;

    [[nodiscard]] const std::string& soundFont() const noexcept { return soundFont_; }
    [[nodiscard]] AudioOutput audioOutput() const noexcept { return audioOutput_; }
    // Messages dropped because the queue was full.
    [[nodiscard]] std::uint64_t droppedCount() const noexcept { return queue_.overflowCount(); }

private:
    // A few seconds of a dense performance; the feeder rarely lags at all.
    static constexpr std::size_t kQueuedMessages = 8192;

    SynthOutput() = default;

    bool makeSynth(double sampleRate);
    bool openAudio(const SynthOptions& options, const std::atomic<bool>& cancel);
    bool loadSoundFont(const std::vector<std::string>& soundFonts, const std::atomic<bool>& cancel);
    void feed();
    void apply(std::uint32_t message);
    void chooseProgramOnce(int channel);

    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    std::unique_ptr<JackAudioOutput> jack_;
    _fluid_audio_driver_t* driver_ = nullptr;
    AudioOutput audioOutput_ = AudioOutput::Jack;
    std::string soundFont_;

    // Whether each channel has had its program chosen. The feeder's alone
    // once it runs.
    std::array<bool, 16> programChosen_{};
    // play() may be called from several threads at once; the queue takes
    // one at a time.
    std::mutex pushMutex_;
    // Messages played and not yet handed to FluidSynth.
    MessageQueue queue_{kQueuedMessages};
    std::counting_semaphore<> wake_{0};
    std::atomic<bool> closing_{false};
    std::thread feeder_;
};

}  // namespace midi
