#pragma once

#include <memory>

namespace midi {

// A wake-up across threads that neither allocates, locks nor blocks, as
// JACK's process callback must not: ring() adds to an eventfd; the one
// woken polls or watches its descriptor and takes every ring so far with
// take(). Rings before a take come out as one. The MIDI input and the
// front end wake the sending thread with one; the front end closing the
// ALSA input wakes its thread with another.
class Wakeup {
public:
    // Nothing when no descriptor can be made. Shared, so that a thread still
    // holding it never rings a closed descriptor.
    [[nodiscard]] static std::shared_ptr<Wakeup> make();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    // Any thread.
    void ring() const noexcept;
    // Blocks until a ring is pending (it is not taken).
    void wait() const noexcept;
    // Whether there was a ring since the last take.
    [[nodiscard]] bool take() const noexcept;
    // Readable while a ring is pending.
    [[nodiscard]] int descriptor() const noexcept { return fd_; }

private:
    explicit Wakeup(int fd) : fd_(fd) {}

    const int fd_;
};

}  // namespace midi
