#include "net/UdpSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace net {

std::string Ipv4Endpoint::addressText() const
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr in{};
    in.s_addr = address;
    inet_ntop(AF_INET, &in, text, sizeof text);
    return text;
}

UdpSocket::~UdpSocket()
{
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      receiveTimeout_(std::exchange(other.receiveTimeout_, kNoTimeout))
{
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        receiveTimeout_ = std::exchange(other.receiveTimeout_, kNoTimeout);
    }
    return *this;
}

UdpSocket UdpSocket::open() noexcept
{
    return UdpSocket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
}

bool UdpSocket::enableBroadcast() noexcept
{
    const int on = 1;
    return ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

std::optional<std::uint32_t> UdpSocket::resolveIpv4(const std::string& host)
{
    // A dotted address needs no resolver: it is its own first address.
    in_addr literal{};
    if (::inet_pton(AF_INET, host.c_str(), &literal) == 1) {
        return literal.s_addr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> address;
    for (const addrinfo* ai = result; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET && ai->ai_addr != nullptr) {
            sockaddr_in in{};
            std::memcpy(&in, ai->ai_addr, sizeof in);
            address = in.sin_addr.s_addr;
            break;
        }
    }
    ::freeaddrinfo(result);
    return address;
}

void UdpSocket::close() noexcept
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    receiveTimeout_ = kNoTimeout;
}

bool UdpSocket::bindAny(std::uint16_t port) noexcept
{
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(INADDR_ANY);
    in.sin_port = htons(port);
    return ::bind(fd_, reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0;
}

bool UdpSocket::setReceiveBufferSize(int bytes) noexcept
{
#ifdef SO_RCVBUFFORCE
    // Refused (EPERM) without the privilege; the plain request below is then
    // capped at the system's limit.
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0) {
        return true;
    }
#endif
    return ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0;
}

int UdpSocket::receiveBufferSize() const noexcept
{
    int bytes = 0;
    socklen_t len = sizeof bytes;
    if (::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, &len) != 0) {
        return 0;
    }
    return bytes;
}

bool UdpSocket::enableDropCounter() noexcept
{
#ifdef SO_RXQ_OVFL
    const int on = 1;
    return ::setsockopt(fd_, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on) == 0;
#else
    return false;
#endif
}

bool UdpSocket::sendTo(const Ipv4Endpoint& to, std::span<const std::byte> bytes) noexcept
{
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = to.address;
    in.sin_port = htons(to.port);
    const ssize_t sent = ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&in), sizeof in);
    return sent == static_cast<ssize_t>(bytes.size());
}

UdpSocket::Wait UdpSocket::waitReadable(std::chrono::milliseconds timeout) const noexcept
{
    pollfd p{};
    p.fd = fd_;
    p.events = POLLIN;
    const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
    if (ready == 0) {
        return Wait::TimedOut;
    }
    if (ready < 0) {
        return errno == EINTR ? Wait::TimedOut : Wait::Failed;
    }
    return Wait::Readable;
}

UdpSocket::Received UdpSocket::receive(std::span<std::byte> buffer) noexcept
{
    return receiveWith(buffer, MSG_DONTWAIT);
}

UdpSocket::Received UdpSocket::receive(std::span<std::byte> buffer,
                                       std::chrono::milliseconds wait) noexcept
{
    if (wait <= std::chrono::milliseconds::zero()) {
        return receive(buffer);
    }
    // One blocking receive with a time-out costs one system call per
    // datagram, where waiting for readability first would cost two.
    if (wait != receiveTimeout_) {
        timeval tv{};
        tv.tv_sec = static_cast<time_t>(wait.count() / 1000);
        tv.tv_usec = static_cast<suseconds_t>((wait.count() % 1000) * 1000);
        if (::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) {
            if (waitReadable(wait) != Wait::Readable) {
                return Received{.wouldBlock = true};
            }
            return receive(buffer);
        }
        receiveTimeout_ = wait;
    }
    return receiveWith(buffer, 0);
}

UdpSocket::Received UdpSocket::receiveWith(std::span<std::byte> buffer, int flags) noexcept
{
    Received r;
    sockaddr_in from{};
    iovec iov{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))] = {};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;

    const ssize_t n = ::recvmsg(fd_, &msg, flags);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            r.wouldBlock = true;
        } else {
            r.failed = true;
        }
        return r;
    }
    r.size = static_cast<std::size_t>(n);
    r.truncated = (msg.msg_flags & MSG_TRUNC) != 0;
    r.from.address = from.sin_addr.s_addr;
    r.from.port = ntohs(from.sin_port);
#ifdef SO_RXQ_OVFL
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
            std::memcpy(&r.dropped, CMSG_DATA(c), sizeof r.dropped);
        }
    }
#endif
    return r;
}

std::optional<Ipv4Endpoint> UdpSocket::localEndpoint() const noexcept
{
    sockaddr_in in{};
    socklen_t len = sizeof in;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&in), &len) != 0) {
        return std::nullopt;
    }
    return Ipv4Endpoint{in.sin_addr.s_addr, ntohs(in.sin_port)};
}

}  // namespace net
