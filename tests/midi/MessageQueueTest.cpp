// The wake-up handshake of the queue MIDI input takes to the window. The
// queue under real threads is exercised by the window's MIDI tests.
#include "midi/MessageQueue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using midi::MessageQueue;

// The consumer drains only when woken: a message pushed while a drain runs
// is taken by it or wakes the next one, never left behind unnoticed.
TEST(MessageQueueTest, AMessagePushedDuringADrainIsNeverLeftBehind)
{
    MessageQueue queue{4};
    EXPECT_EQ(queue.push(1), MessageQueue::Push::QueuedWake);
    EXPECT_EQ(queue.push(2), MessageQueue::Push::Queued);
    std::vector<std::uint32_t> taken;
    queue.drain([&](std::uint32_t m) {
        taken.push_back(m);
        if (m == 1) {  // the drain has begun: the producer must wake the next one
            EXPECT_EQ(queue.push(3), MessageQueue::Push::QueuedWake);
        }
    });
    EXPECT_EQ(taken, (std::vector<std::uint32_t>{1, 2, 3}));
    for (const std::uint32_t m : {4U, 5U, 6U, 7U}) {
        EXPECT_NE(queue.push(m), MessageQueue::Push::Full);
    }
    EXPECT_EQ(queue.push(8), MessageQueue::Push::Full);
    EXPECT_EQ(queue.overflowCount(), 1U);
}

}  // namespace
