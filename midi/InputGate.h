#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "midi/MessageQueue.h"

namespace midi {

// The way MIDI input takes from a MIDI system's thread (JACK's process
// callback, the ALSA sequencer's input thread) to the window: a fixed queue
// of 65,536 messages (ten seconds of a busy keyboard and more), the
// window's wake-up, and a handshake that opens and closes the way without
// a lock.
//
// The MIDI thread works in rounds (a JACK cycle, a wake-up of the input
// thread): beginRound(), take() for each message, endRound(). A round
// takes only while the gate is open or closing, and calls `notify` at its
// end when the window has to be woken: once per drain, however many
// messages came. When the window closes the gate, the first round that
// begins after the close still takes, and its end closes the gate for good.
// A message that reached the MIDI system before the close is taken by then:
// the ALSA thread, which the close wakes, reads everything pending in that
// round, and a JACK client gets what another wrote in the same cycle or the
// next, so in a round running at the close or in the first one after it.
// So everything received up to the close is in the queue when close()
// returns, one JACK cycle or one wake-up of the ALSA thread later; after
// that the MIDI thread touches neither the queue nor `notify` until the
// gate opens again.
//
// Threads: beginRound, take and endRound on the MIDI thread; the rest on
// the window's.
class InputGate {
public:
    static constexpr std::size_t kCapacity = 65536;
    // How long close() waits for the MIDI thread at most.
    static constexpr std::chrono::milliseconds kCloseTimeout{500};

    using Notify = std::function<void()>;

    // `wake` (may be empty) makes the MIDI thread run a round soon; a JACK
    // client runs one every cycle by itself.
    explicit InputGate(std::function<void()> wake = {});

    // The MIDI thread: every beginRound() is followed by one endRound().
    // Returns whether this round takes messages.
    [[nodiscard]] bool beginRound() noexcept;
    // Only in a round that takes: queues the message, or counts it lost.
    void take(std::uint32_t message) noexcept;
    void endRound() noexcept;

    // Opens the way for one input; false while another has it (until
    // release()). Messages left from before are dropped.
    [[nodiscard]] bool open(Notify notify);
    // Stops taking. Returns once a round that began after the close has
    // ended, as described above, or at once when `gone` says the MIDI thread
    // will not come back (its MIDI system went away), or after kCloseTimeout.
    void close(const std::function<bool()>& gone);
    // The input has been closed and drained: another may open.
    void release() noexcept { claimed_ = false; }

    // Hands every queued message to handler, oldest first; returns how many.
    template <typename Handler>
    std::size_t drain(Handler&& handler)
    {
        return queue_.drain(std::forward<Handler>(handler));
    }
    // Messages lost because the queue was full, since the gate last opened.
    [[nodiscard]] std::uint64_t overflowCount() const noexcept
    {
        return queue_.overflowCount() - overflowsAtOpen_;
    }

private:
    enum class State : std::uint8_t { Closed, Open, Closing };

    MessageQueue queue_{kCapacity};
    Notify notify_;

    const std::function<void()> wake_;
    std::atomic<State> state_{State::Closed};
    std::atomic<unsigned> busy_{0};  // rounds running now (0 or 1)
    // The MIDI thread's own, while the gate is not closed.
    bool roundTakes_ = false;
    bool roundEndsClose_ = false;  // this round began while the gate was closing
    bool wakeDue_ = false;
    // The window's own.
    bool claimed_ = false;
    std::uint64_t overflowsAtOpen_ = 0;
};

}  // namespace midi
