#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// The cost of one sendToTargets call to a literal address, to "localhost"
// and to three targets at once, beside a persistent socket.
void measureSendCost(ResultTable& table, const BenchOptions& options);

}  // namespace bench
