// The receiver worker against real UDP sockets on the loopback interface. What it does with
// oversize datagrams and held ports is seen through the window (ListeningTest) and the bridge
// (ReceiverBridgeTest); its socket's waits with a time-out, in every case that stops it.
#include "net/ReceiverWorker.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "net/Sender.h"
#include "tests/net/WorkerEvents.h"
#include "tests/support/UdpListener.h"

namespace {

using net::ReceiverWorker;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using testing_support::sendToLoopback;
using testing_support::WorkerEvents;

std::size_t entries(const char* directory)
{
    const auto it = std::filesystem::directory_iterator(directory);
    return static_cast<std::size_t>(std::distance(begin(it), end(it)));
}

TEST(ReceiverWorker, HandsOnEveryDatagramWholeAndIgnoresOtherKinds)
{
    int limit = 0;
    std::ifstream("/proc/sys/net/core/rmem_max") >> limit;
    WorkerEvents events;
    ReceiverWorker worker(0, events);
    const std::uint16_t port = events.port();
    // With its kind byte, the longest text fills the receive buffer exactly.
    const std::string longest(1023, 'a');
    for (const std::string& bytes : {"*" + longest, std::string("~\x90\x3C\x7F"),
                                     std::string("#other"), std::string(), std::string("*end")}) {
        ASSERT_TRUE(sendToLoopback(port, bytes));
    }
    ASSERT_EQ(events.lines(".*>end", 1).size(), 1U);
    EXPECT_THAT(events.lines(),
                ElementsAre("listening " + std::to_string(port), EndsWith(">" + longest),
                            "midi 8338576", EndsWith(">end")));
    EXPECT_GE(worker.receiveBufferBytes(), std::min(ReceiverWorker::kSocketBufferBytes, limit));
}

// A broadcast target reaches each copy on its port: on loopback, one bound to all local addresses.
TEST(ReceiverWorker, HearsABroadcastOnTheLoopbackNetwork)
{
    WorkerEvents events;
    ReceiverWorker worker(0, events);
    struct NoFailure final : net::FailureReporter {
        void report(net::Failure, std::string_view) override { ADD_FAILURE(); }
    } reporter;
    const std::string text = "*broadcast";
    ASSERT_TRUE(net::sendDatagram("127.255.255.255:" + std::to_string(events.port()),
                                  std::as_bytes(std::span(text)), reporter));
    EXPECT_EQ(events.lines(".*>broadcast", 1).size(), 1U);
}

TEST(ReceiverWorker, RapidStartAndStopLeaksNoDescriptorOrThread)
{
    const std::size_t descriptors = entries("/proc/self/fd");
    const std::size_t threads = entries("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        WorkerEvents events;
        ReceiverWorker worker(0, events);
        if (i % 4 == 0) {
            (void)events.port();
        }
        if (i % 2 == 0) {
            worker.requestStop();
        }
    }
    EXPECT_EQ(entries("/proc/self/fd"), descriptors);
    EXPECT_EQ(entries("/proc/self/task"), threads);
}

}  // namespace
