// The receiver worker against real UDP sockets on the loopback interface.
#include "net/ReceiverWorker.h"

#include "net/LogLine.h"

#include <gmock/gmock.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
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
        const std::lock_guard lock(mutex_);
        ports.push_back(port);
        changed_.notify_all();
    }
    void textReceived(const net::Ipv4Endpoint& from, std::string_view text) override
    {
        std::unique_lock lock(mutex_);
        lines.push_back(net::formatLogLine(from, text));
        texts.emplace_back(text);
        const auto* w = worker.load();
        droppedAtText.push_back(w != nullptr ? w->droppedDatagrams() : 0);
        changed_.notify_all();
        if (holdFirstText && texts.size() == 1) {
            changed_.wait(lock, [this] { return !holdFirstText; });
        }
    }
    void midiReceived(std::uint32_t message) override
    {
        const std::lock_guard lock(mutex_);
        midi.push_back(message);
        changed_.notify_all();
    }
    void failed(Failure failure, std::stop_token stop) override
    {
        std::unique_lock lock(mutex_);
        failures.push_back(failure);
        changed_.notify_all();
        if (holdFailures) {
            std::condition_variable_any box;
            box.wait(lock, stop, [] { return false; });
        }
    }

    // Waits until the predicate, called under the lock, holds.
    template <typename Predicate>
    bool waitUntil(Predicate predicate)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] { return predicate(); });
    }
    void releaseFirstText()
    {
        const std::lock_guard lock(mutex_);
        holdFirstText = false;
        changed_.notify_all();
    }
    template <typename Read>
    auto read(Read r)
    {
        const std::lock_guard lock(mutex_);
        return r();
    }

    std::vector<std::uint16_t> ports;
    std::vector<std::string> lines;
    std::vector<std::string> texts;
    std::vector<std::uint64_t> droppedAtText;
    std::vector<std::uint32_t> midi;
    std::vector<Failure> failures;
    bool holdFailures{false};
    bool holdFirstText{false};
    std::atomic<const ReceiverWorker*> worker{nullptr};

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
    [[nodiscard]] std::uint16_t localPort() const { return socket_.localEndpoint()->port; }

private:
    net::UdpSocket socket_ = net::UdpSocket::open();
    net::Ipv4Endpoint to_;
};

std::uint16_t waitListening(RecordingEvents& events)
{
    std::uint16_t port = 0;
    events.waitUntil([&] {
        if (!events.ports.empty()) {
            port = events.ports.front();
        }
        return port != 0;
    });
    return port;
}

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
    const std::uint16_t port = waitListening(events);
    ASSERT_NE(port, 0);
    Sender sender(port);
    ASSERT_TRUE(sender.send(GetParam().bytes));
    ASSERT_TRUE(sender.send("*marker"));
    ASSERT_TRUE(
        events.waitUntil([&] { return !events.texts.empty() && events.texts.back() == "marker"; }));

    auto expectedTexts = GetParam().texts;
    expectedTexts.emplace_back("marker");
    events.read([&] {
        EXPECT_EQ(events.texts, expectedTexts);
        EXPECT_EQ(events.midi, GetParam().midi);
        EXPECT_THAT(events.failures, IsEmpty());
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReceiverDatagram,
    ::testing::Values(
        DatagramRow{"text", "*hello", {"hello"}, {}},
        DatagramRow{"textUpToZeroByte", std::string("*hel\0lo", 7), {"hel"}, {}},
        DatagramRow{"onlyKind", "*", {""}, {}},
        DatagramRow{"exactly1024Bytes", "*" + std::string(1023, 'a'), {std::string(1023, 'a')}, {}},
        DatagramRow{"empty", "", {}, {}}, DatagramRow{"unknownKind", "#hello", {}, {}},
        DatagramRow{"zeroKind", std::string("\0*x", 3), {}, {}},
        DatagramRow{"midi", std::string("~\x90\x3C\x7F\x00", 5), {}, {0x007F3C90}},
        DatagramRow{"midiThreeBytes", "~\x90\x3C", {}, {0x3C90}},
        DatagramRow{"midiKindOnly", "~", {}, {0}},
        DatagramRow{"midiTrailingBytesIgnored", "~\x01\x02\x03\x04\x05\x06", {}, {0x04030201}}),
    [](const ::testing::TestParamInfo<DatagramRow>& row) { return std::string(row.param.name); });

TEST(ReceiverWorker, LogsSenderAddressAndPort)
{
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    Sender sender(waitListening(events));
    ASSERT_TRUE(sender.send("*hi"));
    ASSERT_TRUE(events.waitUntil([&] { return !events.lines.empty(); }));
    events.read([&] {
        EXPECT_EQ(events.lines.front(), "127.0.0.1:" + std::to_string(sender.localPort()) + ">hi");
        return 0;
    });
}

TEST(ReceiverWorker, ReportsAReceiveBufferAtLeastAsLargeAsTheSystemAllows)
{
    int limit = 0;
    std::ifstream("/proc/sys/net/core/rmem_max") >> limit;
    ASSERT_GT(limit, 0);
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    ASSERT_NE(waitListening(events), 0);
    EXPECT_GE(worker.receiveBufferBytes(), std::min(ReceiverWorker::kSocketBufferBytes, limit));
}

TEST(ReceiverWorker, OversizedDatagramIsReportedAndListeningGoesOnOnTheSamePort)
{
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    const std::uint16_t port = waitListening(events);
    Sender sender(port);
    ASSERT_TRUE(sender.send("*" + std::string(1024, 'x')));
    ASSERT_TRUE(events.waitUntil([&] { return events.ports.size() == 2; }));
    ASSERT_TRUE(sender.send("*after"));
    ASSERT_TRUE(events.waitUntil([&] { return !events.texts.empty(); }));
    events.read([&] {
        EXPECT_THAT(events.failures, ElementsAre(Failure::Recv));
        EXPECT_THAT(events.ports, ElementsAre(port, port));
        EXPECT_THAT(events.texts, ElementsAre("after"));  // nothing of the oversized one
        return 0;
    });
    EXPECT_FALSE(worker.finished());
}

TEST(ReceiverWorker, PortInUseEndsWithBindError)
{
    auto holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.bindAny(0));
    RecordingEvents events;
    ReceiverWorker worker(holder.localEndpoint()->port, events);
    ASSERT_TRUE(worker.waitFinished(kDeadline));
    EXPECT_EQ(worker.exitCode(), ReceiverWorker::kExitBindError);
    events.read([&] {
        EXPECT_THAT(events.failures, ElementsAre(Failure::Bind));
        EXPECT_THAT(events.ports, IsEmpty());
        return 0;
    });
}

TEST(ReceiverWorker, StopWhileBindErrorIsShownEndsTheWorker)
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
}

TEST(ReceiverWorker, StopWhileRecvErrorIsShownEndsWithCodeZero)
{
    RecordingEvents events;
    events.holdFailures = true;
    ReceiverWorker worker(0, events);
    Sender sender(waitListening(events));
    ASSERT_TRUE(sender.send(std::string(2000, '*')));
    ASSERT_TRUE(events.waitUntil([&] { return !events.failures.empty(); }));
    worker.requestStop();
    ASSERT_TRUE(worker.waitFinished(kDeadline));
    EXPECT_EQ(worker.exitCode(), ReceiverWorker::kExitStopped);
    EXPECT_THAT(events.read([&] { return events.ports.size(); }), 1u);  // not reopened
}

TEST(ReceiverWorker, StopWhileIdleIsSeenWithinTheDeadline)
{
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    waitListening(events);
    EXPECT_EQ(worker.exitCode(), ReceiverWorker::kExitRunning);
    worker.requestStop();
    ASSERT_TRUE(worker.waitFinished(kDeadline));
    EXPECT_EQ(worker.exitCode(), ReceiverWorker::kExitStopped);
}

TEST(ReceiverWorker, StopRequestedAtOnceIsNotLost)
{
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    worker.requestStop();
    ASSERT_TRUE(worker.waitFinished(kDeadline));
    EXPECT_EQ(worker.exitCode(), ReceiverWorker::kExitStopped);
}

TEST(ReceiverWorker, AfterStopOnlyTheDatagramBeingHandledIsFinished)
{
    RecordingEvents events;
    events.holdFirstText = true;
    ReceiverWorker worker(0, events);
    Sender sender(waitListening(events));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(sender.send("*" + std::to_string(i)));
    }
    ASSERT_TRUE(events.waitUntil([&] { return events.texts.size() == 1; }));
    worker.requestStop();
    events.releaseFirstText();
    worker.join();
    EXPECT_THAT(events.read([&] { return events.texts; }), ElementsAre("0"));
    for (int i = 0; i < 3; ++i) {
        sender.send("*late");
    }
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
            waitListening(events);
        }
        if (i % 2 == 0) {
            worker.requestStop();
        }
    }
    EXPECT_EQ(entries("/proc/self/fd"), descriptors);
    EXPECT_EQ(entries("/proc/self/task"), threads);
}

// A burst as fast as loopback takes it: what arrives arrives in order, and
// every datagram missing is one the kernel counted as dropped.
TEST(ReceiverWorker, FloodLosesOnlyWhatTheKernelCountsAsDropped)
{
    constexpr int kCount = 20000;
    RecordingEvents events;
    ReceiverWorker worker(0, events);
    events.worker = &worker;
    Sender sender(waitListening(events));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(sender.send("*" + std::to_string(i)));
    }
    // Let the queue drain, then send numbered end markers until one gets
    // through; the drops counted when it is read cover the whole burst and
    // the markers before it.
    std::uint64_t lastHandled = ~std::uint64_t{0};
    while (worker.datagramsHandled() != lastHandled) {
        lastHandled = worker.datagramsHandled();
        std::this_thread::sleep_for(200ms);
    }
    int markers = 0;
    std::optional<std::size_t> markerAt;
    while (!markerAt && markers < 50) {
        ASSERT_TRUE(sender.send("*end" + std::to_string(markers++)));
        events.waitUntil([&] {
            if (!events.texts.empty() && events.texts.back().starts_with("end")) {
                markerAt = events.texts.size() - 1;
            }
            return markerAt.has_value();
        });
    }
    ASSERT_TRUE(markerAt);
    events.read([&] {
        const int markerNumber = std::stoi(events.texts[*markerAt].substr(3));
        int received = 0;
        int previous = -1;
        for (std::size_t i = 0; i < *markerAt; ++i) {
            const int n = std::stoi(events.texts[i]);
            EXPECT_GT(n, previous) << "out of order at line " << i;
            previous = n;
            ++received;
        }
        const std::uint64_t missing = kCount - received;
        EXPECT_EQ(missing + static_cast<std::uint64_t>(markerNumber),
                  events.droppedAtText[*markerAt]);
        std::printf("flood: %d of %d received, %llu dropped\n", received, kCount,
                    static_cast<unsigned long long>(missing));
        return 0;
    });
}

}  // namespace

namespace {

// Events freed under a running worker would be called after their end:
// that is stopped at once instead.
TEST(ReceiverWorkerDeathTest, EventsDestroyedBeforeTheirWorkerEndTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto events = std::make_unique<RecordingEvents>();
            ReceiverWorker worker(0, *events);
            waitListening(*events);
            events.reset();
        },
        "");
}

}  // namespace
