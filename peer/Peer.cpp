#include "peer/Peer.h"

#include <QMetaObject>
#include <QTimer>

#include <string>

#include "midi/MidiDevices.h"
#include "midi/MidiInput.h"
#include "midi/SynthLoader.h"
#include "net/Datagram.h"
#include "net/Sender.h"
#include "peer/Reporter.h"

namespace peer {

namespace {

// How long a start waits for a stopping worker to let go of the port.
constexpr std::chrono::milliseconds kStopGrace{500};

}  // namespace

Peer::Peer(midi::MidiDevices& devices, net::TargetControls& targets, Reporter& reporter,
           QObject* parent)
    : QObject(parent),
      devices_(devices),
      targets_(targets),
      reporter_(reporter),
      relay_(reporter),
      inputReporter_(relay_),
      inputTargets_(net::TargetSnapshot::of(targets)),
      sends_([this] { forwardMidiInput(); })
{
    // What the receiver workers read: MIDI is played on the worker's own
    // thread, straight into the output slot (which copes with the device
    // being replaced meanwhile); text lines come to this thread in batches.
    bridge_.setMidiSink([this](const net::Ipv4Endpoint& from, std::uint32_t message) {
        output_.play(from.address, message);
    });
    connect(&bridge_, &ReceiverBridge::linesArrived, this, &Peer::linesArrived);
    connect(&bridge_, &ReceiverBridge::talkSoundPlayed, this, &Peer::talkSoundPlayed);
    connect(&bridge_, &ReceiverBridge::failureRaised, this, &Peer::showReceiverFailure);

    // A sender that sent Active Sensing and then nothing for 300 ms is gone:
    // its notes are released between 300 and 350 ms after its last message.
    sensingWatch_ = new QTimer(this);
    sensingWatch_->setInterval(std::chrono::milliseconds(50));
    connect(sensingWatch_, &QTimer::timeout, this,
            [this] { (void)output_.releaseSilentSources(); });

    // JACK's thread tells of a server that went away; it is dealt with here.
    devices_.setLostHandler(
        [this] { QMetaObject::invokeMethod(this, &Peer::midiSystemLost, Qt::QueuedConnection); });
}

Peer::~Peer()
{
    // Whoever listened may be half gone by now.
    blockSignals(true);
    // Once this returns no MIDI thread calls in any more.
    devices_.setLostHandler({});
    // What the input had queued still goes out, and what failed is told.
    closeInput();
    waitForSends();
    synthLoader_.reset();
    // Ask every worker first, so that they wind down together; their
    // destructors join them.
    if (receiver_) {
        receiver_->requestStop();
    }
    for (const auto& worker : stopping_) {
        worker->requestStop();
    }
}

void Peer::startListening(std::uint16_t port)
{
    // A worker told to stop may still hold the port for a moment: give it
    // that moment rather than fail to bind.
    for (const auto& old : stopping_) {
        (void)old->waitFinished(kStopGrace);
    }
    reapStoppedWorkers();
    receiver_ = std::make_unique<net::ReceiverWorker>(port, bridge_);
    sensingWatch_->start();
}

void Peer::stopListening()
{
    if (receiver_ == nullptr) {
        return;
    }
    receiver_->requestStop();
    stopping_.push_back(std::move(receiver_));
    sensingWatch_->stop();
    output_.releaseSounding();
    QTimer::singleShot(2 * net::ReceiverWorker::kWaitSlice, this, &Peer::reapStoppedWorkers);
}

void Peer::reapStoppedWorkers()
{
    const std::size_t before = stopping_.size();
    std::erase_if(stopping_, [](const auto& worker) { return worker->finished(); });
    // A datagram the worker was handling when told to stop may have
    // started a note after the release.
    if (stopping_.size() != before && receiver_ == nullptr) {
        output_.releaseSounding();
    }
}

void Peer::showReceiverFailure(net::Failure failure, std::uint64_t ticket)
{
    // A worker that failed ended, or dropped what was queued behind the bad
    // datagram (note offs among it, maybe): what received notes started
    // ends now.
    output_.releaseSounding();
    relay_.post([this, failure, ticket] {
        reporter_.report(failure, {});
        bridge_.acknowledgeFailure(ticket);
        Q_EMIT receiverFailed(failure);
    });
}

net::TargetSnapshot Peer::userTargets()
{
    net::rememberTypedTarget(targets_);
    targetsChanged();
    const std::lock_guard lock(inputTargetsMutex_);
    return inputTargets_;
}

void Peer::targetsChanged()
{
    net::TargetSnapshot now = net::TargetSnapshot::of(targets_);
    const std::lock_guard lock(inputTargetsMutex_);
    inputTargets_ = std::move(now);
}

void Peer::forgetInputFailures()
{
    sends_.post([this] { inputReporter_.forget(); });
}

void Peer::waitForSends()
{
    sends_.waitIdle();
    relay_.showPending();
}

void Peer::sendText(const std::string& text, std::function<void(bool)> sent)
{
    sends_.post([this, targets = userTargets(), datagram = net::makeTextDatagram(text),
                 sent = std::move(sent)]() mutable {
        // Sending by hand shows every failure again.
        inputReporter_.forget();
        const bool ok = net::sendToTargets(targets, relay_, datagram);
        if (sent) {
            relay_.post([sent = std::move(sent), ok] { sent(ok); });
        }
    });
}

void Peer::sendMidi(std::uint32_t message)
{
    // Notes and program changes do not look at the result: the failures
    // are reported.
    sends_.post([this, targets = userTargets(), message]() mutable {
        (void)net::sendToTargets(targets, relay_, net::makeMidiDatagram(message));
    });
}

void Peer::panic()
{
    const std::vector<std::uint32_t> messages = midi::NoteTracker::panic();
    output_.playAndForget(messages);
    sends_.post([this, targets = userTargets(), messages]() mutable {
        sendInOrder(messages, targets, relay_);
    });
}

void Peer::sendInOrder(const std::vector<std::uint32_t>& messages, net::TargetSnapshot& targets,
                       net::FailureReporter& reporter)
{
    for (const std::uint32_t message : messages) {
        (void)net::sendToTargets(targets, reporter, net::makeMidiDatagram(message));
    }
}

std::vector<midi::MidiDeviceEntry> Peer::inputs()
{
    return devices_.inputs();
}

std::vector<midi::MidiDeviceEntry> Peer::outputs()
{
    return devices_.outputs();
}

midi::MidiDeviceEntry Peer::defaultInput()
{
    return devices_.defaultInput();
}

midi::MidiDeviceEntry Peer::defaultOutput() const
{
    return devices_.defaultOutput();
}

void Peer::openInput(const midi::MidiDeviceEntry& device)
{
    if (input_ != nullptr) {
        closeInput();
    }
    // The MIDI thread only queues and rings the sending thread, which
    // forwards.
    input_ = devices_.openInput(device, sends_.inputRing());
    if (input_ != nullptr) {
        {
            const std::lock_guard lock(forwardingMutex_);
            forwarding_ = input_.get();
            inputLossShown_ = 0;
        }
        // It may have rung before the sending thread could see it.
        sends_.ringInput();
    }
    Q_EMIT inputChanged(input_ != nullptr);
}

void Peer::closeInput()
{
    // Forgotten first, so that nothing reached from here finds it half
    // closed.
    std::unique_ptr<midi::MidiInput> input = std::move(input_);
    if (input == nullptr) {
        return;
    }
    Q_EMIT inputChanged(false);
    // Everything played into the port up to now goes out, after what the
    // sending thread took before, then the releases of what it left
    // sounding on every peer. The input closes here, before another opens.
    input->stop();
    std::vector<std::uint32_t> rest;
    {
        const std::lock_guard lock(forwardingMutex_);
        forwarding_ = nullptr;
        input->drain([&rest](std::uint32_t message) { rest.push_back(message); });
    }
    input.reset();
    sends_.post([this, rest = std::move(rest)] {
        forwardInOrder(rest);
        forwardInOrder(inputNotes_.takeReleases());
    });
}

void Peer::openOutput(const midi::MidiDeviceEntry& device)
{
    if (device.kind == midi::MidiDeviceEntry::Kind::Synthesizer) {
        output_.close();
        synthLoader_ = devices_.loadSynthesizer([this](midi::SynthOutput::Problem) {
            QMetaObject::invokeMethod(this, &Peer::takeLoadedSynthesizer, Qt::QueuedConnection);
        });
        Q_EMIT outputChanged(false);
        return;
    }
    synthLoader_.reset();
    Q_EMIT outputChanged(output_.replace(devices_.openOutput(device)));
}

void Peer::closeOutput()
{
    synthLoader_.reset();
    output_.close();
    Q_EMIT outputChanged(false);
}

void Peer::takeLoadedSynthesizer()
{
    // A loading given up since, or still going after a newer start, has
    // nothing to give.
    if (synthLoader_ == nullptr || !synthLoader_->finished()) {
        return;
    }
    const bool open = output_.replace(synthLoader_->take());
    synthLoader_.reset();
    Q_EMIT outputChanged(open);
}

void Peer::forwardMidiInput()
{
    std::vector<std::uint32_t> messages;
    std::uint64_t lost = 0;
    {
        const std::lock_guard lock(forwardingMutex_);
        if (forwarding_ == nullptr) {
            return;
        }
        forwarding_->drain([&messages](std::uint32_t message) { messages.push_back(message); });
        // Only input kept from forwarding for many seconds is lost: say how
        // much, once for every new loss.
        if (forwarding_->overflowCount() > inputLossShown_) {
            inputLossShown_ = lost = forwarding_->overflowCount();
        }
    }
    forwardInOrder(messages);
    if (lost != 0) {
        relay_.reportText("MIDI IN overflow: " + std::to_string(lost) + " messages lost");
    }
}

void Peer::forwardInOrder(const std::vector<std::uint32_t>& messages)
{
    if (messages.empty()) {
        return;
    }
    net::TargetSnapshot targets;
    {
        const std::lock_guard lock(inputTargetsMutex_);
        targets = inputTargets_;
    }
    for (const std::uint32_t message : messages) {
        inputNotes_.observe(message);
    }
    sendInOrder(messages, targets, inputReporter_);
    if (!targets.appended().empty()) {
        QMetaObject::invokeMethod(
            this, [this, remembered = targets.appended()] { rememberTargets(remembered); },
            Qt::QueuedConnection);
    }
}

void Peer::rememberTargets(const std::vector<std::string>& remembered)
{
    for (const std::string& target : remembered) {
        net::rememberTarget(targets_, target);
    }
    targetsChanged();
}

void Peer::midiSystemLost()
{
    // The JACK server went away: what was open on it closes (the built-in
    // synthesizer stays), and its client is closed here, on this thread. A
    // later opening uses a new server.
    if (input_ != nullptr && input_->lost()) {
        closeInput();
    }
    if (output_.closeIfLost()) {
        Q_EMIT outputChanged(false);
    }
    devices_.forgetLostSystems();
}

}  // namespace peer
