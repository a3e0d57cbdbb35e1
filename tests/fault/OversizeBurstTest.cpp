// A burst of datagrams too large for the receive buffer, mixed with good
// ones, at a listening window: every report is "recv error", nothing of an
// oversize datagram reaches the log, and the window listens on afterwards.
#include <gmock/gmock.h>

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include "app/MainWindow.h"
#include "net/UdpSocket.h"
#include "resources/ResourceIds.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace {

using namespace res;

TEST(OversizeBurstTest, EveryOversizeDatagramIsARecvErrorAndListeningGoesOn)
{
    constexpr int kOversize = 50;
    testing_support::RecordingMessageBoxes boxes;
    app::MainWindow window(boxes, testing_support::noMidi());
    qobject_cast<QLineEdit*>(window.item(IDC_PORT))->setText("0");
    window.show();
    window.mainWindowHandler(IDC_LISTEN);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.receiver()->boundPort() != 0; }));
    const std::uint16_t port = window.receiver()->boundPort();

    net::UdpSocket socket = net::UdpSocket::open();
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};
    const auto send = [&](const std::string& bytes) {
        return socket.sendTo(to, std::as_bytes(std::span(bytes.data(), bytes.size())));
    };
    // Oversize datagrams of several sizes, each followed by a good one.
    for (int i = 0; i < kOversize; ++i) {
        ASSERT_TRUE(send("*" + std::string(1024 + 37 * static_cast<std::size_t>(i), 'O')));
        ASSERT_TRUE(send("*good" + std::to_string(i)));
    }
    // Each report closes the socket, and with it what was queued behind the
    // bad datagram: wait until the reports stop coming.
    qsizetype reports = -1;
    while (reports != boxes.texts.size()) {
        reports = boxes.texts.size();
        QTest::qWait(3 * static_cast<int>(net::ReceiverWorker::kWaitSlice.count()));
    }

    // Still listening, on the same port: a later message arrives.
    auto* log = qobject_cast<QListView*>(window.item(IDC_LOG))->model();
    const auto lastLineIs = [&](const QString& text) {
        return log->rowCount() > 0 &&
               log->index(log->rowCount() - 1, 0).data().toString().endsWith(">" + text);
    };
    int attempts = 0;
    while (!lastLineIs("after") && attempts++ < 50) {
        ASSERT_TRUE(send("*after"));
        (void)QTest::qWaitFor([&] { return lastLineIs("after"); }, 200);
    }
    ASSERT_TRUE(lastLineIs("after"));

    EXPECT_FALSE(window.receiver()->finished());
    EXPECT_EQ(window.receiver()->boundPort(), port);
    EXPECT_EQ(qobject_cast<QPushButton*>(window.item(IDC_LISTEN))->text(), "Stop");
    ASSERT_GE(boxes.texts.size(), 1);
    EXPECT_LE(boxes.texts.size(), kOversize);
    for (const QString& text : boxes.texts) {
        EXPECT_EQ(text, "recv error");
    }
    for (int row = 0; row < log->rowCount(); ++row) {
        const QString line = log->index(row, 0).data().toString();
        EXPECT_FALSE(line.contains("OO")) << "part of an oversize datagram was logged: row " << row;
        EXPECT_THAT(line.toStdString(), ::testing::ContainsRegex(">(good[0-9]+|after)$"));
    }
    std::cout << "oversize burst: " << boxes.texts.size() << " recv errors for " << kOversize
              << " oversize datagrams, " << log->rowCount() << " good lines logged\n";
}

}  // namespace
