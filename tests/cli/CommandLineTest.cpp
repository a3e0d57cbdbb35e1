// The command line, read into the settings both front ends start from.
#include "cli/CommandLine.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using Action = cli::CommandLine::Action;
using Kind = peer::DeviceChoice::Kind;

struct Row {
    std::string name;
    QStringList arguments;
    Action action;
    std::string output;  // a part of what is printed; empty: nothing asked of it
};

class CommandLineTest : public testing::TestWithParam<Row> {};

TEST_P(CommandLineTest, ActsAsAsked)
{
    const Row& row = GetParam();
    const cli::CommandLine line = cli::parseCommandLine(QStringList{"mirevo"} + row.arguments);
    EXPECT_EQ(line.action, row.action);
    EXPECT_THAT(line.output, testing::HasSubstr(row.output));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    testing::Values(
        Row{"nothing", {}, Action::RunWindow, ""},
        Row{"help", {"--help"}, Action::ShowHelp, "--midi-out <synth|port|none|LINE>"},
        Row{"version", {"--version"}, Action::ShowVersion, "Mirevo 1.0.0\n"},
        Row{"headless", {"--headless"}, Action::RunHeadless, ""},
        Row{"listDevices", {"--list-devices"}, Action::ListDevices, ""},
        Row{"unknownOption", {"--headless", "--bogus"}, Action::UsageError, "'bogus'"},
        Row{"missingValue", {"--headless", "--port"}, Action::UsageError, "port"},
        Row{"portTooLarge", {"--headless", "--port", "65536"}, Action::UsageError, "65535"},
        Row{"portNotANumber", {"--headless", "--port", "12a"}, Action::UsageError, "'12a'"},
        Row{"targetWithoutColon", {"--headless", "--to", "host"}, Action::UsageError, "'host'"},
        Row{"targetTooLong",
            {"--headless", "--to", QString(60, 'h') + ":1234"},
            Action::UsageError,
            "63 bytes"},
        Row{"strayArgument", {"--headless", "extra"}, Action::UsageError, "'extra'"}),
    [](const testing::TestParamInfo<Row>& row) { return row.param.name; });

TEST(CommandLine, FillsTheSettingsRecord)
{
    const cli::CommandLine line = cli::parseCommandLine(
        {"mirevo", "--headless", "--port", "4000", "--to", "pi.local:12323", "--to",
         "192.168.1.255:12323", "--midi-in", "none", "--midi-out", "Synth:in 1"});
    ASSERT_EQ(line.action, Action::RunHeadless);
    EXPECT_EQ(line.settings.port, 4000);
    EXPECT_THAT(line.settings.targets,
                testing::ElementsAre("pi.local:12323", "192.168.1.255:12323"));
    EXPECT_EQ(line.settings.midiIn.kind, Kind::None);
    EXPECT_EQ(line.settings.midiOut.kind, Kind::Line);
    EXPECT_EQ(line.settings.midiOut.line, "Synth:in 1");

    const cli::CommandLine defaults = cli::parseCommandLine({"mirevo", "--headless"});
    EXPECT_EQ(defaults.settings.port, 12323);
    EXPECT_TRUE(defaults.settings.targets.empty());
    EXPECT_EQ(defaults.settings.midiIn.kind, Kind::Default);
    EXPECT_EQ(defaults.settings.midiOut.kind, Kind::Default);
    EXPECT_EQ(cli::parseCommandLine({"mirevo", "--headless", "--midi-out", "synth"})
                  .settings.midiOut.kind,
              Kind::Synthesizer);
    EXPECT_EQ(
        cli::parseCommandLine({"mirevo", "--headless", "--midi-in", "port"}).settings.midiIn.kind,
        Kind::OwnPort);
}

}  // namespace
