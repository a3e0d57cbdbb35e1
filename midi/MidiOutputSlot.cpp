#include "midi/MidiOutputSlot.h"

#include <utility>

namespace midi {

namespace {

constexpr std::uint32_t kActiveSensing = 0xFE;

}  // namespace

void MidiOutputSlot::play(std::uint32_t message)
{
    const std::lock_guard lock(mutex_);
    if (!output_) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    output_->play(message);
}

void MidiOutputSlot::play(Source from, std::uint32_t message, Clock::time_point now)
{
    const std::lock_guard lock(mutex_);
    if (!output_) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    SourceState& source = sources_[from];
    source.lastHeard = now;
    if ((message & 0xFFU) == kActiveSensing) {
        source.sensing = true;
    }
    source.notes.observe(message);
    output_->play(message);
}

std::vector<std::uint32_t> MidiOutputSlot::takeAllReleases()
{
    std::vector<std::uint32_t> releases;
    for (auto& [from, source] : sources_) {
        const std::vector<std::uint32_t> own = source.notes.takeReleases();
        releases.insert(releases.end(), own.begin(), own.end());
    }
    sources_.clear();
    return releases;
}

void MidiOutputSlot::releaseSounding()
{
    const std::lock_guard lock(mutex_);
    const std::vector<std::uint32_t> releases = takeAllReleases();
    if (output_) {
        for (const std::uint32_t release : releases) {
            output_->play(release);
        }
    }
}

std::size_t MidiOutputSlot::releaseSilentSources(Clock::time_point now)
{
    const std::lock_guard lock(mutex_);
    std::size_t silent = 0;
    for (auto& [from, source] : sources_) {
        if (!source.sensing || now - source.lastHeard < kSensingSilence) {
            continue;
        }
        ++silent;
        source.sensing = false;
        for (const std::uint32_t release : source.notes.takeReleases()) {
            if (output_) {
                output_->play(release);
            }
        }
    }
    return silent;
}

void MidiOutputSlot::playAndForget(const std::vector<std::uint32_t>& messages)
{
    const std::lock_guard lock(mutex_);
    sources_.clear();
    if (output_) {
        for (const std::uint32_t message : messages) {
            output_->play(message);
        }
    }
}

bool MidiOutputSlot::replace(std::shared_ptr<MidiOutput> output)
{
    const bool open = static_cast<bool>(output);
    {
        const std::lock_guard lock(mutex_);
        // What sounds on the device going ends there, before it goes.
        const std::vector<std::uint32_t> releases = takeAllReleases();
        if (output_) {
            for (const std::uint32_t release : releases) {
                output_->play(release);
            }
        }
        output_.swap(output);
    }
    // `output` now holds the previous device; it closes here, outside the
    // lock.
    if (output) {
        output->release();
        output.reset();
    }
    return open;
}

bool MidiOutputSlot::closeIfLost()
{
    {
        const std::lock_guard lock(mutex_);
        if (!output_ || !output_->lost()) {
            return false;
        }
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
