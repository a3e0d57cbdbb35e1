#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "midi/NoteTracker.h"
#include "net/UdpSocket.h"

namespace testing_support {

// A UDP port that no socket holds now, for a window to listen on (the
// window itself does not tell which port it bound when given 0).
[[nodiscard]] std::uint16_t freeUdpPort();
// Sends the bytes as one datagram to 127.0.0.1:`port`; false when it fails.
bool sendToLoopback(std::uint16_t port, std::string_view bytes);

// The datagram that carries a MIDI message, as a string.
inline std::string midiDatagram(std::uint32_t m)
{
    return {'~', static_cast<char>(m), static_cast<char>(m >> 8U), static_cast<char>(m >> 16U),
            static_cast<char>(m >> 24U)};
}

// The datagrams of the panic: All Sound Off, All Notes Off, sustain off on every channel.
inline std::vector<std::string> panicDatagrams()
{
    std::vector<std::string> datagrams;
    for (const std::uint32_t m : midi::NoteTracker::panic()) {
        datagrams.push_back(midiDatagram(m));
    }
    return datagrams;
}

// A UDP socket on a free local port that tests read datagrams from, with a
// socket of its own to send to it, as a window sends to its targets.
class UdpListener {
public:
    struct Datagram {
        std::vector<std::byte> bytes;
        net::Ipv4Endpoint from;

        [[nodiscard]] std::string text() const
        {
            return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
    };

    // `receiveBuffer` bytes of kernel buffer are asked for (granted in full
    // with CAP_NET_ADMIN, else up to net.core.rmem_max).
    explicit UdpListener(int receiveBuffer = 1 << 20);

    [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
    [[nodiscard]] std::string target() const { return "127.0.0.1:" + std::to_string(port_); }

    // The next datagram, or nothing when none arrives in time.
    [[nodiscard]] std::optional<Datagram> next(
        std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // Sends to this listener from its own sending socket.
    [[nodiscard]] std::function<void(std::span<const std::byte>)> sendFunction();
    // Sends each MIDI short message to this listener as a MIDI datagram.
    [[nodiscard]] std::function<void(std::uint32_t)> midiSendFunction();
    // The text of every datagram that arrived so far, in order. An end marker
    // sent behind them tells when all are in, so nothing depends on timing.
    [[nodiscard]] std::vector<std::string> takeAll();

private:
    net::UdpSocket socket_;
    net::UdpSocket sender_;
    std::uint16_t port_ = 0;
};

}  // namespace testing_support
