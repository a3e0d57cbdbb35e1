#include "bench/RawReceiver.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace bench {

namespace {

constexpr std::uint8_t kMidiKind = 0x7E;

}  // namespace

RawReceiver::RawReceiver(ArrivalLog& log, int receiveBufferBytes)
    : log_(log), fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
{
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBufferBytes,
                     sizeof receiveBufferBytes) != 0) {
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    }
    socklen_t len = sizeof granted_;
    ::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &granted_, &len);
    // Wakes now and then to see whether it is asked to stop.
    const timeval slice{0, 50'000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof slice);

    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0) {
        len = sizeof in;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&in), &len);
        port_ = ntohs(in.sin_port);
    }
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

RawReceiver::~RawReceiver()
{
    thread_.request_stop();
    thread_.join();
    ::close(fd_);
}

void RawReceiver::run(const std::stop_token& stop)
{
    std::array<std::uint8_t, 2048> buffer{};
    while (!stop.stop_requested()) {
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
        if (n < 0) {
            continue;  // the wait slice ran out (or a signal came)
        }
        std::uint32_t message = 0;
        if (n >= 5 && buffer[0] == kMidiKind) {
            std::memcpy(&message, buffer.data() + 1, sizeof message);  // little-endian here
        }
        log_.record(message);
    }
}

}  // namespace bench
