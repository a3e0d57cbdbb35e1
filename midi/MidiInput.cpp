#include "midi/MidiInput.h"

#include <utility>

#include "midi/MidiClient.h"

namespace midi {

MidiInput::MidiInput(std::shared_ptr<MidiClient> client) : client_(std::move(client)) {}

std::unique_ptr<MidiInput> MidiInput::open(std::shared_ptr<MidiClient> client,
                                           const MidiPort* source, Notify notify)
{
    if (!client || !client->alive()) {
        return nullptr;
    }
    std::unique_ptr<MidiInput> input(new MidiInput(std::move(client)));
    MidiClient& midi = *input->client_;
    input->open_ = midi.input().open(std::move(notify));
    if (!input->open_) {
        return nullptr;  // another input has the port
    }
    if (!midi.connectFor(PortDirection::Source, source, input->connected_)) {
        return nullptr;
    }
    return input;
}

MidiInput::~MidiInput()
{
    if (open_) {
        stop();
        client_->input().release();
    }
    client_->disconnectMade(PortDirection::Source, connected_);
}

void MidiInput::stop()
{
    if (!open_ || stopped_) {
        return;
    }
    stopped_ = true;
    client_->input().close([this] { return !client_->alive(); });
}

std::size_t MidiInput::drain(const Handler& handler)
{
    return open_ ? client_->input().drain(handler) : 0;
}

std::uint64_t MidiInput::overflowCount() const noexcept
{
    return open_ ? client_->input().overflowCount() : 0;
}

bool MidiInput::lost() const noexcept
{
    return !client_->alive();
}

}  // namespace midi
