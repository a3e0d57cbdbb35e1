#include "bench/JackClick.h"

#include <jack/jack.h>

#include <algorithm>

namespace bench {

JackClick::JackClick(const ArrivalLog& log) : log_(log)
{
    jack_status_t status{};
    client_ =
        jack_client_open("Bench Click", static_cast<jack_options_t>(JackNoStartServer), &status);
    if (client_ == nullptr) {
        return;
    }
    port_ = jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (port_ == nullptr || jack_set_process_callback(client_, &JackClick::process, this) != 0 ||
        jack_activate(client_) != 0) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

JackClick::~JackClick()
{
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

int JackClick::process(std::uint32_t frames, void* self)
{
    auto* click = static_cast<JackClick*>(self);
    const std::uint64_t arrived = click->log_.count();
    auto* out = static_cast<float*>(jack_port_get_buffer(click->port_, frames));
    std::fill_n(out, frames, arrived > click->heard_ ? 1.0F : 0.0F);
    click->heard_ = arrived;
    return 0;
}

}  // namespace bench
