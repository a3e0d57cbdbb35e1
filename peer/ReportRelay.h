#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>
#include <string_view>

#include "peer/Reporter.h"

namespace peer {

// Takes reports on any thread and shows them through the front end's
// reporter on the thread the relay lives on, one at a time, in the order
// made. A box runs the event loop: what is reported meanwhile waits until
// the box is dismissed instead of opening inside it. Other front-end work
// that must come after the reports before it (a send's result) is posted
// the same way.
class ReportRelay final : public QObject, public Reporter {
    Q_OBJECT

public:
    explicit ReportRelay(Reporter& shown, QObject* parent = nullptr)
        : QObject(parent), shown_(shown)
    {
    }

    // Any thread.
    void report(net::Failure failure, std::string_view target) override;
    void reportText(std::string_view text) override;
    void post(std::function<void()> step);

    // The relay's thread: shows what is waiting now (unless a report is
    // being shown further up this thread's stack).
    void showPending();

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;  // guarded by mutex_
    bool showing_ = false;                       // the relay's thread only
    Reporter& shown_;
};

}  // namespace peer
