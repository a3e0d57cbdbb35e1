#include "net/Sender.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/Datagram.h"
#include "net/UdpSocket.h"

namespace {

using namespace std::chrono_literals;
using net::Failure;
using testing::ElementsAre;
using testing::IsEmpty;

class FakeControls final : public net::TargetControls {
public:
    std::string typed;
    bool toAll = false;
    std::vector<std::string> list;
    std::function<void(std::size_t)> onListItem;  // runs before an item is handed out

    [[nodiscard]] std::string typedTarget() const override { return typed; }
    [[nodiscard]] bool toAllOfList() const override { return toAll; }
    [[nodiscard]] std::size_t listCount() const override { return list.size(); }
    [[nodiscard]] std::string listItem(std::size_t index) const override
    {
        if (onListItem) {
            onListItem(index);
        }
        return list.at(index);
    }
    void appendToList(const std::string& target) override { list.push_back(target); }
};

class RecordingReporter final : public net::FailureReporter {
public:
    std::vector<Failure> reports;
    std::function<void()> onReport;  // runs while the failure is "shown"

    void report(Failure failure) override
    {
        reports.push_back(failure);
        if (onReport) {
            onReport();
        }
    }
};

// A UDP socket on a free port of all local addresses.
class Receiver {
public:
    struct Datagram {
        std::vector<std::byte> bytes;
        net::Ipv4Endpoint from;
    };

    Receiver() : socket_(net::UdpSocket::open())
    {
        EXPECT_TRUE(socket_.valid());
        EXPECT_TRUE(socket_.bindAny(0));
        port_ = socket_.localEndpoint().value_or(net::Ipv4Endpoint{}).port;
    }

    [[nodiscard]] std::string target(std::string_view host = "127.0.0.1") const
    {
        return std::string(host) + ":" + std::to_string(port_);
    }

    // The next datagram, if one arrives in time.
    [[nodiscard]] std::optional<Datagram> receive(std::chrono::milliseconds timeout = 2s)
    {
        if (socket_.waitReadable(timeout) != net::UdpSocket::Wait::Readable) {
            return std::nullopt;
        }
        std::vector<std::byte> buffer(net::kReceiveBufferBytes);
        const net::UdpSocket::Received r = socket_.receive(buffer);
        if (r.failed || r.wouldBlock || r.truncated) {
            return std::nullopt;
        }
        buffer.resize(r.size);
        return Datagram{std::move(buffer), r.from};
    }

    [[nodiscard]] bool nothingWaiting() { return !receive(0ms).has_value(); }

    // How many datagrams arrive, counting until none comes for a while.
    [[nodiscard]] int drain()
    {
        int n = 0;
        while (receive(50ms)) {
            ++n;
        }
        return n;
    }

private:
    net::UdpSocket socket_;
    std::uint16_t port_{};
};

const std::vector<std::byte> kHello = net::makeTextDatagram("hello");
const std::string kUnresolvable = "nohost.invalid:12323";

const std::uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// --- Single deliveries ---

TEST(SendDatagram, DeliversTheExactBytesFromTheLoopbackAddress)
{
    Receiver receiver;
    RecordingReporter reporter;
    const std::vector<std::byte> longest = net::makeTextDatagram(std::string(1500, 'x'));
    const net::MidiDatagram note = net::makeMidiDatagram(0x007F3C90);

    EXPECT_TRUE(net::sendDatagram(receiver.target(), kHello, reporter));
    EXPECT_TRUE(net::sendDatagram(receiver.target(), longest, reporter));
    EXPECT_TRUE(net::sendDatagram(receiver.target(), note, reporter));

    for (std::span<const std::byte> sent :
         {std::span<const std::byte>(kHello), std::span<const std::byte>(longest),
          std::span<const std::byte>(note)}) {
        const auto got = receiver.receive();
        ASSERT_TRUE(got);
        EXPECT_TRUE(std::ranges::equal(got->bytes, sent));
        EXPECT_EQ(got->from.address, kLoopback);
    }
    EXPECT_THAT(reporter.reports, IsEmpty());
}

TEST(SendDatagram, UsesAFreshSourcePortForEveryDatagram)
{
    Receiver receiver;
    RecordingReporter reporter;
    std::set<std::uint16_t> sourcePorts;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(net::sendDatagram(receiver.target(), kHello, reporter));
        const auto got = receiver.receive();
        ASSERT_TRUE(got);
        sourcePorts.insert(got->from.port);
    }
    // One socket kept across sends would show one port; the kernel picks
    // ephemeral ports at random, so two fresh ones may meet by chance.
    EXPECT_GE(sourcePorts.size(), 2U);
}

TEST(SendDatagram, ResolvesLocalhostToTheLoopbackAddress)
{
    Receiver receiver;
    RecordingReporter reporter;
    EXPECT_TRUE(net::sendDatagram(receiver.target("localhost"), kHello, reporter));
    const auto got = receiver.receive();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->from.address, kLoopback);
}

TEST(SendDatagram, AFailedSendIsNotReported)
{
    // The kernel refuses port 0 as a destination; the attempt still counts.
    RecordingReporter reporter;
    EXPECT_TRUE(net::sendDatagram("127.0.0.1:", kHello, reporter));
    EXPECT_THAT(reporter.reports, IsEmpty());
}

// --- The typed target and the list ---

TEST(SendToTargets, RemembersATypedTargetOnceBeforeSending)
{
    Receiver receiver;
    FakeControls controls;
    RecordingReporter reporter;

    controls.typed = receiver.target();
    EXPECT_TRUE(net::sendToTargets(controls, reporter, kHello));
    EXPECT_TRUE(net::sendToTargets(controls, reporter, kHello));
    EXPECT_EQ(receiver.drain(), 2);

    // Compared case-sensitively, and remembered although it then fails.
    controls.typed = "Nohost.invalid:1";
    EXPECT_FALSE(net::sendToTargets(controls, reporter, kHello));
    controls.typed = "nohost.invalid:1";
    EXPECT_FALSE(net::sendToTargets(controls, reporter, kHello));

    EXPECT_THAT(controls.list,
                ElementsAre(receiver.target(), "Nohost.invalid:1", "nohost.invalid:1"));
    EXPECT_THAT(reporter.reports, ElementsAre(Failure::HostNotFound, Failure::HostNotFound));
}

TEST(SendToTargets, ATypedTargetWithoutAColonIsASyntaxErrorAndNotRemembered)
{
    FakeControls controls;
    RecordingReporter reporter;
    controls.typed = "localhost";
    EXPECT_FALSE(net::sendToTargets(controls, reporter, kHello));
    EXPECT_THAT(reporter.reports, ElementsAre(Failure::Syntax));
    EXPECT_THAT(controls.list, IsEmpty());
}

TEST(SendToTargets, ToAllWithAnEmptyListAndNoColonSendsNothingAndSucceeds)
{
    FakeControls controls;
    RecordingReporter reporter;
    controls.typed = "localhost";
    controls.toAll = true;
    EXPECT_TRUE(net::sendToTargets(controls, reporter, kHello));
    EXPECT_THAT(reporter.reports, IsEmpty());
    EXPECT_THAT(controls.list, IsEmpty());
}

TEST(SendToTargets, ToAllReportsEachFailureAndGoesOn)
{
    Receiver first;
    Receiver third;
    FakeControls controls;
    RecordingReporter reporter;
    controls.list = {first.target(), kUnresolvable, third.target()};
    controls.typed = third.target();
    controls.toAll = true;

    EXPECT_FALSE(net::sendToTargets(controls, reporter, kHello));

    EXPECT_THAT(reporter.reports, ElementsAre(Failure::HostNotFound));
    EXPECT_EQ(first.drain(), 1);
    EXPECT_EQ(third.drain(), 1);
    EXPECT_EQ(controls.list.size(), 3U);
}

TEST(SendToTargets, ToAllDeliversInListOrderWithANewTypedTargetLast)
{
    std::vector<Receiver> receivers(3);
    FakeControls controls;
    RecordingReporter reporter;
    controls.list = {receivers[0].target(), receivers[1].target()};
    controls.typed = receivers[2].target();
    controls.toAll = true;
    // When item i is read, the item before it has just had its datagram and
    // no later item has had one.
    int checks = 0;
    controls.onListItem = [&](std::size_t i) {
        if (controls.list.size() < receivers.size()) {
            return;  // still looking for the typed target in the list
        }
        ++checks;
        if (i > 0) {
            EXPECT_TRUE(receivers[i - 1].receive()) << "item " << i - 1 << " before item " << i;
        }
        for (std::size_t j = i; j < receivers.size(); ++j) {
            EXPECT_TRUE(receivers[j].nothingWaiting()) << "item " << j << " before item " << i;
        }
    };

    EXPECT_TRUE(net::sendToTargets(controls, reporter, kHello));

    EXPECT_EQ(checks, 3);
    EXPECT_THAT(controls.list,
                ElementsAre(receivers[0].target(), receivers[1].target(), receivers[2].target()));
    EXPECT_TRUE(receivers[2].receive());
    EXPECT_THAT(reporter.reports, IsEmpty());
}

TEST(SendToTargets, MayBeEnteredAgainWhileAFailureIsShown)
{
    Receiver kept;
    Receiver added;
    FakeControls controls;
    RecordingReporter reporter;
    controls.list = {kUnresolvable, kept.target()};
    controls.typed = kept.target();
    controls.toAll = true;
    // While the first failure is shown, a nested send appends a new target
    // and sends to the whole list, failing once more itself.
    bool nested = false;
    reporter.onReport = [&] {
        if (!nested) {
            nested = true;
            controls.typed = added.target();
            EXPECT_FALSE(net::sendToTargets(controls, reporter, kHello));
        }
    };

    EXPECT_FALSE(net::sendToTargets(controls, reporter, kHello));

    // The outer call counted the list before the nested call appended to it.
    EXPECT_THAT(reporter.reports, ElementsAre(Failure::HostNotFound, Failure::HostNotFound));
    EXPECT_EQ(kept.drain(), 2);
    EXPECT_EQ(added.drain(), 1);
    EXPECT_THAT(controls.list, ElementsAre(kUnresolvable, kept.target(), added.target()));
}

}  // namespace
