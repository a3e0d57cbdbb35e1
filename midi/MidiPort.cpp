#include "midi/MidiPort.h"

#include <algorithm>

namespace midi {

namespace {

bool isDigits(std::string_view text) noexcept
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "Mirevo" or "Mirevo-<n>".
bool isOurClient(std::string_view client) noexcept
{
    const std::string_view ours = kClientName;
    if (!client.starts_with(ours)) {
        return false;
    }
    const std::string_view rest = client.substr(ours.size());
    return rest.empty() || (rest.front() == '-' && isDigits(rest.substr(1)));
}

// "MIDI In" or "MIDI In <client>:<port>", likewise for "MIDI Out".
bool isOurPort(std::string_view port) noexcept
{
    for (const std::string_view ours :
         {std::string_view(kInputPortName), std::string_view(kOutputPortName)}) {
        if (!port.starts_with(ours)) {
            continue;
        }
        const std::string_view rest = port.substr(ours.size());
        if (rest.empty()) {
            return true;
        }
        if (rest.front() != ' ') {
            continue;
        }
        const std::string_view numbers = rest.substr(1);
        const std::size_t colon = numbers.find(':');
        if (colon != std::string_view::npos && isDigits(numbers.substr(0, colon)) &&
            isDigits(numbers.substr(colon + 1))) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool isOwnPortName(std::string_view name) noexcept
{
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    return isOurClient(name.substr(0, colon)) && isOurPort(name.substr(colon + 1));
}

}  // namespace midi
