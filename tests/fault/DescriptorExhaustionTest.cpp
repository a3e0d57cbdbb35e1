// No file descriptor left: sending reports "Socket error", and a receiver
// worker that must reopen its socket reports it and ends with code 11. Each
// case runs in a child process, which lowers its own descriptor limit.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "net/Datagram.h"
#include "net/ReceiverWorker.h"
#include "net/Sender.h"
#include "net/UdpSocket.h"
#include "tests/net/WorkerEvents.h"

namespace {

using namespace std::chrono_literals;
using net::Failure;
using net::ReceiverWorker;

// Descriptors this process has open.
std::size_t descriptorsInUse()
{
    const auto it = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(it), end(it))) - 1;  // less the one read
}

// Lowers the limit to the given number and takes any free number below it:
// no new descriptor can be made. Returns the limit as it was.
rlimit useUpDescriptors(std::size_t limit)
{
    rlimit r{};
    ::getrlimit(RLIMIT_NOFILE, &r);
    const rlimit before = r;
    r.rlim_cur = limit;
    if (::setrlimit(RLIMIT_NOFILE, &r) != 0) {
        std::perror("setrlimit");
        std::_Exit(2);
    }
    while (::open("/dev/null", O_RDONLY | O_CLOEXEC) >= 0) {
    }
    return before;
}

class RecordingReporter final : public net::FailureReporter {
public:
    void report(Failure failure, std::string_view /*target*/) override
    {
        shown += std::string(net::failureText(failure)) + ";";
    }
    std::string shown;
};

TEST(DescriptorExhaustionDeathTest, SendingReportsSocketError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const auto datagram = net::makeTextDatagram("hello");
            RecordingReporter reporter;
            // UndefinedBehaviorSanitizer needs a descriptor the first time it
            // checks a call to the reporter: have it check one beforehand.
            (void)net::sendDatagram("no colon", datagram, reporter);
            reporter.shown.clear();
            (void)useUpDescriptors(descriptorsInUse());
            const bool sent = net::sendDatagram("127.0.0.1:9", datagram, reporter);
            std::fprintf(stderr, "sent=%d shown=%s\n", sent ? 1 : 0, reporter.shown.c_str());
            std::_Exit(!sent && reporter.shown == "Socket error;" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "sent=0 shown=Socket error;");
}

TEST(DescriptorExhaustionDeathTest, WorkerReopeningWithoutADescriptorEndsWithCode11)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            net::UdpSocket sender = net::UdpSocket::open();
            // Fill every gap below the highest descriptor, so that the
            // worker's socket becomes the highest.
            for (int fd = 0; fd >= 0 && static_cast<std::size_t>(fd) + 1 != descriptorsInUse();) {
                fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            }
            testing_support::WorkerEvents events;
            ReceiverWorker worker(0, events);
            const std::uint16_t port = events.port();
            // Larger than the receive buffer: "recv error", then a reopening.
            events.hold(true);
            const std::string oversized(2000, '*');
            sender.sendTo({*net::UdpSocket::resolveIpv4("127.0.0.1"), port},
                          std::as_bytes(std::span(oversized)));
            (void)events.lines("failed .*", 1);
            // Once the worker's socket is closed, its number lies beyond the
            // limit too: no descriptor is left for the next one.
            const rlimit limit = useUpDescriptors(descriptorsInUse() - 1);
            events.letPass(1);
            (void)events.lines("failed .*", 2);
            // UndefinedBehaviorSanitizer needs descriptors to check the
            // worker's thread as it ends: give them back first.
            ::setrlimit(RLIMIT_NOFILE, &limit);
            events.hold(false);
            const bool finished = worker.waitFinished(10s);
            worker.join();
            std::string shown;
            for (const std::string& failure : events.lines("failed .*")) {
                shown += failure.substr(7) + ";";
            }
            std::fprintf(stderr, "finished=%d code=%d shown=%s\n", finished ? 1 : 0,
                         worker.exitCode(), shown.c_str());
            std::_Exit(finished && worker.exitCode() == ReceiverWorker::kExitSocketError &&
                               shown == "recv error;Socket error;"
                           ? 0
                           : 1);
        },
        ::testing::ExitedWithCode(0), "finished=1 code=11 shown=recv error;Socket error;");
}

}  // namespace
