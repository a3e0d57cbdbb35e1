#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <jack/types.h>

#include "midi/MessageQueue.h"
#include "midi/MidiClient.h"

namespace midi {

// A client of this name in the running JACK server (none is ever started
// for us), or null. The JACK library's own complaints (no server running,
// say) are kept off the console.
[[nodiscard]] jack_client_t* openJackClient(const char* name);

// Our client in a running JACK server (none is ever started for us).
//
// The process callback is the only real-time code: each cycle it splits
// the events on "MIDI In" into short messages for the input gate, and
// writes the messages queued by send() to "MIDI Out", in order, at the
// cycle's start. Players serialise among themselves on a mutex, never with
// the callback.
//
// When the server goes away, JACK's shutdown callback only marks the
// client dead and calls `lost` (which must be quick; the window queues a
// call to itself); from then on nothing but the final close touches it.
class JackClient final : public MidiClient {
public:
    // Room for what the receivers play between two cycles.
    static constexpr std::size_t kOutputCapacity = 4096;

    // Nothing when no server runs or the client and its ports cannot be made.
    [[nodiscard]] static std::shared_ptr<JackClient> open(std::function<void()> lost);

    // Closes the client (its ports go with it), unless closeLost() did; the
    // callbacks have ended when it returns.
    ~JackClient() override;
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;
    JackClient(JackClient&&) = delete;
    JackClient& operator=(JackClient&&) = delete;

    [[nodiscard]] MidiBackend system() const noexcept override { return MidiBackend::Jack; }
    [[nodiscard]] bool alive() const noexcept override { return alive_.load(); }
    [[nodiscard]] std::string ownPortName(PortDirection direction) const override;
    [[nodiscard]] std::vector<MidiPort> ports(PortDirection direction) override;
    [[nodiscard]] Connection connect(PortDirection direction, const MidiPort& port) override;
    void disconnect(PortDirection direction, const MidiPort& port) override;
    void send(std::uint32_t message) override;
    void flush() override;
    void closeLost() override;

private:
    JackClient(jack_client_t* client, std::function<void()> lost);
    [[nodiscard]] bool start();
    [[nodiscard]] jack_port_t* ownPort(PortDirection direction) const noexcept;
    static int process(jack_nframes_t frames, void* self);
    static void shutdown(jack_status_t code, const char* reason, void* self);
    void cycle(jack_nframes_t frames) noexcept;

    jack_client_t* client_ = nullptr;
    jack_port_t* in_ = nullptr;
    jack_port_t* out_ = nullptr;
    const std::function<void()> lost_;
    std::atomic<bool> alive_{true};
    std::mutex sendMutex_;
    MessageQueue outgoing_{kOutputCapacity};
    // Cycles run so far: flush() waits for the one that wrote the last of
    // the queue to end.
    std::atomic<std::uint64_t> cycles_{0};
};

}  // namespace midi
