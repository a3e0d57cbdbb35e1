#include "cli/Headless.h"

#include <QCoreApplication>

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "cli/CommandLine.h"
#include "cli/LineReader.h"
#include "cli/SignalNotifier.h"
#include "midi/MidiDevices.h"
#include "peer/DeviceChoice.h"
#include "peer/Peer.h"

namespace cli {

namespace {

void print(std::FILE* out, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}

void appendLines(std::string& text, const char* heading,
                 const std::vector<midi::MidiDeviceEntry>& lines)
{
    text.append(heading).append("\n");
    for (const midi::MidiDeviceEntry& line : lines) {
        text.append("  ").append(line.name).append("\n");
    }
}

std::string unknownDevice(const char* option, const std::string& line, const char* words,
                          const std::vector<midi::MidiDeviceEntry>& lines)
{
    std::string text = "mirevo: " + std::string(option) + ": no device is listed as \"" + line +
                       "\". Choose " + words + ", or one of these lines:\n";
    for (const midi::MidiDeviceEntry& entry : lines) {
        text.append("  ").append(entry.name).append("\n");
    }
    if (lines.empty()) {
        text.append("  (no MIDI system is running)\n");
    }
    return text;
}

}  // namespace

Headless::Headless(const peer::PeerSettings& settings, midi::MidiDevices& devices, QObject* parent)
    : QObject(parent), settings_(settings), devices_(devices), targets_(settings.targets)
{
}

Headless::~Headless() = default;

bool Headless::start()
{
    // Listening first: the port binds on the worker's thread while the MIDI
    // system is looked for here.
    peer_ = std::make_unique<peer::Peer>(devices_, targets_, reporter_, this);
    connect(peer_.get(), &peer::Peer::linesArrived, this, &Headless::printLines);
    connect(peer_.get(), &peer::Peer::receiverFailed, this, [this](net::Failure failure) {
        // Without the port there is nothing to bridge: end, so that a
        // service manager can try again.
        if (failure == net::Failure::Bind || failure == net::Failure::Socket) {
            finish(kExitFailed);
        }
    });
    peer_->startListening(settings_.port);
    using Status = peer::ChosenDevice::Status;
    using Kind = peer::DeviceChoice::Kind;
    const peer::ChosenDevice in = peer::chooseInput(devices_, settings_.midiIn);
    if (in.status == Status::Unknown && settings_.midiIn.kind != Kind::Default) {
        print(stderr, unknownDevice("--midi-in",
                                    settings_.midiIn.line.empty() ? "port" : settings_.midiIn.line,
                                    "port or none", devices_.inputs()));
        exitCode_ = kExitUsage;
        return false;
    }
    const peer::ChosenDevice out = peer::chooseOutput(devices_, settings_.midiOut);
    if (out.status == Status::Unknown) {
        print(stderr,
              unknownDevice("--midi-out",
                            settings_.midiOut.line.empty() ? "port" : settings_.midiOut.line,
                            "synth, port or none", devices_.outputs()));
        exitCode_ = kExitUsage;
        return false;
    }

    if (settings_.targets.empty()) {
        reporter_.reportText("No target given (--to HOST:PORT): nothing is sent.");
    }
    if (in.status == Status::Open) {
        peer_->openInput(in.entry);
        if (!peer_->inputOpen()) {
            reporter_.reportText("MIDI IN could not be opened: " + in.entry.name);
        }
    }
    if (out.status == Status::Open) {
        peer_->openOutput(out.entry);
        if (out.entry.kind != midi::MidiDeviceEntry::Kind::Synthesizer && !peer_->outputOpen()) {
            reporter_.reportText("MIDI OUT could not be opened: " + out.entry.name);
        }
    }

    auto* stdinLines = new LineReader(STDIN_FILENO, this);
    connect(stdinLines, &LineReader::lineRead, this, &Headless::sendLine);
    return true;
}

void Headless::panic()
{
    if (peer_) {
        peer_->panic();
    }
}

void Headless::finish(int code)
{
    exitCode_ = code;
    QCoreApplication::exit(code);
}

void Headless::printLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text.append(line).append("\n");
    }
    print(stdout, text);
}

void Headless::sendLine(const std::string& line)
{
    // Cut as the window's message field cuts, by the datagram itself.
    peer_->sendText(line);
}

std::string deviceListing(midi::MidiDevices& devices)
{
    std::string text;
    appendLines(text, "MIDI-IN:", devices.inputs());
    appendLines(text, "MIDI-OUT:", devices.outputs());
    return text;
}

int runWithoutWindow(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Mirevo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIREVO_VERSION));

    const CommandLine line = parseCommandLine(QCoreApplication::arguments());
    switch (line.action) {
        case CommandLine::Action::ShowHelp:
        case CommandLine::Action::ShowVersion:
            print(stdout, line.output);
            return Headless::kExitOk;
        case CommandLine::Action::UsageError:
            print(stderr, line.output);
            return Headless::kExitUsage;
        case CommandLine::Action::ListDevices: {
            midi::MidiDevices devices;
            print(stdout, deviceListing(devices));
            return Headless::kExitOk;
        }
        case CommandLine::Action::RunWindow:
        case CommandLine::Action::RunHeadless:
            break;
    }

    // SIGINT and SIGTERM end the run as the window's Exit does: the input's
    // queued messages go out, the devices close in order. SIGUSR1 is the
    // panic: all notes off.
    SignalNotifier signals({SIGINT, SIGTERM, SIGUSR1});
    midi::MidiDevices devices;
    Headless headless(line.settings, devices);
    QObject::connect(&signals, &SignalNotifier::received, &headless, [&headless](int number) {
        if (number == SIGUSR1) {
            headless.panic();
        } else {
            headless.finish(Headless::kExitOk);
        }
    });
    if (!headless.start()) {
        return headless.exitCode();
    }
    const int code = QCoreApplication::exec();
    return code;
}

}  // namespace cli
