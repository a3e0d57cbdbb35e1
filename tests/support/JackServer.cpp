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
#include <utility>
#include <vector>

namespace testsupport {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartDeadline = 20s;
constexpr auto kStopDeadline = 10s;

void ignoreJackMessage(const char* /*message*/) {}

// JACK keeps a machine-wide table of eight running servers. A server that
// is killed (as the fault tests do) stays in it until one of the same name
// starts; so the tests take their names from a small pool, and a test
// process that crashed after a kill leaves nothing behind for long. A lock
// on a file per name, held for the life of the process, keeps two test
// processes from taking the same name.
constexpr int kServerNames = 4;

bool lockName(const std::string& name)
{
    const std::string path = "/tmp/" + name + ".lock";
    const int fd = ::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    return true;  // the descriptor stays open, and the lock held, until the process ends
}

std::string poolName(int index)
{
    return "mirevo-test-" + std::to_string(index);
}

void silenceJack()
{
    static const bool silenced = [] {
        jack_set_error_function(&ignoreJackMessage);
        jack_set_info_function(&ignoreJackMessage);
        return true;
    }();
    (void)silenced;
}

bool clientCanConnect()
{
    jack_status_t status{};
    jack_client_t* client = jack_client_open(
        "mirevo-test-probe", static_cast<jack_options_t>(JackNoStartServer), &status);
    if (client == nullptr) {
        return false;
    }
    jack_client_close(client);
    return true;
}

bool waitForExit(pid_t pid, std::chrono::steady_clock::duration deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    do {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

}  // namespace

std::unique_ptr<JackServer> JackServer::start(std::string& whyNot, Options options)
{
    silenceJack();
    // The name of this process's server, once one was started: every client
    // the process opens talks to it (JACK_DEFAULT_SERVER).
    static std::string chosen;
    if (!chosen.empty()) {
        return startNamed(chosen, options, whyNot);
    }
    for (int i = 0; i < kServerNames; ++i) {
        const std::string name = poolName(i);
        if (!lockName(name)) {
            continue;  // another test process's
        }
        ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        if (auto server = startNamed(name, options, whyNot)) {
            chosen = name;
            return server;
        }
    }
    ::unsetenv("JACK_DEFAULT_SERVER");
    return nullptr;
}

std::unique_ptr<JackServer> JackServer::startNamed(const std::string& name, Options options,
                                                   std::string& whyNot)
{
    // A generous client time-out: clients under a sanitizer are slow, and a
    // client the server gives up on silently stops passing MIDI.
    std::vector<std::string> args = {"jackd", "--name", name, "--timeout", "5000"};
    args.emplace_back(options.realtime ? "--realtime" : "--no-realtime");
    if (options.sync) {
        args.emplace_back("--sync");
    }
    for (const char* driver : {"-d", "dummy", "-r", "48000", "-p", "256"}) {
        args.emplace_back(driver);
    }
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        whyNot = "could not start jackd (fork failed)";
        return nullptr;
    }
    if (pid == 0) {
        // The server must not outlive a test process that crashed.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(126);
        }
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }

    auto server = std::unique_ptr<JackServer>(new JackServer(pid, name));
    const auto until = std::chrono::steady_clock::now() + kStartDeadline;
    while (!clientCanConnect()) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            server->pid_ = -1;
            whyNot = WIFEXITED(status) && WEXITSTATUS(status) == 127
                         ? "jackd is not installed (Debian package jackd2); skipping the JACK tests"
                         : "jackd exited before it accepted clients";
            return nullptr;
        }
        if (std::chrono::steady_clock::now() >= until) {
            whyNot = "jackd did not accept clients in time";
            return nullptr;
        }
        std::this_thread::sleep_for(50ms);
    }
    return server;
}

void JackServer::kill()
{
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGKILL);
    waitForExit(pid_, kStopDeadline);
    pid_ = -1;
}

JackServer::~JackServer()
{
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    if (!waitForExit(pid_, kStopDeadline)) {
        ::kill(pid_, SIGKILL);
        waitForExit(pid_, kStopDeadline);
    }
}

}  // namespace testsupport
