#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "bench/ArrivalLog.h"

namespace bench {

// The baseline receiver: one socket on a free port of 127.0.0.1 and a
// thread blocked in recv(), recording every datagram as it arrives (the
// MIDI message a MIDI datagram carries, 0 for anything else). Its receive
// buffer is asked for as Mirevo's receiver asks for it, so that both queue
// alike.
class RawReceiver {
public:
    explicit RawReceiver(ArrivalLog& log, int receiveBufferBytes = 4 * 1024 * 1024);
    ~RawReceiver();
    RawReceiver(const RawReceiver&) = delete;
    RawReceiver& operator=(const RawReceiver&) = delete;

    [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
    [[nodiscard]] int receiveBufferBytes() const noexcept { return granted_; }

private:
    void run(const std::stop_token& stop);

    ArrivalLog& log_;
    int fd_ = -1;
    std::uint16_t port_{};
    int granted_{};
    std::jthread thread_;  // last: starts once the socket is ready
};

}  // namespace bench
