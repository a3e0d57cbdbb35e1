// The bridge between real receiver workers and the window's thread: lines
// in batches with one beep each, and failure reports that hold their worker
// until answered or stopped.
#include "peer/ReceiverBridge.h"

#include <gmock/gmock.h>

#include <QTest>
#include <chrono>
#include <optional>

#include "net/ReceiverWorker.h"
#include "tests/support/UdpListener.h"

namespace {

using namespace std::chrono_literals;
using net::ReceiverWorker;
using peer::ReceiverBridge;

class ReceiverBridgeTest : public ::testing::Test {
protected:
    ReceiverBridgeTest()
    {
        QObject::connect(&bridge, &ReceiverBridge::linesArrived, &context,
                         [this](const std::vector<std::string>& batch) {
                             lines += static_cast<int>(batch.size());
                             ++batches;
                         });
        QObject::connect(&bridge, &ReceiverBridge::talkSoundPlayed, &context, [this] { ++beeps; });
        QObject::connect(&bridge, &ReceiverBridge::failureRaised, &context,
                         [this](net::Failure failure, std::uint64_t ticket) {
                             EXPECT_EQ(failure, net::Failure::Bind);
                             tickets.push_back(ticket);
                         });
    }

    // Declared before the workers: they are stopped and joined first.
    ReceiverBridge bridge;
    QObject context;
    int lines{0};
    int batches{0};
    int beeps{0};
    std::vector<std::uint64_t> tickets;
    std::optional<ReceiverWorker> first;
    std::optional<ReceiverWorker> second;
};

TEST_F(ReceiverBridgeTest, TalkSoundBeepsOncePerBatchOfLines)
{
    bridge.setTalkSound(true);
    first.emplace(std::uint16_t{0}, bridge);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->boundPort() != 0; }));
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(testing_support::sendToLoopback(first->boundPort(), "*x"));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines == 100; }));
    EXPECT_EQ(beeps, batches);
}

// A worker waits in its report until its own ticket is answered: the late
// answer to the report of a worker stopped meanwhile releases no other.
TEST_F(ReceiverBridgeTest, AFailureHoldsItsWorkerUntilItsTicketIsAnsweredOrItIsStopped)
{
    auto holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.bindAny(0));
    const std::uint16_t taken = holder.localEndpoint()->port;
    first.emplace(taken, bridge);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tickets.size() == 1; }));
    EXPECT_FALSE(first->waitFinished(50ms));
    first->requestStop();  // its report stays unanswered on screen
    ASSERT_TRUE(first->waitFinished(10s));
    EXPECT_EQ(first->exitCode(), ReceiverWorker::kExitBindError);

    second.emplace(taken, bridge);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tickets.size() == 2; }));
    bridge.acknowledgeFailure(tickets[0]);
    EXPECT_FALSE(second->waitFinished(100ms));
    bridge.acknowledgeFailure(tickets[1]);
    EXPECT_TRUE(second->waitFinished(10s));
}

}  // namespace
