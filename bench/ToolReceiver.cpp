#include "bench/ToolReceiver.h"

#include <chrono>
#include <thread>
#include <utility>

#include "bench/ArrivalOutput.h"

namespace bench {

ToolReceiver::ToolReceiver(ArrivalLog& log) : ToolReceiver(std::make_shared<ArrivalOutput>(log)) {}

ToolReceiver::ToolReceiver(std::shared_ptr<midi::MidiOutput> output)
{
    (void)slot_.replace(std::move(output));
    bridge_.setMidiSink([this](const net::Ipv4Endpoint& from, std::uint32_t message) {
        slot_.play(from.address, message);
    });
    worker_ = std::make_unique<net::ReceiverWorker>(0, bridge_);
    for (int i = 0; i < 5000 && !worker_->finished(); ++i) {
        port_ = worker_->boundPort();
        if (port_ != 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ToolReceiver::~ToolReceiver()
{
    // The worker reports to the bridge until it is joined.
    worker_.reset();
}

}  // namespace bench
