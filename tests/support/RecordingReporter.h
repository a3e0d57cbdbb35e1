#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "peer/Reporter.h"

namespace testing_support {

// Stands in for a front end's reports: records each as "text" or "text target".
class RecordingReporter final : public peer::Reporter {
public:
    void report(net::Failure failure, std::string_view target) override
    {
        std::string line(net::failureText(failure));
        if (!target.empty()) {
            line.append(" ").append(target);
        }
        lines.push_back(line);
    }
    void reportText(std::string_view text) override { lines.emplace_back(text); }

    std::vector<std::string> lines;
};

}  // namespace testing_support
