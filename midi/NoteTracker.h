#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace midi {

// Which notes one source has started and not yet ended, and on which
// channels its sustain pedal is down, read from the short messages it
// plays. A note starts with a Note On of velocity above 0 and ends with a
// Note Off, a Note On of velocity 0, or All Notes Off on its channel; the
// pedal is controller 64 (down from 64), lifted also by Reset All
// Controllers. Everything else passes unnoticed.
class NoteTracker {
public:
    void observe(std::uint32_t message) noexcept;

    // What ends everything still sounding, and forgets it: a Note On of
    // velocity 0 (our own form of release) for every note, then a sustain
    // off for every channel whose pedal is down.
    [[nodiscard]] std::vector<std::uint32_t> takeReleases();

    [[nodiscard]] bool empty() const noexcept;

    // All Sound Off, All Notes Off and sustain off on every channel: what
    // the panic sends, to stop whatever anybody started.
    [[nodiscard]] static std::vector<std::uint32_t> panic();

private:
    std::array<std::bitset<128>, 16> notes_{};
    std::bitset<16> pedals_;
};

}  // namespace midi
