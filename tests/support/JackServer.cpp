#include "tests/support/JackServer.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <vector>

namespace testsupport {

namespace {

using namespace std::chrono_literals;

// JACK keeps a machine-wide table of eight servers; a killed one stays until one of its name
// starts. So names come from a pool of four, each locked till exit by the test process using it.
std::string serverName()
{
    for (int i = 0; i < 4; ++i) {
        std::string name = "mirevo-test-" + std::to_string(i);
        const int fd =
            ::open(("/tmp/" + name + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
            return name;  // the descriptor, and the lock, stay open
        }
        ::close(fd);
    }
    return {};
}

bool takesClients()
{
    jack_client_t* client = jack_client_open("mirevo-test-probe", JackNoStartServer, nullptr);
    if (client != nullptr) {
        jack_client_close(client);
    }
    return client != nullptr;
}

// Whether the child has ended (or is not ours); waits up to `within`.
bool ended(pid_t pid, std::chrono::seconds within = 0s, int* status = nullptr)
{
    const auto until = std::chrono::steady_clock::now() + within;
    for (;;) {
        const pid_t done = ::waitpid(pid, status, WNOHANG);
        if (done != 0 || std::chrono::steady_clock::now() >= until) {
            return done != 0;
        }
        std::this_thread::sleep_for(20ms);
    }
}

}  // namespace

std::unique_ptr<JackServer> JackServer::start(std::string& whyNot, JackServerOptions options)
{
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    static const std::string name = serverName();
    if (name.empty()) {
        whyNot = "every JACK server name of the tests' pool is in use";
        return nullptr;
    }
    // A generous client time-out: clients under a sanitizer are slow, and
    // one the server gives up on silently stops passing MIDI.
    std::vector<const char*> args{"jackd", "--name", name.c_str(), "--timeout", "5000"};
    args.push_back(options.realtime ? "--realtime" : "--no-realtime");
    if (options.sync) {
        args.push_back("--sync");
    }
    args.insert(args.end(), {"-d", "dummy", "-r", "48000", "-p", "256", nullptr});
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // not to outlive a crashed test
        if (::getppid() != parent) {
            ::_exit(126);
        }
        const int null = ::open("/dev/null", O_RDWR);
        for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            ::dup2(null, fd);
        }
        ::execvp(args[0], const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    if (pid < 0) {
        whyNot = "could not start jackd (fork failed)";
        return nullptr;
    }
    const auto until = std::chrono::steady_clock::now() + 20s;
    for (int status = 0; !takesClients(); std::this_thread::sleep_for(50ms)) {
        if (ended(pid, 0s, &status)) {
            whyNot = WIFEXITED(status) && WEXITSTATUS(status) == 127
                         ? "jackd is not installed (Debian package jackd2); skipping the JACK tests"
                         : "jackd exited before it accepted clients";
            return nullptr;
        }
        if (std::chrono::steady_clock::now() >= until) {
            JackServer(pid).kill();
            whyNot = "jackd did not accept clients in time";
            return nullptr;
        }
    }
    return std::unique_ptr<JackServer>(new JackServer(pid));
}

void JackServer::kill()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ended(pid_, 10s);
        pid_ = -1;
    }
}

JackServer::~JackServer()
{
    if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0 && ended(pid_, 10s)) {
        pid_ = -1;
    }
    kill();
}

}  // namespace testsupport
