#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "midi/MidiOutput.h"
#include "midi/NoteTracker.h"

namespace midi {

// The output device currently open, if any, and the notes played on it
// that still sound, per source. The front end opens, replaces and closes
// the device at any moment while receiver workers play every received
// message on it.
//
// Nothing the slot started is left sounding: when the device is replaced or
// closed, when the front end asks (listening stopped), and when a source
// that sent Active Sensing falls silent for 300 ms, the notes that source
// started get their release (Note On of velocity 0) and its held pedals a
// sustain off, on the device they were played on, before it goes. Only
// those: never a reset, never All Notes Off for notes it did not start.
//
// Plays happen under the lock, as do the releases, so no note can start
// between its releases and the device's closing; a play is a push into the
// device's queue. A device is never released or destroyed under the lock.
class MidiOutputSlot {
public:
    using Clock = std::chrono::steady_clock;
    // A source: the sender's IPv4 address (a peer sends every datagram from
    // a port of its own).
    using Source = std::uint32_t;
    // Silence after Active Sensing that means the source is gone.
    static constexpr std::chrono::milliseconds kSensingSilence{300};

    MidiOutputSlot() = default;
    ~MidiOutputSlot() { close(); }
    MidiOutputSlot(const MidiOutputSlot&) = delete;
    MidiOutputSlot& operator=(const MidiOutputSlot&) = delete;
    MidiOutputSlot(MidiOutputSlot&&) = delete;
    MidiOutputSlot& operator=(MidiOutputSlot&&) = delete;

    // Any thread. With no device open the message is dropped (and counted).
    // The first plays untracked; the second keeps the source's notes.
    void play(std::uint32_t message);
    void play(Source from, std::uint32_t message, Clock::time_point now = Clock::now());

    // Releases every note still sounding, from every source.
    void releaseSounding();
    // Releases the notes of every source that sent Active Sensing and then
    // nothing for kSensingSilence, and stops watching it until its next
    // Active Sensing. Returns how many sources fell silent.
    std::size_t releaseSilentSources(Clock::time_point now = Clock::now());
    // Plays the messages untracked and forgets every note (the panic).
    void playAndForget(const std::vector<std::uint32_t>& messages);

    // Puts a device in the slot (null closes it); the previous one gets the
    // releases of what sounds on it, then is let go. Returns whether a
    // device is now open.
    bool replace(std::shared_ptr<MidiOutput> output);
    void close() { replace(nullptr); }
    // Closes the device if its MIDI system went away; returns whether it did.
    bool closeIfLost();

    [[nodiscard]] bool isOpen() const;
    // Messages played while no device was open.
    [[nodiscard]] std::uint64_t droppedCount() const noexcept
    {
        return dropped_.load(std::memory_order_relaxed);
    }

private:
    struct SourceState {
        NoteTracker notes;
        bool sensing = false;  // Active Sensing seen, silence watched
        Clock::time_point lastHeard;
    };

    // Under the lock: the releases of every source, forgotten.
    [[nodiscard]] std::vector<std::uint32_t> takeAllReleases();

    mutable std::mutex mutex_;
    std::shared_ptr<MidiOutput> output_;
    std::unordered_map<Source, SourceState> sources_;
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace midi
