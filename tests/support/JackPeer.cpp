#include "tests/support/JackPeer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "midi/ShortMessage.h"

namespace testsupport {

namespace {

// Waits until `done` holds, for ten seconds at most.
template <typename Done>
void waitUntil(Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The names a JACK call returned, freed.
std::vector<std::string> names(const char** found)
{
    std::vector<std::string> all;
    for (const char** p = found; p != nullptr && *p != nullptr; ++p) {
        all.emplace_back(*p);
    }
    jack_free(static_cast<void*>(found));
    return all;
}

}  // namespace

JackPeer::JackPeer(const std::string& name, const char* listenTo) : name_(name)
{
    client_ = jack_client_open(
        name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), nullptr);
    if (client_ == nullptr) {
        throw std::runtime_error("no JACK server for the peer " + name);
    }
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    const std::vector<std::string> sources =
        listenTo == nullptr
            ? std::vector<std::string>{}
            : names(jack_get_ports(client_, listenTo, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        audio_.push_back(jack_port_register(client_, ("audio_" + std::to_string(i + 1)).c_str(),
                                            JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    }
    jack_set_process_callback(
        client_,
        [](jack_nframes_t frames, void* self) {
            static_cast<JackPeer*>(self)->cycle(frames);
            return 0;
        },
        this);
    if (out_ == nullptr || in_ == nullptr || jack_activate(client_) != 0) {
        jack_client_close(client_);
        throw std::runtime_error("the JACK peer " + name + " cannot start");
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
        jack_connect(client_, sources[i].c_str(), jack_port_name(audio_[i]));
    }
}

JackPeer::~JackPeer()
{
    jack_client_close(client_);
}

std::vector<std::string> JackPeer::portNames(const std::string& prefix) const
{
    std::vector<std::string> all = names(jack_get_ports(client_, nullptr, nullptr, 0));
    std::erase_if(all, [&prefix](const std::string& n) { return !n.starts_with(prefix); });
    return all;
}

bool JackPeer::connect(const std::string& source, const std::string& destination)
{
    const int result = jack_connect(client_, source.c_str(), destination.c_str());
    return result == 0 || result == EEXIST;
}

bool JackPeer::connected(const std::string& port, const std::string& other)
{
    const std::uint64_t now = cycles_.load();
    waitUntil([&] { return cycles_.load() >= now + 2; });
    const jack_port_t* found = jack_port_by_name(client_, port.c_str());
    return found != nullptr &&
           std::ranges::count(names(jack_port_get_all_connections(client_, found)), other) > 0;
}

void JackPeer::play(const std::vector<std::uint32_t>& messages, unsigned perCycle)
{
    perCycle_.store(perCycle);
    for (const std::uint32_t message : messages) {
        while (outgoing_.push(message) == midi::MessageQueue::Push::Full) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

std::vector<std::uint32_t> JackPeer::takeReceived()
{
    std::vector<std::uint32_t> messages;
    received_.drain([&messages](std::uint32_t message) { messages.push_back(message); });
    return messages;
}

void JackPeer::cycle(jack_nframes_t frames) noexcept
{
    cycles_.fetch_add(1);
    void* in = jack_port_get_buffer(in_, frames);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event{};
        if (jack_midi_event_get(&event, in, i) == 0) {
            midi::splitShortMessages(std::span<const std::uint8_t>(event.buffer, event.size),
                                     [this](std::uint32_t m) { (void)received_.push(m); });
        }
    }
    void* out = jack_port_get_buffer(out_, frames);
    jack_midi_clear_buffer(out);
    std::uint32_t message = 0;
    for (unsigned budget = perCycle_.load(); budget > 0 && outgoing_.pop(message); --budget) {
        if (const auto bytes = midi::unpackShortMessage(message)) {
            (void)jack_midi_event_write(out, 0, bytes->bytes.data(), bytes->size);
            played_.fetch_add(1);
        }
    }
    float peak = 0;
    for (jack_port_t* port : audio_) {
        const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
        for (jack_nframes_t i = 0; i < frames; ++i) {
            peak = std::fmax(peak, std::fabs(samples[i]));
        }
    }
    peak_.store(peak);
    quiet_.store(peak < 1e-4F ? quiet_.load() + 1 : 0);
}

}  // namespace testsupport
