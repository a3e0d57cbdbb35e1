#include "midi/MidiOutputSlot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

using midi::MidiOutput;
using midi::MidiOutputSlot;

// Counts what it plays in a counter that outlives it.
class CountingOutput final : public MidiOutput {
public:
    explicit CountingOutput(std::atomic<std::uint64_t>& played) : played_(played) {}
    ~CountingOutput() override { alive_.store(false); }
    void play(std::uint32_t message) override
    {
        EXPECT_TRUE(alive_.load()) << "played on a device that was let go";
        last_.store(message);
        played_.fetch_add(1);
    }
    [[nodiscard]] std::uint32_t last() const { return last_.load(); }

private:
    std::atomic<bool> alive_{true};
    std::atomic<std::uint32_t> last_{0};
    std::atomic<std::uint64_t>& played_;
};

TEST(MidiOutputSlotTest, PlaysOnTheOpenDeviceAndDropsWhileClosed)
{
    std::atomic<std::uint64_t> played{0};
    MidiOutputSlot slot;
    EXPECT_FALSE(slot.isOpen());
    slot.play(0x007F3C90u);
    EXPECT_EQ(slot.droppedCount(), 1u);

    auto first = std::make_shared<CountingOutput>(played);
    EXPECT_TRUE(slot.replace(first));
    EXPECT_TRUE(slot.isOpen());
    slot.play(0x00003C90u);
    EXPECT_EQ(first->last(), 0x00003C90u);

    auto second = std::make_shared<CountingOutput>(played);
    EXPECT_TRUE(slot.replace(second));
    slot.play(0x000005C0u);
    EXPECT_EQ(first->last(), 0x00003C90u);
    EXPECT_EQ(second->last(), 0x000005C0u);

    slot.close();
    EXPECT_FALSE(slot.isOpen());
    slot.play(0x000005C0u);
    EXPECT_EQ(played.load(), 2u);
    EXPECT_EQ(slot.droppedCount(), 2u);
    EXPECT_FALSE(slot.replace(nullptr));
}

TEST(MidiOutputSlotTest, ClosedDeviceIsReleasedBySlot)
{
    std::atomic<std::uint64_t> played{0};
    MidiOutputSlot slot;
    auto device = std::make_shared<CountingOutput>(played);
    const std::weak_ptr<CountingOutput> watch = device;
    slot.replace(std::move(device));
    slot.close();
    EXPECT_TRUE(watch.expired());
}

// The window opens, replaces and closes the device while the receiver plays
// as fast as it can; every message is either played on a live device or
// counted as dropped.
TEST(MidiOutputSlotTest, TogglingWhileAnotherThreadPlays)
{
    constexpr int kToggles = 20'000;
    std::atomic<std::uint64_t> played{0};
    MidiOutputSlot slot;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> calls{0};

    std::vector<std::thread> receivers;
    for (int r = 0; r < 2; ++r) {  // a stopped worker may overlap the next
        receivers.emplace_back([&] {
            std::uint32_t note = 0;
            while (!stop.load()) {
                slot.play(0x007F0090u | ((note++ & 0x7Fu) << 8));
                calls.fetch_add(1);
            }
        });
    }
    for (int i = 0; i < kToggles; ++i) {
        switch (i % 3) {
            case 0:
                slot.replace(std::make_shared<CountingOutput>(played));
                break;
            case 1:
                slot.replace(std::make_shared<CountingOutput>(played));  // replace while open
                break;
            default:
                slot.close();
                break;
        }
    }
    stop.store(true);
    for (std::thread& t : receivers) {
        t.join();
    }
    slot.close();
    EXPECT_EQ(played.load() + slot.droppedCount(), calls.load());
}

}  // namespace
