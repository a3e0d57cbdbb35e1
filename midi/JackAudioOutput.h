#pragma once

#include <jack/types.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct _jack_client;
struct _jack_port;
struct _fluid_synth_t;

namespace midi {

// The built-in synthesizer's own client on a running JACK server: two audio
// output ports, "left" and "right", which JACK's process callback fills
// from the synthesizer. Once started they are connected to the system's
// playback ports, so the sound is heard at once and can be rewired.
class JackAudioOutput {
public:
    // Nothing when no JACK server is running: none is ever started. `lost`
    // is called on JACK's thread should the server go away.
    [[nodiscard]] static std::unique_ptr<JackAudioOutput> open(const std::string& clientName,
                                                               std::function<void()> lost);

    // Closes the client; JACK calls the process callback no more after it.
    ~JackAudioOutput();
    JackAudioOutput(const JackAudioOutput&) = delete;
    JackAudioOutput& operator=(const JackAudioOutput&) = delete;
    JackAudioOutput(JackAudioOutput&&) = delete;
    JackAudioOutput& operator=(JackAudioOutput&&) = delete;

    // The server's rate, which the synthesizer must be made for.
    [[nodiscard]] double sampleRate() const noexcept;

    // The server went away: nothing plays any more, and the client waits
    // to be closed (on the thread that closes the MIDI system's clients,
    // before any new client is opened).
    [[nodiscard]] bool lost() const noexcept { return !alive_.load(); }

    // Plays the synthesizer from the next cycle on and connects the ports.
    // False when the server refuses to run the client.
    [[nodiscard]] bool start(_fluid_synth_t* synth);

private:
    JackAudioOutput() = default;

    // JACK's process callback: renders the synthesizer into the ports'
    // buffers. FluidSynth's rendering takes no lock and allocates nothing;
    // messages reach it through its own lock-free queue.
    static int process(std::uint32_t frames, void* self);
    static void shutdown(jack_status_t code, const char* reason, void* self);

    _jack_client* client_ = nullptr;
    std::array<_jack_port*, 2> ports_{};
    std::atomic<_fluid_synth_t*> synth_{nullptr};
    std::function<void()> lost_;
    std::atomic<bool> alive_{true};
};

}  // namespace midi
