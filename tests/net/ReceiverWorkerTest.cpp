// The receiver worker against real UDP sockets on the loopback interface.
#include "net/ReceiverWorker.h"

#include <gmock/gmock.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using net::Failure;
using net::ReceiverWorker;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto kDeadline = 10s;  // generous: only ever waited out on failure

// Records what a worker reports. Failure reports return at once unless
// holdFailures is set; then they wait for a stop like an unanswered box.
class RecordingEvents final : public net::ReceiverEvents {
public:
    void listening(std::uint16_t port) override
    {
        record([&] { ports.push_back(port); });
    }
    void midiReceived(std::uint32_t message) override
    {
        record([&] { midi.push_back(message); });
    }
    void textReceived(const net::Ipv4Endpoint& /*from*/, std::string_view text) override
    {
        std::unique_lock lock(mutex_);
        texts.emplace_back(text);
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdFirstText || texts.size() > 1; });
    }
    void failed(Failure failure, std::stop_token stop) override
    {
        std::unique_lock lock(mutex_);
        failures.push_back(failure);
        changed_.notify_all();
        std::condition_variable_any box;
        box.wait(lock, stop, [this] { return !holdFailures; });
    }

    // Waits until the predicate, called under the lock, holds.
    template <typename Predicate>
    bool waitUntil(Predicate predicate)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, predicate);
    }
    void record(const std::function<void()>& change)
    {
        const std::lock_guard lock(mutex_);
        change();
        changed_.notify_all();
    }
    std::uint16_t waitListening()
    {
        waitUntil([&] { return !ports.empty(); });
        return ports.empty() ? 0 : ports.front();
    }

    std::vector<std::uint16_t> ports;
    std::vector<std::string> texts;
    std::vector<std::uint32_t> midi;
    std::vector<Failure> failures;
    bool holdFailures{false};
    bool holdFirstText{false};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

// Sends datagrams from one socket to the worker's port on 127.0.0.1.
class Sender {
public:
    explicit Sender(std::uint16_t port) : to_{*net::UdpSocket::resolveIpv4("127.0.0.1"), port} {}
    bool send(const std::string& bytes)
    {
        return socket_.sendTo(to_, std::as_bytes(std::span(bytes.data(), bytes.size())));
    }

private:
    net::UdpSocket socket_ = net::UdpSocket::open();
    net::Ipv4Endpoint to_;
};

std::size_t entries(const char* directory)
{
    const auto it = std::filesystem::directory_iterator(directory);
    return static_cast<std::size_t>(std::distance(begin(it), end(it)));
}

// One datagram, then a marker text: once the marker is in, whatever the
// datagram caused has been reported.
struct DatagramRow {
    const char* name;
    std::string bytes;
    std::vector<std::string> texts;
    std::vector<std::uint32_t> midi;
};

class ReceiverDatagram : public ::testing::TestWithParam<DatagramRow> {};

TEST_P(ReceiverDatagram, IsReadAsOneMessage)
{
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    Sender sender(events.waitListening());
    ASSERT_TRUE(sender.send(GetParam().bytes));
    ASSERT_TRUE(sender.send("*marker"));
    ASSERT_TRUE(
        events.waitUntil([&] { return !events.texts.empty() && events.texts.back() == "marker"; }));

    auto expectedTexts = GetParam().texts;
    expectedTexts.emplace_back("marker");
    events.record([&] {
        EXPECT_EQ(events.texts, expectedTexts);
        EXPECT_EQ(events.midi, GetParam().midi);
        EXPECT_THAT(events.failures, IsEmpty());
    });
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReceiverDatagram,
    ::testing::Values(
        DatagramRow{"textUpToZeroByte", std::string("*hel\0lo", 7), {"hel"}, {}},
        DatagramRow{"onlyKind", "*", {""}, {}},
        DatagramRow{"exactly1024Bytes", "*" + std::string(1023, 'a'), {std::string(1023, 'a')}, {}},
        DatagramRow{"empty", "", {}, {}}, DatagramRow{"unknownKind", "#hello", {}, {}},
        DatagramRow{"midi", std::string("~\x90\x3C\x7F\x00", 5), {}, {0x007F3C90}},
        DatagramRow{"midiThreeBytes", "~\x90\x3C", {}, {0x3C90}}),
    [](const ::testing::TestParamInfo<DatagramRow>& row) { return std::string(row.param.name); });

TEST(ReceiverWorker, ReportsAReceiveBufferAtLeastAsLargeAsTheSystemAllows)
{
    int limit = 0;
    std::ifstream("/proc/sys/net/core/rmem_max") >> limit;
    ASSERT_GT(limit, 0);
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    ASSERT_NE(events.waitListening(), 0);
    EXPECT_GE(worker.receiveBufferBytes(), std::min(ReceiverWorker::kSocketBufferBytes, limit));
}

TEST(ReceiverWorker, OversizedDatagramIsReportedAndListeningGoesOnOnTheSamePort)
{
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    const std::uint16_t port = events.waitListening();
    Sender sender(port);
    ASSERT_TRUE(sender.send("*" + std::string(1024, 'x')));
    ASSERT_TRUE(events.waitUntil([&] { return events.ports.size() == 2; }));
    ASSERT_TRUE(sender.send("*after"));
    ASSERT_TRUE(events.waitUntil([&] { return !events.texts.empty(); }));
    events.record([&] {
        EXPECT_THAT(events.failures, ElementsAre(Failure::Recv));
        EXPECT_THAT(events.ports, ElementsAre(port, port));
        EXPECT_THAT(events.texts, ElementsAre("after"));  // nothing of the oversized one
    });
    EXPECT_FALSE(worker.finished());
}

TEST(ReceiverWorker, StopWhileTheBindErrorIsShownEndsTheWorker)
{
    auto holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.bindAny(0));
    RecordingEvents events;
    events.holdFailures = true;
    ReceiverWorker worker(holder.localEndpoint()->port, events);
    ASSERT_TRUE(events.waitUntil([&] { return !events.failures.empty(); }));
    EXPECT_FALSE(worker.finished());
    worker.requestStop();
    ASSERT_TRUE(worker.waitFinished(kDeadline));
    EXPECT_EQ(worker.exitCode(), ReceiverWorker::kExitBindError);
    events.record([&] {
        EXPECT_THAT(events.failures, ElementsAre(Failure::Bind));
        EXPECT_THAT(events.ports, IsEmpty());
    });
}

TEST(ReceiverWorker, AfterStopOnlyTheDatagramBeingHandledIsFinished)
{
    RecordingEvents events;
    events.holdFirstText = true;
    ReceiverWorker worker(0, events);
    Sender sender(events.waitListening());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(sender.send("*" + std::to_string(i)));
    }
    ASSERT_TRUE(events.waitUntil([&] { return events.texts.size() == 1; }));
    worker.requestStop();
    events.record([&] { events.holdFirstText = false; });
    worker.join();
    EXPECT_THAT(events.texts, ElementsAre("0"));
    EXPECT_EQ(worker.datagramsHandled(), 1u);
}

TEST(ReceiverWorker, RapidStartAndStopLeaksNoDescriptorOrThread)
{
    const std::size_t descriptors = entries("/proc/self/fd");
    const std::size_t threads = entries("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        RecordingEvents events;
        ReceiverWorker worker(0, events);
        if (i % 4 == 0) {
            events.waitListening();
        }
        if (i % 2 == 0) {
            worker.requestStop();
        }
    }
    EXPECT_EQ(entries("/proc/self/fd"), descriptors);
    EXPECT_EQ(entries("/proc/self/task"), threads);
}

}  // namespace
