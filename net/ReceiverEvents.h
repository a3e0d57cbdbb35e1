#pragma once

#include "net/Failure.h"
#include "net/UdpSocket.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <stop_token>
#include <string_view>

namespace net {

class ReceiverWorker;

// What a receiver worker reports. Every call is made on the worker's own
// thread, so an implementation only queues or hands over; it never touches
// a window.
//
// Lifetime: an implementation must outlive every worker reporting to it.
// Each worker attaches itself when it is made and detaches once its thread
// has been joined; destroying events that still have a worker attached ends
// the process at once rather than leave that worker calling into freed
// memory. Owners therefore stop and join their workers first.
class ReceiverEvents {
public:
    ReceiverEvents() = default;
    ReceiverEvents(const ReceiverEvents&) = delete;
    ReceiverEvents& operator=(const ReceiverEvents&) = delete;
    virtual ~ReceiverEvents()
    {
        if (attachedWorkers() != 0) {
            std::abort();
        }
    }

    // The socket is bound and the worker listens on this port (again after
    // every reopening). Nothing to do for most.
    virtual void listening(std::uint16_t /*port*/) {}

    // A text datagram arrived: its text runs up to the first zero byte or
    // the datagram's end. The bytes are handed over as received.
    virtual void textReceived(const Ipv4Endpoint& from, std::string_view text) = 0;

    // A MIDI datagram arrived from this sender, holding this short message.
    virtual void midiReceived(const Ipv4Endpoint& from, std::uint32_t message) = 0;

    // Shows the failure to the user and returns once it was dismissed or a
    // stop was requested, whichever comes first, so that a worker sitting in
    // an error report can always be stopped.
    virtual void failed(Failure failure, std::stop_token stop) = 0;

    // Workers currently attached (made and not yet joined and destroyed).
    [[nodiscard]] int attachedWorkers() const noexcept
    {
        return attached_.load(std::memory_order_acquire);
    }

private:
    friend class ReceiverWorker;
    void attach() noexcept { attached_.fetch_add(1, std::memory_order_acq_rel); }
    void detach() noexcept { attached_.fetch_sub(1, std::memory_order_acq_rel); }

    std::atomic<int> attached_{0};
};

}  // namespace net
