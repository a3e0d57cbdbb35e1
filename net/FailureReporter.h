#pragma once

#include <string_view>

#include "net/Failure.h"

namespace net {

// Where sending reports its failures. The window implements it with a
// modal message box; tests record the reports.
class FailureReporter {
public:
    virtual ~FailureReporter() = default;

    // Shows the failure of a delivery to the target and returns once the
    // user has dismissed it.
    virtual void report(Failure failure, std::string_view target) = 0;
};

}  // namespace net
