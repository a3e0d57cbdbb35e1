#include "midi/RtMidiOutput.h"

#include <optional>

#include "midi/RtMidiSupport.h"
#include "midi/ShortMessage.h"

namespace midi {

RtMidiOutput::RtMidiOutput() : errors_(std::make_unique<RtMidiErrorSink>()) {}

RtMidiOutput::~RtMidiOutput()
{
    if (out_) {
        closePortQuietly(*out_);
        out_.reset();
    }
}

bool RtMidiOutput::healthy() const noexcept
{
    return errors_->clean();
}

bool RtMidiOutput::create(MidiBackend backend)
{
    const std::optional<RtMidi::Api> api = rtMidiApi(backend);
    if (!api) {
        return false;
    }
    if (backend == MidiBackend::Jack) {
        silenceJackMessages();
    }
    out_ = std::make_unique<RtMidiOut>(*api, kClientName);
    errors_->install(*out_);
    return healthy();
}

std::unique_ptr<RtMidiOutput> RtMidiOutput::openVirtual(MidiBackend backend)
{
    std::unique_ptr<RtMidiOutput> output(new RtMidiOutput());
    try {
        if (!output->create(backend)) {
            return nullptr;
        }
        output->out_->openVirtualPort(kOutputPortName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    return output->healthy() ? std::move(output) : nullptr;
}

std::unique_ptr<RtMidiOutput> RtMidiOutput::openPort(MidiBackend backend, const MidiPort& port)
{
    std::unique_ptr<RtMidiOutput> output(new RtMidiOutput());
    try {
        if (!output->create(backend)) {
            return nullptr;
        }
        const std::optional<unsigned> index = findPort(*output->out_, port);
        if (!index) {
            return nullptr;
        }
        output->out_->openPort(*index, kOutputPortName);
        if (!output->out_->isPortOpen()) {
            return nullptr;
        }
    } catch (const RtMidiError&) {
        return nullptr;
    }
    return output->healthy() ? std::move(output) : nullptr;
}

void RtMidiOutput::play(std::uint32_t message)
{
    const std::optional<ShortMessageBytes> bytes = unpackShortMessage(message);
    if (!bytes) {
        return;
    }
    const std::lock_guard lock(sendMutex_);
    try {
        out_->sendMessage(bytes->bytes.data(), bytes->size);
    } catch (const RtMidiError&) {
        // Counted by the error sink; the message is lost.
    }
}

}  // namespace midi
