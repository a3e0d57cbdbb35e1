#include "tests/support/JackServer.h"

#include <fcntl.h>
#include <jack/jack.h>
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

// The one server name of this test process, set for every client it opens.
const std::string& serverName()
{
    static const std::string name = [] {
        std::string n = "mirevo-test-" + std::to_string(::getpid());
        ::setenv("JACK_DEFAULT_SERVER", n.c_str(), 1);
        jack_set_error_function(&ignoreJackMessage);
        jack_set_info_function(&ignoreJackMessage);
        return n;
    }();
    return name;
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

std::unique_ptr<JackServer> JackServer::start(std::string& whyNot)
{
    const std::string& name = serverName();

    // A generous client time-out: clients under a sanitizer are slow, and a
    // client the server gives up on silently stops passing MIDI.
    std::vector<std::string> args = {
        "jackd", "--name", name, "--no-realtime", "--timeout", "5000",
        "-d",    "dummy",  "-r", "48000",         "-p",        "256",
    };
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
