#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace net {

// An IPv4 address and port. The address is in network byte order, the port
// in host byte order.
struct Ipv4Endpoint {
    std::uint32_t address{};
    std::uint16_t port{};

    [[nodiscard]] std::string addressText() const;  // dotted decimal
    friend bool operator==(const Ipv4Endpoint&, const Ipv4Endpoint&) = default;
};

// An IPv4 UDP socket that closes itself. This is the only file that speaks
// the operating system's socket API, so a port to another socket API
// replaces UdpSocket.cpp alone.
class UdpSocket {
public:
    enum class Wait : std::uint8_t { Readable, TimedOut, Failed };

    struct Received {
        std::size_t size{};       // bytes stored in the buffer
        bool failed{};            // the receive itself failed
        bool wouldBlock{};        // nothing was waiting after all
        bool truncated{};         // the datagram was larger than the buffer
        Ipv4Endpoint from{};      // the sender
        std::uint32_t dropped{};  // datagrams the kernel dropped so far (when counting is on)
    };

    UdpSocket() noexcept = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Opens an unbound socket that may also send to broadcast addresses;
    // valid() tells whether it worked.
    [[nodiscard]] static UdpSocket open() noexcept;

    // The first IPv4 address of a host name or dotted address, in network
    // byte order. An empty name is handed to the resolver as it is.
    [[nodiscard]] static std::optional<std::uint32_t> resolveIpv4(const std::string& host);

    [[nodiscard]] bool valid() const noexcept { return fd_ >= 0; }
    void close() noexcept;

    // Binds to all local addresses on the given port (0: any free port).
    [[nodiscard]] bool bindAny(std::uint16_t port) noexcept;
    // Asks for a receive buffer of the given size. A process allowed to
    // (CAP_NET_ADMIN on Linux) gets it beyond the system's limit
    // (net.core.rmem_max); any other gets at most that limit. True when
    // either way worked; receiveBufferSize() tells what was granted.
    bool setReceiveBufferSize(int bytes) noexcept;
    // The receive buffer the kernel granted, in bytes as it counts them
    // (Linux doubles the size asked for, for its bookkeeping); 0 when unknown.
    [[nodiscard]] int receiveBufferSize() const noexcept;
    // Counts datagrams the kernel drops for want of buffer space (Linux).
    bool enableDropCounter() noexcept;
    // Allows sending to a broadcast address, which the kernel otherwise
    // refuses.
    bool enableBroadcast() noexcept;

    // Sends one datagram; true when the kernel took it.
    bool sendTo(const Ipv4Endpoint& to, std::span<const std::byte> bytes) noexcept;

    [[nodiscard]] Wait waitReadable(std::chrono::milliseconds timeout) const noexcept;
    // Receives one datagram, never blocking longer than it takes to copy
    // one that is ready.
    [[nodiscard]] Received receive(std::span<std::byte> buffer) noexcept;
    // Receives one datagram, waiting for one at most `wait`; a wait that
    // passes with nothing reports wouldBlock.
    [[nodiscard]] Received receive(std::span<std::byte> buffer,
                                   std::chrono::milliseconds wait) noexcept;

    [[nodiscard]] std::optional<Ipv4Endpoint> localEndpoint() const noexcept;

private:
    explicit UdpSocket(int fd) noexcept : fd_(fd) {}

    [[nodiscard]] Received receiveWith(std::span<std::byte> buffer, int flags) noexcept;

    int fd_ = -1;
    static constexpr std::chrono::milliseconds kNoTimeout{-1};
    std::chrono::milliseconds receiveTimeout_ = kNoTimeout;  // the one set on the socket
};

}  // namespace net
