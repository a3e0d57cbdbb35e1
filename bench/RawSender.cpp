#include "bench/RawSender.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

RawSender::RawSender(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
{
    to_.sin_family = AF_INET;
    to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to_.sin_port = htons(port);
}

RawSender::~RawSender()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool RawSender::send(std::span<const std::byte> bytes) noexcept
{
    return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to_),
                    sizeof to_) == static_cast<ssize_t>(bytes.size());
}

bool RawSender::sendTo(std::uint16_t port, std::span<const std::byte> bytes) noexcept
{
    sockaddr_in to = to_;
    to.sin_port = htons(port);
    return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(bytes.size());
}

}  // namespace bench
