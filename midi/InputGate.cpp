#include "midi/InputGate.h"

#include <thread>
#include <utility>

namespace midi {

namespace {

using Clock = std::chrono::steady_clock;

// Sleeps in short steps until done() or the deadline; returns done().
template <typename Done>
bool waitUntil(Done&& done, Clock::time_point deadline)
{
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

}  // namespace

InputGate::InputGate(std::function<void()> wake) : wake_(std::move(wake)) {}

// The round marks itself busy before it looks at the state, and the window
// sets the state before it looks at `busy_` (both sequentially consistent):
// either the round sees the gate closed, or the window sees the round and
// waits for it.
bool InputGate::beginRound() noexcept
{
    busy_.fetch_add(1);
    const State state = state_.load();
    roundTakes_ = state != State::Closed;
    roundEndsClose_ = state == State::Closing;
    return roundTakes_;
}

void InputGate::take(std::uint32_t message) noexcept
{
    if (queue_.push(message) == MessageQueue::Push::QueuedWake) {
        wakeDue_ = true;
    }
}

void InputGate::endRound() noexcept
{
    if (roundTakes_) {
        if (wakeDue_) {
            wakeDue_ = false;
            if (notify_) {
                notify_();
            }
        }
        if (roundEndsClose_) {
            State closing = State::Closing;
            state_.compare_exchange_strong(closing, State::Closed);
        }
    }
    busy_.fetch_sub(1);
}

bool InputGate::open(Notify notify)
{
    if (claimed_) {
        return false;
    }
    claimed_ = true;
    // Closed and no round running (see close()): the MIDI thread leaves
    // everything below alone until the state says open.
    queue_.drain([](std::uint32_t) {});
    notify_ = std::move(notify);
    wakeDue_ = false;
    overflowsAtOpen_ = queue_.overflowCount();
    state_.store(State::Open);
    return true;
}

void InputGate::close(const std::function<bool()>& gone)
{
    if (state_.load() == State::Closed) {
        return;
    }
    const Clock::time_point deadline = Clock::now() + kCloseTimeout;
    state_.store(State::Closing);
    if (wake_) {
        wake_();
    }
    (void)waitUntil([&] { return state_.load() == State::Closed || gone(); }, deadline);
    state_.store(State::Closed);
    // A round that began before the store may still be taking; a system that
    // went away may be leaving its last one.
    (void)waitUntil([&] { return busy_.load() == 0; }, deadline + kCloseTimeout);
}

}  // namespace midi
