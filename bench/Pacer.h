#pragma once

#include <time.h>

#include <cstdint>

#include "bench/BenchClock.h"

namespace bench {

// Paces a loop at a fixed rate on an absolute schedule, so that a late
// step is made up by the next ones rather than slowing the whole run. It
// sleeps (the machine has two cores to share with the receiver).
class Pacer {
public:
    explicit Pacer(double perSecond) : periodNs_(1e9 / perSecond) {}

    // Sleeps until step i is due.
    void waitFor(std::uint64_t i) const noexcept
    {
        const auto due = start_ + static_cast<std::int64_t>(periodNs_ * static_cast<double>(i));
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(due / 1'000'000'000);
        ts.tv_nsec = static_cast<long>(due % 1'000'000'000);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
        }
    }

    [[nodiscard]] std::int64_t startNs() const noexcept { return start_; }

private:
    double periodNs_{};
    std::int64_t start_{nowNs()};
};

}  // namespace bench
