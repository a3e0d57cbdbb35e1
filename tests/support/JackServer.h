#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace testsupport {

// A JACK server of our own on the dummy driver (no sound card needed), for
// tests that need a real MIDI system. Every JACK client the test process
// opens afterwards talks to it: the server name, unique to this process, is
// put into JACK_DEFAULT_SERVER the first time one is started, before any
// client connects. The server is stopped when this object goes, and dies
// with the test process should that crash.
class JackServer {
public:
    // Nothing when jackd is missing or does not come up; `whyNot` says why.
    [[nodiscard]] static std::unique_ptr<JackServer> start(std::string& whyNot);

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
    JackServer(pid_t pid, std::string name) : pid_(pid), name_(std::move(name)) {}

    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace testsupport
