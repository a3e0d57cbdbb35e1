#include "midi/JackClient.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <span>
#include <thread>
#include <utility>

#include "midi/ShortMessage.h"

namespace midi {

namespace {

constexpr std::size_t kLongestMessage = 3;

void ignoreJackMessage(const char* /*message*/) {}

std::string fullName(const MidiPort& port)
{
    return port.client + ":" + port.port;
}

}  // namespace

jack_client_t* openJackClient(const char* name)
{
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(&ignoreJackMessage);
        jack_set_info_function(&ignoreJackMessage);
    });
    jack_status_t status{};
    return jack_client_open(name, static_cast<jack_options_t>(JackNoStartServer), &status);
}

std::shared_ptr<JackClient> JackClient::open(std::function<void()> lost)
{
    jack_client_t* client = openJackClient(kClientName);
    if (client == nullptr) {
        return nullptr;
    }
    std::shared_ptr<JackClient> made(new JackClient(client, std::move(lost)));
    return made->start() ? made : nullptr;
}

JackClient::JackClient(jack_client_t* client, std::function<void()> lost)
    : client_(client), lost_(std::move(lost))
{
}

JackClient::~JackClient()
{
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

void JackClient::closeLost()
{
    // libjack keeps one set of globals for the server its clients talk to:
    // the dead server's go with its last client, and only then is a new
    // server reached cleanly.
    if (client_ != nullptr && !alive()) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

bool JackClient::start()
{
    in_ = jack_port_register(client_, kInputPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    out_ =
        jack_port_register(client_, kOutputPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (in_ == nullptr || out_ == nullptr) {
        return false;
    }
    jack_set_process_callback(client_, &JackClient::process, this);
    jack_on_info_shutdown(client_, &JackClient::shutdown, this);
    return jack_activate(client_) == 0;
}

int JackClient::process(jack_nframes_t frames, void* self)
{
    static_cast<JackClient*>(self)->cycle(frames);
    return 0;
}

void JackClient::shutdown(jack_status_t /*code*/, const char* /*reason*/, void* self)
{
    auto* client = static_cast<JackClient*>(self);
    client->alive_.store(false);
    if (client->lost_) {
        client->lost_();
    }
}

void JackClient::cycle(jack_nframes_t frames) noexcept
{
    InputGate& gate = input();
    if (gate.beginRound()) {
        void* in = jack_port_get_buffer(in_, frames);
        const jack_nframes_t count = jack_midi_get_event_count(in);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event{};
            if (jack_midi_event_get(&event, in, i) == 0) {
                splitShortMessages(std::span<const std::uint8_t>(event.buffer, event.size),
                                   [&gate](std::uint32_t message) { gate.take(message); });
            }
        }
    }
    gate.endRound();

    // What does not fit this cycle's buffer waits for the next.
    void* out = jack_port_get_buffer(out_, frames);
    jack_midi_clear_buffer(out);
    std::uint32_t message = 0;
    while (jack_midi_max_event_size(out) >= kLongestMessage && outgoing_.pop(message)) {
        // What is not a short message, or no longer fits, is dropped.
        if (const std::optional<ShortMessageBytes> bytes = unpackShortMessage(message)) {
            (void)jack_midi_event_write(out, 0, bytes->bytes.data(), bytes->size);
        }
    }
    cycles_.fetch_add(1, std::memory_order_release);
}

void JackClient::send(std::uint32_t message)
{
    if (!alive()) {
        return;
    }
    const std::lock_guard lock(sendMutex_);
    (void)outgoing_.push(message);  // dropped when full
}

void JackClient::flush()
{
    // Bounded: a server that stopped calling us (frozen, or freewheeling
    // elsewhere) must not hold the front end.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    const auto pause = std::chrono::microseconds(200);
    while (alive() && !outgoing_.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(pause);
    }
    // The cycle that took the last message may still be writing it.
    const std::uint64_t seen = cycles_.load(std::memory_order_acquire);
    while (alive() && cycles_.load(std::memory_order_acquire) == seen &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(pause);
    }
}

jack_port_t* JackClient::ownPort(PortDirection direction) const noexcept
{
    return direction == PortDirection::Source ? in_ : out_;
}

std::string JackClient::ownPortName(PortDirection direction) const
{
    if (client_ == nullptr) {
        return {};
    }
    const char* name = jack_port_name(ownPort(direction));
    return name != nullptr ? std::string(name) : std::string();
}

std::vector<MidiPort> JackClient::ports(PortDirection direction)
{
    std::vector<MidiPort> found;
    if (!alive()) {
        return found;
    }
    // A source of MIDI for us is an output port of its client.
    const unsigned long flags =
        direction == PortDirection::Source ? JackPortIsOutput : JackPortIsInput;
    const char** names = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (names == nullptr) {
        return found;
    }
    for (const char** name = names; *name != nullptr; ++name) {
        jack_port_t* port = jack_port_by_name(client_, *name);
        if (port != nullptr && jack_port_is_mine(client_, port) == 0) {
            found.push_back(jackPort(*name));
        }
    }
    jack_free(static_cast<void*>(names));
    return found;
}

MidiClient::Connection JackClient::connect(PortDirection direction, const MidiPort& port)
{
    if (!alive()) {
        return Connection::Failed;
    }
    const std::string theirs = fullName(port);
    if (jack_port_by_name(client_, theirs.c_str()) == nullptr) {
        return Connection::Failed;
    }
    jack_port_t* ours = ownPort(direction);
    if (jack_port_connected_to(ours, theirs.c_str()) != 0) {
        return Connection::AlreadyThere;
    }
    const char* ourName = jack_port_name(ours);
    const int result = direction == PortDirection::Source
                           ? jack_connect(client_, theirs.c_str(), ourName)
                           : jack_connect(client_, ourName, theirs.c_str());
    if (result == 0) {
        return Connection::Made;
    }
    return result == EEXIST ? Connection::AlreadyThere : Connection::Failed;
}

void JackClient::disconnect(PortDirection direction, const MidiPort& port)
{
    if (!alive()) {
        return;
    }
    const std::string theirs = fullName(port);
    const char* ourName = jack_port_name(ownPort(direction));
    (void)(direction == PortDirection::Source ? jack_disconnect(client_, theirs.c_str(), ourName)
                                              : jack_disconnect(client_, ourName, theirs.c_str()));
}

}  // namespace midi
