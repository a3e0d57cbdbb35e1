#pragma once

#include <chrono>
#include <cstdint>

namespace bench {

// Nanoseconds on the monotonic clock. The clock is shared by every process
// of the machine, so a time taken in a child process can be compared with
// one taken here.
[[nodiscard]] inline std::int64_t nowNs() noexcept
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace bench
