#pragma once

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "midi/MidiClient.h"

namespace midi {

class Wakeup;

// Our client in the ALSA sequencer: simple ports "MIDI In" and "MIDI Out",
// subscriptions to and from the chosen ports, an input thread that waits
// for events and hands them to the input gate, and events played directly
// (unqueued) to the subscribers of "MIDI Out". Event decoding and port
// filtering are in AlsaEvents.
class AlsaClient final : public MidiClient {
public:
    // Nothing when there is no sequencer (no /dev/snd/seq) or the client and
    // its ports cannot be made.
    [[nodiscard]] static std::shared_ptr<AlsaClient> open();

    // Stops the input thread and closes the client.
    ~AlsaClient() override;
    AlsaClient(const AlsaClient&) = delete;
    AlsaClient& operator=(const AlsaClient&) = delete;
    AlsaClient(AlsaClient&&) = delete;
    AlsaClient& operator=(AlsaClient&&) = delete;

    [[nodiscard]] MidiBackend system() const noexcept override { return MidiBackend::Alsa; }
    // The sequencer does not go away under a running client.
    [[nodiscard]] bool alive() const noexcept override { return true; }
    [[nodiscard]] std::string ownPortName(PortDirection direction) const override;
    [[nodiscard]] std::vector<MidiPort> ports(PortDirection direction) override;
    [[nodiscard]] Connection connect(PortDirection direction, const MidiPort& port) override;
    void disconnect(PortDirection direction, const MidiPort& port) override;
    void send(std::uint32_t message) override;

private:
    AlsaClient(snd_seq_t* seq, std::shared_ptr<Wakeup> wakeup);
    [[nodiscard]] bool start();
    [[nodiscard]] int ownPort(PortDirection direction) const noexcept;
    // The port's address now, found by its names (it may have been
    // renumbered since it was listed).
    [[nodiscard]] std::optional<snd_seq_addr_t> address(PortDirection direction,
                                                        const MidiPort& port);
    [[nodiscard]] bool subscribed(PortDirection direction, snd_seq_addr_t theirs) const;
    void readInput();

    snd_seq_t* seq_ = nullptr;
    const std::shared_ptr<Wakeup> wakeup_;  // wakes the input thread
    int client_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::atomic<bool> stopping_{false};
    std::mutex sendMutex_;  // the sequencer's output buffer takes one sender at a time
    std::thread reader_;
};

}  // namespace midi
