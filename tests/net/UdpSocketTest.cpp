// The socket wrapper: receive buffers against the kernel's limits, waiting
// receives, resolving, broadcast.
#include "net/UdpSocket.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>

#include "net/Sender.h"
#include "tests/support/UdpListener.h"

namespace {

// net.core.rmem_max: what a process without CAP_NET_ADMIN may ask for.
int systemReceiveBufferLimit()
{
    std::ifstream file("/proc/sys/net/core/rmem_max");
    int bytes = 0;
    file >> bytes;
    return bytes;
}

struct BufferRow {
    const char* name;
    int asked;
};

class UdpSocketReceiveBuffer : public ::testing::TestWithParam<BufferRow> {};

// Whether or not the process may go beyond the system's limit, it never
// ends up with less than the limit allows: a refused forced request falls
// back to the plain one.
TEST_P(UdpSocketReceiveBuffer, GrantsAtLeastWhatTheLimitAllows)
{
    const int limit = systemReceiveBufferLimit();
    ASSERT_GT(limit, 0);
    net::UdpSocket socket = net::UdpSocket::open();
    ASSERT_TRUE(socket.valid());
    const int before = socket.receiveBufferSize();
    EXPECT_GT(before, 0);

    EXPECT_TRUE(socket.setReceiveBufferSize(GetParam().asked));
    EXPECT_GE(socket.receiveBufferSize(), std::min(GetParam().asked, limit));
}

INSTANTIATE_TEST_SUITE_P(Sizes, UdpSocketReceiveBuffer,
                         ::testing::Values(BufferRow{"small", 64 * 1024},
                                           BufferRow{"fourMebibytes", 4 * 1024 * 1024},
                                           BufferRow{"beyondAnyDefaultLimit", 64 * 1024 * 1024}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(UdpSocket, AClosedSocketReportsNoBuffer)
{
    net::UdpSocket socket;
    EXPECT_FALSE(socket.setReceiveBufferSize(1 << 20));
    EXPECT_EQ(socket.receiveBufferSize(), 0);
}

}  // namespace

namespace {

TEST(UdpSocket, AWaitingReceiveTakesADatagramOrReportsThatNoneCame)
{
    net::UdpSocket receiver = net::UdpSocket::open();
    ASSERT_TRUE(receiver.bindAny(0));
    std::array<std::byte, 16> buffer{};
    EXPECT_TRUE(receiver.receive(buffer, std::chrono::milliseconds(20)).wouldBlock);

    net::UdpSocket sender = net::UdpSocket::open();
    const std::array bytes{std::byte{'*'}, std::byte{'x'}};
    ASSERT_TRUE(sender.sendTo(
        {*net::UdpSocket::resolveIpv4("127.0.0.1"), receiver.localEndpoint()->port}, bytes));
    const net::UdpSocket::Received got = receiver.receive(buffer, std::chrono::seconds(5));
    ASSERT_FALSE(got.wouldBlock || got.failed);
    EXPECT_EQ(got.size, 2u);
    // A socket moved into another keeps waiting with a time-out, not for ever.
    net::UdpSocket moved = std::move(receiver);
    EXPECT_TRUE(moved.receive(buffer, std::chrono::milliseconds(20)).wouldBlock);
}

TEST(UdpSocket, ADottedAddressResolvesToItself)
{
    EXPECT_EQ(net::UdpSocket::resolveIpv4("10.1.2.3"), std::optional<std::uint32_t>(0x0302010Au));
    EXPECT_EQ(net::UdpSocket::resolveIpv4("127.0.0.1"), net::UdpSocket::resolveIpv4("localhost"));
    EXPECT_EQ(net::UdpSocket::resolveIpv4("no-such-host.invalid"), std::nullopt);
}

}  // namespace

namespace {

class NoFailures final : public net::FailureReporter {
public:
    void report(net::Failure failure, std::string_view target) override
    {
        ADD_FAILURE() << net::failureText(failure) << " " << target;
    }
};

// A broadcast target reaches every copy listening on that port; on the
// loopback network that is a listener bound to all local addresses.
TEST(UdpSocket, ABroadcastTargetReachesAListenerOnAllAddresses)
{
    testing_support::UdpListener listener;
    NoFailures reporter;
    const std::array bytes{std::byte{'*'}, std::byte{'b'}};
    ASSERT_TRUE(
        net::sendDatagram("127.255.255.255:" + std::to_string(listener.port()), bytes, reporter));
    const auto datagram = listener.next();
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->text(), "*b");
}

}  // namespace
