// The bridge between a real receiver worker and the GUI thread.
#include "app/ReceiverBridge.h"

#include "app/LogModel.h"
#include "net/ReceiverWorker.h"

#include <gmock/gmock.h>

#include <QTest>

#include <chrono>
#include <optional>

namespace {

using namespace std::chrono_literals;
using app::ReceiverBridge;
using net::ReceiverWorker;

bool send(std::uint16_t port, const std::string& bytes)
{
    auto socket = net::UdpSocket::open();
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};
    return socket.sendTo(to, std::as_bytes(std::span(bytes.data(), bytes.size())));
}

struct Failed {
    net::Failure failure{};
    std::uint64_t ticket{};
};

class ReceiverBridgeTest : public ::testing::Test {
protected:
    ReceiverBridgeTest()
    {
        QObject::connect(&bridge, &ReceiverBridge::linesArrived, &model,
                         &app::LogModel::appendLines);
        QObject::connect(&bridge, &ReceiverBridge::linesArrived, &model,
                         [this](const std::vector<std::string>&) { ++batches; });
        QObject::connect(&bridge, &ReceiverBridge::talkSoundPlayed, &model, [this] { ++beeps; });
        QObject::connect(&bridge, &ReceiverBridge::failureRaised, &model,
                         [this](net::Failure f, std::uint64_t t) {
                             failures.push_back({f, t});
                         });
    }

    // A worker listening on a free port, with that port.
    std::uint16_t startListening()
    {
        worker.emplace(std::uint16_t{0}, bridge);
        (void)QTest::qWaitFor([&] { return worker->boundPort() != 0; });
        return worker->boundPort();
    }

    // Declared before the workers: they are destroyed, stopped and joined,
    // first.
    ReceiverBridge bridge;
    app::LogModel model;
    int batches{0};
    int beeps{0};
    std::vector<Failed> failures;
    std::optional<ReceiverWorker> worker;
    std::optional<ReceiverWorker> second;
};

TEST_F(ReceiverBridgeTest, LinesArriveInOrderAndTalkSoundBeepsOncePerBatch)
{
    bridge.setTalkSound(true);
    const std::uint16_t port = startListening();
    constexpr int kLines = 100;
    for (int i = 0; i < kLines; ++i) {
        ASSERT_TRUE(send(port, "*" + std::to_string(i)));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount() == kLines; }));
    for (int i = 0; i < kLines; ++i) {
        EXPECT_THAT(std::string(model.line(i)), ::testing::EndsWith(">" + std::to_string(i)));
    }
    EXPECT_EQ(beeps, batches);
}

TEST_F(ReceiverBridgeTest, WorkerWaitsForTheFailureToBeAcknowledged)
{
    auto holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.bindAny(0));
    worker.emplace(holder.localEndpoint()->port, bridge);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failures.empty(); }));
    EXPECT_EQ(failures.front().failure, net::Failure::Bind);
    EXPECT_FALSE(worker->waitFinished(50ms));  // still in its report

    bridge.acknowledgeFailure(failures.front().ticket);
    ASSERT_TRUE(worker->waitFinished(10s));
    EXPECT_EQ(worker->exitCode(), ReceiverWorker::kExitBindError);
}

TEST_F(ReceiverBridgeTest, StopWhileWaitingForAcknowledgementEndsTheWorker)
{
    const std::uint16_t port = startListening();
    ASSERT_TRUE(send(port, std::string(1500, '*')));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failures.empty(); }));
    worker->requestStop();
    ASSERT_TRUE(worker->waitFinished(10s));
    EXPECT_EQ(worker->exitCode(), ReceiverWorker::kExitStopped);
    bridge.acknowledgeFailure(failures.front().ticket);  // late answer: harmless
}

TEST_F(ReceiverBridgeTest, LateAnswerToAStoppedWorkerDoesNotReleaseTheNextOne)
{
    auto holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.bindAny(0));
    const std::uint16_t taken = holder.localEndpoint()->port;
    worker.emplace(taken, bridge);
    ASSERT_TRUE(QTest::qWaitFor([&] { return failures.size() == 1; }));
    worker->requestStop();  // its report stays unanswered on screen
    ASSERT_TRUE(worker->waitFinished(10s));

    second.emplace(taken, bridge);
    ASSERT_TRUE(QTest::qWaitFor([&] { return failures.size() == 2; }));
    bridge.acknowledgeFailure(failures[0].ticket);
    EXPECT_FALSE(second->waitFinished(100ms));
    bridge.acknowledgeFailure(failures[1].ticket);
    EXPECT_TRUE(second->waitFinished(10s));
}

}  // namespace

namespace {

TEST(ReceiverBridgeDeathTest, BridgeDestroyedBeforeItsWorkerEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto bridge = std::make_unique<ReceiverBridge>(nullptr);
            ReceiverWorker worker(0, *bridge);
            bridge.reset();
        },
        "still reports to it");
}

}  // namespace
