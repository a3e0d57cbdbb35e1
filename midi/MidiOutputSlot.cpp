#include "midi/MidiOutputSlot.h"

#include <utility>

namespace midi {

void MidiOutputSlot::play(std::uint32_t message)
{
    std::shared_ptr<MidiOutput> output;
    {
        const std::lock_guard lock(mutex_);
        output = output_;
    }
    if (!output) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    output->play(message);
    // When the window let the device go meanwhile, it is destroyed here,
    // outside the lock.
}

bool MidiOutputSlot::replace(std::shared_ptr<MidiOutput> output)
{
    const bool open = static_cast<bool>(output);
    {
        const std::lock_guard lock(mutex_);
        output_.swap(output);
    }
    // `output` now holds the previous device; it closes here, outside the
    // lock, unless a play in progress still holds it.
    if (output) {
        output->release();
        output.reset();
    }
    return open;
}

bool MidiOutputSlot::closeIfLost()
{
    std::shared_ptr<MidiOutput> output;
    {
        const std::lock_guard lock(mutex_);
        output = output_;
    }
    if (!output || !output->lost()) {
        return false;
    }
    close();
    return true;
}

bool MidiOutputSlot::isOpen() const
{
    const std::lock_guard lock(mutex_);
    return static_cast<bool>(output_);
}

}  // namespace midi
