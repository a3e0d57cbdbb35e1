#include "peer/SendThread.h"

#include <utility>

#include "midi/Wakeup.h"
#include "net/ThreadPriority.h"

namespace peer {

SendThread::SendThread(Job forwardInput)
    : forwardInput_(std::move(forwardInput)),
      wakeup_(midi::Wakeup::make()),
      inputPending_(std::make_shared<std::atomic<bool>>(false)),
      thread_([this] { run(); })
{
}

SendThread::~SendThread()
{
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake();
    thread_.join();
}

void SendThread::post(Job job)
{
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        ++posted_;
    }
    wake();
}

void SendThread::waitIdle()
{
    std::unique_lock lock(mutex_);
    const std::uint64_t target = posted_;
    changed_.wait(lock, [&] { return done_ >= target; });
}

std::function<void()> SendThread::inputRing()
{
    if (wakeup_) {
        return [wakeup = wakeup_, pending = inputPending_] {
            pending->store(true, std::memory_order_release);
            wakeup->ring();
        };
    }
    // No descriptor to spare: a lock on the MIDI thread, as a queued call
    // would take.
    return [this] {
        inputPending_->store(true, std::memory_order_release);
        const std::lock_guard lock(mutex_);
        changed_.notify_all();
    };
}

void SendThread::ringInput()
{
    inputPending_->store(true, std::memory_order_release);
    wake();
}

void SendThread::wake()
{
    if (wakeup_) {
        wakeup_->ring();
    } else {
        const std::lock_guard lock(mutex_);
        changed_.notify_all();
    }
}

void SendThread::run()
{
    // Forwarded MIDI leaves from here, ahead of the window's painting.
    (void)net::runAheadOfOrdinaryThreads();
    std::deque<Job> batch;
    for (;;) {
        if (wakeup_) {
            wakeup_->wait();
            (void)wakeup_->take();
        }
        bool ending = false;
        {
            std::unique_lock lock(mutex_);
            if (!wakeup_) {
                changed_.wait(lock,
                              [&] { return !jobs_.empty() || ending_ || inputPending_->load(); });
            }
            batch.swap(jobs_);
            ending = ending_;
        }
        if (inputPending_->exchange(false, std::memory_order_acquire)) {
            forwardInput_();
        }
        for (Job& job : batch) {
            job();
            job = nullptr;
            const std::lock_guard lock(mutex_);
            ++done_;
            changed_.notify_all();
        }
        batch.clear();
        if (ending) {
            const std::lock_guard lock(mutex_);
            if (jobs_.empty()) {
                return;
            }
        }
    }
}

}  // namespace peer
