#pragma once

#include <jack/types.h>

#include <string>

namespace bench {

// The trivial JACK MIDI thru client the MIDI loop is measured beside: every
// event on "<name>:in" is copied, in the same cycle and at the same frame,
// to "<name>:out".
class JackThru {
public:
    // A client on the default server; valid() says whether it runs.
    explicit JackThru(const std::string& name);
    ~JackThru();
    JackThru(const JackThru&) = delete;
    JackThru& operator=(const JackThru&) = delete;
    JackThru(JackThru&&) = delete;
    JackThru& operator=(JackThru&&) = delete;

    [[nodiscard]] bool valid() const noexcept { return running_; }

private:
    static int process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* in_ = nullptr;
    jack_port_t* out_ = nullptr;
    bool running_ = false;
};

}  // namespace bench
