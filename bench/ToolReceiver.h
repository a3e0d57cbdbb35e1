#pragma once

#include <cstdint>
#include <memory>

#include "bench/ArrivalLog.h"
#include "midi/MidiOutputSlot.h"
#include "net/ReceiverWorker.h"
#include "peer/ReceiverBridge.h"

namespace bench {

// Mirevo's receiving side as the window puts it together: a receiver worker
// on a free port reporting to the bridge, whose MIDI goes to the output
// slot, which plays on an output recording each arrival (or on the given
// output).
class ToolReceiver {
public:
    explicit ToolReceiver(ArrivalLog& log);
    explicit ToolReceiver(std::shared_ptr<midi::MidiOutput> output);
    ~ToolReceiver();
    ToolReceiver(const ToolReceiver&) = delete;
    ToolReceiver& operator=(const ToolReceiver&) = delete;

    // 0 when the worker could not bind.
    [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
    [[nodiscard]] const net::ReceiverWorker& worker() const noexcept { return *worker_; }

private:
    midi::MidiOutputSlot slot_;
    peer::ReceiverBridge bridge_;
    std::unique_ptr<net::ReceiverWorker> worker_;
    std::uint16_t port_{};
};

}  // namespace bench
