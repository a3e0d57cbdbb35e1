#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/MidiDeviceEntry.h"
#include "midi/MidiOutputSlot.h"
#include "midi/NoteTracker.h"
#include "net/Failure.h"
#include "net/ReceiverWorker.h"
#include "net/TargetSnapshot.h"
#include "peer/OnceReporter.h"
#include "peer/ReceiverBridge.h"
#include "peer/ReportRelay.h"
#include "peer/SendThread.h"

namespace midi {
class MidiDevices;
class MidiInput;
class SynthLoader;
}  // namespace midi

namespace net {
class TargetControls;
}  // namespace net

namespace peer {

class Reporter;

// What a running Mirevo does, whatever shows it: listens on a port and
// plays what it receives on the MIDI output, sends text and MIDI to the
// targets one datagram at a time in the order asked, forwards the MIDI
// input, and decides which failure is reported when. The window and the
// headless front end are two views of it: they turn clicks, keys and stdin
// into these calls and show what it tells them.
//
// Failure policy: a failure of a send asked for by the user (text, keys,
// menu picks) is reported every time; a failure of what the MIDI input
// forwards is reported once per target and kind until forgetInputFailures()
// (a device may send several times a second); the receiver's failures are
// reported each time, and its worker waits for the report to be seen.
// Reports are shown one at a time on the front end's thread, in the order
// made (ReportRelay).
//
// Lives on the thread it was made on (the front end's); every call is for
// that thread. Datagrams leave from a thread of their own (SendThread),
// which the MIDI input wakes directly: nothing the front end does delays a
// forwarded message. The receiver workers and the MIDI systems' threads
// reach the front end's thread only through queued calls.
class Peer final : public QObject {
    Q_OBJECT

public:
    // Sends go to `targets`, failures to `reporter`; both outlive the peer
    // and are used on its thread only.
    Peer(midi::MidiDevices& devices, net::TargetControls& targets, Reporter& reporter,
         QObject* parent = nullptr);
    // Closes the input (forwarding what it had queued first), stops the
    // workers and lets the output go.
    ~Peer() override;
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    Peer(Peer&&) = delete;
    Peer& operator=(Peer&&) = delete;

    // Listening. start replaces nothing: call it while not listening.
    void startListening(std::uint16_t port);
    // Does not wait for the worker; it is joined once it has ended. The
    // notes received ones started on the output are released.
    void stopListening();
    // Whether a worker has been started and not yet stopped (it may have
    // ended by itself after a failure).
    [[nodiscard]] bool listening() const noexcept { return receiver_ != nullptr; }
    [[nodiscard]] const net::ReceiverWorker* receiver() const noexcept { return receiver_.get(); }
    // Beep once per batch of text lines: whether, and how.
    void setTalkSound(bool on) noexcept { bridge_.setTalkSound(on); }
    void setBeep(std::function<void()> beep) { bridge_.setBeep(std::move(beep)); }

    // Sending, after the sends already asked for, to the targets as they
    // are now (a typed target is remembered at once). `sent` is told on
    // this thread, after the text's failure reports, whether every delivery
    // went without a failure.
    void sendText(const std::string& text, std::function<void(bool)> sent = {});
    void sendMidi(std::uint32_t message);
    // All Sound Off, All Notes Off and sustain off on every channel, to the
    // targets and to the output: whatever anybody started stops.
    void panic();
    // The user changed where to send, or sent by hand: the input's failures
    // are reported again.
    void forgetInputFailures();
    // The targets changed: the MIDI input sends to them from now on.
    void targetsChanged();
    // Returns once everything asked for so far has been sent and its
    // failures shown (unless a report is being shown further up the stack).
    void waitForSends();

    // MIDI devices: the lines of the selection window, and what opens at
    // start.
    [[nodiscard]] std::vector<midi::MidiDeviceEntry> inputs();
    [[nodiscard]] std::vector<midi::MidiDeviceEntry> outputs();
    [[nodiscard]] midi::MidiDeviceEntry defaultInput();
    [[nodiscard]] midi::MidiDeviceEntry defaultOutput() const;

    // Opening closes what was open first. Each tells whether the device is
    // open through inputChanged / outputChanged, also when it did not open.
    void openInput(const midi::MidiDeviceEntry& device);
    // Everything that reached the input up to now is forwarded first, then
    // a release for every note it started and has not ended, and a sustain
    // off for every pedal it holds down.
    void closeInput();
    [[nodiscard]] bool inputOpen() const noexcept { return input_ != nullptr; }

    // The synthesizer loads on a thread of its own: outputChanged(true)
    // comes once it plays. Received MIDI is dropped meanwhile, as while
    // closed.
    void openOutput(const midi::MidiDeviceEntry& device);
    // Also gives up a synthesizer still loading. The notes received ones
    // started on it are released first, as when it is switched.
    void closeOutput();
    [[nodiscard]] bool outputOpen() const { return output_.isOpen(); }

Q_SIGNALS:
    // Log lines (UTF-8, safe to show), in the order received.
    void linesArrived(const std::vector<std::string>& lines);
    void talkSoundPlayed();
    void inputChanged(bool open);
    void outputChanged(bool open);
    // A receiver's failure, once it has been reported.
    void receiverFailed(net::Failure failure);

private:
    void reapStoppedWorkers();
    void showReceiverFailure(net::Failure failure, std::uint64_t ticket);
    void takeLoadedSynthesizer();
    void midiSystemLost();
    // Where what the user asks for goes; the typed target is remembered.
    [[nodiscard]] net::TargetSnapshot userTargets();
    // The sending thread's.
    void forwardMidiInput();
    void forwardInOrder(const std::vector<std::uint32_t>& messages);
    void sendInOrder(const std::vector<std::uint32_t>& messages, net::TargetSnapshot& targets,
                     net::FailureReporter& reporter);
    void rememberTargets(const std::vector<std::string>& remembered);

    midi::MidiDevices& devices_;
    net::TargetControls& targets_;
    Reporter& reporter_;
    // Every report goes through this to reporter_.
    ReportRelay relay_;
    // What MIDI input sends is reported through this (sending thread only).
    OnceReporter inputReporter_;
    // Where the MIDI input sends, copied off targets_ when they change.
    std::mutex inputTargetsMutex_;
    net::TargetSnapshot inputTargets_;  // guarded by inputTargetsMutex_
    // The open input. The sending thread drains it through forwarding_,
    // which the front end's thread clears before the input closes.
    std::unique_ptr<midi::MidiInput> input_;
    std::mutex forwardingMutex_;
    midi::MidiInput* forwarding_ = nullptr;  // guarded by forwardingMutex_
    std::uint64_t inputLossShown_ = 0;       // guarded by forwardingMutex_
    // What the input started and has not ended (sending thread only).
    midi::NoteTracker inputNotes_;
    // Where received MIDI plays; shared with the receiver workers, so
    // declared before them.
    midi::MidiOutputSlot output_;
    // The built-in synthesizer while it loads.
    std::unique_ptr<midi::SynthLoader> synthLoader_;
    // Declared before the workers: they report to it until they are joined.
    ReceiverBridge bridge_;
    // The worker last started, until stopListening(); workers told to stop
    // that may still be finishing.
    std::unique_ptr<net::ReceiverWorker> receiver_;
    std::vector<std::unique_ptr<net::ReceiverWorker>> stopping_;
    // Looks for senders whose Active Sensing fell silent while listening.
    QTimer* sensingWatch_ = nullptr;
    // Last: its jobs use the members above until it has ended.
    SendThread sends_;
};

}  // namespace peer
