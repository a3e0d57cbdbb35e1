// The program without a window, run as a process with no display: text both ways, MIDI both ways,
// the device listing, a held port, signals, and what it prints and ends with at once.
#include <gmock/gmock.h>

#include <QProcess>
#include <QTest>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "net/UdpSocket.h"
#include "tests/support/JackPeer.h"
#include "tests/support/JackTest.h"
#include "tests/support/MidiCollector.h"
#include "tests/support/UdpListener.h"

namespace {

using testing::HasSubstr;
using testing_support::UdpListener;
using testsupport::JackPeer;

// The program, started with no display to reach.
class Headless {
public:
    explicit Headless(const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(MIREVO_PROGRAM), arguments);
        EXPECT_TRUE(process_.waitForStarted());
    }
    ~Headless()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    Headless(const Headless&) = delete;
    Headless& operator=(const Headless&) = delete;

    [[nodiscard]] QProcess& process() { return process_; }
    [[nodiscard]] const std::string& out()
    {
        out_ += process_.readAllStandardOutput().toStdString();
        return out_;
    }
    [[nodiscard]] const std::string& err()
    {
        err_ += process_.readAllStandardError().toStdString();
        return err_;
    }
    // Sends pings to the port until one is printed: it listens.
    [[nodiscard]] bool waitListening(std::uint16_t port)
    {
        return QTest::qWaitFor(
            [&] {
                (void)testing_support::sendToLoopback(port, "*ping");
                return QTest::qWaitFor([&] { return out().find(">ping\n") != std::string::npos; },
                                       50);
            },
            10000);
    }
    void write(const std::string& text)
    {
        process_.write(text.data(), static_cast<qint64>(text.size()));
        (void)process_.waitForBytesWritten();
    }
    // The exit code, once it ended within the time; -1 otherwise.
    [[nodiscard]] int ended(std::chrono::milliseconds within)
    {
        if (!process_.waitForFinished(static_cast<int>(within.count())) ||
            process_.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        return process_.exitCode();
    }

private:
    QProcess process_;
    std::string out_;
    std::string err_;
};

QStringList args(std::initializer_list<QString> list, std::uint16_t port)
{
    return QStringList{"--headless", "--port", QString::number(port)} + QStringList(list);
}

TEST(HeadlessTest, TextGoesBothWaysPanicOnSigusr1AndSigtermEndsItAtOnce)
{
    UdpListener listener;
    const std::uint16_t port = testing_support::freeUdpPort();
    Headless headless(args({"--to", ":1", "--to", QString::fromStdString(listener.target()),
                            "--midi-in", "none", "--midi-out", "none"},
                           port));
    ASSERT_TRUE(headless.waitListening(port)) << headless.err();
    EXPECT_THAT(headless.out(), testing::StartsWith("127.0.0.1:"));

    headless.write("hello from stdin\n" + std::string(2000, 'a') + "\n");
    const auto hello = listener.next();
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->text(), "*hello from stdin");
    const auto longLine = listener.next();
    ASSERT_TRUE(longLine);
    EXPECT_EQ(longLine->text(), "*" + std::string(1022, 'a'));  // as the message field cuts

    // SIGUSR1: the panic.
    ::kill(static_cast<pid_t>(headless.process().processId()), SIGUSR1);
    for (const std::string& panic : testing_support::panicDatagrams()) {
        const auto sent = listener.next();
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->text(), panic);
    }

    headless.process().terminate();  // SIGTERM
    EXPECT_EQ(headless.ended(std::chrono::milliseconds(1000)), 0);
    // A failing target is reported once, whatever is sent to it.
    EXPECT_EQ(headless.err(), "Host not found: :1\n");
}

TEST(HeadlessTest, APortHeldElsewhereEndsItWithBindError)
{
    net::UdpSocket holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.valid() && holder.bindAny(0));
    Headless headless(
        args({"--midi-in", "none", "--midi-out", "none"}, holder.localEndpoint()->port));
    EXPECT_EQ(headless.ended(std::chrono::milliseconds(5000)), 1);
    EXPECT_THAT(headless.err(), HasSubstr("Bind error\n"));
    EXPECT_THAT(headless.err(), HasSubstr("No target given"));
}

struct Row {
    std::string name;
    QStringList arguments;
    int exitCode;
    std::string out;
    std::string err;
};

class EndsAtOnceTest : public testing::TestWithParam<Row> {};

TEST_P(EndsAtOnceTest, PrintsWhatItShouldAndEnds)
{
    const Row& row = GetParam();
    Headless headless(row.arguments);
    EXPECT_EQ(headless.ended(std::chrono::milliseconds(5000)), row.exitCode);
    EXPECT_THAT(headless.out(), HasSubstr(row.out));
    EXPECT_THAT(headless.err(), HasSubstr(row.err));
    EXPECT_EQ(headless.out().empty(), row.out.empty());
    EXPECT_EQ(headless.err().empty(), row.err.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EndsAtOnceTest,
    testing::Values(Row{"help", {"--help"}, 0, "--headless", ""},
                    Row{"version", {"--version"}, 0, "Mirevo 1.0.0\n", ""},
                    Row{"usageError", {"--headless", "--to", "nocolon"}, 2, "", "'nocolon'"},
                    Row{"unknownInput",
                        {"--headless", "--midi-in", "No Such Keyboard", "--midi-out", "none"},
                        2,
                        "",
                        "--midi-in: no device is listed as \"No Such Keyboard\"."},
                    Row{"unknownOutput",
                        {"--headless", "--midi-in", "none", "--midi-out", "Nowhere:in"},
                        2,
                        "",
                        "Choose synth, port or none, or one of these lines:\n"
                        "  Built-in synthesizer"}),
    [](const testing::TestParamInfo<Row>& row) { return row.param.name; });

class HeadlessJackTest : public testsupport::JackTest {};

TEST_F(HeadlessJackTest, ListsTheDevicesAsTheSelectionWindowShowsThem)
{
    JackPeer keys("Keys");
    Headless headless({"--list-devices"});
    EXPECT_EQ(headless.ended(std::chrono::milliseconds(5000)), 0);
    EXPECT_THAT(headless.out(), testing::StartsWith("MIDI-IN:\n"
                                                    "  Mirevo:MIDI In (Mirevo's own port)\n"
                                                    "  Keys:out\n"
                                                    "MIDI-OUT:\n"
                                                    "  Built-in synthesizer"));
    EXPECT_THAT(headless.out(), testing::EndsWith("\n"
                                                  "  Mirevo:MIDI Out (Mirevo's own port)\n"
                                                  "  Keys:in\n"));
    EXPECT_EQ(std::ranges::count(headless.out(), '\n'), 7);
}

// A bridge: what a keyboard plays into "Mirevo:MIDI In" goes to the
// targets in order, and what arrives is played on "Mirevo:MIDI Out".
TEST_F(HeadlessJackTest, ForwardsMidiInputAndPlaysReceivedMidiOnItsPort)
{
    UdpListener listener;
    const std::uint16_t port = testing_support::freeUdpPort();
    Headless headless(args({"--to", QString::fromStdString(listener.target()), "--midi-in", "port",
                            "--midi-out", "port"},
                           port));
    ASSERT_TRUE(headless.waitListening(port)) << headless.err();
    JackPeer keys("Keys");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return keys.connect(keys.outName(), "Mirevo:MIDI In") &&
               keys.connect("Mirevo:MIDI Out", keys.inName());
    }));
    ASSERT_TRUE(testing_support::wireKeysIn(keys, listener));
    testing_support::Collector collector(listener);
    const std::vector<std::uint32_t> notes = testing_support::numberedNotes(1000);
    keys.play(notes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size()); }, 10000));
    EXPECT_EQ(collector.messages(), notes);

    const std::vector<std::uint32_t> heard = testing_support::heardAfter(keys, [port] {
        (void)testing_support::sendToLoopback(port, testing_support::midiDatagram(0x7F3C90));
    });
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(), 0x7F3C90U);

    ::kill(static_cast<pid_t>(headless.process().processId()), SIGINT);
    EXPECT_EQ(headless.ended(std::chrono::milliseconds(1000)), 0);
    EXPECT_THAT(headless.err(), testing::IsEmpty());
}

}  // namespace
