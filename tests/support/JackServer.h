#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace testsupport {

struct JackServerOptions {
    // Real-time scheduling (needs the privilege): the benchmarks ask for it.
    bool realtime = false;
    // Each cycle waits for every client instead of dropping a late one's
    // data, so a busy machine loses no MIDI in a test. Users run without.
    bool sync = true;
};

// A JACK server of our own on the dummy driver (no sound card). Every JACK client opened afterwards
// talks to it: its name, the first of a small pool no other test process holds, goes in
// JACK_DEFAULT_SERVER. It stops when this object goes, and dies with the process if that crashes.
class JackServer {
public:
    // Nothing when jackd is missing or does not come up; `whyNot` says why.
    [[nodiscard]] static std::unique_ptr<JackServer> start(std::string& whyNot,
                                                           JackServerOptions options = {});
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // Kills the server at once (no goodbye to its clients) and waits until
    // it is gone; start() may then bring up a new one.
    void kill();

private:
    explicit JackServer(pid_t pid) : pid_(pid) {}

    pid_t pid_ = -1;
};

}  // namespace testsupport
