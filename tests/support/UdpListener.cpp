#include "tests/support/UdpListener.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "net/Datagram.h"

namespace testing_support {

namespace {

const std::string kEndMarker = "#end";

net::Ipv4Endpoint loopback(std::uint16_t port)
{
    return {net::UdpSocket::resolveIpv4("127.0.0.1").value_or(0), port};
}

}  // namespace

std::uint16_t freeUdpPort()
{
    net::UdpSocket probe = net::UdpSocket::open();
    if (!probe.valid() || !probe.bindAny(0)) {
        throw std::runtime_error("no free UDP port");
    }
    return probe.localEndpoint().value_or(net::Ipv4Endpoint{}).port;
}

bool sendToLoopback(std::uint16_t port, std::string_view bytes)
{
    static net::UdpSocket socket = net::UdpSocket::open();
    return socket.sendTo(loopback(port), std::as_bytes(std::span(bytes)));
}

UdpListener::UdpListener(int receiveBuffer)
    : socket_(net::UdpSocket::open()), sender_(net::UdpSocket::open())
{
    if (!socket_.valid() || !socket_.bindAny(0) || !sender_.valid()) {
        throw std::runtime_error("cannot open a UDP listener");
    }
    socket_.setReceiveBufferSize(receiveBuffer);
    port_ = socket_.localEndpoint().value_or(net::Ipv4Endpoint{}).port;
}

std::optional<UdpListener::Datagram> UdpListener::next(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
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
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

std::function<void(std::span<const std::byte>)> UdpListener::sendFunction()
{
    return [this](std::span<const std::byte> bytes) {
        EXPECT_TRUE(sender_.sendTo(loopback(port_), bytes));
    };
}

std::function<void(std::uint32_t)> UdpListener::midiSendFunction()
{
    return [send = sendFunction()](std::uint32_t message) { send(net::makeMidiDatagram(message)); };
}

std::vector<std::string> UdpListener::takeAll()
{
    sendFunction()(std::as_bytes(std::span(kEndMarker)));
    std::vector<std::string> texts;
    while (const auto datagram = next(std::chrono::seconds(10))) {
        if (datagram->text() == kEndMarker) {
            return texts;
        }
        texts.push_back(datagram->text());
    }
    ADD_FAILURE() << "the end marker never arrived";
    return texts;
}

}  // namespace testing_support
