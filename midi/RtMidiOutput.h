#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "midi/MidiBackend.h"
#include "midi/MidiOutput.h"
#include "midi/MidiPort.h"

class RtMidiOut;

namespace midi {

class RtMidiErrorSink;

// Plays on our own virtual output port, or on a port of another program or
// device, through RtMidi.
class RtMidiOutput final : public MidiOutput {
public:
    // Nothing when the port cannot be made or connected.
    [[nodiscard]] static std::unique_ptr<RtMidiOutput> openVirtual(MidiBackend backend);
    [[nodiscard]] static std::unique_ptr<RtMidiOutput> openPort(MidiBackend backend,
                                                                const MidiPort& port);

    ~RtMidiOutput() override;

    // Sends the message's 1, 2 or 3 bytes; drops what is not a playable
    // short message. Two threads may play at once: RtMidi takes one sender
    // at a time, so sends are taken in turn.
    void play(std::uint32_t message) override;

private:
    RtMidiOutput();
    [[nodiscard]] bool create(MidiBackend backend);
    [[nodiscard]] bool healthy() const noexcept;

    std::mutex sendMutex_;
    std::unique_ptr<RtMidiErrorSink> errors_;
    std::unique_ptr<RtMidiOut> out_;  // last, so it closes before the rest goes
};

}  // namespace midi
