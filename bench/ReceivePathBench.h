#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// One-way MIDI latency through Mirevo's own path (sendToTargets, the
// receiver worker, the output) beside a persistent socket and a blocking
// receiver thread, at 1,000 and 10,000 messages/s.
void measureLatency(ResultTable& table, const BenchOptions& options);

// The highest rate a raw sender can blast 5-byte MIDI datagrams at for a
// while with none lost between the socket and the output.
void measureReceiveThroughput(ResultTable& table, const BenchOptions& options);

}  // namespace bench
