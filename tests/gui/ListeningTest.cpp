// Windows listening on loopback with their real receiver workers: talking, a held port, Stop and
// Start, a flood, oversize datagrams, and closing while a failure box is up or a flood comes in.
#include <gmock/gmock.h>

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <fstream>
#include <thread>

#include "gui/LogModel.h"
#include "gui/MainWindow.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/UdpListener.h"

namespace {

using ::testing::MatchesRegex;
using testing_support::sendToLoopback;

// The sockets bound to this UDP port on all addresses (/proc/net/udp): how
// many, and the datagrams dropped there for want of room.
struct PortUse {
    int sockets = 0;
    std::uint64_t drops = 0;
};

PortUse portUse(std::uint16_t port)
{
    PortUse use;
    std::ifstream table("/proc/net/udp");
    const QString local = QStringLiteral("00000000:%1").arg(port, 4, 16, QChar('0')).toUpper();
    for (std::string line; std::getline(table, line);) {
        const QStringList fields = QString::fromStdString(line).split(' ', Qt::SkipEmptyParts);
        if (fields.size() > 2 && fields[1] == local) {
            ++use.sockets;
            use.drops += fields.back().toULongLong();
        }
    }
    return use;
}

bool bound(std::uint16_t port)
{
    return QTest::qWaitFor([&] { return portUse(port).sockets == 1; });
}

// A window driven by key and mouse events; Qt's model tester checks its log as lines come and go.
class Peer {
public:
    Peer() { window.show(); }

    template <class T>
    T* find(const char* name)
    {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    // Clicks into the field, selects all and types, as a keyboard with a key per character would.
    static void retype(QLineEdit* field, const QString& text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, c, Qt::NoModifier);
        }
    }
    void clickListen() { QTest::mouseClick(find<QPushButton>("IDC_LISTEN"), Qt::LeftButton); }
    // Listens on a free port; returns it once bound, or 0.
    std::uint16_t start()
    {
        const std::uint16_t port = testing_support::freeUdpPort();
        retype(find<QLineEdit>("IDC_PORT"), QString::number(port));
        clickListen();
        return bound(port) ? port : 0;
    }
    // Types the message, and the target when one is given, then presses Enter.
    void send(const QString& text, const QString& target = {})
    {
        if (!target.isEmpty()) {
            retype(find<QComboBox>("IDC_TARGET")->lineEdit(), target);
        }
        retype(find<QLineEdit>("IDC_MESSAGE"), text);
        QTest::keyClick(find<QLineEdit>("IDC_MESSAGE"), Qt::Key_Return);
    }

    // What a screen reader coming to the log reads: a line a child. Only a
    // live accessibility bridge tells the cached interface of changes.
    QStringList readAloud()
    {
        QWidget* log = find<QWidget>("IDC_LOG");
        QAccessible::deleteAccessibleInterface(
            QAccessible::uniqueId(QAccessible::queryAccessibleInterface(log)));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(log);
        QStringList lines;
        for (int i = 0; i < list->childCount(); ++i) {
            lines.append(list->child(i)->text(QAccessible::Name));
        }
        return lines;
    }
    QAbstractItemModel* log() { return find<QListView>("IDC_LOG")->model(); }
    QString line(int row) { return log()->index(row, 0).data().toString(); }
    QString lastLine() { return line(log()->rowCount() - 1); }
    bool waitLines(int count)
    {
        return QTest::qWaitFor([&] { return log()->rowCount() == count; });
    }

    testing_support::RecordingMessageBoxes boxes;
    gui::MainWindow window{boxes, testing_support::noMidi()};
    QAbstractItemModelTester tester{log(), QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST(Listening, TwoWindowsTalkBothWaysAndEachHearsItself)
{
    Peer alice;
    Peer bob;
    const std::uint16_t alicePort = alice.start();
    const std::uint16_t bobPort = bob.start();
    ASSERT_TRUE(alicePort != 0 && bobPort != 0);

    alice.send("me");  // to localhost:<port>, which followed the port field
    ASSERT_TRUE(alice.waitLines(1));
    bob.send("hello alice", "127.0.0.1:" + QString::number(alicePort));
    ASSERT_TRUE(alice.waitLines(2));
    alice.send("こんにちは", "localhost:" + QString::number(bobPort));
    ASSERT_TRUE(bob.waitLines(1));

    const QStringList lines = alice.readAloud();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_THAT(lines[0].toStdString(), MatchesRegex(R"(127\.0\.0\.1:[0-9]+>me)"));
    EXPECT_THAT(lines[1].toStdString(), MatchesRegex(R"(127\.0\.0\.1:[0-9]+>hello alice)"));
    EXPECT_TRUE(bob.lastLine().endsWith(">こんにちは"));
    // The newest line is selected, so that it is shown.
    EXPECT_EQ(alice.find<QListView>("IDC_LOG")->currentIndex().row(), 1);

    EXPECT_TRUE(alice.boxes.texts.isEmpty() && bob.boxes.texts.isEmpty());
    QTest::keyClick(&alice.window, Qt::Key_Escape);  // erases the log, and only that
    EXPECT_EQ(alice.readAloud(), QStringList{});
    EXPECT_TRUE(alice.window.isVisible());
}

// A held port: "Bind error", and the button reads Stop until clicked. Once
// the port is free Start listens there, also right after a Stop.
TEST(Listening, AHeldPortShowsBindErrorAndStartRightAfterStopListensAgain)
{
    net::UdpSocket holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.bindAny(0));
    const std::uint16_t port = holder.localEndpoint()->port;
    Peer peer;
    Peer::retype(peer.find<QLineEdit>("IDC_PORT"), QString::number(port));
    peer.clickListen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !peer.boxes.texts.isEmpty(); }));
    EXPECT_EQ(peer.find<QPushButton>("IDC_LISTEN")->text(), "Stop");
    EXPECT_FALSE(peer.find<QLineEdit>("IDC_PORT")->isEnabled());
    peer.clickListen();
    EXPECT_EQ(peer.find<QPushButton>("IDC_LISTEN")->text(), "Start");
    EXPECT_TRUE(peer.find<QLineEdit>("IDC_PORT")->isEnabled());

    holder.close();
    for (int i = 1; i <= 20; ++i) {
        peer.clickListen();  // Start
        ASSERT_TRUE(bound(port)) << i;
        ASSERT_TRUE(sendToLoopback(port, "*" + std::to_string(i)));
        ASSERT_TRUE(peer.waitLines(i)) << i;
        peer.clickListen();  // Stop
    }
    EXPECT_EQ(peer.boxes.texts, QStringList{"Bind error"});
}

TEST(Listening, AFloodReachesTheLogInOrderLosingOnlyWhatTheKernelDropped)
{
    constexpr int kCount = 20000;
    Peer peer;
    const std::uint16_t port = peer.start();
    ASSERT_NE(port, 0);
    std::atomic<bool> done{false};
    std::thread flood([&] {
        for (int i = 0; i < kCount; ++i) {
            sendToLoopback(port, "*" + std::to_string(i));
        }
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done.load(); }, 120000);  // the event loop turns meanwhile
    flood.join();

    // Every datagram is now queued at the socket or dropped.
    const auto accounted = [&] {
        return static_cast<std::uint64_t>(peer.log()->rowCount()) + portUse(port).drops == kCount;
    };
    ASSERT_TRUE(QTest::qWaitFor(accounted, 10000))
        << peer.log()->rowCount() << " lines, " << portUse(port).drops << " dropped";
    for (int row = 1; row < peer.log()->rowCount(); ++row) {
        const auto number = [&](int r) { return peer.line(r).section('>', 1).toInt(); };
        ASSERT_LT(number(row - 1), number(row)) << "row " << row;
    }
}

// A log of a million lines: a line arriving is still selected and scrolled into view, for the eye
// and for a screen reader, and Home and End reach both ends.
TEST(Listening, AMillionLinesInTheLogStillShowAndSelectTheNewest)
{
    Peer peer;
    const std::uint16_t port = peer.start();
    ASSERT_NE(port, 0);
    auto* view = peer.find<QListView>("IDC_LOG");
    std::vector<std::string> earlier;
    for (int i = 0; i < 1'000'000; ++i) {
        earlier.push_back("127.0.0.1:1>earlier " + std::to_string(i));
    }
    qobject_cast<gui::LogModel*>(view->model())->appendLines(earlier);
    // The second is wider than the view: the sideways scroll bar appears.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(
            sendToLoopback(port, "*newest " + std::to_string(i) + std::string(i * 90, 'w')));
        ASSERT_TRUE(peer.waitLines(1'000'001 + i));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->horizontalScrollBar()->isVisible(); }));

    const auto shown = [&](int row) {
        const QModelIndex current = view->currentIndex();
        const QRect rect = view->visualRect(current);
        return current.row() == row && view->selectionModel()->isSelected(current) &&
               rect.top() >= 0 && rect.bottom() <= view->viewport()->rect().bottom() &&
               view->indexAt(rect.center()) == current;
    };
    // The view lays itself out again once the scroll bar took its height.
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(1'000'002); }));
    EXPECT_TRUE(peer.lastLine().contains(">newest 2w"));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    EXPECT_EQ(list->childCount(), 1'000'003);
    const QList<QAccessibleInterface*> selected = list->tableInterface()->selectedCells();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front()->text(QAccessible::Name), peer.lastLine());

    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_TRUE(shown(0));
    EXPECT_EQ(peer.line(0), "127.0.0.1:1>earlier 0");
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_TRUE(shown(1'000'002));
}

TEST(Listening, EveryOversizeDatagramIsARecvErrorAndListeningGoesOn)
{
    constexpr int kOversize = 50;
    Peer peer;
    const std::uint16_t port = peer.start();
    ASSERT_NE(port, 0);
    for (std::size_t i = 0; i < kOversize; ++i) {
        ASSERT_TRUE(sendToLoopback(port, "*" + std::string(1024 + 37 * i, 'O')));
        ASSERT_TRUE(sendToLoopback(port, "*good" + std::to_string(i)));
    }
    // Each report closes the socket, and what was queued behind the bad
    // datagram, then listens again: a message sent after that arrives.
    const auto after = [&] { return peer.lastLine().endsWith(">after"); };
    for (int attempt = 0; attempt < 50 && !after(); ++attempt) {
        ASSERT_TRUE(sendToLoopback(port, "*after"));
        (void)QTest::qWaitFor(after, 200);
    }
    ASSERT_TRUE(after());
    ASSERT_TRUE(peer.boxes.texts.size() >= 1 && peer.boxes.texts.size() <= kOversize);
    EXPECT_EQ(peer.boxes.texts.count("recv error"), peer.boxes.texts.size());
    for (int row = 0; row < peer.log()->rowCount(); ++row) {
        EXPECT_THAT(peer.line(row).toStdString(), MatchesRegex(".*>(good[0-9]+|after)"));
    }
}

// The window closed while the worker waits in its "recv error" box (a real one) or while a flood
// comes in: the event loop ends as in main(), and the window goes with its workers.
class ClosingTheWindow : public ::testing::TestWithParam<const char*> {};

TEST_P(ClosingTheWindow, EndsTheProgramsEventLoop)
{
    const bool flood = std::string_view(GetParam()) == "WhileFlooded";
    std::atomic<bool> flooding{true};
    std::thread flooder;
    {
        Peer peer;
        peer.boxes.holdFor = std::chrono::minutes(1);  // until the event loop ends
        const std::uint16_t port = peer.start();
        ASSERT_NE(port, 0);
        if (flood) {
            flooder = std::thread([&flooding, port] {
                for (long i = 0; flooding; ++i) {
                    sendToLoopback(port, "*flood " + std::to_string(i));
                }
            });
        } else {
            ASSERT_TRUE(sendToLoopback(port, "*" + std::string(2000, 'x')));
        }
        QObject::connect(&peer.window, &QDialog::finished, qApp, [] { QCoreApplication::exit(0); });
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &peer.window, [&] {
            if (flood ? peer.log()->rowCount() >= 2000 : !peer.boxes.texts.isEmpty()) {
                poll.stop();
                peer.window.close();
            }
        });
        poll.start(5);
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_EQ(peer.boxes.texts, flood ? QStringList{} : QStringList{"recv error"});
    }
    flooding = false;
    if (flooder.joinable()) {
        flooder.join();
    }
}

INSTANTIATE_TEST_SUITE_P(Listening, ClosingTheWindow,
                         ::testing::Values("WithAFailureBoxUp", "WhileFlooded"),
                         [](const auto& row) { return std::string(row.param); });

}  // namespace
