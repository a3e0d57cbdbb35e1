#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

struct _jack_client;
struct _jack_port;

namespace bench {

// A JACK client listening to other clients' audio output ports: it counts
// quiet cycles and, once armed, notes when a sample first rose above a
// level, on JACK's clock to the frame. Its process callback only reads and
// stores atomics.
class JackListener {
public:
    // Listens to every audio output port whose name matches `sources` (a
    // regular expression, as jack_get_ports takes it).
    JackListener(const char* clientName, const char* sources);
    ~JackListener();
    JackListener(const JackListener&) = delete;
    JackListener& operator=(const JackListener&) = delete;

    // Cycles in a row whose samples all stayed below `level`.
    [[nodiscard]] std::uint64_t quietCycles() const noexcept { return quiet_.load(); }
    static constexpr float level = 1e-4F;  // -80 dBFS

    // From now on, notes when a sample first rises above `level`.
    void arm() noexcept;
    // That moment (jack_get_time's clock, microseconds); 0 until then.
    [[nodiscard]] std::uint64_t heardAt() const noexcept { return heardAt_.load(); }

    // The server's period.
    [[nodiscard]] std::uint32_t periodFrames() const;
    [[nodiscard]] double periodMicroseconds() const;

private:
    static int process(std::uint32_t frames, void* self);

    _jack_client* client_ = nullptr;
    std::vector<_jack_port*> inputs_;
    std::atomic<std::uint64_t> quiet_{0};
    std::atomic<bool> armed_{false};
    std::atomic<std::uint64_t> heardAt_{0};
};

}  // namespace bench
