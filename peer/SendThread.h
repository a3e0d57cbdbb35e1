#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace midi {
class Wakeup;
}  // namespace midi

namespace peer {

// The thread every datagram a peer sends leaves from, one at a time, in the
// order asked: the jobs the front end posts (text, keys, menu picks, the
// panic) and the MIDI input's forwarding, which the input wakes directly.
// Nothing here waits for the front end: a box shown, a window resized or a
// log flooded delays no forwarded message.
class SendThread {
public:
    using Job = std::function<void()>;

    // `forwardInput` runs on the thread after the input rang.
    explicit SendThread(Job forwardInput);
    // Runs every job posted so far, then ends.
    ~SendThread();
    SendThread(const SendThread&) = delete;
    SendThread& operator=(const SendThread&) = delete;
    SendThread(SendThread&&) = delete;
    SendThread& operator=(SendThread&&) = delete;

    // Any thread but a real-time one: runs the job after the ones posted
    // before it.
    void post(Job job);
    // Returns once every job posted before the call has run. Not from a job.
    void waitIdle();
    // What the MIDI input calls when it has queued messages: from a
    // real-time thread, it neither locks nor allocates (when an eventfd
    // could be had).
    [[nodiscard]] std::function<void()> inputRing();
    // From the front end: look at the input again (it was just opened).
    void ringInput();

private:
    void run();
    void wake();

    const Job forwardInput_;
    // Rung by posts and the input; when no descriptor was left, the
    // condition variable does it.
    const std::shared_ptr<midi::Wakeup> wakeup_;
    const std::shared_ptr<std::atomic<bool>> inputPending_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;     // guarded by mutex_
    std::uint64_t posted_{0};  // guarded by mutex_
    std::uint64_t done_{0};    // guarded by mutex_
    bool ending_{false};       // guarded by mutex_
    std::thread thread_;
};

}  // namespace peer
