// The core alone, with no widget: listening, sending in order, the failure
// policy, MIDI input forwarded and received MIDI played, on real sockets
// and a real JACK server.
#include "peer/Peer.h"

#include <gmock/gmock.h>

#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

#include "midi/MidiDevices.h"
#include "net/Datagram.h"
#include "net/UdpSocket.h"
#include "peer/TargetList.h"
#include "tests/support/JackPeer.h"
#include "tests/support/JackTest.h"
#include "tests/support/MidiCollector.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/UdpListener.h"

namespace {

using testing::ElementsAre;
using testing::MatchesRegex;
using testing_support::Collector;
using testing_support::kPing;
using testing_support::RecordingReporter;
using testing_support::UdpListener;
using testsupport::JackPeer;

const std::string kUnknownHost = "nohost.invalid:1";

midi::MidiDevices& noDevices()
{
    static midi::MidiDevices devices(midi::MidiBackend::None,
                                     midi::SynthOptions{.soundFonts = {}, .audioOutputs = {}});
    return devices;
}

std::uint16_t listeningPort(const peer::Peer& peer)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer.receiver()->boundPort() != 0; }));
    return peer.receiver()->boundPort();
}

TEST(PeerTest, HandsOnEveryTextLineReceivedAsTheLogShowsIt)
{
    peer::TargetList targets({});
    RecordingReporter reporter;
    peer::Peer peer(noDevices(), targets, reporter);
    std::vector<std::string> lines;
    QObject::connect(&peer, &peer::Peer::linesArrived, &peer,
                     [&](const std::vector<std::string>& batch) {
                         lines.insert(lines.end(), batch.begin(), batch.end());
                     });
    peer.startListening(0);
    const std::uint16_t port = listeningPort(peer);
    ASSERT_TRUE(testing_support::sendToLoopback(port, "*hello"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lines.empty(); }));
    EXPECT_THAT(lines, ElementsAre(MatchesRegex(R"(127\.0\.0\.1:[0-9]+>hello)")));
    EXPECT_TRUE(reporter.lines.empty());
}

// What the user sends goes to every target in the order asked, and each
// failure is reported every time.
TEST(PeerTest, SendsInOrderAndReportsEveryFailureOfWhatTheUserSends)
{
    UdpListener listener;
    peer::TargetList targets({kUnknownHost, listener.target()});
    RecordingReporter reporter;
    peer::Peer peer(noDevices(), targets, reporter);
    std::vector<bool> results;
    peer.sendText("first", [&](bool sent) { results.push_back(sent); });
    peer.sendMidi(0x7F3C90);
    peer.sendText("second", [&](bool sent) { results.push_back(sent); });
    EXPECT_THAT(listener.takeAll(),
                ElementsAre("*first", std::string("~\x90\x3C\x7F\0", 5), "*second"));
    EXPECT_THAT(results, ElementsAre(false, false));
    EXPECT_EQ(reporter.lines, std::vector<std::string>(3, "Host not found " + kUnknownHost));
}

TEST(PeerTest, APortHeldElsewhereIsReportedAndSaidSo)
{
    net::UdpSocket holder = net::UdpSocket::open();
    ASSERT_TRUE(holder.valid() && holder.bindAny(0));
    peer::TargetList targets({});
    RecordingReporter reporter;
    peer::Peer peer(noDevices(), targets, reporter);
    QSignalSpy failed(&peer, &peer::Peer::receiverFailed);
    peer.startListening(holder.localEndpoint()->port);
    ASSERT_TRUE(failed.wait(3000));
    EXPECT_EQ(failed.first().first().value<net::Failure>(), net::Failure::Bind);
    EXPECT_THAT(reporter.lines, ElementsAre("Bind error"));
    EXPECT_TRUE(peer.listening());  // until stopped, as the window shows it
}

class PeerJackTest : public testsupport::JackTest {
protected:
    midi::MidiDevices devices{midi::MidiBackend::Jack,
                              midi::SynthOptions{.soundFonts = {}, .audioOutputs = {}}};
    UdpListener listener;
    peer::TargetList targets{{kUnknownHost, listener.target()}};
    RecordingReporter reporter;
    peer::Peer peer{devices, targets, reporter};
};

// Forwarded input reaches the good target in the order played; the failing
// target is reported once, until the user changes where to send.
TEST_F(PeerJackTest, ForwardsInputInOrderAndReportsItsFailuresOncePerTarget)
{
    QSignalSpy inputChanged(&peer, &peer::Peer::inputChanged);
    peer.openInput(peer.defaultInput());
    ASSERT_TRUE(peer.inputOpen());
    EXPECT_EQ(inputChanged.takeFirst().first().toBool(), true);
    JackPeer keys("Keys");
    ASSERT_TRUE(keys.connect(keys.outName(), "Mirevo:MIDI In"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            keys.play({kPing});
            return QTest::qWaitFor(
                [&] { return listener.next(std::chrono::milliseconds(5)).has_value(); }, 50);
        },
        10000));
    Collector collector(listener);
    const std::vector<std::uint32_t> notes = testing_support::numberedNotes(20);
    keys.play(notes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size()); }, 10000));
    std::vector<std::uint32_t> heard = collector.messages();
    EXPECT_EQ(heard, notes);
    EXPECT_THAT(reporter.lines, ElementsAre("Host not found " + kUnknownHost));

    peer.forgetInputFailures();
    keys.play({notes.front()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size() + 1); }, 5000));
    EXPECT_EQ(reporter.lines.size(), 2U);
}

TEST_F(PeerJackTest, PlaysReceivedMidiOnTheChosenOutputPort)
{
    const std::vector<midi::MidiDeviceEntry> outputs = peer.outputs();
    ASSERT_GE(outputs.size(), 2U);
    ASSERT_EQ(outputs[1].kind, midi::MidiDeviceEntry::Kind::OwnPort);
    peer.openOutput(outputs[1]);
    ASSERT_TRUE(peer.outputOpen());
    JackPeer sound("Sound");
    ASSERT_TRUE(sound.connect("Mirevo:MIDI Out", sound.inName()));
    peer.startListening(0);
    const std::uint16_t port = listeningPort(peer);
    std::vector<std::uint32_t> heard;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            (void)testing_support::sendToLoopback(port, std::string("~\x90\x3C\x7F\0", 5));
            return QTest::qWaitFor(
                [&] {
                    for (const std::uint32_t m : sound.takeReceived()) {
                        heard.push_back(m);
                    }
                    return !heard.empty();
                },
                50);
        },
        10000));
    EXPECT_EQ(heard.front(), 0x7F3C90U);
    peer.closeOutput();
    EXPECT_FALSE(peer.outputOpen());
}

}  // namespace
