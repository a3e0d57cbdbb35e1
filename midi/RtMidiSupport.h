#pragma once

// RtMidi glue shared by MidiInput and RtMidiOutput. Only midi/*.cpp
// include this; nothing outside midi/ sees RtMidi.

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midi/MidiBackend.h"
#include "midi/MidiPort.h"

namespace midi {

// The RtMidi API of a backend; nothing for MidiBackend::None.
[[nodiscard]] std::optional<RtMidi::Api> rtMidiApi(MidiBackend backend) noexcept;

// Receives RtMidi's complaints instead of the console, on whatever thread
// they happen, and counts them. Once installed, RtMidi neither prints nor
// throws: a call that went wrong shows up as a higher count.
class RtMidiErrorSink {
public:
    void install(RtMidi& midi) { midi.setErrorCallback(&RtMidiErrorSink::report, this); }

    // Errors more serious than a warning, so far.
    [[nodiscard]] std::uint64_t errorCount() const noexcept
    {
        return errors_.load(std::memory_order_relaxed);
    }
    // Nothing went wrong so far, not even a warning.
    [[nodiscard]] bool clean() const noexcept { return errorCount() == 0 && warningCount() == 0; }

    // Warnings, so far ("no ports available", "server not running").
    [[nodiscard]] std::uint64_t warningCount() const noexcept
    {
        return warnings_.load(std::memory_order_relaxed);
    }

private:
    static void report(RtMidiError::Type type, const std::string& text, void* self);

    std::atomic<std::uint64_t> errors_{0};
    std::atomic<std::uint64_t> warnings_{0};
};

// Closes the port of `midi`. Closing is all that is left to do with it, so
// a complaint from RtMidi is ignored.
void closePortQuietly(RtMidi& midi) noexcept;

// The ports another program can be read from (sources), or written to
// (destinations), leaving out our own. Empty when the backend cannot be
// reached.
[[nodiscard]] std::vector<MidiPort> listSourcePorts(MidiBackend backend);
[[nodiscard]] std::vector<MidiPort> listDestinationPorts(MidiBackend backend);

// Where `port` is in the list of `midi` now: found by its name, since the
// list may have changed since it was read; by its old position when its name
// could not be read.
[[nodiscard]] std::optional<unsigned> findPort(RtMidi& midi, const MidiPort& port);

}  // namespace midi
