#pragma once

#include <cstdint>

#include "bench/ArrivalLog.h"

struct _jack_client;
struct _jack_port;

namespace bench {

// The baseline sound source: a bare JACK client, "Bench Click", whose one
// output port sounds at full scale for a whole cycle whenever a datagram
// has reached a RawReceiver's log since the cycle before. What it takes from
// the datagram to that sound is the least any JACK synthesizer can take.
class JackClick {
public:
    explicit JackClick(const ArrivalLog& log);
    ~JackClick();
    JackClick(const JackClick&) = delete;
    JackClick& operator=(const JackClick&) = delete;

    [[nodiscard]] bool running() const noexcept { return client_ != nullptr; }

private:
    static int process(std::uint32_t frames, void* self);

    const ArrivalLog& log_;
    std::uint64_t heard_ = 0;  // the process callback's own
    _jack_client* client_ = nullptr;
    _jack_port* port_ = nullptr;
};

}  // namespace bench
