#pragma once

// The ALSA sequencer's events and ports, read and written without the
// device: what AlsaClient does between its system calls.

#include <alsa/asoundlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "midi/MidiPort.h"

namespace midi {

// The short messages one sequencer event stands for (at most four).
struct SequencerMessages {
    std::array<std::uint32_t, 4> messages{};
    std::size_t count{};

    [[nodiscard]] std::span<const std::uint32_t> view() const noexcept
    {
        return {messages.data(), count};
    }
};

// The packed short messages of an event, in the order they are sent:
//   channel events          the one message (pitch bend centred on 8192)
//   CONTROL14, param < 32   the controller's MSB, then its LSB (controller + 32);
//                           from 32 on, one 7-bit controller
//   NONREGPARAM             CC 99 and 98 (the number's MSB and LSB), then
//                           CC 6 and 38 (the value's MSB and LSB)
//   REGPARAM                CC 101, 100, 6, 38 likewise
//   system common and real-time events  their message
// Nothing for System Exclusive and every other event. Values are cut to
// the bits a message can carry.
[[nodiscard]] SequencerMessages decodeSequencerEvent(const snd_seq_event_t& event) noexcept;

// Fills in the event for a packed short message (type, channel and values
// only: the caller addresses it); false when it is not a playable short
// message.
[[nodiscard]] bool encodeSequencerEvent(std::uint32_t message, snd_seq_event_t& event) noexcept;

// A port as the sequencer describes it.
struct SequencerPort {
    int client{};
    int port{};
    unsigned capability{};  // SND_SEQ_PORT_CAP_*
    unsigned type{};        // SND_SEQ_PORT_TYPE_*
};

// Whether a port is listed for the user to choose: a MIDI port of another
// client (not the system client, not ours) that others may subscribe to in
// the direction asked, and not hidden from export.
[[nodiscard]] bool isListablePort(const SequencerPort& port, int ownClient,
                                  PortDirection direction) noexcept;

}  // namespace midi
