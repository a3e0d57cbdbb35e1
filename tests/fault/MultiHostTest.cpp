// Four hosts on one network: network namespaces joined by a bridge, a
// sender (a, 10.213.7.1) and three receiver workers (b to d, .2 to .4 on
// veth pairs). Needs root and iproute2's ip; skipped otherwise. Each host's
// sockets are made by a thread inside its namespace.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/Datagram.h"
#include "net/ReceiverWorker.h"
#include "net/Sender.h"
#include "net/TargetSnapshot.h"
#include "tests/net/WorkerEvents.h"

namespace {

using namespace std::chrono_literals;

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ns(char host)
{
    return "mirevo-t" + std::to_string(::getpid()) + "-" + host;
}

std::string address(char host)
{
    return "10.213.7." + std::to_string(host - 'a' + 1);
}

struct Network {
    Network()
    {
        (void)run(
            "for n in $(ip netns list | grep -o '^mirevo-t[0-9]*-[a-d]'); do p=${n#mirevo-t}; "
            "kill -0 ${p%-*} || ip netns delete $n; done");
    }
    ~Network()
    {
        for (const char host : {'a', 'b', 'c', 'd'}) {
            (void)run("ip netns delete " + ns(host));
        }
    }

    static bool build()
    {
        const std::string a = "ip -n " + ns('a') + " ";
        std::vector<std::string> commands{a + "link set lo up", a + "link add br0 type bridge",
                                          a + "addr add 10.213.7.1/24 brd + dev br0",
                                          a + "link set br0 up"};
        for (const char host : {'b', 'c', 'd'}) {
            const std::string end = std::string("to-") + host;
            const std::string other = "ip -n " + ns(host) + " ";
            commands.insert(commands.end(),
                            {"ip netns add " + ns(host), other + "link set lo up",
                             a + "link add " + end + " type veth peer name eth0 netns " + ns(host),
                             a + "link set " + end + " master br0 up",
                             other + "addr add " + address(host) + "/24 brd + dev eth0",
                             other + "link set eth0 up"});
        }
        return std::all_of(commands.begin(), commands.end(), run);
    }

    // Runs `act` on a thread of its own inside the host's namespace.
    static bool inside(char host, const std::function<void()>& act)
    {
        bool entered = false;
        std::thread([&] {
            const int fd = ::open(("/run/netns/" + ns(host)).c_str(), O_RDONLY | O_CLOEXEC);
            entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
            (void)::close(fd);
            if (entered) {
                act();
            }
        }).join();
        return entered;
    }
};

// A failure would be shown.
struct NoFailure final : net::FailureReporter {
    void report(net::Failure failure, std::string_view target) override
    {
        ADD_FAILURE() << net::failureText(failure) << " shown for " << target;
    }
};

// A broadcast target reaches every host, text and MIDI alike, also from the
// list with ToAllOfList; with one host's link down the others still receive
// and nothing is shown.
TEST(MultiHostTest, BroadcastAndToAllOfListReachEveryHostAndALinkDownShowsNothing)
{
    if (::geteuid() != 0 || !run("ip -V")) {
        GTEST_SKIP() << "making network namespaces needs root and ip (iproute2); skipped";
    }
    const Network network;
    if (!run("ip netns add " + ns('a'))) {
        GTEST_SKIP() << "network namespaces cannot be made here (ip netns add failed); skipped";
    }
    ASSERT_TRUE(Network::build());
    std::array<testing_support::WorkerEvents, 3> heard;  // by b, c and d
    std::vector<std::unique_ptr<net::ReceiverWorker>> workers;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        ASSERT_TRUE(Network::inside("bcd"[i], [&] {
            workers.push_back(std::make_unique<net::ReceiverWorker>(12323, heard[i]));
        }));
        ASSERT_EQ(heard[i].port(), 12323) << i;
    }
    const auto send = [](std::span<const std::byte> datagram, std::vector<std::string> list) {
        net::TargetSnapshot targets(std::move(list));
        NoFailure reporter;
        bool sent = false;
        EXPECT_TRUE(
            Network::inside('a', [&] { sent = net::sendToTargets(targets, reporter, datagram); }));
        return sent;
    };
    const auto target = [](char host) { return address(host) + ":12323"; };
    const std::string broadcast = "10.213.7.255:12323";
    const std::string from = "10\\.213\\.7\\.1:[0-9]+>";
    // One broadcast target, and the list of it and c: c hears that twice.
    EXPECT_TRUE(send(net::makeTextDatagram("hello"), {broadcast}));
    EXPECT_TRUE(send(net::makeMidiDatagram(8338576), {broadcast}));
    EXPECT_TRUE(send(net::makeTextDatagram("both"), {broadcast, target('c')}));
    for (std::size_t i = 0; i < heard.size(); ++i) {
        const std::size_t both = i == 1 ? 2 : 1;
        EXPECT_EQ(heard[i].lines(from + "hello", 1).size(), 1U) << i;
        EXPECT_EQ(heard[i].lines("midi 8338576", 1).size(), 1U) << i;
        EXPECT_EQ(heard[i].lines(from + "both", both).size(), both) << i;
    }

    ASSERT_TRUE(run("ip -n " + ns('b') + " link set eth0 down"));
    EXPECT_TRUE(send(net::makeTextDatagram("again"), {target('b'), target('c'), target('d')}));
    EXPECT_EQ(heard[1].lines(from + "again", 1).size(), 1U);
    EXPECT_EQ(heard[2].lines(from + "again", 1).size(), 1U);
    // A short wait: c and d, sent to around it, have theirs already.
    EXPECT_TRUE(heard[0].lines(from + "again", 1, 500ms).empty());
    for (auto& host : heard) {
        EXPECT_THAT(host.lines("failed.*"), testing::IsEmpty());
    }
}

}  // namespace
