#include "midi/MessageQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using midi::MessageQueue;

TEST(MessageQueueTest, MessagePushedDuringADrainIsTakenByIt)
{
    MessageQueue queue{1024};
    ASSERT_EQ(queue.push(1), MessageQueue::Push::QueuedWake);
    std::vector<std::uint32_t> taken;
    queue.drain([&](std::uint32_t m) {
        taken.push_back(m);
        if (m == 1) {  // the drain has begun: the producer must wake the next one
            EXPECT_EQ(queue.push(2), MessageQueue::Push::QueuedWake);
        }
    });
    EXPECT_EQ(taken, (std::vector<std::uint32_t>{1, 2}));
}

// The consumer drains only when woken, like the window: were a wake-up ever
// lost, the messages behind it would wait forever.
TEST(MessageQueueTest, ProducerThreadLosesNothingAndNoWakeUp)
{
    constexpr std::uint32_t kMessages = 200'000;
    MessageQueue queue{1024};
    std::mutex mutex;
    std::condition_variable woken;
    std::uint64_t wakeUps = 0;
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kMessages;) {
            const MessageQueue::Push result = queue.push(i);
            if (result == MessageQueue::Push::Full) {
                std::this_thread::yield();  // only the test retries
                continue;
            }
            ++i;
            if (result == MessageQueue::Push::QueuedWake) {
                const std::lock_guard lock(mutex);
                ++wakeUps;
                woken.notify_one();
            }
        }
    });
    std::uint32_t expected = 0;
    std::uint64_t seen = 0;
    bool inOrder = true;
    while (expected < kMessages) {
        std::unique_lock lock(mutex);
        if (!woken.wait_for(lock, std::chrono::seconds(30), [&] { return wakeUps != seen; })) {
            break;
        }
        seen = wakeUps;
        lock.unlock();
        queue.drain([&](std::uint32_t m) { inOrder = inOrder && m == expected++; });
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, kMessages);
}

}  // namespace
