#include "tests/support/UdpListener.h"

#include <stdexcept>

namespace testing_support {

UdpListener::UdpListener() : socket_(net::UdpSocket::open())
{
    if (!socket_.valid() || !socket_.bindAny(0)) {
        throw std::runtime_error("cannot open a UDP listener");
    }
    socket_.setReceiveBufferSize(1 << 20);
    port_ = socket_.localEndpoint().value_or(net::Ipv4Endpoint{}).port;
}

std::optional<UdpListener::Datagram> UdpListener::next(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (socket_.waitReadable(std::chrono::milliseconds(20)) != net::UdpSocket::Wait::Readable) {
            continue;
        }
        std::vector<std::byte> buffer(65536);
        const net::UdpSocket::Received r = socket_.receive(buffer);
        if (r.failed || r.wouldBlock) {
            continue;
        }
        buffer.resize(r.size);
        return Datagram{std::move(buffer), r.from};
    }
    return std::nullopt;
}

bool UdpListener::quiet(std::chrono::milliseconds timeout)
{
    return !next(timeout).has_value();
}

std::vector<std::byte> bytesOf(const std::string& text)
{
    std::vector<std::byte> bytes(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[i] = static_cast<std::byte>(text[i]);
    }
    return bytes;
}

}  // namespace testing_support
