#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// `mirevo --headless` as a child process on a JACK server of the
// benchmark's own (our "MIDI In" open, no synthesizer): process start to
// the first datagram received and printed, and resident memory once it
// runs, not counting the JACK server's shared memory.
void measureHeadless(ResultTable& table, const BenchOptions& options);

}  // namespace bench
