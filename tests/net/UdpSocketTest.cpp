// The receive buffer a socket asks for, against the kernel's limits.
#include "net/UdpSocket.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>

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
