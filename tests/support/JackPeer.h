#pragma once

#include <jack/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "midi/MessageQueue.h"

namespace testsupport {

// Another program on the test's JACK server, with the MIDI ports "out" and
// "in"; given `listenTo` (a jack_get_ports pattern) it also hears the audio
// ports matching it. Its process callback touches only atomics and queues.
class JackPeer {
public:
    // Throws when the client cannot be made (no server).
    explicit JackPeer(const std::string& name, const char* listenTo = nullptr);
    ~JackPeer();
    JackPeer(const JackPeer&) = delete;
    JackPeer& operator=(const JackPeer&) = delete;

    // Full names: "<name>:out", "<name>:in".
    [[nodiscard]] std::string outName() const { return name_ + ":out"; }
    [[nodiscard]] std::string inName() const { return name_ + ":in"; }

    // Every port on the server whose full name starts with `prefix`.
    [[nodiscard]] std::vector<std::string> portNames(const std::string& prefix) const;

    // Connects, by name, as a patchbay does; true when connected.
    bool connect(const std::string& source, const std::string& destination);
    // Whether two ports are connected, once connections asked for before the
    // call are in force (the server changes them between cycles).
    [[nodiscard]] bool connected(const std::string& port, const std::string& other);

    // Plays each message as one event, in order, at most `perCycle` a cycle; played() counts them.
    void play(const std::vector<std::uint32_t>& messages, unsigned perCycle = 64);
    [[nodiscard]] std::uint64_t played() const noexcept { return played_.load(); }

    // Every event recorded since the last call, each packed as a short message.
    [[nodiscard]] std::vector<std::uint32_t> takeReceived();

    // Audio ports listened to, the latest cycle's peak, and cycles in a row below -80 dBFS.
    [[nodiscard]] std::size_t audioInputs() const noexcept { return audio_.size(); }
    [[nodiscard]] float latestPeak() const noexcept { return peak_.load(); }
    [[nodiscard]] std::uint64_t quietCycles() const noexcept { return quiet_.load(); }

private:
    void cycle(jack_nframes_t frames) noexcept;

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    std::vector<jack_port_t*> audio_;
    std::string name_;
    midi::MessageQueue outgoing_{65536};
    midi::MessageQueue received_{65536};
    std::atomic<unsigned> perCycle_{64};
    std::atomic<std::uint64_t> played_{0};
    std::atomic<std::uint64_t> cycles_{0};
    std::atomic<float> peak_{0};
    std::atomic<std::uint64_t> quiet_{0};
};

}  // namespace testsupport
