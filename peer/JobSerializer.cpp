#include "peer/JobSerializer.h"

#include <utility>

namespace peer {

void JobSerializer::run(Job job)
{
    pending_.push_back(std::move(job));
    if (running_) {
        return;
    }
    running_ = true;
    while (!pending_.empty()) {
        const Job next = std::move(pending_.front());
        pending_.pop_front();
        next();
    }
    running_ = false;
}

}  // namespace peer
