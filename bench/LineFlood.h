#pragma once

#include <atomic>
#include <cstdint>
#include <stop_token>
#include <thread>

namespace bench {

// Chat arriving while a window does something else: numbered text lines
// sent with the raw sender to a port on 127.0.0.1, at a steady rate, from a
// thread of its own, from construction until stop().
class LineFlood {
public:
    LineFlood(std::uint16_t port, double perSecond);
    LineFlood(const LineFlood&) = delete;
    LineFlood& operator=(const LineFlood&) = delete;
    LineFlood(LineFlood&&) = delete;
    LineFlood& operator=(LineFlood&&) = delete;
    ~LineFlood() = default;

    // Stops sending; returns how many lines the kernel took.
    [[nodiscard]] std::uint64_t stop();

private:
    void send(const std::stop_token& stop, std::uint16_t port, double perSecond);

    std::atomic<std::uint64_t> sent_{0};
    std::jthread thread_;  // last: starts when all else is there
};

}  // namespace bench
