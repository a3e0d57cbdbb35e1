#include "midi/JackAudioOutput.h"

#include <fluidsynth.h>
#include <jack/jack.h>

#include <algorithm>

#include "midi/JackClient.h"

namespace midi {

std::unique_ptr<JackAudioOutput> JackAudioOutput::open(const std::string& clientName,
                                                       std::function<void()> lost)
{
    std::unique_ptr<JackAudioOutput> output(new JackAudioOutput());
    output->lost_ = std::move(lost);
    output->client_ = openJackClient(clientName.c_str());
    if (output->client_ == nullptr) {
        return nullptr;
    }
    const char* names[] = {"left", "right"};
    for (std::size_t i = 0; i < output->ports_.size(); ++i) {
        output->ports_[i] = jack_port_register(output->client_, names[i], JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsOutput, 0);
        if (output->ports_[i] == nullptr) {
            return nullptr;
        }
    }
    if (jack_set_process_callback(output->client_, &JackAudioOutput::process, output.get()) != 0) {
        return nullptr;
    }
    jack_on_info_shutdown(output->client_, &JackAudioOutput::shutdown, output.get());
    return output;
}

JackAudioOutput::~JackAudioOutput()
{
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

double JackAudioOutput::sampleRate() const noexcept
{
    return static_cast<double>(jack_get_sample_rate(client_));
}

bool JackAudioOutput::start(fluid_synth_t* synth)
{
    synth_.store(synth, std::memory_order_release);
    if (jack_activate(client_) != 0) {
        return false;
    }
    // Left to the first playback port, right to the second (or the first,
    // when there is only one). A connection that fails leaves the port for
    // the user to wire.
    const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsPhysical | JackPortIsInput);
    if (playback != nullptr) {
        std::size_t count = 0;
        while (playback[count] != nullptr) {
            ++count;
        }
        for (std::size_t i = 0; i < ports_.size() && count > 0; ++i) {
            (void)jack_connect(client_, jack_port_name(ports_[i]),
                               playback[std::min(i, count - 1)]);
        }
        jack_free(static_cast<void*>(playback));
    }
    return true;
}

void JackAudioOutput::shutdown(jack_status_t /*code*/, const char* /*reason*/, void* self)
{
    auto* output = static_cast<JackAudioOutput*>(self);
    output->alive_.store(false);
    if (output->lost_) {
        output->lost_();
    }
}

int JackAudioOutput::process(std::uint32_t frames, void* self)
{
    auto* output = static_cast<JackAudioOutput*>(self);
    auto* left = static_cast<float*>(jack_port_get_buffer(output->ports_[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(output->ports_[1], frames));
    // Set before the client was activated, so never null here.
    fluid_synth_t* synth = output->synth_.load(std::memory_order_acquire);
    (void)fluid_synth_write_float(synth, static_cast<int>(frames), left, 0, 1, right, 0, 1);
    return 0;
}

}  // namespace midi
