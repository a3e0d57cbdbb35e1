// Four hosts on one network, each a network namespace of our own, joined by
// a bridge: a sender and three listening receivers. A broadcast target
// reaches every receiver, text and MIDI alike, also from the list with
// ToAllOfList; with one host's link down the others still receive and
// nothing is shown. Needs root and iproute2's ip; skipped with a message
// otherwise.
//
// Addresses come from 10.213.7.0/24 and exist only inside the namespaces
// this test makes; nothing is sent anywhere else. The namespaces are
// deleted when the test ends, also when it fails, and namespaces left by a
// test process that died are deleted by the next run.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr auto kDeadline = 10s;
constexpr const char* kPort = "12323";
const std::string kPrefix = "mirevo-t";

std::string findIp()
{
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

bool run(const std::string& command)
{
    const int status = std::system((command + " 2>&1").c_str());
    return status == 0;
}

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buffer{};
        while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
            text += buffer.data();
        }
        ::pclose(pipe);
    }
    return text;
}

// A program run with pipes to its standard input and output.
class Child {
public:
    explicit Child(const std::vector<std::string>& args)
    {
        int in[2] = {-1, -1};
        int out[2] = {-1, -1};
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~Child()
    {
        closeInput();
        if (pid_ > 0 && !waitExit(kDeadline)) {
            ::kill(pid_, SIGKILL);
            (void)waitExit(kDeadline);
        }
        if (output_ >= 0) {
            ::close(output_);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void closeInput()
    {
        if (input_ >= 0) {
            ::close(input_);
            input_ = -1;
        }
    }

    // The next line that matches, skipping others; nothing when none comes
    // within the time given.
    std::optional<std::string> next(const std::regex& pattern,
                                    std::chrono::milliseconds timeout = kDeadline)
    {
        const auto until = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            while (!lines_.empty()) {
                std::string line = lines_.front();
                lines_.erase(lines_.begin());
                seen_.push_back(line);
                if (std::regex_search(line, pattern)) {
                    return line;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !readSome(left)) {
                return std::nullopt;
            }
        }
    }

    // Every line seen so far, and those that came meanwhile.
    std::vector<std::string> seen()
    {
        while (readSome(0ms)) {
        }
        seen_.insert(seen_.end(), lines_.begin(), lines_.end());
        lines_.clear();
        return seen_;
    }

    bool waitExit(std::chrono::milliseconds timeout)
    {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < until) {
            if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    bool readSome(std::chrono::milliseconds timeout)
    {
        pollfd p{output_, POLLIN, 0};
        if (output_ < 0 || ::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
            return false;
        }
        std::array<char, 4096> buffer{};
        const ssize_t n = ::read(output_, buffer.data(), buffer.size());
        if (n <= 0) {
            ::close(output_);
            output_ = -1;
            return false;
        }
        partial_.append(buffer.data(), static_cast<std::size_t>(n));
        for (std::size_t end = partial_.find('\n'); end != std::string::npos;
             end = partial_.find('\n')) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
        return true;
    }

    pid_t pid_ = -1;
    int status_ = 0;
    int input_ = -1;
    int output_ = -1;
    std::string partial_;
    std::vector<std::string> lines_;
    std::vector<std::string> seen_;
};

// Host a holds the bridge with the address .1 and one veth end per other
// host; b, c and d have the other end, eth0, with .2, .3 and .4.
constexpr const char* kReceivers = "bcd";

class Network {
public:
    explicit Network(std::string ip) : ip_(std::move(ip)) {}
    ~Network()
    {
        for (const std::string& ns : made_) {
            (void)run(ip_ + " netns delete " + ns);
        }
    }
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    [[nodiscard]] std::string ns(char host) const
    {
        return kPrefix + std::to_string(::getpid()) + "-" + host;
    }

    // Deletes namespaces of earlier runs whose test process has died.
    void sweep() const
    {
        static const std::regex ours("^" + kPrefix + "([0-9]+)-[a-z]");
        std::istringstream list(output(ip_ + " netns list"));
        for (std::string line; std::getline(list, line);) {
            std::smatch m;
            if (std::regex_search(line, m, ours) &&
                ::kill(static_cast<pid_t>(std::stol(m[1])), 0) != 0) {
                (void)run(ip_ + " netns delete " + line.substr(0, line.find(' ')));
            }
        }
    }

    bool add(char host)
    {
        if (!run(ip_ + " netns add " + ns(host))) {
            return false;
        }
        made_.push_back(ns(host));
        return run(ip_ + " -n " + ns(host) + " link set lo up");
    }

    bool build()
    {
        const std::string a = ip_ + " -n " + ns('a');
        if (!run(a + " link add br0 type bridge") ||
            !run(a + " addr add 10.213.7.1/24 brd + dev br0") || !run(a + " link set br0 up")) {
            return false;
        }
        for (const char* host = kReceivers; *host != 0; ++host) {
            const std::string end = std::string("to-") + *host;
            const std::string other = ip_ + " -n " + ns(*host);
            if (!add(*host) ||
                !run(a + " link add " + end + " type veth peer name eth0 netns " + ns(*host)) ||
                !run(a + " link set " + end + " master br0 up") ||
                !run(other + " addr add " + address(*host) + "/24 brd + dev eth0") ||
                !run(other + " link set eth0 up")) {
                return false;
            }
        }
        return true;
    }

    [[nodiscard]] static std::string address(char host)
    {
        return "10.213.7." + std::to_string(host - 'a' + 1);
    }

    bool linkDown(char host) { return run(ip_ + " -n " + ns(host) + " link set eth0 down"); }

    [[nodiscard]] std::vector<std::string> in(char host, std::vector<std::string> command) const
    {
        std::vector<std::string> args = {ip_, "netns", "exec", ns(host)};
        args.insert(args.end(), command.begin(), command.end());
        return args;
    }

private:
    std::string ip_;
    std::vector<std::string> made_;
};

std::string target(const std::string& address)
{
    return address + ":" + kPort;
}

// Sends from host a to every target, as ToAllOfList does, and returns what
// the sender printed.
std::vector<std::string> sendToAll(const Network& network, const std::string& what,
                                   const std::vector<std::string>& targets)
{
    std::vector<std::string> command{NETNS_PEER, "send", what};
    command.insert(command.end(), targets.begin(), targets.end());
    Child sender(network.in('a', command));
    (void)sender.next(std::regex("^result"));
    (void)sender.waitExit(kDeadline);
    return sender.seen();
}

TEST(MultiHostTest, BroadcastAndToAllOfListReachEveryHostAndALinkDownShowsNothing)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "making network namespaces needs root; the multi-host test is skipped";
    }
    const std::string ip = findIp();
    if (ip.empty()) {
        GTEST_SKIP() << "ip (Debian package iproute2) is missing; the multi-host test is skipped";
    }
    Network network(ip);
    network.sweep();
    if (!network.add('a')) {
        GTEST_SKIP() << "network namespaces cannot be made here (ip netns add failed); the "
                        "multi-host test is skipped";
    }
    ASSERT_TRUE(network.build());

    std::map<char, std::unique_ptr<Child>> receivers;
    for (const char* host = kReceivers; *host != 0; ++host) {
        receivers[*host] =
            std::make_unique<Child>(network.in(*host, {NETNS_PEER, "receive", kPort}));
        ASSERT_TRUE(receivers[*host]->next(std::regex("^listening ")))
            << "no receiver listening on host " << *host;
    }
    const auto received = [&](char host, const std::string& line, auto timeout) {
        return receivers[host]->next(std::regex("^" + line + "$"), timeout).has_value();
    };
    const std::string text = "line 10\\.213\\.7\\.1:[0-9]+>";
    const std::string broadcast = target("10.213.7.255");

    // One broadcast target: text and MIDI reach every host.
    EXPECT_THAT(sendToAll(network, "hello", {broadcast}), ElementsAre("result 1"));
    EXPECT_THAT(sendToAll(network, "midi:8338576", {broadcast}), ElementsAre("result 1"));
    for (const char* host = kReceivers; *host != 0; ++host) {
        EXPECT_TRUE(received(*host, text + "hello", kDeadline)) << "host " << *host;
        EXPECT_TRUE(received(*host, "midi 8338576", kDeadline)) << "host " << *host;
    }

    // The list holds the broadcast target and c: c hears it twice.
    EXPECT_THAT(sendToAll(network, "both", {broadcast, target(Network::address('c'))}),
                ElementsAre("result 1"));
    for (const char host : {'b', 'c', 'c', 'd'}) {
        EXPECT_TRUE(received(host, text + "both", kDeadline)) << "host " << host;
    }

    // With b's link down the others still receive, and nothing is shown.
    ASSERT_TRUE(network.linkDown('b'));
    std::vector<std::string> everyHost;
    for (const char* host = kReceivers; *host != 0; ++host) {
        everyHost.push_back(target(Network::address(*host)));
    }
    EXPECT_THAT(sendToAll(network, "again", everyHost), ElementsAre("result 1"));
    EXPECT_TRUE(received('c', text + "again", kDeadline));
    EXPECT_TRUE(received('d', text + "again", kDeadline));
    // Short wait: c and d, sent to around it, already have theirs.
    EXPECT_FALSE(received('b', text + "again", 500ms));

    for (auto& [host, receiver] : receivers) {
        for (const std::string& line : receiver->seen()) {
            EXPECT_THAT(line, Not(ContainsRegex("^failed"))) << "host " << host;
        }
    }
}

}  // namespace
