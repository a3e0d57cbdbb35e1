#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// The log as it grows: what 200 received lines a second cost with the log
// empty and with a hundred thousand and a million lines in it, and the
// resident memory of a window after 300,000 long lines.
void measureLogCost(ResultTable& table, const BenchOptions& options);

// Run in a process of its own by measureLogCost: a listening window takes
// 300,000 lines of 1023 bytes, then this prints its resident memory. Returns
// the exit code.
int logMemoryProbe();

}  // namespace bench
