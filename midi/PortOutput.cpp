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
    if (destination != nullptr) {
        switch (output->client_->connect(PortDirection::Destination, *destination)) {
            case MidiClient::Connection::Made:
                output->connected_ = *destination;
                break;
            case MidiClient::Connection::AlreadyThere:
                break;
            case MidiClient::Connection::Failed:
                return nullptr;
        }
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
    released_.store(true, std::memory_order_relaxed);
    if (connected_ && client_->alive()) {
        client_->disconnect(PortDirection::Destination, *connected_);
    }
    connected_.reset();
}

bool PortOutput::lost() const noexcept
{
    return !client_->alive();
}

}  // namespace midi
