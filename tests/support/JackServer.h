#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace testsupport {

// A JACK server of our own on the dummy driver (no sound card needed), for
// tests that need a real MIDI system. Every JACK client the test process
// opens afterwards talks to it: the server's name, the first of a small
// pool that no other test process's server has, is put into
// JACK_DEFAULT_SERVER the first time one is started, before any client
// connects. The server is stopped when this object goes, and dies with the
// test process should that crash.
class JackServer {
public:
    struct Options {
        // Real-time scheduling for the server and its clients' threads
        // (needs the privilege): the benchmarks ask for it.
        bool realtime = false;
        // Each cycle waits for every client to finish instead of dropping
        // the late one's data (an xrun), so that a test on a busy machine
        // loses no MIDI to the scheduler. Users' servers run without.
        bool sync = true;
    };

    // Nothing when jackd is missing or does not come up; `whyNot` says why.
    [[nodiscard]] static std::unique_ptr<JackServer> start(std::string& whyNot)
    {
        return start(whyNot, Options{});
    }
    [[nodiscard]] static std::unique_ptr<JackServer> start(std::string& whyNot, Options options);

    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;
    JackServer(JackServer&&) = delete;
    JackServer& operator=(JackServer&&) = delete;

    [[nodiscard]] const std::string& name() const noexcept { return name_; }

    // Kills the server at once (SIGKILL: no goodbye to its clients) and
    // waits until it is gone. start() may then bring up a new one under the
    // same name.
    void kill();

private:
    [[nodiscard]] static std::unique_ptr<JackServer> startNamed(const std::string& name,
                                                                Options options,
                                                                std::string& whyNot);
    JackServer(pid_t pid, std::string name) : pid_(pid), name_(std::move(name)) {}

    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace testsupport
