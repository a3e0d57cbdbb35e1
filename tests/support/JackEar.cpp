#include "tests/support/JackEar.h"

#include <jack/jack.h>

#include <cmath>

namespace testsupport {

JackEar::JackEar(const char* clientName, const char* sources)
{
    jack_status_t status{};
    client_ = jack_client_open(clientName, static_cast<jack_options_t>(JackNoStartServer), &status);
    if (client_ == nullptr) {
        return;
    }
    const char** found =
        jack_get_ports(client_, sources, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    std::vector<std::string> names;
    for (std::size_t i = 0; found != nullptr && found[i] != nullptr; ++i) {
        names.emplace_back(found[i]);
        inputs_.push_back(jack_port_register(client_, ("in_" + std::to_string(i + 1)).c_str(),
                                             JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    }
    jack_free(static_cast<void*>(found));
    jack_set_process_callback(client_, &JackEar::process, this);
    jack_activate(client_);
    for (std::size_t i = 0; i < names.size(); ++i) {
        jack_connect(client_, names[i].c_str(), jack_port_name(inputs_[i]));
    }
}

JackEar::~JackEar()
{
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

std::vector<std::string> JackEar::connectionsOf(const char* port) const
{
    std::vector<std::string> names;
    const jack_port_t* found = jack_port_by_name(client_, port);
    const char** connections =
        found == nullptr ? nullptr : jack_port_get_all_connections(client_, found);
    for (std::size_t i = 0; connections != nullptr && connections[i] != nullptr; ++i) {
        names.emplace_back(connections[i]);
    }
    jack_free(static_cast<void*>(connections));
    return names;
}

int JackEar::process(std::uint32_t frames, void* self)
{
    auto* ear = static_cast<JackEar*>(self);
    float peak = 0;
    for (jack_port_t* port : ear->inputs_) {
        const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
        for (std::uint32_t i = 0; i < frames; ++i) {
            peak = std::fmax(peak, std::fabs(samples[i]));
        }
    }
    ear->peak_.store(peak);
    ear->quiet_.store(peak < quietLevel ? ear->quiet_.load() + 1 : 0);
    return 0;
}

}  // namespace testsupport
