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

// JACK keeps a machine-wide table of eight servers, where a killed one stays
// until a server of the same name starts: so the names come from a small
// pool, each locked (a file lock held until the process ends) by the one
// test process that uses it.
constexpr int kServerNames = 4;

bool lockName(const std::string& name)
{
    const int fd = ::open(("/tmp/" + name + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return true;  // the descriptor, and the lock, stay until the process ends
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return false;
}

bool clientCanConnect()
{
    jack_status_t status{};
    jack_client_t* client = jack_client_open(
        "mirevo-test-probe", static_cast<jack_options_t>(JackNoStartServer), &status);
    if (client != nullptr) {
        jack_client_close(client);
    }
    return client != nullptr;
}

// Whether the child ended within the time given (or was not ours).
bool exited(pid_t pid, std::chrono::steady_clock::duration within, int* status = nullptr)
{
    const auto until = std::chrono::steady_clock::now() + within;
    do {
        const pid_t done = ::waitpid(pid, status, WNOHANG);
        if (done == pid || done < 0) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

// Starts jackd under this name and waits until it takes clients.
pid_t startJackd(const std::string& name, JackServer::Options options, std::string& whyNot)
{
    // A generous client time-out: clients under a sanitizer are slow, and a
    // client the server gives up on silently stops passing MIDI.
    std::vector<std::string> args{"jackd", "--name", name, "--timeout", "5000"};
    args.emplace_back(options.realtime ? "--realtime" : "--no-realtime");
    if (options.sync) {
        args.emplace_back("--sync");
    }
    args.insert(args.end(), {"-d", "dummy", "-r", "48000", "-p", "256"});
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

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
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (pid > 0 && !clientCanConnect()) {
        int status = 0;
        if (exited(pid, 0s, &status)) {
            whyNot = WIFEXITED(status) && WEXITSTATUS(status) == 127
                         ? "jackd is not installed (Debian package jackd2); skipping the JACK tests"
                         : "jackd exited before it accepted clients";
            return -1;
        }
        if (std::chrono::steady_clock::now() >= until) {
            ::kill(pid, SIGKILL);
            exited(pid, 10s);
            whyNot = "jackd did not accept clients in time";
            return -1;
        }
        std::this_thread::sleep_for(50ms);
    }
    if (pid < 0) {
        whyNot = "could not start jackd (fork failed)";
    }
    return pid;
}

}  // namespace

std::unique_ptr<JackServer> JackServer::start(std::string& whyNot, Options options)
{
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    // This process's server name, which all its clients talk to.
    static const std::string name = [] {
        for (int i = 0; i < kServerNames; ++i) {
            std::string candidate = "mirevo-test-" + std::to_string(i);
            if (lockName(candidate)) {
                ::setenv("JACK_DEFAULT_SERVER", candidate.c_str(), 1);
                return candidate;
            }
        }
        return std::string();
    }();
    if (name.empty()) {
        whyNot = "every JACK server name of the tests' pool is in use";
        return nullptr;
    }
    const pid_t pid = startJackd(name, options, whyNot);
    return pid > 0 ? std::unique_ptr<JackServer>(new JackServer(pid)) : nullptr;
}

void JackServer::kill()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        exited(pid_, 10s);
        pid_ = -1;
    }
}

JackServer::~JackServer()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (!exited(pid_, 10s)) {
            kill();
        }
    }
}

}  // namespace testsupport
