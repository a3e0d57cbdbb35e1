// The bridge between real receiver workers and the window's thread: lines in batches, one beep
// each, held within their budget; failure reports hold their worker until answered or stopped.
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

// Lines the front end's thread has not taken yet are held within the
// budget: the oldest go, and the batch begins by saying how many.
TEST(ReceiverBridgeBudget, DropsTheOldestWaitingLinesAndSaysHowMany)
{
    const net::Ipv4Endpoint from{net::UdpSocket::resolveIpv4("127.0.0.1").value_or(0), 5};
    ReceiverBridge bridge(3 * peer::lineCost("line0"));  // the text as received
    QObject context;
    std::vector<std::string> batch;
    QObject::connect(&bridge, &ReceiverBridge::linesArrived, &context,
                     [&](const std::vector<std::string>& lines) { batch = lines; });
    for (int i = 0; i < 10; ++i) {
        bridge.textReceived(from, "line" + std::to_string(i));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !batch.empty(); }));
    EXPECT_THAT(batch, ::testing::ElementsAre("(7 lines dropped)", "127.0.0.1:5>line7",
                                              "127.0.0.1:5>line8", "127.0.0.1:5>line9"));
    for (const std::uint64_t count : {1ULL, 7ULL, 1'234'567ULL}) {
        EXPECT_EQ(peer::droppedLinesCount(peer::droppedLinesNote(count)), count);
    }
    EXPECT_EQ(peer::droppedLinesCount(batch[1]), std::nullopt);
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
