#include "midi/MidiDevices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/MidiPort.h"

namespace {

struct PortNameRow {
    std::string name;
    std::string port;
    bool own{};
};

class OwnPortNameTest : public testing::TestWithParam<PortNameRow> {};

TEST_P(OwnPortNameTest, RecognisesOurPortsAsTheMidiSystemNamesThem)
{
    EXPECT_EQ(midi::isOwnPortName(GetParam().port), GetParam().own);
}

INSTANTIATE_TEST_SUITE_P(
    Names, OwnPortNameTest,
    testing::Values(PortNameRow{"jackInput", "Mirevo:MIDI In", true},
                    PortNameRow{"jackOutput", "Mirevo:MIDI Out", true},
                    PortNameRow{"jackRenamedClient", "Mirevo-01:MIDI Out", true},
                    PortNameRow{"alsaInput", "Mirevo:MIDI In 129:0", true},
                    PortNameRow{"otherClient", "a2j:MIDI In", false},
                    PortNameRow{"clientPrefixOnly", "MirevoX:MIDI In", false},
                    PortNameRow{"clientBadSuffix", "Mirevo-x:MIDI In", false},
                    PortNameRow{"portNamePrefix", "Mirevo:MIDI Input", false},
                    PortNameRow{"alsaBadNumbers", "Mirevo:MIDI In 12x:0", false},
                    PortNameRow{"noClient", "MIDI In", false}, PortNameRow{"empty", "", false}),
    [](const testing::TestParamInfo<PortNameRow>& row) { return row.param.name; });

}  // namespace
