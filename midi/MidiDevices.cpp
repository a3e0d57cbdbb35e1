#include "midi/MidiDevices.h"

#include <mutex>
#include <utility>

#include "midi/AlsaClient.h"
#include "midi/JackClient.h"
#include "midi/PortOutput.h"
#include "midi/SynthOutput.h"

namespace midi {

namespace {

constexpr const char* kSynthLine = "Built-in synthesizer";
constexpr const char* kSynthNoAudioLine = "Built-in synthesizer (no audio output)";
constexpr const char* kSynthNoSoundFontLine = "Built-in synthesizer (no SoundFont)";
constexpr const char* kOwnPortSuffix = " (Mirevo's own port)";

MidiDeviceEntry ownPortEntry(const MidiClient& client, PortDirection direction)
{
    return MidiDeviceEntry{.kind = MidiDeviceEntry::Kind::OwnPort,
                           .system = client.system(),
                           .port = {},
                           .name = client.ownPortName(direction) + kOwnPortSuffix};
}

void appendPorts(std::vector<MidiDeviceEntry>& lines, MidiClient& client, PortDirection direction)
{
    for (MidiPort& port : client.ports(direction)) {
        std::string name = port.displayName();
        lines.push_back(MidiDeviceEntry{.kind = MidiDeviceEntry::Kind::Port,
                                        .system = client.system(),
                                        .port = std::move(port),
                                        .name = std::move(name)});
    }
}

}  // namespace

// Whom to tell that a MIDI system went away. Shared with the clients, whose
// threads call it; the lock keeps a handler from being replaced while it runs.
class MidiDevices::LostSignal {
public:
    void set(std::function<void()> handler)
    {
        const std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
    }
    void raise()
    {
        const std::lock_guard lock(mutex_);
        if (handler_) {
            handler_();
        }
    }

private:
    std::mutex mutex_;
    std::function<void()> handler_;
};

MidiDevices::MidiDevices(SynthOptions synth)
    : synth_(std::move(synth)), lost_(std::make_shared<LostSignal>())
{
}

MidiDevices::MidiDevices(MidiBackend only, SynthOptions synth)
    : only_(only), synth_(std::move(synth)), lost_(std::make_shared<LostSignal>())
{
}

MidiDevices::~MidiDevices()
{
    lost_->set({});
}

void MidiDevices::setLostHandler(std::function<void()> handler)
{
    lost_->set(std::move(handler));
}

std::shared_ptr<MidiClient> MidiDevices::client(MidiBackend system)
{
    if (system == MidiBackend::None) {
        return nullptr;
    }
    std::shared_ptr<MidiClient>& slot = system == MidiBackend::Alsa ? alsa_ : jack_;
    forgetLostSystems();
    if (!slot) {
        if (system == MidiBackend::Alsa) {
            slot = AlsaClient::open();
        } else {
            slot = JackClient::open([lost = lost_] { lost->raise(); });
        }
    }
    return slot;
}

std::shared_ptr<MidiClient> MidiDevices::currentSystem()
{
    if (only_) {
        return client(*only_);
    }
    if (std::shared_ptr<MidiClient> alsa = client(MidiBackend::Alsa)) {
        return alsa;
    }
    return client(MidiBackend::Jack);
}

void MidiDevices::forgetLostSystems()
{
    for (std::shared_ptr<MidiClient>* slot : {&alsa_, &jack_}) {
        if (*slot && !(*slot)->alive()) {
            (*slot)->closeLost();
            slot->reset();
        }
    }
}

std::vector<MidiDeviceEntry> MidiDevices::inputs()
{
    std::vector<MidiDeviceEntry> lines;
    if (const std::shared_ptr<MidiClient> system = currentSystem()) {
        lines.push_back(ownPortEntry(*system, PortDirection::Source));
        appendPorts(lines, *system, PortDirection::Source);
    }
    return lines;
}

std::vector<MidiDeviceEntry> MidiDevices::outputs()
{
    std::vector<MidiDeviceEntry> lines{defaultOutput()};
    if (const std::shared_ptr<MidiClient> system = currentSystem()) {
        lines.push_back(ownPortEntry(*system, PortDirection::Destination));
        appendPorts(lines, *system, PortDirection::Destination);
    }
    return lines;
}

MidiDeviceEntry MidiDevices::defaultInput()
{
    const std::shared_ptr<MidiClient> system = currentSystem();
    return system ? ownPortEntry(*system, PortDirection::Source) : MidiDeviceEntry{};
}

MidiDeviceEntry MidiDevices::defaultOutput() const
{
    const char* name = kSynthLine;
    switch (synthProblem_->load()) {
        case SynthOutput::Problem::NoAudioOutput:
            name = kSynthNoAudioLine;
            break;
        case SynthOutput::Problem::NoSoundFont:
            name = kSynthNoSoundFontLine;
            break;
        default:
            break;
    }
    return MidiDeviceEntry{.kind = MidiDeviceEntry::Kind::Synthesizer,
                           .system = MidiBackend::None,
                           .port = {},
                           .name = name};
}

std::unique_ptr<MidiInput> MidiDevices::openInput(const MidiDeviceEntry& entry,
                                                  MidiInput::Notify notify)
{
    if (entry.kind == MidiDeviceEntry::Kind::Synthesizer) {
        return nullptr;
    }
    const bool own = entry.kind == MidiDeviceEntry::Kind::OwnPort;
    return MidiInput::open(client(entry.system), own ? nullptr : &entry.port, std::move(notify));
}

std::shared_ptr<MidiOutput> MidiDevices::openOutput(const MidiDeviceEntry& entry)
{
    if (entry.kind == MidiDeviceEntry::Kind::Synthesizer) {
        return nullptr;  // loadSynthesizer()
    }
    const bool own = entry.kind == MidiDeviceEntry::Kind::OwnPort;
    return PortOutput::open(client(entry.system), own ? nullptr : &entry.port);
}

std::unique_ptr<SynthLoader> MidiDevices::loadSynthesizer(SynthLoader::Ready ready) const
{
    // The synthesizer's JACK server going away is told as the MIDI
    // system's is, so that the window closes it before a new client opens.
    SynthOptions options = synth_;
    options.jackLost = [lost = lost_] { lost->raise(); };
    return std::make_unique<SynthLoader>(
        std::move(options),
        [problem = synthProblem_, ready = std::move(ready)](SynthOutput::Problem p) {
            problem->store(p);
            ready(p);
        });
}

}  // namespace midi
