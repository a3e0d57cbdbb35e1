#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct _jack_client;
struct _jack_port;

namespace testsupport {

// A JACK client listening to other clients' audio output ports: it notes
// how loud each cycle was. Its process callback only reads and stores
// atomics.
class JackEar {
public:
    // Listens to every audio output port whose name matches `sources` (a
    // regular expression, as jack_get_ports takes it), one input each.
    JackEar(const char* clientName, const char* sources);
    ~JackEar();
    JackEar(const JackEar&) = delete;
    JackEar& operator=(const JackEar&) = delete;

    // How many ports it listens to (0: none matched, or no JACK server).
    [[nodiscard]] std::size_t ports() const noexcept { return inputs_.size(); }
    // The ports any port (this client's or another's) is connected to.
    [[nodiscard]] std::vector<std::string> connectionsOf(const char* port) const;

    // The loudest sample of the latest cycle, and how many cycles in a row
    // have stayed below `quietLevel` (-80 dBFS).
    [[nodiscard]] float latestPeak() const noexcept { return peak_.load(); }
    [[nodiscard]] std::uint64_t quietCycles() const noexcept { return quiet_.load(); }
    static constexpr float quietLevel = 1e-4F;

private:
    static int process(std::uint32_t frames, void* self);

    _jack_client* client_ = nullptr;
    std::vector<_jack_port*> inputs_;
    std::atomic<float> peak_{0};
    std::atomic<std::uint64_t> quiet_{0};
};

}  // namespace testsupport
