// The MIDI devices on a real JACK server on the dummy driver, seen by
// another program: one client "Mirevo" whose port names never change, the
// chosen device opened by what it was when listed, and connections others
// made by name kept. What flows through the window is tested in
// tests/app/MidiWindowTest.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "midi/MidiDevices.h"
#include "tests/support/JackPeer.h"
#include "tests/support/JackTest.h"

namespace {

using midi::MidiDeviceEntry;
using testsupport::JackPeer;
using Names = std::vector<std::string>;

const std::string kOurIn = "Mirevo:MIDI In";
const std::string kOurOut = "Mirevo:MIDI Out";

midi::SynthOptions noSynth()
{
    return midi::SynthOptions{.soundFonts = {}, .audioOutputs = {}};
}

// The listed line of this client's port, or our own port's line.
MidiDeviceEntry line(const std::vector<MidiDeviceEntry>& lines, const std::string& client)
{
    for (const MidiDeviceEntry& entry : lines) {
        if (client.empty() ? entry.kind == MidiDeviceEntry::Kind::OwnPort
                           : entry.port.client == client) {
            return entry;
        }
    }
    ADD_FAILURE() << "no line for " << client;
    return {};
}

class MidiJackTest : public testsupport::JackTest {};

// Steps: "in"/"out" open our own port, "in:Keys"/"out:Sound" the peer's,
// "-in"/"-out" close, "list" lists both.
struct OrderRow {
    std::string name;
    Names steps;
};

class PortNamesTest : public MidiJackTest, public testing::WithParamInterface<OrderRow> {};

TEST_P(PortNamesTest, StayTheSameWhateverIsOpenedFirstOrAgain)
{
    JackPeer keys("Keys");
    JackPeer sound("Sound");
    midi::MidiDevices devices(midi::MidiBackend::Jack, noSynth());
    std::unique_ptr<midi::MidiInput> input;
    std::shared_ptr<midi::MidiOutput> output;
    bool fromKeys = false;  // the input is connected to Keys
    for (const std::string& step : GetParam().steps) {
        if (step == "-in") {
            input.reset();
            fromKeys = false;
        } else if (step == "-out") {
            output->release();
            output.reset();
        } else if (step == "list") {
            (void)devices.inputs();
            (void)devices.outputs();
        } else {
            const std::size_t colon = step.find(':');
            const std::string client = colon == std::string::npos ? "" : step.substr(colon + 1);
            if (step.starts_with("in")) {
                input.reset();
                input = devices.openInput(line(devices.inputs(), client), [] {});
                fromKeys = client == "Keys";
            } else {
                output = devices.openOutput(line(devices.outputs(), client));
            }
            ASSERT_TRUE(step.starts_with("in") ? input != nullptr : output != nullptr) << step;
        }
        EXPECT_EQ(keys.portNames("Mirevo"), (Names{kOurIn, kOurOut})) << "after " << step;
        EXPECT_EQ(keys.connected(keys.outName(), kOurIn), fromKeys) << "after " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, PortNamesTest,
    testing::Values(OrderRow{"inputFirst", {"in", "out", "-in", "-out", "in", "out"}},
                    OrderRow{"outputFirst", {"out", "in", "-out", "out", "-in", "in"}},
                    OrderRow{"othersPortsFirst", {"out:Sound", "in:Keys", "-in", "in", "-out"}},
                    OrderRow{"listingFirst", {"list", "out", "list", "in:Keys", "list"}}),
    [](const testing::TestParamInfo<OrderRow>& row) { return row.param.name; });

TEST_F(MidiJackTest, ListingAddsNoClient)
{
    midi::MidiDevices devices(midi::MidiBackend::Jack, noSynth());
    const auto input = devices.openInput(devices.defaultInput(), [] {});
    ASSERT_NE(input, nullptr);
    JackPeer watcher("Watcher");
    watcher.flush();
    const unsigned before = watcher.clientsRegistered();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(devices.inputs().size(), 2u);   // ours, Watcher:out
        EXPECT_EQ(devices.outputs().size(), 3u);  // synthesizer, ours, Watcher:in
    }
    watcher.flush();
    EXPECT_EQ(watcher.clientsRegistered(), before);
}

// Between listing and choosing, ports come and go: the line chosen opens
// the port it showed, or nothing.
struct ChangeRow {
    std::string name;
    bool input;
    std::string change;  // "appears", "otherGoes", "chosenGoes"
};

class ListingChangeTest : public MidiJackTest, public testing::WithParamInterface<ChangeRow> {};

TEST_P(ListingChangeTest, TheChosenLineOpensItsPortOrNothing)
{
    const ChangeRow& row = GetParam();
    midi::MidiDevices devices(midi::MidiBackend::Jack, noSynth());
    auto before = std::make_unique<JackPeer>("Before");
    auto chosen = std::make_unique<JackPeer>("Chosen");
    const std::vector<MidiDeviceEntry> lines = row.input ? devices.inputs() : devices.outputs();
    const MidiDeviceEntry entry = line(lines, "Chosen");

    std::unique_ptr<JackPeer> newcomer;
    if (row.change == "appears") {
        newcomer = std::make_unique<JackPeer>("Newcomer");
    } else if (row.change == "otherGoes") {
        before.reset();
    } else {
        chosen.reset();
    }

    std::unique_ptr<midi::MidiInput> input;
    std::shared_ptr<midi::MidiOutput> output;
    if (row.input) {
        input = devices.openInput(entry, [] {});
    } else {
        output = devices.openOutput(entry);
    }
    const bool opened = input != nullptr || output != nullptr;
    ASSERT_EQ(opened, chosen != nullptr);
    if (chosen) {
        EXPECT_EQ(row.input ? chosen->connected(chosen->outName(), kOurIn)
                            : chosen->connected(chosen->inName(), kOurOut),
                  true);
    }
    for (JackPeer* other : {before.get(), newcomer.get()}) {
        if (other != nullptr) {
            EXPECT_FALSE(other->connected(other->outName(), kOurIn));
            EXPECT_FALSE(other->connected(other->inName(), kOurOut));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, ListingChangeTest,
                         testing::Values(ChangeRow{"inputPortAppears", true, "appears"},
                                         ChangeRow{"inputLineAboveGoes", true, "otherGoes"},
                                         ChangeRow{"chosenInputGoes", true, "chosenGoes"},
                                         ChangeRow{"outputPortAppears", false, "appears"},
                                         ChangeRow{"outputLineAboveGoes", false, "otherGoes"},
                                         ChangeRow{"chosenOutputGoes", false, "chosenGoes"}),
                         [](const testing::TestParamInfo<ChangeRow>& row) {
                             return row.param.name;
                         });

// A patchbay connected a keyboard to "Mirevo:MIDI In" by name; the user
// closes the input, opens another device, closes it and opens our port
// again: the keyboard is still connected and heard.
TEST_F(MidiJackTest, ConnectionsMadeByNameSurviveClosingAndReopeningTheInput)
{
    midi::MidiDevices devices(midi::MidiBackend::Jack, noSynth());
    JackPeer keys("Keys");
    JackPeer pads("Pads");
    auto input = devices.openInput(devices.defaultInput(), [] {});
    ASSERT_TRUE(keys.connect(keys.outName(), kOurIn));
    input.reset();
    input = devices.openInput(line(devices.inputs(), "Pads"), [] {});
    ASSERT_NE(input, nullptr);
    input.reset();
    input = devices.openInput(line(devices.inputs(), ""), [] {});
    ASSERT_NE(input, nullptr);

    EXPECT_TRUE(keys.connected(keys.outName(), kOurIn));
    EXPECT_FALSE(pads.connected(pads.outName(), kOurIn));
    std::vector<std::uint32_t> heard;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (heard.empty() && std::chrono::steady_clock::now() < deadline) {
        keys.play({0x7F3C90});
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        input->drain([&heard](std::uint32_t m) { heard.push_back(m); });
    }
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(), 0x7F3C90u);
}

}  // namespace
