#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "midi/SynthOptions.h"
#include "midi/SynthOutput.h"

namespace midi {

// Opens the built-in synthesizer on a thread of its own, so that neither
// the window nor the receiver waits for its audio output and SoundFont.
// Going away gives the loading up: the thread ends within a slice of a
// SoundFont read, or once the audio output has answered.
class SynthLoader {
public:
    // Called on the loading thread once the loading has ended (not when it
    // was given up), with what kept the synthesizer from opening, if
    // anything. It must not wait for the thread that owns the loader.
    using Ready = std::function<void(SynthOutput::Problem)>;

    SynthLoader(SynthOptions options, Ready ready);
    ~SynthLoader();
    SynthLoader(const SynthLoader&) = delete;
    SynthLoader& operator=(const SynthLoader&) = delete;
    SynthLoader(SynthLoader&&) = delete;
    SynthLoader& operator=(SynthLoader&&) = delete;

    [[nodiscard]] bool finished() const noexcept { return finished_.load(); }

    // Once finished: the synthesizer, or nothing when it did not open (and
    // nothing on a second call).
    [[nodiscard]] std::unique_ptr<SynthOutput> take();

private:
    void load(const SynthOptions& options, const Ready& ready);

    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    std::unique_ptr<SynthOutput> output_;  // the thread's until finished
    std::thread thread_;                   // last: starts when all else is there
};

}  // namespace midi
