#pragma once

#include "net/Failure.h"

namespace net {

// Where sending reports its failures. The window implements it with a
// modal message box; tests record the reports.
class FailureReporter {
public:
    virtual ~FailureReporter() = default;

    // Shows the failure and returns once the user has dismissed it.
    virtual void report(Failure failure) = 0;
};

}  // namespace net
