// No file descriptor left: sending reports "Socket error", and a receiver
// worker that must reopen its socket reports it and ends with code 11. Each
// case runs in a child process whose descriptor limit it lowers, so that
// this test process keeps its own.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "net/Datagram.h"
#include "net/ReceiverWorker.h"
#include "net/Sender.h"
#include "net/UdpSocket.h"

namespace {

using namespace std::chrono_literals;
using net::Failure;
using net::ReceiverWorker;

constexpr auto kDeadline = 10s;

// Descriptors this process has open.
std::size_t descriptorsInUse()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count - 1;  // the directory being read
}

void lowerDescriptorLimit(std::size_t limit)
{
    rlimit r{};
    ::getrlimit(RLIMIT_NOFILE, &r);
    r.rlim_cur = limit;
    if (::setrlimit(RLIMIT_NOFILE, &r) != 0) {
        std::perror("setrlimit");
        std::_Exit(2);
    }
}

// Makes the open descriptors 0 to n-1 with no gap, so that the next one
// opened is the highest.
void closeGaps()
{
    for (;;) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (static_cast<std::size_t>(fd) + 1 == descriptorsInUse()) {
            ::close(fd);
            return;
        }
    }
}

// Lowers the limit to the given number and takes any free number below it:
// no new descriptor can be made.
void useUpDescriptors(std::size_t limit)
{
    lowerDescriptorLimit(limit);
    while (::open("/dev/null", O_RDONLY | O_CLOEXEC) >= 0) {
    }
}

std::string names(const std::vector<Failure>& failures)
{
    std::string text;
    for (const Failure f : failures) {
        text += std::string(net::failureText(f)) + ";";
    }
    return text;
}

class RecordingReporter final : public net::FailureReporter {
public:
    void report(Failure failure, std::string_view /*target*/) override
    {
        failures.push_back(failure);
    }
    std::vector<Failure> failures;
};

TEST(DescriptorExhaustionDeathTest, SendingReportsSocketError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::vector<std::byte> datagram = net::makeTextDatagram("hello");
            RecordingReporter reporter;
            // UndefinedBehaviorSanitizer needs a descriptor the first time it
            // checks a call to the reporter: have it check one beforehand.
            (void)net::sendDatagram("no colon", datagram, reporter);
            reporter.failures.clear();
            useUpDescriptors(descriptorsInUse());
            const bool sent = net::sendDatagram("127.0.0.1:9", datagram, reporter);
            std::fprintf(stderr, "sent=%d failures=%s\n", sent ? 1 : 0,
                         names(reporter.failures).c_str());
            std::_Exit(!sent && reporter.failures == std::vector{Failure::Socket} ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "sent=0 failures=Socket error;");
}

// On the receive failure, leaves no descriptor for the socket the worker
// opens next: the limit drops below the one the worker is about to close.
class ExhaustingEvents final : public net::ReceiverEvents {
public:
    void listening(std::uint16_t port) override
    {
        const std::lock_guard lock(mutex_);
        ports.push_back(port);
        changed_.notify_all();
    }
    void textReceived(const net::Ipv4Endpoint&, std::string_view) override {}
    void midiReceived(std::uint32_t) override {}
    void failed(Failure failure, std::stop_token) override
    {
        if (failure == Failure::Recv) {
            // The worker's socket is the highest descriptor (see closeGaps):
            // once it is closed, its number lies beyond the limit too.
            useUpDescriptors(descriptorsInUse() - 1);
        }
        const std::lock_guard lock(mutex_);
        failures.push_back(failure);
    }
    std::uint16_t waitListening()
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kDeadline, [this] { return !ports.empty(); });
        return ports.empty() ? 0 : ports.front();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint16_t> ports;
    std::vector<Failure> failures;
};

TEST(DescriptorExhaustionDeathTest, WorkerReopeningWithoutADescriptorEndsWithCode11)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            net::UdpSocket sender = net::UdpSocket::open();
            closeGaps();
            ExhaustingEvents events;
            ReceiverWorker worker(0, events);
            const std::uint16_t port = events.waitListening();
            // Larger than the receive buffer: "recv error", then a reopening.
            const std::string oversized = "*" + std::string(2000, 'x');
            sender.sendTo({*net::UdpSocket::resolveIpv4("127.0.0.1"), port},
                          std::as_bytes(std::span(oversized.data(), oversized.size())));
            const bool finished = worker.waitFinished(kDeadline);
            const std::lock_guard lock(events.mutex_);
            std::fprintf(stderr, "finished=%d code=%d failures=%s\n", finished ? 1 : 0,
                         worker.exitCode(), names(events.failures).c_str());
            std::_Exit(finished && worker.exitCode() == ReceiverWorker::kExitSocketError &&
                               events.failures == std::vector{Failure::Recv, Failure::Socket}
                           ? 0
                           : 1);
        },
        ::testing::ExitedWithCode(0), "finished=1 code=11 failures=recv error;Socket error;");
}

}  // namespace
