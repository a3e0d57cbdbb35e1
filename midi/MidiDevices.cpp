#include "midi/MidiDevices.h"

#include <utility>

#include "midi/RtMidiOutput.h"
#include "midi/RtMidiSupport.h"
#include "midi/SynthOutput.h"

namespace midi {

namespace {

constexpr const char* kVirtualInputLine = "Mirevo MIDI In (virtual port)";
constexpr const char* kVirtualOutputLine = "Mirevo MIDI Out (virtual port)";
constexpr const char* kSynthLine = "Built-in synthesizer";
constexpr const char* kSynthNoAudioLine = "Built-in synthesizer (no audio output)";
constexpr const char* kSynthNoSoundFontLine = "Built-in synthesizer (no SoundFont)";
constexpr const char* kUnnamedLine = "(unnamed MIDI port)";

bool hasVirtualPorts(MidiBackend backend) noexcept
{
    return backend != MidiBackend::None;
}

void appendPorts(std::vector<std::string>& lines, const std::vector<MidiPort>& ports)
{
    for (const MidiPort& port : ports) {
        lines.push_back(port.name.empty() ? std::string(kUnnamedLine) : port.name);
    }
}

// The system's port on a line, given how many lines come before the ports.
const MidiPort* portOnLine(const std::vector<MidiPort>& ports, int line, int firstPortLine)
{
    const int index = line - firstPortLine;
    if (index < 0 || static_cast<std::size_t>(index) >= ports.size()) {
        return nullptr;
    }
    return &ports[static_cast<std::size_t>(index)];
}

}  // namespace

MidiDevices::MidiDevices() : backend_(detectMidiBackend()) {}

MidiDevices::MidiDevices(MidiBackend backend, SynthOptions synth)
    : backend_(backend), synth_(std::move(synth))
{
}

std::vector<std::string> MidiDevices::inputLines() const
{
    std::vector<std::string> lines;
    if (hasVirtualPorts(backend_)) {
        lines.emplace_back(kVirtualInputLine);
    }
    appendPorts(lines, listSourcePorts(backend_));
    return lines;
}

std::vector<std::string> MidiDevices::outputLines() const
{
    std::vector<std::string> lines;
    switch (synthProblem_->load()) {
        case SynthOutput::Problem::NoAudioOutput:
            lines.emplace_back(kSynthNoAudioLine);
            break;
        case SynthOutput::Problem::NoSoundFont:
            lines.emplace_back(kSynthNoSoundFontLine);
            break;
        default:
            lines.emplace_back(kSynthLine);
            break;
    }
    if (hasVirtualPorts(backend_)) {
        lines.emplace_back(kVirtualOutputLine);
    }
    appendPorts(lines, listDestinationPorts(backend_));
    return lines;
}

std::unique_ptr<MidiInput> MidiDevices::openInput(int line, MidiInput::Notify notify) const
{
    const bool virtualPort = hasVirtualPorts(backend_);
    if (line == defaultDevice) {
        line = 0;  // the virtual port, or the first port where there is none
    }
    if (virtualPort && line == 0) {
        return MidiInput::openVirtual(backend_, std::move(notify));
    }
    const std::vector<MidiPort> ports = listSourcePorts(backend_);
    const MidiPort* port = portOnLine(ports, line, virtualPort ? 1 : 0);
    if (port == nullptr) {
        return nullptr;
    }
    return MidiInput::openPort(backend_, *port, std::move(notify));
}

std::shared_ptr<MidiOutput> MidiDevices::openOutput(int line) const
{
    const bool virtualPort = hasVirtualPorts(backend_);
    if (isSynthesizer(line)) {
        return nullptr;
    }
    if (virtualPort && line == 1) {
        return RtMidiOutput::openVirtual(backend_);
    }
    const std::vector<MidiPort> ports = listDestinationPorts(backend_);
    const MidiPort* port = portOnLine(ports, line, virtualPort ? 2 : 1);
    if (port == nullptr) {
        return nullptr;
    }
    return RtMidiOutput::openPort(backend_, *port);
}

std::unique_ptr<SynthLoader> MidiDevices::loadSynthesizer(SynthLoader::Ready ready) const
{
    return std::make_unique<SynthLoader>(
        synth_, [problem = synthProblem_, ready = std::move(ready)](SynthOutput::Problem p) {
            problem->store(p);
            ready(p);
        });
}

}  // namespace midi
