// The socket wrapper: waiting receives and broadcast. (Resolving shows
// wherever a window sends; the receive buffer in ReceiverWorkerTest.)
#include "net/UdpSocket.h"

#include <gmock/gmock.h>

#include <array>

#include "tests/support/UdpListener.h"

namespace {

TEST(UdpSocket, AWaitingReceiveTakesADatagramOrReportsThatNoneCame)
{
    net::UdpSocket receiver = net::UdpSocket::open();
    ASSERT_TRUE(receiver.bindAny(0));
    std::array<std::byte, 16> buffer{};
    EXPECT_TRUE(receiver.receive(buffer, std::chrono::milliseconds(20)).wouldBlock);

    ASSERT_TRUE(testing_support::sendToLoopback(receiver.localEndpoint()->port, "*x"));
    const net::UdpSocket::Received got = receiver.receive(buffer, std::chrono::seconds(5));
    ASSERT_FALSE(got.wouldBlock || got.failed);
    EXPECT_EQ(got.size, 2u);
    // A socket moved into another keeps waiting with a time-out, not for ever.
    net::UdpSocket moved = std::move(receiver);
    EXPECT_TRUE(moved.receive(buffer, std::chrono::milliseconds(20)).wouldBlock);
}

// A broadcast target reaches every copy listening on that port; on the
// loopback network that is a listener bound to all local addresses.
TEST(UdpSocket, ABroadcastTargetReachesAListenerOnAllAddresses)
{
    testing_support::UdpListener listener;
    const std::array bytes{std::byte{'*'}, std::byte{'b'}};
    ASSERT_TRUE(net::UdpSocket::open().sendTo(
        {*net::UdpSocket::resolveIpv4("127.255.255.255"), listener.port()}, bytes));
    const auto datagram = listener.next();
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->text(), "*b");
}

}  // namespace
