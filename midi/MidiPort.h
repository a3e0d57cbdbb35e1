#pragma once

#include <string>
#include <string_view>

namespace midi {

// Our client's name and our ports' names as other programs see them
// (aconnect -l, QjackCtl, Patchage).
inline constexpr const char* kClientName = "Mirevo";
inline constexpr const char* kInputPortName = "MIDI In";
inline constexpr const char* kOutputPortName = "MIDI Out";

// A port of another program or device, as the MIDI system listed it.
struct MidiPort {
    unsigned index{};  // position in the MIDI system's own list when it was read
    std::string name;  // the MIDI system's name for it; empty when it could not be read
};

// Whether a listed port name is one of Mirevo's own ports. The MIDI system
// names a port "client:port": JACK may number a repeated client name
// ("Mirevo-01"), and ALSA adds the client and port numbers ("Mirevo:MIDI In
// 129:0"). Ports of another running Mirevo look the same and are hidden too.
[[nodiscard]] bool isOwnPortName(std::string_view name) noexcept;

}  // namespace midi
