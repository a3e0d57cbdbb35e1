#pragma once

#include "net/Datagram.h"
#include "net/ReceiverEvents.h"
#include "net/UdpSocket.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>

namespace net {

// What happens to a datagram that reaches a listening Mirevo:
//
//   ReceiverWorker (this thread)  reads it from its socket (UdpSocket) and
//                                 reads its kind (readDatagram, Datagram.h)
//   ReceiverEvents                is told: textReceived / midiReceived
//   peer/ReceiverBridge           the core's ReceiverEvents:
//     - MIDI: its MIDI sink, still on this thread, plays it on the core's
//       output slot (midi/MidiOutputSlot), which hands it to the open
//       device (a JACK or ALSA port, or the built-in synthesizer);
//     - text: formats the log line here (net/LogLine), then hands lines in
//       batches to the front end's thread: the window's log (gui/LogModel)
//       or the headless program's stdout.
//   Failures (failed) go the same way to the front end, which reports them
//   and lets the worker go on once seen.
//
// peer::Peer's constructor is where the bridge's sinks are set.
//
// Listens on one UDP port on its own thread and reports every datagram it
// reads to its ReceiverEvents. It starts as soon as it is made and stops
// when asked or when its socket cannot be opened or bound.
//
// Every member function may be called from any thread except the worker's
// own; requestStop() never blocks and is never lost, from the moment the
// object exists. The destructor requests a stop and joins, which takes at
// most one wait slice plus the handling of one datagram (a failure report
// being shown is ended by the stop).
class ReceiverWorker {
public:
    static constexpr std::chrono::milliseconds kWaitSlice{100};
    // Asked for so that a burst does not overflow the queue. Without the
    // privilege to go beyond net.core.rmem_max (208 KiB unless raised) the
    // kernel grants no more than that limit.
    static constexpr int kSocketBufferBytes = 4 * 1024 * 1024;

    // How the worker ended.
    enum ExitCode : int {
        kExitRunning = -1,      // not yet
        kExitStopped = 0,       // asked to stop
        kExitSocketError = 11,  // no socket could be opened ("Socket error")
        kExitBindError = 22,    // the port could not be bound ("Bind error")
    };

    ReceiverWorker(std::uint16_t port, ReceiverEvents& events);
    ~ReceiverWorker();
    ReceiverWorker(const ReceiverWorker&) = delete;
    ReceiverWorker& operator=(const ReceiverWorker&) = delete;

    void requestStop() noexcept;

    // False when no thread could be made; the worker is then finished with
    // kExitSocketError and has reported nothing.
    [[nodiscard]] bool started() const noexcept { return started_; }
    [[nodiscard]] bool finished() const noexcept;
    // kExitRunning until finished.
    [[nodiscard]] ExitCode exitCode() const noexcept;
    void join();
    // True once the worker has finished; waits at most the given time.
    [[nodiscard]] bool waitFinished(std::chrono::milliseconds timeout);

    // The port asked for when the worker was made.
    [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
    // The port actually bound (differs when 0 was asked for); 0 until bound.
    [[nodiscard]] std::uint16_t boundPort() const noexcept
    {
        return boundPort_.load(std::memory_order_acquire);
    }
    // Datagrams the kernel dropped for want of buffer space, over every
    // socket this worker has had. Brought up to date with each datagram
    // read, so drops after the last one read show with the next one.
    [[nodiscard]] std::uint64_t droppedDatagrams() const noexcept
    {
        return dropped_.load(std::memory_order_acquire);
    }
    // The receive buffer the kernel granted the socket (see
    // UdpSocket::receiveBufferSize); 0 until bound.
    [[nodiscard]] int receiveBufferBytes() const noexcept
    {
        return receiveBufferBytes_.load(std::memory_order_acquire);
    }
    // Datagrams read and handed on (text, MIDI or ignored kinds alike).
    [[nodiscard]] std::uint64_t datagramsHandled() const noexcept
    {
        return handled_.load(std::memory_order_acquire);
    }

private:
    void run(const std::stop_token& stop);
    [[nodiscard]] ExitCode listen(const std::stop_token& stop);
    [[nodiscard]] bool openAndBind(const std::stop_token& stop, ExitCode& exitCode);
    void dispatch(const UdpSocket::Received& received);
    void finish(ExitCode exitCode);

    std::uint16_t port_{};
    ReceiverEvents& events_;
    UdpSocket socket_;  // touched only by the worker's thread
    std::array<std::byte, kReceiveBufferBytes> buffer_{};
    std::uint64_t droppedBefore_{};  // drops of sockets already closed
    std::atomic<std::uint16_t> boundPort_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::uint64_t> handled_{0};
    std::atomic<int> receiveBufferBytes_{0};
    bool started_{false};

    mutable std::mutex finishMutex_;
    std::condition_variable finishedChanged_;
    bool finished_{false};  // guarded by finishMutex_
    ExitCode exitCode_{kExitRunning};

    // Last, so that the thread starts after every other member is ready.
    std::jthread thread_;
};

}  // namespace net
