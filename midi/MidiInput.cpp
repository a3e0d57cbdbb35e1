#include "midi/MidiInput.h"

#include <span>
#include <utility>

#include "midi/RtMidiSupport.h"
#include "midi/ShortMessage.h"

namespace midi {

namespace {

// RtMidi's own queue is not used once a callback is set.
constexpr unsigned kRtMidiQueueSize = 16;

}  // namespace

MidiInput::MidiInput(Notify notify)
    : notify_(std::move(notify)), errors_(std::make_unique<RtMidiErrorSink>())
{
}

MidiInput::~MidiInput()
{
    if (in_) {
        closePortQuietly(*in_);
        in_.reset();
    }
}

bool MidiInput::create(MidiBackend backend)
{
    const std::optional<RtMidi::Api> api = rtMidiApi(backend);
    if (!api) {
        return false;
    }
    if (backend == MidiBackend::Jack) {
        silenceJackMessages();
    }
    in_ = std::make_unique<RtMidiIn>(*api, kClientName, kRtMidiQueueSize);
    errors_->install(*in_);
    // System Exclusive is not forwarded; timing and active sensing are.
    in_->ignoreTypes(true, false, false);
    in_->setCallback(&MidiInput::received, this);
    return errors_->clean();
}

std::unique_ptr<MidiInput> MidiInput::openVirtual(MidiBackend backend, Notify notify)
{
    std::unique_ptr<MidiInput> input(new MidiInput(std::move(notify)));
    try {
        if (!input->create(backend)) {
            return nullptr;
        }
        input->in_->openVirtualPort(kInputPortName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (!input->errors_->clean()) {
        return nullptr;
    }
    return input;
}

std::unique_ptr<MidiInput> MidiInput::openPort(MidiBackend backend, const MidiPort& port,
                                               Notify notify)
{
    std::unique_ptr<MidiInput> input(new MidiInput(std::move(notify)));
    try {
        if (!input->create(backend)) {
            return nullptr;
        }
        const std::optional<unsigned> index = findPort(*input->in_, port);
        if (!index) {
            return nullptr;
        }
        input->in_->openPort(*index, kInputPortName);
        if (!input->in_->isPortOpen()) {
            return nullptr;
        }
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (!input->errors_->clean()) {
        return nullptr;
    }
    return input;
}

std::size_t MidiInput::drain(const Handler& handler)
{
    return queue_.drain(handler);
}

void MidiInput::received(double /*deltaTime*/, std::vector<unsigned char>* bytes, void* self)
{
    auto* input = static_cast<MidiInput*>(self);
    if (bytes == nullptr) {
        return;
    }
    const std::optional<std::uint32_t> packed =
        packShortMessage(std::span<const std::uint8_t>(bytes->data(), bytes->size()));
    if (!packed) {
        return;  // System Exclusive or not one short message: not forwarded
    }
    if (input->queue_.push(*packed) == MessageQueue::Push::QueuedWake && input->notify_) {
        input->notify_();
    }
}

}  // namespace midi
