// The core alone, no widget: ordered sending and the failure policy, on real sockets and a real
// JACK server. Listening and received MIDI: see HeadlessTest, ListeningTest, StuckNotesTest.
#include "peer/Peer.h"

#include <gmock/gmock.h>

#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

#include "midi/MidiDevices.h"
#include "net/TargetSnapshot.h"
#include "tests/support/JackTest.h"
#include "tests/support/MidiCollector.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingReporter.h"

namespace {

using testing::ElementsAre;
using testing_support::Collector;
using testing_support::RecordingReporter;
using testing_support::UdpListener;
using testsupport::JackPeer;

const std::string kUnknownHost = "nohost.invalid:1";

// What the user sends goes to every target in the order asked; each failure is reported every time.
TEST(PeerTest, SendsInOrderAndReportsEveryFailureOfWhatTheUserSends)
{
    UdpListener listener;
    net::TargetSnapshot targets({kUnknownHost, listener.target()});
    RecordingReporter reporter;
    peer::Peer peer(testing_support::noMidi(), targets, reporter);
    std::vector<bool> results;
    peer.sendText("first", [&](bool sent) { results.push_back(sent); });
    peer.sendMidi(0x7F3C90);
    peer.sendText("second", [&](bool sent) { results.push_back(sent); });
    peer.waitForSends();
    EXPECT_THAT(listener.takeAll(),
                ElementsAre("*first", std::string("~\x90\x3C\x7F\0", 5), "*second"));
    EXPECT_THAT(results, ElementsAre(false, false));
    EXPECT_EQ(reporter.lines, std::vector<std::string>(3, "Host not found " + kUnknownHost));
}

class PeerJackTest : public testsupport::JackTest {
protected:
    midi::MidiDevices devices{midi::MidiBackend::Jack,
                              midi::SynthOptions{.soundFonts = {}, .audioOutputs = {}}};
    UdpListener listener;
    net::TargetSnapshot targets{{kUnknownHost, listener.target()}};
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
    ASSERT_TRUE(testing_support::wireKeysIn(keys, listener));
    Collector collector(listener);
    const std::vector<std::uint32_t> notes = testing_support::numberedNotes(20);
    keys.play(notes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size()); }, 10000));
    EXPECT_EQ(collector.messages(), notes);
    EXPECT_THAT(reporter.lines, ElementsAre("Host not found " + kUnknownHost));

    peer.forgetInputFailures();
    keys.play({notes.front()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size() + 1); }, 5000));
    EXPECT_EQ(reporter.lines.size(), 2U);
}

// 40 "localhost" targets a message (looked up each time): the sending thread falls thousands
// behind the keys, all wait for it, and what it has not reached at the close still goes out.
TEST_F(PeerJackTest, ClosingForwardsWhatTheSendingThreadHadNotReached)
{
    constexpr std::size_t kCopies = 40;
    UdpListener many(64 << 20);
    net::TargetSnapshot copies{std::vector(kCopies, "localhost:" + std::to_string(many.port()))};
    peer::Peer slow{devices, copies, reporter};
    slow.openInput(slow.defaultInput());
    JackPeer keys("Keys");
    ASSERT_TRUE(testing_support::wireKeysIn(keys, many));
    Collector collector(many);
    const std::vector<std::uint32_t> notes = testing_support::numberedNotes(2'000);
    const std::uint64_t played = keys.played() + notes.size();
    keys.play(notes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keys.played() == played; }, 10000));
    slow.closeInput();
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size() * kCopies); }, 60000))
        << collector.messages().size();
    std::vector<std::uint32_t> expected;
    for (const std::uint32_t note : notes) {
        expected.insert(expected.end(), kCopies, note);
    }
    const std::vector<std::uint32_t> arrived = collector.messages();  // then the releases
    EXPECT_EQ(std::vector(arrived.begin(), arrived.begin() + static_cast<long>(expected.size())),
              expected);
}

}  // namespace
