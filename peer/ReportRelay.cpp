#include "peer/ReportRelay.h"

#include <QMetaObject>

#include <string>
#include <utility>

namespace peer {

void ReportRelay::report(net::Failure failure, std::string_view target)
{
    post([this, failure, target = std::string(target)] { shown_.report(failure, target); });
}

void ReportRelay::reportText(std::string_view text)
{
    post([this, text = std::string(text)] { shown_.reportText(text); });
}

void ReportRelay::post(std::function<void()> step)
{
    bool first = false;
    {
        const std::lock_guard lock(mutex_);
        first = pending_.empty();
        pending_.push_back(std::move(step));
    }
    if (first) {
        QMetaObject::invokeMethod(this, &ReportRelay::showPending, Qt::QueuedConnection);
    }
}

void ReportRelay::showPending()
{
    if (showing_) {
        return;
    }
    showing_ = true;
    for (;;) {
        std::function<void()> next;
        {
            const std::lock_guard lock(mutex_);
            if (pending_.empty()) {
                break;
            }
            next = std::move(pending_.front());
            pending_.pop_front();
        }
        next();
    }
    showing_ = false;
}

}  // namespace peer
