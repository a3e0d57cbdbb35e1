#include "midi/MidiOutputSlot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Counts what it plays in a counter that outlives it.
class CountingOutput final : public midi::MidiOutput {
public:
    explicit CountingOutput(std::atomic<std::uint64_t>& played) : played_(played) {}
    ~CountingOutput() override { alive_.store(false); }
    void play(std::uint32_t /*message*/) override
    {
        EXPECT_TRUE(alive_.load()) << "played on a device that was let go";
        played_.fetch_add(1);
    }

private:
    std::atomic<bool> alive_{true};
    std::atomic<std::uint64_t>& played_;
};

// The window opens, replaces and closes the device while receivers play as fast as they can: every
// message is played on a live device or counted as dropped, and a closed device is let go.
TEST(MidiOutputSlotTest, TogglingWhileOtherThreadsPlay)
{
    std::atomic<std::uint64_t> played{0};
    std::atomic<std::uint64_t> calls{0};
    std::atomic<bool> stop{false};
    midi::MidiOutputSlot slot;
    std::vector<std::thread> receivers;
    for (int r = 0; r < 2; ++r) {  // a stopped worker may overlap the next
        receivers.emplace_back([&] {
            for (std::uint32_t note = 0; !stop.load(); ++note) {
                slot.play(0x7F0090u | ((note & 0x7Fu) << 8));
                calls.fetch_add(1);
            }
        });
    }
    for (int i = 0; i < 20'000; ++i) {
        if (i % 3 == 2) {
            slot.close();
        } else {  // opens, then replaces while open
            slot.replace(std::make_shared<CountingOutput>(played));
        }
    }
    stop.store(true);
    for (std::thread& t : receivers) {
        t.join();
    }
    auto last = std::make_shared<CountingOutput>(played);
    const std::weak_ptr<CountingOutput> watch = last;
    slot.replace(std::move(last));
    slot.close();
    EXPECT_TRUE(watch.expired()) << "the slot kept a closed device";
    EXPECT_EQ(played.load() + slot.droppedCount(), calls.load());
}

}  // namespace
