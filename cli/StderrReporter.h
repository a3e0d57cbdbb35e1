#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "peer/Reporter.h"

namespace cli {

// Reports failures as lines on stderr, with the texts the window's boxes
// show. A failing target is reported once per target and kind (a bridge
// left running would otherwise fill the journal with the same line for
// every note); the receiver's failures and other texts every time.
class StderrReporter final : public peer::Reporter {
public:
    explicit StderrReporter(std::FILE* out = stderr) : out_(out) {}

    void report(net::Failure failure, std::string_view target) override;
    void reportText(std::string_view text) override;

private:
    std::FILE* out_;
    std::set<std::pair<net::Failure, std::string>, std::less<>> reported_;
};

}  // namespace cli
