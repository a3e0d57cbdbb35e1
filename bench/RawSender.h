#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace bench {

// The baseline sender: one socket, opened once, sending straight to a port
// on 127.0.0.1 with the bare system call. Like RawReceiver it goes around
// net/ on purpose: it is what Mirevo is compared with.
class RawSender {
public:
    explicit RawSender(std::uint16_t port);
    ~RawSender();
    RawSender(const RawSender&) = delete;
    RawSender& operator=(const RawSender&) = delete;

    // True when the kernel took the datagram.
    bool send(std::span<const std::byte> bytes) noexcept;
    // The same datagram to another port.
    bool sendTo(std::uint16_t port, std::span<const std::byte> bytes) noexcept;

private:
    int fd_ = -1;
    sockaddr_in to_{};
};

}  // namespace bench
