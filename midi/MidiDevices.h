#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "midi/MidiBackend.h"
#include "midi/MidiDeviceEntry.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "midi/SynthLoader.h"
#include "midi/SynthOptions.h"
#include "midi/SynthOutput.h"

namespace midi {

class MidiClient;

// The MIDI devices to choose from, and the one client "Mirevo" per MIDI
// system they are opened through (made when first needed, kept while its
// system lives, so our port names never change and a listing adds no
// client).
//
// Every listing looks for the MIDI systems afresh: the ALSA sequencer when
// it can be used, else a running JACK server (a server started, or started
// again, after us is found). Input lines: 0 is our own "MIDI In" (other
// programs connect to it), then the system's ports we can read from.
// Output lines: 0 is the built-in synthesizer, 1 our own "MIDI Out", then
// the system's ports we can write to. Our own ports are never listed among
// the system's. Without a MIDI system the input list is empty and the
// output list holds the synthesizer alone. An entry opens the device it
// named when listed, found again by its names, or nothing if it went away.
// The synthesizer's line says why it did not open the last time it was
// tried, if it did not; the synthesizer, which takes a while to load, is
// not opened by openOutput() but by loadSynthesizer().
//
// When a JACK server goes away, its client is marked dead and the lost
// handler is called from JACK's thread; devices open on it say lost(), and
// forgetLostSystems() (on this thread; every listing and opening does it
// too) closes the client. A later listing or opening uses a new server if
// one runs.
//
// The window's thread only (listing and opening take a few milliseconds).
class MidiDevices {
public:
    // Looks for the ALSA sequencer, then a JACK server, at every listing.
    explicit MidiDevices(SynthOptions synth = {});
    // Uses only this MIDI system (None: no MIDI system at all).
    explicit MidiDevices(MidiBackend only, SynthOptions synth = {});
    ~MidiDevices();
    MidiDevices(const MidiDevices&) = delete;
    MidiDevices& operator=(const MidiDevices&) = delete;
    MidiDevices(MidiDevices&&) = delete;
    MidiDevices& operator=(MidiDevices&&) = delete;

    // The lines of the selection window, in order.
    [[nodiscard]] std::vector<MidiDeviceEntry> inputs();
    [[nodiscard]] std::vector<MidiDeviceEntry> outputs();
    // What opens at start and when the output choice is cancelled: our own
    // "MIDI In"; the built-in synthesizer.
    [[nodiscard]] MidiDeviceEntry defaultInput();
    [[nodiscard]] MidiDeviceEntry defaultOutput() const;

    // Nothing when the device is gone or cannot be opened. One input at a
    // time per MIDI system. See MidiInput for what notify must do.
    [[nodiscard]] std::unique_ptr<MidiInput> openInput(const MidiDeviceEntry& entry,
                                                       MidiInput::Notify notify);
    [[nodiscard]] std::shared_ptr<MidiOutput> openOutput(const MidiDeviceEntry& entry);
    // Starts loading the synthesizer on a thread of its own (SynthLoader).
    [[nodiscard]] std::unique_ptr<SynthLoader> loadSynthesizer(SynthLoader::Ready ready) const;

    // Called on a MIDI system's thread when a system we have a client in
    // goes away; must be quick. Empty: nobody is told. Once this returns, a
    // handler set before is not running and will not be called.
    void setLostHandler(std::function<void()> handler);
    // Closes our clients in MIDI systems that went away, at once: devices
    // still open on them do nothing any more but say lost().
    void forgetLostSystems();

private:
    class LostSignal;

    // Our client in the system to list now, made if needed; nothing when no
    // MIDI system can be reached.
    [[nodiscard]] std::shared_ptr<MidiClient> currentSystem();
    // Our client in this system, made if needed.
    [[nodiscard]] std::shared_ptr<MidiClient> client(MidiBackend system);

    std::optional<MidiBackend> only_;
    SynthOptions synth_;
    std::shared_ptr<LostSignal> lost_;
    std::shared_ptr<MidiClient> alsa_;
    std::shared_ptr<MidiClient> jack_;
    // What kept the synthesizer from opening the last time; shared with the
    // loading threads, which may end after these devices.
    std::shared_ptr<std::atomic<SynthOutput::Problem>> synthProblem_ =
        std::make_shared<std::atomic<SynthOutput::Problem>>(SynthOutput::Problem::None);
};

}  // namespace midi
