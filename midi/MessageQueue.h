#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace midi {

// A small bounded queue of packed MIDI messages from one producer thread
// (a MIDI driver's callback) to one consumer thread (the window's), with
// no lock and no allocation on the producer side.
//
// The producer is told when it should wake the consumer: once for every
// drain, i.e. only when no wake-up is already pending. The consumer clears
// the pending mark before it looks at the queue, so a message pushed while
// a drain is running is either taken by that drain or wakes the next one;
// none is left behind unnoticed.
class MessageQueue {
public:
    static constexpr std::size_t capacity = 1024;

    enum class Push : std::uint8_t {
        Queued,      // queued; a wake-up is already pending
        QueuedWake,  // queued; the producer must wake the consumer
        Full,        // dropped and counted
    };

    // Producer thread only.
    Push push(std::uint32_t message) noexcept
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        if (tail - head >= capacity) {
            overflows_.fetch_add(1, std::memory_order_relaxed);
            return Push::Full;
        }
        slots_[tail % capacity] = message;
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
                const std::uint32_t message = slots_[head % capacity];
                ++head;
                head_.store(head, std::memory_order_release);
                ++taken;
                handler(message);
            }
        }
    }

    // Messages dropped because the queue was full.
    [[nodiscard]] std::uint64_t overflowCount() const noexcept
    {
        return overflows_.load(std::memory_order_relaxed);
    }

private:
    std::array<std::uint32_t, capacity> slots_{};
    alignas(64) std::atomic<std::size_t> head_{0};  // next to take; written by the consumer
    alignas(64) std::atomic<std::size_t> tail_{0};  // next free; written by the producer
    alignas(64) std::atomic<bool> wakePending_{false};
    std::atomic<std::uint64_t> overflows_{0};
};

}  // namespace midi
