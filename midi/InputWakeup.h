#pragma once

#include <memory>

namespace midi {

// How a MIDI thread wakes the window without allocating, locking or
// blocking, as JACK's process callback must not: ring() adds to an
// eventfd, and the window, watching it, takes every ring so far with
// take(). Rings before a take come out as one.
class InputWakeup {
public:
    // Nothing when no descriptor can be made. Shared with the MIDI thread's
    // notification, so that it never rings a closed descriptor.
    [[nodiscard]] static std::shared_ptr<InputWakeup> make();
    ~InputWakeup();
    InputWakeup(const InputWakeup&) = delete;
    InputWakeup& operator=(const InputWakeup&) = delete;

    // Any thread.
    void ring() const noexcept;
    // Whether there was a ring since the last take.
    [[nodiscard]] bool take() const noexcept;
    // Readable while a ring is pending.
    [[nodiscard]] int descriptor() const noexcept { return fd_; }

private:
    explicit InputWakeup(int fd) : fd_(fd) {}

    const int fd_;
};

}  // namespace midi
