#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// Datagram to the first audible sample through the built-in synthesizer on
// a JACK server of the benchmark's own, beside a bare JACK client sounding
// when a bare socket got the datagram; and the same for the first note of
// a program whose samples load on demand.
void measureSynth(ResultTable& table, const BenchOptions& options);

}  // namespace bench
