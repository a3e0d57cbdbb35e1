#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "midi/KeyboardControl.h"
#include "net/UdpSocket.h"

namespace midi::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes noteOn(std::uint8_t note)
{
    return {0x7E, 0x90, note, 0x7F, 0x00};
}
inline Bytes noteOff(std::uint8_t note)
{
    return {0x7E, 0x90, note, 0x00, 0x00};
}

// A UDP listener on 127.0.0.1 and a send function that delivers datagrams to
// it, as the window would send them to its targets.
class DatagramListener {
public:
    DatagramListener()
    {
        EXPECT_TRUE(listener_.valid());
        EXPECT_TRUE(listener_.bindAny(0));
        EXPECT_TRUE(sender_.valid());
        endpoint_.address = net::UdpSocket::resolveIpv4("127.0.0.1").value_or(0);
        endpoint_.port = listener_.localEndpoint().value_or(net::Ipv4Endpoint{}).port;
    }

    [[nodiscard]] KeyboardControl::Send sendFunction()
    {
        return [this](std::span<const std::byte> bytes) {
            EXPECT_TRUE(sender_.sendTo(endpoint_, bytes));
        };
    }

    // Every datagram sent so far, in order. An end marker sent behind them
    // tells when all have arrived, so nothing depends on timing.
    [[nodiscard]] std::vector<Bytes> takeAll()
    {
        const std::byte marker[] = {std::byte{'#'}, std::byte{'e'}, std::byte{'n'}, std::byte{'d'}};
        EXPECT_TRUE(sender_.sendTo(endpoint_, marker));
        std::vector<Bytes> datagrams;
        for (;;) {
            if (listener_.waitReadable(std::chrono::seconds(10)) !=
                net::UdpSocket::Wait::Readable) {
                ADD_FAILURE() << "the end marker never arrived";
                return datagrams;
            }
            std::byte buffer[1500];
            const net::UdpSocket::Received received = listener_.receive(buffer);
            if (received.failed || received.wouldBlock) {
                continue;
            }
            Bytes bytes;
            for (std::size_t i = 0; i < received.size; ++i) {
                bytes.push_back(std::to_integer<std::uint8_t>(buffer[i]));
            }
            if (bytes == Bytes{'#', 'e', 'n', 'd'}) {
                return datagrams;
            }
            datagrams.push_back(std::move(bytes));
        }
    }

private:
    net::UdpSocket listener_ = net::UdpSocket::open();
    net::UdpSocket sender_ = net::UdpSocket::open();
    net::Ipv4Endpoint endpoint_{};
};

}  // namespace midi::test
