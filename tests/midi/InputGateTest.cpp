// The input gate between a MIDI system's thread and the window, input threads running rounds as
// ALSA's and JACK's do: closing is quick; every message the system had before the close is queued.
#include "midi/InputGate.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "midi/Wakeup.h"

namespace midi {
namespace {

using namespace std::chrono_literals;
using Messages = std::vector<std::uint32_t>;

// What a MIDI system holds for us until the input thread reads it.
class Pending {
public:
    void add(const Messages& messages)
    {
        const std::lock_guard lock(mutex_);
        messages_.insert(messages_.end(), messages.begin(), messages.end());
    }
    [[nodiscard]] Messages takeAll()
    {
        const std::lock_guard lock(mutex_);
        return std::exchange(messages_, {});
    }

private:
    std::mutex mutex_;
    Messages messages_;
};

// One round: everything pending, taken only when the gate says so.
void runRound(InputGate& gate, Pending& pending)
{
    const bool takes = gate.beginRound();
    for (const std::uint32_t message : pending.takeAll()) {
        if (takes) {
            gate.take(message);
        }
    }
    gate.endRound();
}

struct Row {
    std::string name;
    bool woken;  // sleeps until woken, as ALSA's thread; else cycles, as JACK

    friend void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
};

class InputGateTest : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override
    {
        wakeup_ = Wakeup::make();
        ASSERT_NE(wakeup_, nullptr);
        const bool woken = GetParam().woken;
        // A cycling thread needs no waking.
        gate_ = std::make_unique<InputGate>(
            woken ? std::function<void()>([this] { wakeup_->ring(); }) : std::function<void()>());
        thread_ = std::jthread([this, woken](const std::stop_token& stop) {
            while (!stop.stop_requested()) {
                if (woken) {
                    wakeup_->wait();
                    (void)wakeup_->take();
                } else {
                    std::this_thread::sleep_for(1ms);  // a cycle
                }
                runRound(*gate_, pending_);
            }
        });
    }

    void TearDown() override
    {
        thread_.request_stop();
        wakeup_->ring();
        thread_.join();
    }

    // Messages reach the MIDI system, which wakes a sleeping thread.
    void deliver(const Messages& messages)
    {
        pending_.add(messages);
        wakeup_->ring();
    }

    std::shared_ptr<Wakeup> wakeup_;
    std::unique_ptr<InputGate> gate_;
    Pending pending_;
    std::atomic<int> notified_{0};
    std::jthread thread_;
};

// Ten openings: at the close messages taken and the thread back asleep, messages still pending, or
// none at all. Every close returns at once, every message delivered before it queued in order.
TEST_P(InputGateTest, ClosesAtOnceWithEverythingDeliveredBeforeQueued)
{
    for (std::uint32_t round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(gate_->open([this] {
            notified_.fetch_add(1);
            notified_.notify_all();
        }));
        Messages delivered;
        for (std::uint32_t i = 0; i < 100 * (round % 3); ++i) {
            delivered.push_back(0x7F0090U | (round << 16U) | (i << 8U));
        }
        if (!delivered.empty()) {
            const int before = notified_.load();
            deliver(delivered);
            if (round % 3 == 1) {
                notified_.wait(before);
            }
        }
        const auto start = std::chrono::steady_clock::now();
        gate_->close([] { return false; });
        EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
        Messages queued;
        (void)gate_->drain([&queued](std::uint32_t message) { queued.push_back(message); });
        EXPECT_EQ(queued, delivered);
        gate_->release();
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, InputGateTest,
                         ::testing::Values(Row{"WokenLikeAlsa", true},
                                           Row{"CyclingLikeJack", false}),
                         [](const ::testing::TestParamInfo<Row>& row) { return row.param.name; });

}  // namespace
}  // namespace midi
