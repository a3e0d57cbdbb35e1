// Nothing left sounding, on a real JACK server: what the input left on is released at the targets
// however it closes, and what receivers started is released at the output however listening or the
// output ends, or when the sender falls silent after Active Sensing. Only what is still sounding.
#include "peer/Peer.h"

#include <gmock/gmock.h>

#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiDevices.h"
#include "net/TargetSnapshot.h"
#include "tests/support/JackTest.h"
#include "tests/support/MidiCollector.h"
#include "tests/support/RecordingReporter.h"

namespace {

using namespace std::chrono_literals;
using Messages = std::vector<std::uint32_t>;
using testing_support::kPing;
using testsupport::JackPeer;

constexpr std::uint32_t msg(std::uint32_t status, std::uint32_t first, std::uint32_t second)
{
    return status | (first << 8U) | (second << 16U);
}

// A chord of three, one note of it ended, the pedal down on channel 2.
const Messages kPlayed{msg(0x90, 60, 100), msg(0x90, 64, 100), msg(0x90, 67, 100), msg(0x80, 64, 0),
                       msg(0xB1, 64, 127)};
const Messages kReleases{msg(0x90, 60, 0), msg(0x90, 67, 0), msg(0xB1, 64, 0)};

class StuckNotesTest : public testsupport::JackTest {
protected:
    void SetUp() override
    {
        JackTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        keysPeer = std::make_unique<JackPeer>("Keys");
        peer = std::make_unique<peer::Peer>(devices, targets, reporter);
    }

    void wireInput()
    {
        peer->openInput(peer->defaultInput());
        ASSERT_TRUE(testing_support::wireKeysIn(*keysPeer, listener));
    }

    // Listening on a port of its own, playing on our "MIDI Out" into the keys.
    std::uint16_t wireOutput()
    {
        peer->openOutput(peer->outputs().at(1));
        EXPECT_TRUE(keysPeer->connect("Mirevo:MIDI Out", keysPeer->inName()));
        peer->startListening(0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return peer->receiver()->boundPort() != 0; }));
        const std::uint16_t port = peer->receiver()->boundPort();
        EXPECT_FALSE(
            testing_support::heardAfter(*keysPeer, [port] { send(port, {kPing}); }).empty());
        return port;
    }

    static void send(std::uint16_t port, const Messages& messages)
    {
        for (const std::uint32_t m : messages) {
            (void)testing_support::sendToLoopback(port, testing_support::midiDatagram(m));
        }
    }

    // What the keys receive from now until `count` messages (pings aside).
    Messages heardByKeys(std::size_t count, std::chrono::milliseconds within = 3s)
    {
        Messages heard;
        (void)QTest::qWaitFor(
            [&] {
                for (const std::uint32_t m : keysPeer->takeReceived()) {
                    if (m != kPing) {
                        heard.push_back(m);
                    }
                }
                return heard.size() >= count;
            },
            static_cast<int>(within.count()));
        return heard;
    }

    midi::MidiDevices devices{midi::MidiBackend::Jack,
                              midi::SynthOptions{.soundFonts = {}, .audioOutputs = {}}};
    testing_support::UdpListener listener;
    net::TargetSnapshot targets{{listener.target()}};
    testing_support::RecordingReporter reporter;
    std::unique_ptr<JackPeer> keysPeer;  // made once the server runs

public:
    std::unique_ptr<peer::Peer> peer;
};

struct InputEnd {
    std::string name;
    std::function<void(StuckNotesTest&, peer::Peer&)> end;
};

class InputEndTest : public StuckNotesTest, public testing::WithParamInterface<InputEnd> {};

TEST_P(InputEndTest, TheTargetsGetTheReleasesOfWhatTheInputLeftSounding)
{
    wireInput();
    testing_support::Collector collector(listener);
    keysPeer->play(kPlayed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(kPlayed.size()); }));
    GetParam().end(*this, *peer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(kPlayed.size() + kReleases.size()); }));
    QTest::qWait(50);  // and nothing more
    const Messages arrived = collector.messages();
    EXPECT_EQ(Messages(arrived.begin() + static_cast<long>(kPlayed.size()), arrived.end()),
              kReleases);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, InputEndTest,
    testing::Values(InputEnd{"switchedOff", [](StuckNotesTest&, peer::Peer& p) { p.closeInput(); }},
                    InputEnd{"anotherChosen",
                             [](StuckNotesTest&, peer::Peer& p) {
                                 p.openInput(p.inputs().at(1));
                                 EXPECT_TRUE(p.inputOpen());
                             }},
                    InputEnd{"programEnds",
                             [](StuckNotesTest& test, peer::Peer&) { test.peer.reset(); }}),
    [](const testing::TestParamInfo<InputEnd>& row) { return row.param.name; });

struct OutputEnd {
    std::string name;
    std::function<void(peer::Peer&, std::uint16_t port)> end;
};

class OutputEndTest : public StuckNotesTest, public testing::WithParamInterface<OutputEnd> {};

// The releases reach the port's peer before the port lets it go.
TEST_P(OutputEndTest, TheOutputGetsTheReleasesOfWhatReceiversStarted)
{
    const std::uint16_t port = wireOutput();
    send(port, kPlayed);
    ASSERT_EQ(heardByKeys(kPlayed.size()), kPlayed);
    GetParam().end(*peer, port);
    EXPECT_EQ(heardByKeys(kReleases.size()), kReleases);
    EXPECT_TRUE(heardByKeys(1, 100ms).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ends, OutputEndTest,
    testing::Values(OutputEnd{"stop", [](peer::Peer& p, std::uint16_t) { p.stopListening(); }},
                    OutputEnd{"receiveError",
                              [](peer::Peer&, std::uint16_t port) {
                                  (void)testing_support::sendToLoopback(port,
                                                                        std::string(2000, '*'));
                              }},
                    OutputEnd{"closed", [](peer::Peer& p, std::uint16_t) { p.closeOutput(); }},
                    OutputEnd{"switched", [](peer::Peer& p,
                                             std::uint16_t) { p.openOutput(p.outputs().at(2)); }}),
    [](const testing::TestParamInfo<OutputEnd>& row) { return row.param.name; });

// A sender silent after Active Sensing is gone in 300 ms; one that keeps sensing keeps its notes.
TEST_F(StuckNotesTest, ASenderSilentAfterActiveSensingLosesItsNotes)
{
    const std::uint16_t port = wireOutput();
    send(port, {0xFE, msg(0x90, 60, 100)});
    ASSERT_EQ(heardByKeys(1), Messages{msg(0x90, 60, 100)});  // sensing is played, not shown
    for (int i = 0; i < 10; ++i) {                            // a second of sensing
        send(port, {0xFE});
        QTest::qWait(100);
    }
    EXPECT_TRUE(heardByKeys(1, 10ms).empty());
    const auto silent = std::chrono::steady_clock::now();
    EXPECT_EQ(heardByKeys(1), Messages{msg(0x90, 60, 0)});
    const auto after = std::chrono::steady_clock::now() - silent;
    EXPECT_GE(after, 300ms - 110ms);  // the last sensing went out up to 100 ms before
    EXPECT_LE(after, 500ms);
}

}  // namespace
