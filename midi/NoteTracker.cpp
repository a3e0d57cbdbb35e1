#include "midi/NoteTracker.h"

#include "midi/ShortMessage.h"

namespace midi {

namespace {

constexpr std::uint32_t kNoteOff = 0x80;
constexpr std::uint32_t kNoteOn = 0x90;
constexpr std::uint32_t kControlChange = 0xB0;
constexpr std::uint32_t kSustain = 64;
constexpr std::uint32_t kAllSoundOff = 120;
constexpr std::uint32_t kResetAllControllers = 121;
constexpr std::uint32_t kAllNotesOff = 123;

}  // namespace

void NoteTracker::observe(std::uint32_t message) noexcept
{
    const std::uint32_t status = message & 0xF0U;
    const std::uint32_t channel = message & 0x0FU;
    const std::uint32_t first = (message >> 8U) & 0x7FU;
    const std::uint32_t second = (message >> 16U) & 0x7FU;
    if (status == kNoteOn && second > 0) {
        notes_[channel].set(first);
    } else if (status == kNoteOn || status == kNoteOff) {
        notes_[channel].reset(first);
    } else if (status == kControlChange) {
        if (first == kAllNotesOff) {
            notes_[channel].reset();
        } else if (first == kSustain) {
            pedals_[channel] = second >= 64;
        } else if (first == kResetAllControllers) {
            pedals_.reset(channel);
        }
    }
}

std::vector<std::uint32_t> NoteTracker::takeReleases()
{
    std::vector<std::uint32_t> releases;
    for (std::uint32_t channel = 0; channel < notes_.size(); ++channel) {
        for (std::uint32_t note = 0; note < 128; ++note) {
            if (notes_[channel].test(note)) {
                releases.push_back(shortMessage(kNoteOn | channel, note, 0));
            }
        }
    }
    for (std::uint32_t channel = 0; channel < pedals_.size(); ++channel) {
        if (pedals_.test(channel)) {
            releases.push_back(shortMessage(kControlChange | channel, kSustain, 0));
        }
    }
    *this = NoteTracker{};
    return releases;
}

bool NoteTracker::empty() const noexcept
{
    for (const auto& channel : notes_) {
        if (channel.any()) {
            return false;
        }
    }
    return pedals_.none();
}

std::vector<std::uint32_t> NoteTracker::panic()
{
    std::vector<std::uint32_t> messages;
    for (std::uint32_t channel = 0; channel < 16; ++channel) {
        messages.push_back(shortMessage(kControlChange | channel, kAllSoundOff, 0));
        messages.push_back(shortMessage(kControlChange | channel, kAllNotesOff, 0));
        messages.push_back(shortMessage(kControlChange | channel, kSustain, 0));
    }
    return messages;
}

}  // namespace midi
