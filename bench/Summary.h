#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

// Percentiles of a set of durations, in microseconds.
struct Summary {
    std::size_t count{};
    double p50{};
    double p99{};
    double p999{};
    double max{};
};

// Takes the durations in nanoseconds (reordered in place).
[[nodiscard]] Summary summarize(std::vector<std::int64_t>& ns);

}  // namespace bench
