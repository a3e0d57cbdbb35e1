#include "net/ReceiverWorker.h"
#include "net/ThreadPriority.h"

#include "net/Datagram.h"

#include <system_error>
#include <variant>

namespace net {

ReceiverWorker::ReceiverWorker(std::uint16_t port, ReceiverEvents& events)
    : port_(port), events_(events)
{
    events_.attach();
    try {
        thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
        started_ = true;
    } catch (const std::system_error&) {
        finish(kExitSocketError);
    }
}

ReceiverWorker::~ReceiverWorker()
{
    requestStop();
    join();
    events_.detach();
}

void ReceiverWorker::requestStop() noexcept
{
    thread_.request_stop();
}

bool ReceiverWorker::finished() const noexcept
{
    const std::lock_guard lock(finishMutex_);
    return finished_;
}

ReceiverWorker::ExitCode ReceiverWorker::exitCode() const noexcept
{
    const std::lock_guard lock(finishMutex_);
    return exitCode_;
}

void ReceiverWorker::join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool ReceiverWorker::waitFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(finishMutex_);
    return finishedChanged_.wait_for(lock, timeout, [this] { return finished_; });
}

void ReceiverWorker::finish(ExitCode exitCode)
{
    socket_.close();
    const std::lock_guard lock(finishMutex_);
    finished_ = true;
    exitCode_ = exitCode;
    finishedChanged_.notify_all();
}

void ReceiverWorker::run(const std::stop_token& stop)
{
    // Received MIDI is played from here: no flood of work elsewhere may
    // keep it waiting.
    (void)runAheadOfOrdinaryThreads();
    finish(listen(stop));
}

ReceiverWorker::ExitCode ReceiverWorker::listen(const std::stop_token& stop)
{
    ExitCode exitCode = kExitStopped;
    if (!openAndBind(stop, exitCode)) {
        return exitCode;
    }
    for (;;) {
        buffer_.fill(std::byte{0});
        if (stop.stop_requested()) {
            return kExitStopped;
        }
        // Waits at most one slice, so that a stop request is seen in time.
        const UdpSocket::Received received = socket_.receive(buffer_, kWaitSlice);
        if (received.wouldBlock) {
            continue;
        }
        // A stop that came during the wait leaves the datagram unhandled.
        if (stop.stop_requested()) {
            return kExitStopped;
        }
        if (!received.failed) {
            dropped_.store(droppedBefore_ + received.dropped, std::memory_order_release);
        }
        if (received.failed || received.truncated) {
            // A datagram that did not fit is never handled in part.
            events_.failed(Failure::Recv, stop);
            droppedBefore_ = dropped_.load(std::memory_order_relaxed);
            socket_.close();
            if (stop.stop_requested()) {
                return kExitStopped;
            }
            if (!openAndBind(stop, exitCode)) {
                return exitCode;
            }
            continue;
        }
        dispatch(received);
        handled_.fetch_add(1, std::memory_order_acq_rel);
    }
}

bool ReceiverWorker::openAndBind(const std::stop_token& stop, ExitCode& exitCode)
{
    socket_ = UdpSocket::open();
    if (!socket_.valid()) {
        events_.failed(Failure::Socket, stop);
        exitCode = kExitSocketError;
        return false;
    }
    // Neither is essential: without them bursts overflow sooner and drops
    // go uncounted.
    socket_.setReceiveBufferSize(kSocketBufferBytes);
    receiveBufferBytes_.store(socket_.receiveBufferSize(), std::memory_order_release);
    socket_.enableDropCounter();

    // After a reopening, stay on the port first bound, also when any free
    // port was asked for.
    const std::uint16_t previous = boundPort();
    const std::uint16_t wanted = previous != 0 ? previous : port_;
    if (!socket_.bindAny(wanted)) {
        socket_.close();
        events_.failed(Failure::Bind, stop);
        exitCode = kExitBindError;
        return false;
    }
    const auto local = socket_.localEndpoint();
    const std::uint16_t bound = local ? local->port : wanted;
    boundPort_.store(bound, std::memory_order_release);
    events_.listening(bound);
    return true;
}

void ReceiverWorker::dispatch(const UdpSocket::Received& received)
{
    const DatagramContent content =
        readDatagram(std::span<const std::byte>(buffer_).first(received.size));
    if (const auto* text = std::get_if<TextMessage>(&content)) {
        events_.textReceived(received.from, text->text);
    } else if (const auto* midi = std::get_if<MidiMessage>(&content)) {
        events_.midiReceived(received.from, midi->message);
    }
    // An empty datagram or any other kind is dropped without a word.
}

}  // namespace net
