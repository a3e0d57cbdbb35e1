#pragma once

#include <QObject>

#include <string>
#include <vector>

#include "cli/StderrReporter.h"
#include "net/TargetSnapshot.h"
#include "peer/PeerSettings.h"

namespace midi {
class MidiDevices;
}  // namespace midi

namespace peer {
class Peer;
}  // namespace peer

namespace cli {

// Mirevo without a window: the same core the window drives, given its
// settings by the command line. Listens at once; sends every line read on
// stdin to all the targets as a text message; prints every text line
// received on stdout, as the window's log shows it; forwards the MIDI input
// and plays received MIDI on the MIDI output. Failures go to stderr.
class Headless final : public QObject {
    Q_OBJECT

public:
    // Exit codes.
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailed = 1;  // the port could not be listened on
    static constexpr int kExitUsage = 2;   // a device that is not listed

    Headless(const peer::PeerSettings& settings, midi::MidiDevices& devices,
             QObject* parent = nullptr);
    ~Headless() override;
    Headless(const Headless&) = delete;
    Headless& operator=(const Headless&) = delete;

    // Opens the devices and starts listening; false (with the exit code in
    // exitCode()) when a device named on the command line is not listed.
    [[nodiscard]] bool start();
    [[nodiscard]] int exitCode() const noexcept { return exitCode_; }

    // All notes off, to the targets and the output (SIGUSR1).
    void panic();
    // Ends the event loop with this code.
    void finish(int code);

private:
    void printLines(const std::vector<std::string>& lines);
    void sendLine(const std::string& line);

    peer::PeerSettings settings_;
    midi::MidiDevices& devices_;
    StderrReporter reporter_;
    net::TargetSnapshot targets_;
    std::unique_ptr<peer::Peer> peer_;
    int exitCode_ = kExitOk;
};

// The lines --list-devices prints: the inputs, then the outputs, under a
// heading each, every line as the selection window shows it.
[[nodiscard]] std::string deviceListing(midi::MidiDevices& devices);

// The program without a window: help, version, the device listing, or a
// headless run until SIGINT or SIGTERM. No display is touched.
[[nodiscard]] int runWithoutWindow(int argc, char* argv[]);

}  // namespace cli
