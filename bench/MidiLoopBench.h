#pragma once

#include "bench/BenchOptions.h"
#include "bench/ResultTable.h"

namespace bench {

// MIDI in to MIDI out through one copy hearing itself on a JACK server of
// the bench's own: jack_midi_latency_test plays into "Mirevo:MIDI In"; the
// window sends each message as a datagram to its own port, the receiver
// plays it on "Mirevo:MIDI Out", back to the test. Beside it, in the same
// run, the same test through a trivial JACK MIDI thru client.
//
// Each is run ten times (one window open throughout) for the worst of the
// runs; then once more through a fresh window whose log holds 200,000 lines
// while chat arrives at its port, 2,000 lines a second, beside the thru
// client under the same chat into the same window.
void measureJackMidiLoop(ResultTable& table, const BenchOptions& options);

}  // namespace bench
