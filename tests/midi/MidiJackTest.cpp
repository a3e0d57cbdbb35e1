// The MIDI devices on a real JACK server on the dummy driver, seen by other programs: one client
// "Mirevo" whose port names never change, the chosen device opened by what it was when listed,
// connections others made by name kept. What flows through the window: MidiWindowTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <tuple>
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

// The line of this client's port; our own port's for "".
MidiDeviceEntry line(const std::vector<MidiDeviceEntry>& lines, const std::string& client)
{
    const auto found = std::ranges::find_if(lines, [&client](const MidiDeviceEntry& entry) {
        return client.empty() ? entry.kind == MidiDeviceEntry::Kind::OwnPort
                              : entry.port.client == client;
    });
    EXPECT_NE(found, lines.end()) << "no line for " << client;
    return found != lines.end() ? *found : MidiDeviceEntry{};
}

class MidiJackTest : public testsupport::JackTest {
protected:
    midi::MidiDevices devices_{midi::MidiBackend::Jack,
                               midi::SynthOptions{.soundFonts = {}, .audioOutputs = {}}};
};

// Steps: "in"/"out" open our own port, "in:Keys"/"out:Sound" a peer's, "-in"/"-out" close, "list"
// lists both, "patch" connects Keys to our input by name as a patchbay does. Whatever the order,
// one client "Mirevo" is ever made, with the same two ports, and a listing adds none; the input is
// connected to the peer chosen, and what a patchbay connected stays.
struct OrderRow {
    std::string name;
    Names steps;
};

class PortNamesTest : public MidiJackTest, public testing::WithParamInterface<OrderRow> {};

TEST_P(PortNamesTest, StayTheSameWhateverIsOpenedFirstOrAgain)
{
    JackPeer keys("Keys");
    JackPeer sound("Sound");
    std::unique_ptr<midi::MidiInput> input;
    std::shared_ptr<midi::MidiOutput> output;
    std::string from;  // the peer the input was opened on
    bool patched = false;
    for (const std::string& step : GetParam().steps) {
        const std::size_t colon = step.find(':');
        const std::string client = colon == std::string::npos ? "" : step.substr(colon + 1);
        if (step == "-in") {
            input.reset();
            from.clear();
        } else if (step == "patch") {
            ASSERT_TRUE(keys.connect(keys.outName(), kOurIn));
            patched = true;
        } else if (step == "-out") {
            output->release();
            output.reset();
        } else if (step == "list") {
            (void)devices_.inputs();
            (void)devices_.outputs();
        } else if (step.starts_with("in")) {
            input.reset();
            input = devices_.openInput(line(devices_.inputs(), client), [] {});
            ASSERT_NE(input, nullptr) << step;
            from = client;
        } else {
            output = devices_.openOutput(line(devices_.outputs(), client));
            ASSERT_NE(output, nullptr) << step;
        }
        EXPECT_EQ(keys.portNames("Mirevo"), (Names{kOurIn, kOurOut})) << "after " << step;
        EXPECT_EQ(keys.connected(keys.outName(), kOurIn), patched || from == "Keys") << step;
        EXPECT_EQ(sound.connected(sound.outName(), kOurIn), from == "Sound") << step;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, PortNamesTest,
    testing::Values(OrderRow{"inputFirst", {"in", "out", "-in", "-out", "in", "out"}},
                    OrderRow{"outputFirst", {"out", "in", "-out", "out", "-in", "in"}},
                    OrderRow{"othersPortsFirst", {"out:Sound", "in:Keys", "-in", "in", "-out"}},
                    OrderRow{"listingFirst", {"list", "out", "list", "in:Keys", "list"}},
                    OrderRow{"patchedStaysAcrossReopening",
                             {"in", "patch", "-in", "in:Sound", "-in", "in"}}),
    [](const testing::TestParamInfo<OrderRow>& row) { return row.param.name; });

// Ports come and go between listing and choice: the line chosen opens the port it showed, or none.
enum class Change { PortAppears, LineAboveGoes, ChosenGoes };

class ListingChangeTest : public MidiJackTest,
                          public testing::WithParamInterface<std::tuple<Change, bool>> {};

TEST_P(ListingChangeTest, TheChosenLineOpensItsPortOrNothing)
{
    const auto [change, isInput] = GetParam();
    auto before = std::make_unique<JackPeer>("Before");
    auto chosen = std::make_unique<JackPeer>("Chosen");
    const MidiDeviceEntry entry = line(isInput ? devices_.inputs() : devices_.outputs(), "Chosen");
    std::unique_ptr<JackPeer> newcomer;
    if (change == Change::PortAppears) {
        newcomer = std::make_unique<JackPeer>("Newcomer");
    } else {
        (change == Change::LineAboveGoes ? before : chosen).reset();
    }
    // Kept open while the connections are looked at.
    const auto input = isInput ? devices_.openInput(entry, [] {}) : nullptr;
    const auto output = isInput ? nullptr : devices_.openOutput(entry);
    ASSERT_EQ(input != nullptr || output != nullptr, chosen != nullptr);
    for (JackPeer* peer : {before.get(), chosen.get(), newcomer.get()}) {
        if (peer != nullptr) {
            EXPECT_EQ(isInput ? peer->connected(peer->outName(), kOurIn)
                              : peer->connected(peer->inName(), kOurOut),
                      peer == chosen.get());
        }
    }
}

std::string changeName(const testing::TestParamInfo<std::tuple<Change, bool>>& row)
{
    const std::array names{"portAppears", "lineAboveGoes", "chosenGoes"};
    return std::string(names.at(static_cast<std::size_t>(std::get<0>(row.param)))) +
           (std::get<1>(row.param) ? "ForInput" : "ForOutput");
}

INSTANTIATE_TEST_SUITE_P(Changes, ListingChangeTest,
                         testing::Combine(testing::Values(Change::PortAppears,
                                                          Change::LineAboveGoes,
                                                          Change::ChosenGoes),
                                          testing::Bool()),
                         changeName);

}  // namespace
