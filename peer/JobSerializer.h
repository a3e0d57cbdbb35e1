#pragma once

#include <deque>
#include <functional>

namespace peer {

// Runs the window's sends and error reports one at a time, in the order
// they were asked for.
//
// A send that fails shows an error box, and the box runs the event loop:
// MIDI input, a key released because the box took the focus, a receiver's
// failure report or another queued call may ask for a job meanwhile. Such a
// job is not started inside the box (it would open a box inside the box,
// and a send could overtake the one in progress: a Note Off reaching a
// target before its Note On); it waits until the jobs before it have
// finished.
class JobSerializer {
public:
    using Job = std::function<void()>;

    // Runs the job now when no send is in progress, else queues it behind
    // the ones in progress and returns at once.
    void run(Job job);

private:
    std::deque<Job> pending_;
    bool running_ = false;
};

}  // namespace peer
