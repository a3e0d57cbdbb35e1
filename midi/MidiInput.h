#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/MessageQueue.h"
#include "midi/MidiBackend.h"
#include "midi/MidiPort.h"

class RtMidiIn;

namespace midi {

class RtMidiErrorSink;

// An open MIDI input: our own virtual input port, or a connection from a
// port of another program or device. Every short message it receives is
// packed unchanged (real-time messages included; System Exclusive is not
// taken) and queued by the MIDI system's thread; the window takes them on
// its own thread with drain().
//
// Threads: the MIDI system's thread only queues and, when the queue needs
// the window's attention, calls `notify`. notify must be quick and must not
// call back into this object; the window's posts a queued call that runs
// drain() later on the window's thread. That queued call may come after the
// input was closed, so it must look the input up again rather than keep a
// pointer to it.
class MidiInput {
public:
    using Notify = std::function<void()>;
    using Handler = std::function<void(std::uint32_t)>;

    // Nothing when the port cannot be made or connected.
    [[nodiscard]] static std::unique_ptr<MidiInput> openVirtual(MidiBackend backend, Notify notify);
    [[nodiscard]] static std::unique_ptr<MidiInput> openPort(MidiBackend backend,
                                                             const MidiPort& port, Notify notify);

    // Closes the port; once it returns, the MIDI system no longer calls in.
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;
    MidiInput(MidiInput&&) = delete;
    MidiInput& operator=(MidiInput&&) = delete;

    // On the window's thread: hands every queued message to handler, oldest
    // first; returns how many.
    std::size_t drain(const Handler& handler);

private:
    explicit MidiInput(Notify notify);
    [[nodiscard]] bool create(MidiBackend backend);
    static void received(double deltaTime, std::vector<unsigned char>* bytes, void* self);

    Notify notify_;
    MessageQueue queue_;
    std::unique_ptr<RtMidiErrorSink> errors_;
    std::unique_ptr<RtMidiIn> in_;  // last, so it closes before the rest goes
};

}  // namespace midi
