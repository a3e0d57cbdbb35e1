#include "midi/MidiPort.h"

#include <algorithm>

namespace midi {

std::string MidiPort::displayName() const
{
    std::string name = client + ":" + port;
    if (clientNumber >= 0) {
        name += " (" + std::to_string(clientNumber) + ":" + std::to_string(portNumber) + ")";
    }
    return name;
}

const MidiPort* findPort(const std::vector<MidiPort>& ports, const MidiPort& wanted)
{
    const auto exact = std::ranges::find(ports, wanted);
    if (exact != ports.end()) {
        return &*exact;
    }
    const auto named = std::ranges::find_if(ports, [&](const MidiPort& port) {
        return port.client == wanted.client && port.port == wanted.port;
    });
    return named != ports.end() ? &*named : nullptr;
}

MidiPort jackPort(std::string_view fullName)
{
    const std::size_t colon = fullName.find(':');
    if (colon == std::string_view::npos) {
        return MidiPort{.client = {}, .port = std::string(fullName)};
    }
    return MidiPort{.client = std::string(fullName.substr(0, colon)),
                    .port = std::string(fullName.substr(colon + 1))};
}

}  // namespace midi
