#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "midi/MidiPort.h"

namespace midi {

class MidiClient;

// The open MIDI input: our "MIDI In" port taking messages, connected to
// the chosen port of another program or device if one was chosen (other
// programs may connect to it too). Every short message that arrives is
// queued by the MIDI system's thread (System Exclusive is not taken;
// events holding several messages are split); the window takes them on its
// own thread with drain(). The queue holds 65,536 messages; what does not
// fit is counted, not queued.
//
// Threads: the MIDI system's thread only queues and, when the queue needs
// the window's attention, calls `notify` (once per drain). notify must be
// quick and must not call back into this object; the window's posts a
// queued call that runs drain() later on the front end's thread. That queued
// call may come after the input was closed, so it must look the input up
// again rather than keep a pointer to it. Everything else is for the
// window's thread.
class MidiInput {
public:
    using Notify = std::function<void()>;
    using Handler = std::function<void(std::uint32_t)>;

    // Takes what arrives at the client's "MIDI In", connected first to
    // `source` if given. Nothing when the client already has an open input,
    // or the source cannot be connected.
    [[nodiscard]] static std::unique_ptr<MidiInput> open(std::shared_ptr<MidiClient> client,
                                                         const MidiPort* source, Notify notify);

    // Stops taking (if stop() was not called) and removes our connection
    // from the chosen port. Our port stays, with every connection others
    // made to it.
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;
    MidiInput(MidiInput&&) = delete;
    MidiInput& operator=(MidiInput&&) = delete;

    // Stops taking messages. Once it returns, everything that reached our
    // port up to the call is in the queue, to be drained; nothing more
    // comes, and notify is not called any more. Waits for the MIDI system
    // to pass (a few milliseconds; not when it went away).
    void stop();

    // Hands every queued message to handler, oldest first; returns how many.
    std::size_t drain(const Handler& handler);

    // Messages lost because the queue was full, since the input opened.
    [[nodiscard]] std::uint64_t overflowCount() const noexcept;
    // Whether the MIDI system went away (the JACK server stopped).
    [[nodiscard]] bool lost() const noexcept;

private:
    explicit MidiInput(std::shared_ptr<MidiClient> client);

    std::shared_ptr<MidiClient> client_;
    std::optional<MidiPort> connected_;  // the connection we made, to undo
    bool open_ = false;
    bool stopped_ = false;
};

}  // namespace midi
