#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// A text flood into a real window on the offscreen platform: lines per
// second reaching the log, and the longest stall of the event loop.
void measureTextFlood(ResultTable& table, const BenchOptions& options);

// A key press on the keyboard control to its datagram arriving at a
// receiving socket.
void measureKeyPress(ResultTable& table, const BenchOptions& options);

}  // namespace bench
