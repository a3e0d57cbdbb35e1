#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bench/BenchClock.h"

namespace bench {

// When each message arrived, in arrival order. One thread records; any
// thread reads the first count() entries.
class ArrivalLog {
public:
    // Keeps the time and message of the first `capacity` arrivals; later
    // ones are only counted.
    explicit ArrivalLog(std::size_t capacity) : times_(capacity), messages_(capacity) {}

    void record(std::uint32_t message) noexcept
    {
        const std::int64_t now = nowNs();
        const std::uint64_t n = count_.load(std::memory_order_relaxed);
        if (n < times_.size()) {
            times_[n] = now;
            messages_[n] = message;
        }
        last_.store(now, std::memory_order_relaxed);
        count_.store(n + 1, std::memory_order_release);
    }

    [[nodiscard]] std::uint64_t count() const noexcept
    {
        return count_.load(std::memory_order_acquire);
    }
    // When the latest arrival came (0: none yet), also beyond the capacity.
    [[nodiscard]] std::int64_t lastNs() const noexcept
    {
        return count() == 0 ? 0 : last_.load(std::memory_order_relaxed);
    }
    [[nodiscard]] std::size_t capacity() const noexcept { return times_.size(); }
    [[nodiscard]] std::int64_t time(std::size_t i) const { return times_[i]; }
    [[nodiscard]] std::uint32_t message(std::size_t i) const { return messages_[i]; }

private:
    std::vector<std::int64_t> times_;
    std::vector<std::uint32_t> messages_;
    std::atomic<std::int64_t> last_{0};
    std::atomic<std::uint64_t> count_{0};
};

}  // namespace bench
