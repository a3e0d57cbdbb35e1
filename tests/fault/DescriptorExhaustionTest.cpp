// No file descriptor left: sending reports "Socket error" (in a child that lowers its own limit).
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "net/Datagram.h"
#include "net/Sender.h"
#include "net/UdpSocket.h"

namespace {

using net::Failure;

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

}  // namespace
