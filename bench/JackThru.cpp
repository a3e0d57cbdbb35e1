#include "bench/JackThru.h"

#include <jack/jack.h>
#include <jack/midiport.h>

namespace bench {

JackThru::JackThru(const std::string& name)
{
    jack_status_t status{};
    client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client_ == nullptr) {
        return;
    }
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    running_ = in_ != nullptr && out_ != nullptr &&
               jack_set_process_callback(client_, &JackThru::process, this) == 0 &&
               jack_activate(client_) == 0;
}

JackThru::~JackThru()
{
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

int JackThru::process(jack_nframes_t frames, void* self)
{
    auto* thru = static_cast<JackThru*>(self);
    void* in = jack_port_get_buffer(thru->in_, frames);
    void* out = jack_port_get_buffer(thru->out_, frames);
    jack_midi_clear_buffer(out);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event{};
        if (jack_midi_event_get(&event, in, i) == 0) {
            (void)jack_midi_event_write(out, event.time, event.buffer, event.size);
        }
    }
    return 0;
}

}  // namespace bench
