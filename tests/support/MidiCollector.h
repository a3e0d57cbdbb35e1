#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/UdpListener.h"

namespace testing_support {

// Active Sensing: played to show that a new connection works.
inline constexpr std::uint32_t kPing = 0xFE;

// The message a MIDI datagram carries.
inline std::uint32_t carried(const UdpListener::Datagram& datagram)
{
    std::uint32_t message = 0;
    for (std::size_t i = 1; i < datagram.bytes.size() && i <= 4; ++i) {
        message |= std::to_integer<std::uint32_t>(datagram.bytes[i]) << (8 * (i - 1));
    }
    return message;
}

// Note Ons numbered 0 to count - 1, each different.
inline std::vector<std::uint32_t> numberedNotes(std::uint32_t count)
{
    std::vector<std::uint32_t> notes;
    for (std::uint32_t i = 0; i < count; ++i) {
        notes.push_back((0x90U | (i >> 14U)) | ((i & 0x7FU) << 8U) | (((i >> 7U) & 0x7FU) << 16U));
    }
    return notes;
}

// Reads a listener on a thread of its own, so that a burst of datagrams
// cannot overflow its buffer; keeps every MIDI message but pings.
class Collector {
public:
    explicit Collector(UdpListener& listener)
        : thread_([this, &listener](const std::stop_token& stop) {
              while (!stop.stop_requested()) {
                  const auto datagram = listener.next(std::chrono::milliseconds(20));
                  if (datagram && carried(*datagram) != kPing) {
                      const std::lock_guard lock(mutex_);
                      messages_.push_back(carried(*datagram));
                  }
              }
          })
    {
    }

    [[nodiscard]] std::vector<std::uint32_t> messages()
    {
        const std::lock_guard lock(mutex_);
        return messages_;
    }
    [[nodiscard]] bool has(std::size_t count) { return messages().size() >= count; }

private:
    std::mutex mutex_;
    std::vector<std::uint32_t> messages_;
    std::jthread thread_;  // stopped and joined first
};

}  // namespace testing_support
