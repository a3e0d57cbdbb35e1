#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace midi {

// Our client's name and our ports' names as other programs see them
// (aconnect -l, jack_lsp, QjackCtl, Patchage): "Mirevo:MIDI In".
inline constexpr const char* kClientName = "Mirevo";
inline constexpr const char* kInputPortName = "MIDI In";
inline constexpr const char* kOutputPortName = "MIDI Out";

// Which way a port of another program carries MIDI, seen from us.
enum class PortDirection : std::uint8_t {
    Source,       // we read from it (MIDI input)
    Destination,  // we play on it (MIDI output)
};

// A port of another program or device. It is known by its client's name and
// its own, as the MIDI system gives them; the ALSA sequencer's numbers
// (-1 under JACK) tell apart two ports of the same names.
struct MidiPort {
    std::string client;
    std::string port;
    int clientNumber{-1};
    int portNumber{-1};

    // "client:port", JACK's full name; under ALSA followed by the numbers
    // aconnect takes: "Keys:Keys MIDI 1 (24:0)".
    [[nodiscard]] std::string displayName() const;

    friend bool operator==(const MidiPort&, const MidiPort&) = default;
};

// The port in `ports` that is `wanted`: the one with the same names and
// numbers, else the first with the same names; nothing when no port has
// its names (it went away).
[[nodiscard]] const MidiPort* findPort(const std::vector<MidiPort>& ports, const MidiPort& wanted);

// A JACK port from its full name "client:port" (split at the first colon;
// the port's own name may hold more).
[[nodiscard]] MidiPort jackPort(std::string_view fullName);

}  // namespace midi
