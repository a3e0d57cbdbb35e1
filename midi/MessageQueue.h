#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace midi {

// A bounded queue of packed MIDI messages from one producer thread to one
// consumer thread, with no lock and no allocation once made: the storage is
// taken when the queue is made, never while it is used. Producer and
// consumer may each be a real-time thread (JACK's process callback queues
// MIDI input for the window, and takes what the receivers play).
//
// The producer is told when it should wake the consumer: once for every
// drain, i.e. only when no wake-up is already pending. The consumer clears
// the pending mark before it looks at the queue, so a message pushed while
// a drain is running is either taken by that drain or wakes the next one;
// none is left behind unnoticed.
class MessageQueue {
public:
    enum class Push : std::uint8_t {
        Queued,      // queued; a wake-up is already pending
        QueuedWake,  // queued; the producer must wake the consumer
        Full,        // dropped and counted
    };

    // Room for `capacity` messages, rounded up to a power of two.
    explicit MessageQueue(std::size_t capacity)
        : capacity_(std::bit_ceil(capacity)), slots_(std::make_unique<std::uint32_t[]>(capacity_))
    {
    }

    // Producer thread only.
    Push push(std::uint32_t message) noexcept
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        if (tail - head >= capacity_) {
            overflows_.fetch_add(1, std::memory_order_relaxed);
            return Push::Full;
        }
        slots_[tail & (capacity_ - 1)] = message;
        tail_.store(tail + 1, std::memory_order_release);
        return wakePending_.exchange(true, std::memory_order_acq_rel) ? Push::Queued
                                                                      : Push::QueuedWake;
    }

    // Consumer thread only: hands every queued message to handler, oldest
    // first, and returns how many. The handler may take its time; the
    // producer keeps queueing meanwhile.
    template <typename Handler>
    std::size_t drain(Handler&& handler)
    {
        wakePending_.exchange(false, std::memory_order_acq_rel);
        std::size_t head = head_.load(std::memory_order_relaxed);
        std::size_t taken = 0;
        for (;;) {
            const std::size_t tail = tail_.load(std::memory_order_acquire);
            if (head == tail) {
                return taken;
            }
            while (head != tail) {
                const std::uint32_t message = slots_[head & (capacity_ - 1)];
                ++head;
                head_.store(head, std::memory_order_release);
                ++taken;
                handler(message);
            }
        }
    }

    // Consumer thread only, for a consumer that is never woken (a real-time
    // thread that looks every cycle): takes the oldest message, if any.
    bool pop(std::uint32_t& message) noexcept
    {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            return false;
        }
        message = slots_[head & (capacity_ - 1)];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Any thread: whether every message pushed so far has been taken.
    [[nodiscard]] bool empty() const noexcept
    {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
    }

    // Messages dropped because the queue was full, since it was made.
    [[nodiscard]] std::uint64_t overflowCount() const noexcept
    {
        return overflows_.load(std::memory_order_relaxed);
    }

private:
    const std::size_t capacity_;
    const std::unique_ptr<std::uint32_t[]> slots_;
    alignas(64) std::atomic<std::size_t> head_{0};  // next to take; written by the consumer
    alignas(64) std::atomic<std::size_t> tail_{0};  // next free; written by the producer
    alignas(64) std::atomic<bool> wakePending_{false};
    std::atomic<std::uint64_t> overflows_{0};
};

}  // namespace midi
