#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "midi/MidiOutput.h"
#include "midi/MidiPort.h"

namespace midi {

class MidiClient;

// Plays on our "MIDI Out" port, connected to the chosen port of another
// program or device if one was chosen.
class PortOutput final : public MidiOutput {
public:
    // Connects "MIDI Out" to `destination` if given; nothing when that fails.
    [[nodiscard]] static std::shared_ptr<PortOutput> open(std::shared_ptr<MidiClient> client,
                                                          const MidiPort* destination);

    // Queues the message for the port (any thread); nothing once released.
    void play(std::uint32_t message) override;
    // Removes our connection to the chosen port; our port stays.
    void release() override;
    [[nodiscard]] bool lost() const noexcept override;

private:
    explicit PortOutput(std::shared_ptr<MidiClient> client);

    std::shared_ptr<MidiClient> client_;
    std::optional<MidiPort> connected_;  // the connection we made, to undo
    std::atomic<bool> released_{false};
};

}  // namespace midi
