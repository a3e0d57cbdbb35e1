#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// Start-up to the window shown and to the built-in synthesizer ready, and
// resident memory when idle with it playing, from child processes, on a
// JACK server of the benchmark's own.
void measureStartup(ResultTable& table, const BenchOptions& options);

}  // namespace bench
