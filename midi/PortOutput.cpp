#include "midi/PortOutput.h"

#include <utility>

#include "midi/MidiClient.h"

namespace midi {

PortOutput::PortOutput(std::shared_ptr<MidiClient> client) : client_(std::move(client)) {}

std::shared_ptr<PortOutput> PortOutput::open(std::shared_ptr<MidiClient> client,
                                             const MidiPort* destination)
{
    if (!client || !client->alive()) {
        return nullptr;
    }
    std::shared_ptr<PortOutput> output(new PortOutput(std::move(client)));
    if (!output->client_->connectFor(PortDirection::Destination, destination, output->connected_)) {
        return nullptr;
    }
    return output;
}

void PortOutput::play(std::uint32_t message)
{
    if (!released_.load(std::memory_order_relaxed)) {
        client_->send(message);
    }
}

void PortOutput::release()
{
    // What was played (the releases of what sounds, last of all) leaves
    // before the connection goes.
    client_->flush();
    released_.store(true, std::memory_order_relaxed);
    client_->disconnectMade(PortDirection::Destination, connected_);
}

bool PortOutput::lost() const noexcept
{
    return !client_->alive();
}

}  // namespace midi
