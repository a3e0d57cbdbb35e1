#pragma once

#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "net/FailureReporter.h"

namespace peer {

// Passes each failure for a target on once, until forget(): what MIDI input
// sends is reported through it. A device may send on its own several times
// a second (Active Sensing, clock), and a box for every one of them would
// keep the user from ever reaching the window again.
class OnceReporter final : public net::FailureReporter {
public:
    explicit OnceReporter(net::FailureReporter& shown) : shown_(shown) {}

    void report(net::Failure failure, std::string_view target) override;

    // The user changed the target, the list or sent by hand: report again.
    void forget() noexcept { reported_.clear(); }

private:
    net::FailureReporter& shown_;
    std::set<std::pair<net::Failure, std::string>, std::less<>> reported_;
};

}  // namespace peer
