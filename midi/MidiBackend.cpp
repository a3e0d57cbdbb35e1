#include "midi/MidiBackend.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <unistd.h>

#include <mutex>

#include "midi/MidiPort.h"

namespace midi {

namespace {

void ignoreJackMessage(const char* /*message*/) {}

bool alsaSequencerUsable()
{
    const int fd = ::open("/dev/snd/seq", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool jackServerRunning()
{
    silenceJackMessages();
    jack_status_t status{};
    jack_client_t* client =
        jack_client_open(kClientName, static_cast<jack_options_t>(JackNoStartServer), &status);
    if (client == nullptr) {
        return false;
    }
    jack_client_close(client);
    return true;
}

}  // namespace

void silenceJackMessages()
{
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(&ignoreJackMessage);
        jack_set_info_function(&ignoreJackMessage);
    });
}

MidiBackend detectMidiBackend()
{
    if (alsaSequencerUsable()) {
        return MidiBackend::Alsa;
    }
    if (jackServerRunning()) {
        return MidiBackend::Jack;
    }
    return MidiBackend::None;
}

}  // namespace midi
