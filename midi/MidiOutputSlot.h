#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "midi/MidiOutput.h"

namespace midi {

// The output device currently open, if any. The window opens, replaces and
// closes it at any moment while the receiver worker plays every received
// message on it. play() takes its own reference to the device before
// playing, so a device closed meanwhile stays alive until that one play
// has finished and is never used after it was let go. The lock is held
// only to copy or swap the pointer; a device is never played or destroyed
// under it. The window's thread lets devices go (release()), also when
// the slot goes.
class MidiOutputSlot {
public:
    MidiOutputSlot() = default;
    ~MidiOutputSlot() { close(); }
    MidiOutputSlot(const MidiOutputSlot&) = delete;
    MidiOutputSlot& operator=(const MidiOutputSlot&) = delete;
    MidiOutputSlot(MidiOutputSlot&&) = delete;
    MidiOutputSlot& operator=(MidiOutputSlot&&) = delete;

    // Any thread. With no device open the message is dropped (and counted).
    void play(std::uint32_t message);

    // Puts a device in the slot (null closes it); the previous one is let
    // go. Returns whether a device is now open.
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
    mutable std::mutex mutex_;
    std::shared_ptr<MidiOutput> output_;
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace midi
