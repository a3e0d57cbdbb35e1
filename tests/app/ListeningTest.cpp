// Windows listening with real receiver workers on loopback.
#include <gmock/gmock.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <thread>

#include "app/MainWindow.h"
#include "net/UdpSocket.h"
#include "resources/ResourceIds.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace {

using namespace res;
using testing_support::RecordingMessageBoxes;

// A window that listens on a port of its own choosing.
struct Peer {
    explicit Peer(std::uint16_t port = 0)
    {
        qobject_cast<QLineEdit*>(window.item(IDC_PORT))->setText(QString::number(port));
        window.show();
    }

    // Starts listening and returns the port actually bound.
    std::uint16_t start()
    {
        window.mainWindowHandler(IDC_LISTEN);
        const bool bound = QTest::qWaitFor([&] {
            return window.receiver() != nullptr &&
                   (window.receiver()->boundPort() != 0 || window.receiver()->finished());
        });
        return bound ? window.receiver()->boundPort() : 0;
    }

    void sendTo(const std::string& target, const QString& text)
    {
        qobject_cast<QComboBox*>(window.item(IDC_TARGET))
            ->setEditText(QString::fromStdString(target));
        qobject_cast<QLineEdit*>(window.item(IDC_MESSAGE))->setText(text);
        window.mainWindowHandler(IDC_SEND);
    }

    QAbstractItemModel* log() { return qobject_cast<QListView*>(window.item(IDC_LOG))->model(); }
    QString lastLine() { return log()->index(log()->rowCount() - 1, 0).data().toString(); }
    QString caption() { return qobject_cast<QPushButton*>(window.item(IDC_LISTEN))->text(); }

    RecordingMessageBoxes boxes;
    app::MainWindow window{boxes, testing_support::noMidi()};
};

bool sendRaw(std::uint16_t port, const std::string& bytes)
{
    static net::UdpSocket socket = net::UdpSocket::open();
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};
    return socket.sendTo(to, std::as_bytes(std::span(bytes.data(), bytes.size())));
}

TEST(ListeningTest, TwoWindowsTalkBothWays)
{
    Peer alice;
    Peer bob;
    const std::uint16_t alicePort = alice.start();
    const std::uint16_t bobPort = bob.start();
    ASSERT_NE(alicePort, 0);
    ASSERT_NE(bobPort, 0);

    alice.sendTo("127.0.0.1:" + std::to_string(bobPort), "hello bob");
    ASSERT_TRUE(QTest::qWaitFor([&] { return bob.log()->rowCount() == 1; }));
    EXPECT_THAT(bob.lastLine().toStdString(),
                ::testing::MatchesRegex(R"(127\.0\.0\.1:[0-9]+>hello bob)"));

    bob.sendTo("localhost:" + std::to_string(alicePort), "こんにちは");
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice.log()->rowCount() == 1; }));
    EXPECT_TRUE(alice.lastLine().endsWith(">こんにちは"));
    // The newest line is selected, so that it is shown.
    EXPECT_EQ(qobject_cast<QListView*>(alice.window.item(IDC_LOG))->currentIndex().row(), 0);

    // A datagram of exactly 1024 bytes is read whole; its line is cut.
    ASSERT_TRUE(sendRaw(bobPort, "*" + std::string(1023, 'a')));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bob.log()->rowCount() == 2; }));
    EXPECT_EQ(bob.lastLine().size(), 1023);
    EXPECT_TRUE(bob.lastLine().endsWith("aaa"));
    EXPECT_TRUE(alice.boxes.texts.isEmpty());
    EXPECT_TRUE(bob.boxes.texts.isEmpty());
}

TEST(ListeningTest, TheDefaultSettingHearsItself)
{
    Peer peer(12323);
    ASSERT_EQ(peer.start(), 12323) << "port 12323 is taken on this machine";
    peer.sendTo("localhost:12323", "me");
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.log()->rowCount() == 1; }));
    EXPECT_TRUE(peer.lastLine().endsWith(">me"));
    EXPECT_EQ(qobject_cast<QComboBox*>(peer.window.item(IDC_TARGET))->currentText(),
              "localhost:12323");
}

TEST(ListeningTest, AHeldPortGivesBindErrorAndTheWindowStillShowsStop)
{
    net::UdpSocket holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.bindAny(0));
    Peer peer(holder.localEndpoint()->port);
    peer.window.mainWindowHandler(IDC_LISTEN);
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.boxes.texts.size() == 1; }));
    EXPECT_EQ(peer.boxes.texts.front(), "Bind error");
    EXPECT_EQ(peer.caption(), "Stop");
    EXPECT_FALSE(peer.window.item(IDC_PORT)->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.window.receiver()->finished(); }));
    EXPECT_EQ(peer.window.receiver()->exitCode(), net::ReceiverWorker::kExitBindError);

    // The next click is Stop, and the one after that listens again.
    peer.window.mainWindowHandler(IDC_LISTEN);
    EXPECT_EQ(peer.caption(), "Start");
    EXPECT_TRUE(peer.window.item(IDC_PORT)->isEnabled());
}

TEST(ListeningTest, StartRightAfterStopReusesThePort)
{
    Peer peer;
    const std::uint16_t port = peer.start();
    ASSERT_NE(port, 0);
    for (int i = 0; i < 20; ++i) {
        peer.window.mainWindowHandler(IDC_LISTEN);  // Stop
        qobject_cast<QLineEdit*>(peer.window.item(IDC_PORT))->setText(QString::number(port));
        ASSERT_EQ(peer.start(), port) << "cycle " << i;
    }
    EXPECT_TRUE(peer.boxes.texts.isEmpty()) << peer.boxes.texts.join(", ").toStdString();
}

TEST(ListeningTest, AFloodReachesTheLogInOrderLosingOnlyWhatTheKernelDropped)
{
    constexpr int kCount = 20000;
    Peer peer;
    const std::uint16_t port = peer.start();
    ASSERT_NE(port, 0);

    const auto send = [&](const std::string& text) { return sendRaw(port, text); };
    std::atomic<bool> done{false};
    std::thread sender([&] {
        for (int i = 0; i < kCount; ++i) {
            send("*" + std::to_string(i));
        }
        done = true;
    });
    // The window's event loop turns while the flood runs.
    (void)QTest::qWaitFor([&] { return done.load(); }, 120000);
    sender.join();

    // The kernel reports its drop count with each datagram it delivers, so
    // drops at the very end show only once something arrives after them:
    // send end markers, one at a time, until one reaches the log.
    int markersSent = 0;
    const auto lastIsMarker = [&] { return peer.lastLine().contains(">end"); };
    while (!lastIsMarker() && markersSent < 100) {
        ASSERT_TRUE(send("*end" + std::to_string(markersSent++)));
        (void)QTest::qWaitFor(lastIsMarker, 1000);
    }
    ASSERT_TRUE(lastIsMarker());

    const auto accounted = [&] {
        int markersLogged = 0;
        for (int row = peer.log()->rowCount() - 1; row >= 0; --row) {
            if (!peer.log()->index(row, 0).data().toString().contains(">end")) {
                break;
            }
            ++markersLogged;
        }
        const auto numbered = static_cast<std::uint64_t>(peer.log()->rowCount() - markersLogged);
        return numbered + peer.window.receiver()->droppedDatagrams() ==
               static_cast<std::uint64_t>(kCount + markersSent - markersLogged);
    };
    ASSERT_TRUE(QTest::qWaitFor(accounted, 5000))
        << peer.log()->rowCount() << " lines, " << peer.window.receiver()->droppedDatagrams()
        << " dropped, " << markersSent << " end markers";

    // Every line is in order: numbers only ever grow.
    long previous = -1;
    for (int row = 0; row < peer.log()->rowCount(); ++row) {
        const QString line = peer.log()->index(row, 0).data().toString();
        if (line.contains(">end")) {
            break;
        }
        const long number = line.mid(line.indexOf('>') + 1).toLong();
        ASSERT_GT(number, previous) << "row " << row;
        previous = number;
    }
    std::cout << "flood: " << peer.log()->rowCount() << " logged, "
              << peer.window.receiver()->droppedDatagrams() << " dropped by the kernel\n";
}

}  // namespace
