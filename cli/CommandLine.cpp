#include "cli/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <string_view>

#include "net/Target.h"

namespace cli {

namespace {

const char* const kNoWindowOptions[] = {"--headless", "--help", "-h", "--help-all",
                                        "--version",  "-v",     "-?", "--list-devices"};

QString deviceHelp(bool output)
{
    return output ? QStringLiteral(
                        "MIDI output: synth (the built-in synthesizer, the default), "
                        "port (our own \"Mirevo:MIDI Out\"), none, or a line of "
                        "--list-devices.")
                  : QStringLiteral(
                        "MIDI input: port (our own \"Mirevo:MIDI In\", the default), "
                        "none, or a line of --list-devices.");
}

peer::DeviceChoice deviceChoice(const QString& value, bool output)
{
    const QString word = value.trimmed();
    using Kind = peer::DeviceChoice::Kind;
    if (word == QLatin1String("port")) {
        return {.kind = Kind::OwnPort, .line = {}};
    }
    if (word == QLatin1String("none")) {
        return {.kind = Kind::None, .line = {}};
    }
    if (output && word == QLatin1String("synth")) {
        return {.kind = Kind::Synthesizer, .line = {}};
    }
    return {.kind = Kind::Line, .line = word.toStdString()};
}

CommandLine usageError(const QString& text)
{
    CommandLine line;
    line.action = CommandLine::Action::UsageError;
    line.output = QStringLiteral("mirevo: %1\nTry 'mirevo --help' for more information.\n")
                      .arg(text)
                      .toStdString();
    return line;
}

}  // namespace

bool wantsNoWindow(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        for (const char* option : kNoWindowOptions) {
            if (argument == option) {
                return true;
            }
        }
    }
    return false;
}

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Text and live MIDI between peers over UDP.\n"
                       "Without --headless, opens the window (which reads no other option)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Run without a window: listen, send stdin's lines, print received lines."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("UDP port to listen on (default %1).").arg(peer::PeerSettings::kDefaultPort),
        QStringLiteral("P"));
    const QCommandLineOption to(
        QStringLiteral("to"),
        QStringLiteral("A target; every line and MIDI message goes to all of them. Repeatable."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption midiIn(QStringLiteral("midi-in"), deviceHelp(false),
                                    QStringLiteral("port|none|LINE"));
    const QCommandLineOption midiOut(QStringLiteral("midi-out"), deviceHelp(true),
                                     QStringLiteral("synth|port|none|LINE"));
    const QCommandLineOption listDevices(
        QStringLiteral("list-devices"),
        QStringLiteral("Print the MIDI input lines, then the output lines, and end."));
    parser.addOptions({headless, port, to, midiIn, midiOut, listDevices});

    if (!parser.parse(arguments)) {
        return usageError(parser.errorText());
    }
    CommandLine line;
    if (parser.isSet(help)) {
        line.action = CommandLine::Action::ShowHelp;
        line.output = parser.helpText().toStdString();
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::Action::ShowVersion;
        line.output = "Mirevo " MIREVO_VERSION "\n";
        return line;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const uint value = parser.value(port).toUInt(&ok);
        if (!ok || value > 0xFFFFu) {
            return usageError(QStringLiteral("the port must be a number from 0 to 65535, not '%1'")
                                  .arg(parser.value(port)));
        }
        line.settings.port = static_cast<std::uint16_t>(value);
    }
    for (const QString& target : parser.values(to)) {
        const QByteArray bytes = target.toLocal8Bit();
        const std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (!net::parseTarget(text, nullptr, nullptr) || text.size() > net::kMaxTargetBytes) {
            return usageError(QStringLiteral("a target is written HOST:PORT in at most %1 bytes, "
                                             "not '%2'")
                                  .arg(net::kMaxTargetBytes)
                                  .arg(target));
        }
        line.settings.targets.push_back(text);
    }
    if (parser.isSet(midiIn)) {
        line.settings.midiIn = deviceChoice(parser.value(midiIn), false);
    }
    if (parser.isSet(midiOut)) {
        line.settings.midiOut = deviceChoice(parser.value(midiOut), true);
    }
    if (parser.isSet(listDevices)) {
        line.action = CommandLine::Action::ListDevices;
    } else if (parser.isSet(headless)) {
        line.action = CommandLine::Action::RunHeadless;
    }
    return line;
}

}  // namespace cli
