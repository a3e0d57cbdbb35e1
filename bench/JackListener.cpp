#include "bench/JackListener.h"

#include <jack/jack.h>

#include <cmath>
#include <string>

namespace bench {

JackListener::JackListener(const char* clientName, const char* sources)
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
    jack_set_process_callback(client_, &JackListener::process, this);
    jack_activate(client_);
    for (std::size_t i = 0; i < names.size(); ++i) {
        jack_connect(client_, names[i].c_str(), jack_port_name(inputs_[i]));
    }
}

JackListener::~JackListener()
{
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

void JackListener::arm() noexcept
{
    heardAt_.store(0);
    armed_.store(true);
}

std::uint32_t JackListener::periodFrames() const
{
    return jack_get_buffer_size(client_);
}

double JackListener::periodMicroseconds() const
{
    return 1e6 * jack_get_buffer_size(client_) / jack_get_sample_rate(client_);
}

int JackListener::process(std::uint32_t frames, void* self)
{
    auto* listener = static_cast<JackListener*>(self);
    std::uint32_t first = frames;
    for (jack_port_t* port : listener->inputs_) {
        const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
        for (std::uint32_t i = 0; i < first; ++i) {
            if (std::fabs(samples[i]) > level) {
                first = i;
            }
        }
    }
    listener->quiet_.store(first == frames ? listener->quiet_.load() + 1 : 0);
    jack_nframes_t start{};
    jack_time_t startUs{};
    jack_time_t nextUs{};
    float periodUs{};
    if (first < frames && listener->armed_.load() &&
        jack_get_cycle_times(listener->client_, &start, &startUs, &nextUs, &periodUs) == 0) {
        listener->armed_.store(false);
        listener->heardAt_.store(startUs + (nextUs - startUs) * first / frames);
    }
    return 0;
}

}  // namespace bench
