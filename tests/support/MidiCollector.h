#pragma once

#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/JackPeer.h"
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

// Wires the keys to our "MIDI In" by name and pings until one reaches the
// listener (the front end forwards from its event loop, which turns here).
[[nodiscard]] inline bool wireKeysIn(testsupport::JackPeer& keys, UdpListener& listener)
{
    return keys.connect(keys.outName(), "Mirevo:MIDI In") &&
           QTest::qWaitFor(
               [&] {
                   keys.play({kPing});
                   return QTest::qWaitFor(
                       [&] { return listener.next(std::chrono::milliseconds(5)).has_value(); }, 50);
               },
               10000);
}

// Calls `send` until the keys hear something; what they heard.
inline std::vector<std::uint32_t> heardAfter(testsupport::JackPeer& keys,
                                             const std::function<void()>& send)
{
    std::vector<std::uint32_t> heard;
    (void)QTest::qWaitFor(
        [&] {
            send();
            return QTest::qWaitFor(
                [&] {
                    std::ranges::copy(keys.takeReceived(), std::back_inserter(heard));
                    return !heard.empty();
                },
                50);
        },
        10000);
    return heard;
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
