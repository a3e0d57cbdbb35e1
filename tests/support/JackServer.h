#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace testsupport {

// A JACK server of our own on the dummy driver (no sound card needed). Every
// JACK client the test process opens afterwards talks to it: its name, the
// first of a small pool that no other test process holds, goes into
// JACK_DEFAULT_SERVER before any client connects. The server stops when
// this object goes, and dies with the test process should that crash.
class JackServer {
public:
    struct Options {
        // Real-time scheduling for the server and its clients (needs the
        // privilege): the benchmarks ask for it.
        bool realtime = false;
        // Each cycle waits for every client instead of dropping a late one's
        // data, so a busy machine loses no MIDI in a test. Users' servers
        // run without.
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

    // Kills the server at once (SIGKILL: no goodbye to its clients) and
    // waits until it is gone; start() may then bring up a new one.
    void kill();

private:
    explicit JackServer(pid_t pid) : pid_(pid) {}

    pid_t pid_ = -1;
};

}  // namespace testsupport
