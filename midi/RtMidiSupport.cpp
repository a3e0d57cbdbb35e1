#include "midi/RtMidiSupport.h"

#include <memory>

namespace midi {

namespace {

template <typename Midi>
std::vector<MidiPort> listPorts(MidiBackend backend)
{
    std::vector<MidiPort> ports;
    const std::optional<RtMidi::Api> api = rtMidiApi(backend);
    if (!api) {
        return ports;
    }
    if (backend == MidiBackend::Jack) {
        silenceJackMessages();
    }
    try {
        RtMidiErrorSink errors;  // outlives midi, which may still report while it closes
        Midi midi(*api, kClientName);
        errors.install(midi);
        const unsigned count = midi.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            std::string name = midi.getPortName(i);
            if (!isOwnPortName(name)) {
                ports.push_back(MidiPort{i, std::move(name)});
            }
        }
    } catch (const RtMidiError&) {
        ports.clear();
    }
    return ports;
}

}  // namespace

std::optional<RtMidi::Api> rtMidiApi(MidiBackend backend) noexcept
{
    switch (backend) {
        case MidiBackend::Alsa:
            return RtMidi::LINUX_ALSA;
        case MidiBackend::Jack:
            return RtMidi::UNIX_JACK;
        case MidiBackend::None:
            break;
    }
    return std::nullopt;
}

void RtMidiErrorSink::report(RtMidiError::Type type, const std::string& /*text*/, void* self)
{
    auto* sink = static_cast<RtMidiErrorSink*>(self);
    switch (type) {
        case RtMidiError::WARNING:
        case RtMidiError::DEBUG_WARNING:
            sink->warnings_.fetch_add(1, std::memory_order_relaxed);
            break;
        default:
            sink->errors_.fetch_add(1, std::memory_order_relaxed);
            break;
    }
}

std::vector<MidiPort> listSourcePorts(MidiBackend backend)
{
    return listPorts<RtMidiIn>(backend);
}

std::vector<MidiPort> listDestinationPorts(MidiBackend backend)
{
    return listPorts<RtMidiOut>(backend);
}

std::optional<unsigned> findPort(RtMidi& midi, const MidiPort& port)
{
    const unsigned count = midi.getPortCount();
    if (port.name.empty()) {
        return port.index < count ? std::optional<unsigned>(port.index) : std::nullopt;
    }
    for (unsigned i = 0; i < count; ++i) {
        if (midi.getPortName(i) == port.name) {
            return i;
        }
    }
    return std::nullopt;
}

void closePortQuietly(RtMidi& midi) noexcept
{
    try {
        midi.closePort();
    } catch (const RtMidiError&) {
        // The port goes with the object all the same.
    }
}

}  // namespace midi
