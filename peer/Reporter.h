#pragma once

#include <string_view>

#include "net/FailureReporter.h"

namespace peer {

// How a front end shows what went wrong: the window with modal boxes, the
// headless front end on stderr, tests with a recorder. A delivery's or the
// receiver's failure comes with its fixed text (net::failureText); any
// other failure comes as its own text.
class Reporter : public net::FailureReporter {
public:
    // Shows the text and returns once the user has seen it (a box is
    // dismissed).
    virtual void reportText(std::string_view text) = 0;
};

}  // namespace peer
