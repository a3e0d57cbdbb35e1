#pragma once

#include "bench/ArrivalLog.h"
#include "midi/MidiOutput.h"

namespace bench {

// A MIDI output that records when each message reaches it: it stands where
// the MIDI device would be called.
class ArrivalOutput final : public midi::MidiOutput {
public:
    explicit ArrivalOutput(ArrivalLog& log) : log_(log) {}

    void play(std::uint32_t message) override { log_.record(message); }

private:
    ArrivalLog& log_;
};

}  // namespace bench
