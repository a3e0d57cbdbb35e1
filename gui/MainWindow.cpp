#include "gui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QSocketNotifier>
#include <QTimer>

#include "gui/AboutLogo.h"
#include "gui/ApplicationIcon.h"
#include "gui/ByteLimitValidator.h"
#include "gui/DropDownComboBox.h"
#include "gui/MessageBoxes.h"
#include "gui/NoteKeyboard.h"
#include "gui/PerformanceMenu.h"
#include "gui/SelectionDialog.h"
#include "gui/SystemKeymap.h"
#include "midi/MidiDevices.h"
#include "net/Datagram.h"
#include "net/Sender.h"
#include "net/Target.h"
#include "resources/ResourceIds.h"
#include "resources/Templates.h"

namespace gui {

using namespace res;

namespace {

constexpr std::uint16_t kDefaultPort = 12323;
// How long Start waits for a stopping worker to let go of the port.
constexpr std::chrono::milliseconds kStopGrace{500};

}  // namespace

MainWindow::MainWindow(MessageBoxes& boxes, midi::MidiDevices& devices, QWidget* parent)
    : QDialog(parent),
      ui_(this, mainWindowTemplate()),
      log_(ui_.item<QListView>(IDC_LOG)),
      port_(ui_.item<QLineEdit>(IDC_PORT)),
      listen_(ui_.item<QPushButton>(IDC_LISTEN)),
      talkSound_(ui_.item<QCheckBox>(IDC_TALK_SOUND)),
      target_(ui_.item<gui::DropDownComboBox>(IDC_TARGET)),
      toAll_(ui_.item<QCheckBox>(IDC_TO_ALL)),
      message_(ui_.item<QLineEdit>(IDC_MESSAGE)),
      targets_(target_, toAll_),
      boxes_(boxes),
      reporter_(boxes, this),
      devices_(devices)
{
    // IDI_APP, at 16 and 32 pixels and the larger sizes.
    setWindowIcon(applicationIcon());

    logModel_ = new LogModel(this);
    log_->setModel(logModel_);

    // What the fields show is what is sent: no more than a datagram holds.
    target_->setValidator(new ByteLimitValidator(net::kMaxTargetBytes, target_));
    message_->setValidator(new ByteLimitValidator(net::kMaxTextBytes, message_));

    port_->setText(QString::number(kDefaultPort));
    target_->setEditText(QStringLiteral("localhost:12323"));
    talkSound_->setChecked(true);

    // What the receiver workers read reaches the window through the
    // bridge: MIDI messages are played on the worker's own thread, straight
    // into the output slot (which copes with the device being replaced
    // meanwhile); text lines come to this thread in batches, for the log.
    bridge_.setMidiSink([this](std::uint32_t message) { output_.play(message); });
    connect(&bridge_, &peer::ReceiverBridge::linesArrived, this, &MainWindow::appendLogLines);
    bridge_.setBeep([] { QApplication::beep(); });
    bridge_.setTalkSound(true);

    // JACK's thread tells of a server that went away; the window deals with
    // it on its own thread.
    devices_.setLostHandler([this] {
        QMetaObject::invokeMethod(this, &MainWindow::midiSystemLost, Qt::QueuedConnection);
    });
    // MIDI input rings this when it has queued messages for the window.
    if (inputWakeup_) {
        auto* notifier =
            new QSocketNotifier(inputWakeup_->descriptor(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            if (inputWakeup_->take()) {
                forwardMidiInput();
            }
        });
    }
    openMidiInput(devices_.defaultInput());
    openMidiOutput(devices_.defaultOutput());

    const QSize initialSize = ui_.clientSize();
    anchors_.recordAnchors(initialSize.width(), initialSize.height(),
                           [this](int id) { return controlRect(id); });

    // The keyboard control reads the display's keymap, and again when it changes.
    auto* keymap = new gui::SystemKeymap(this);
    keyboard_ = new gui::NoteKeyboard(
        ui_.item(IDC_KEYBOARD), [this](std::uint32_t message) { sendMidi(message); },
        [keymap] { return keymap->read(); });
    connect(keymap, &gui::SystemKeymap::changed, keyboard_, &gui::NoteKeyboard::keymapChanged);

    connectCommands();
    log_->setFocus();
}

MainWindow::~MainWindow()
{
    // A key still held sounds on every peer until its velocity-0 arrives:
    // send it now, while the window is whole, without boxes (nobody is left
    // to dismiss them). Then let the control go, so that nothing reaches
    // the window while its widgets are torn down.
    reporter_.mute();
    keyboard_->releaseHeldKeys();
    delete keyboard_;
    keyboard_ = nullptr;
    // Once these return no MIDI thread calls in any more.
    devices_.setLostHandler({});
    input_.reset();
    // Ask every worker first, so that they wind down together.
    if (receiver_) {
        receiver_->requestStop();
    }
    for (const auto& worker : stopping_) {
        worker->requestStop();
    }
}

void MainWindow::connectCommands()
{
    const auto command = [this](int id) { return [this, id] { mainWindowHandler(id); }; };
    for (const int id :
         {IDOK, IDCANCEL, IDC_SEND, IDC_LISTEN, IDC_MIDI_IN, IDC_MIDI_OUT, IDC_KEYBOARD}) {
        connect(ui_.item<QPushButton>(id), &QPushButton::clicked, this, command(id));
    }
    connect(port_, &QLineEdit::textChanged, this, command(IDC_PORT));
    port_->installEventFilter(this);
    connect(target_, &gui::DropDownComboBox::shiftPicked, this, &MainWindow::deleteChosenTarget);
    // The user changing where to send shows the input's failures again.
    const auto forgetInputFailures = [this] { inputReporter_.forget(); };
    connect(target_->lineEdit(), &QLineEdit::textEdited, this, forgetInputFailures);
    connect(target_, &QComboBox::textActivated, this, forgetInputFailures);
    connect(toAll_, &QCheckBox::toggled, this, forgetInputFailures);
    connect(talkSound_, &QCheckBox::toggled, this, [this](bool on) { bridge_.setTalkSound(on); });
    connect(&bridge_, &peer::ReceiverBridge::failureRaised, this, &MainWindow::showReceiverFailure);
}

bool MainWindow::mainWindowHandler(int id)
{
    switch (id) {
        case IDOK:
            exitProgram();
            return true;
        case IDCANCEL:
            eraseLog();
            return true;
        case IDC_SEND:
            send();
            return true;
        case IDC_PORT:
            makeLocalhostTargetFollowThePort();
            return true;
        case IDC_LISTEN:
            startOrStopListening();
            return true;
        case IDC_KEYBOARD:
            gui::showPerformanceMenu(this, *keyboard_,
                                     [this](std::uint32_t message) { sendMidi(message); });
            return true;
        case IDC_MIDI_IN:
            toggleMidiInput();
            return true;
        case IDC_MIDI_OUT:
            toggleMidiOutput();
            return true;
        default:
            return false;
    }
}

void MainWindow::exitProgram()
{
    // A selection window still open ends as cancelled, and nothing is
    // opened on the way out (the window is no longer visible then).
    const std::string_view selectionName = res::selectDeviceTemplate().name;
    for (QDialog* selection : findChildren<QDialog*>(QString::fromUtf8(
             selectionName.data(), static_cast<qsizetype>(selectionName.size())))) {
        selection->reject();
    }
    // Ends the window with result 0; the program ends with it (main).
    done(0);
}

void MainWindow::eraseLog()
{
    logModel_->clear();
}

void MainWindow::appendLogLines(const std::vector<std::string>& lines)
{
    logModel_->appendLines(lines);
    // Select the newest line, so that it is shown.
    log_->setCurrentIndex(logModel_->index(logModel_->rowCount() - 1));
}

void MainWindow::send()
{
    // Sending by hand shows every failure again.
    inputReporter_.forget();
    const QByteArray text = message_->text().toLocal8Bit();
    jobs_.run([this, datagram = net::makeTextDatagram(std::string_view(
                         text.constData(), static_cast<std::size_t>(text.size())))] {
        if (net::sendToTargets(targets_, reporter_, datagram)) {
            message_->clear();
        }
    });
}

void MainWindow::sendMidi(std::uint32_t message)
{
    // Notes and program changes do not look at the result: the failures
    // have been shown.
    jobs_.run([this, message] {
        (void)net::sendToTargets(targets_, reporter_, net::makeMidiDatagram(message));
    });
}

std::uint32_t MainWindow::portValue() const
{
    const QString text = port_->text();
    bool ok = false;
    const std::uint32_t value = text.toUInt(&ok);
    return ok ? value : 0;
}

void MainWindow::makeLocalhostTargetFollowThePort()
{
    // The host is the text before the first colon; without a colon, the
    // whole text.
    const std::string typed = targets_.typedTarget();
    std::string host = typed;
    (void)net::parseTarget(typed, &host, nullptr);
    if (host == "localhost") {
        target_->setEditText(QStringLiteral("localhost:%1").arg(portValue()));
    }
}

void MainWindow::startOrStopListening()
{
    if (receiver_ == nullptr) {
        // A worker this window told to stop may still hold the port for a
        // moment: give it that moment rather than fail to bind.
        for (const auto& old : stopping_) {
            (void)old->waitFinished(kStopGrace);
        }
        reapStoppedWorkers();
        const auto port = static_cast<std::uint16_t>(portValue() & 0xFFFFu);
        receiver_ = std::make_unique<net::ReceiverWorker>(port, bridge_);
        listen_->setText(QStringLiteral("Stop"));
        port_->setEnabled(false);
    } else {
        // Stop does not wait for the worker; it is joined once it has ended.
        receiver_->requestStop();
        stopping_.push_back(std::move(receiver_));
        listen_->setText(QStringLiteral("Start"));
        port_->setEnabled(true);
        QTimer::singleShot(2 * net::ReceiverWorker::kWaitSlice, this,
                           &MainWindow::reapStoppedWorkers);
    }
}

void MainWindow::reapStoppedWorkers()
{
    std::erase_if(stopping_, [](const auto& worker) { return worker->finished(); });
}

void MainWindow::showReceiverFailure(net::Failure failure, std::uint64_t ticket)
{
    jobs_.run([this, failure, ticket] {
        reporter_.report(failure, {});
        bridge_.acknowledgeFailure(ticket);
    });
}

void MainWindow::deleteChosenTarget(int index)
{
    inputReporter_.forget();
    // Chosen from the opened list with Shift held: delete it and open the
    // list again. The field keeps its text.
    target_->removeItem(index);
    QTimer::singleShot(0, target_, &QComboBox::showPopup);
}

void MainWindow::openMidiInput(const midi::MidiDeviceEntry& device)
{
    if (input_ != nullptr) {
        closeMidiInput();
    }
    // The MIDI thread only queues and rings; the window forwards what it
    // queued.
    inputLossShown_ = 0;
    input_ = devices_.openInput(device, inputNotification());
    ui_.item<QPushButton>(IDC_MIDI_IN)->setChecked(input_ != nullptr);
}

void MainWindow::openMidiOutput(const midi::MidiDeviceEntry& device)
{
    if (device.kind == midi::MidiDeviceEntry::Kind::Synthesizer) {
        // It loads on a thread of its own, and MIDI OUT is checked once it
        // plays; MIDI received meanwhile is dropped, as while closed.
        synthLoader_ = devices_.loadSynthesizer([this](midi::SynthOutput::Problem) {
            QMetaObject::invokeMethod(this, &MainWindow::takeLoadedSynthesizer,
                                      Qt::QueuedConnection);
        });
        ui_.item<QPushButton>(IDC_MIDI_OUT)->setChecked(false);
        return;
    }
    const bool open = output_.replace(devices_.openOutput(device));
    ui_.item<QPushButton>(IDC_MIDI_OUT)->setChecked(open);
}

void MainWindow::takeLoadedSynthesizer()
{
    // A loading given up since, or still going after a newer start, has
    // nothing to give.
    if (synthLoader_ == nullptr || !synthLoader_->finished()) {
        return;
    }
    const bool open = output_.replace(synthLoader_->take());
    synthLoader_.reset();
    ui_.item<QPushButton>(IDC_MIDI_OUT)->setChecked(open);
}

void MainWindow::closeMidiInput()
{
    // Forgotten first, so that nothing reached from here (an error box's
    // event loop) finds it half closed.
    std::shared_ptr<midi::MidiInput> input = std::move(input_);
    ui_.item<QPushButton>(IDC_MIDI_IN)->setChecked(false);
    if (input == nullptr) {
        return;
    }
    // Everything played into the port up to now goes out before it closes
    // (when the job holding it is done).
    input->stop();
    jobs_.run([this, input = std::move(input)] { forwardInput(*input); });
}

void MainWindow::toggleMidiInput()
{
    if (input_ != nullptr) {
        closeMidiInput();
        return;
    }
    const std::optional<midi::MidiDeviceEntry> chosen =
        chooseDevice(gui::SelectionDialog::Mode::Input, devices_.inputs());
    if (!isVisible()) {
        return;  // Exit came while the selection window was open
    }
    if (chosen) {
        openMidiInput(*chosen);
    }
}

void MainWindow::toggleMidiOutput()
{
    if (output_.isOpen()) {
        output_.close();
        ui_.item<QPushButton>(IDC_MIDI_OUT)->setChecked(false);
        return;
    }
    // While the synthesizer loads MIDI OUT is unchecked, and a click gives
    // the loading up and chooses anew.
    synthLoader_.reset();
    const std::optional<midi::MidiDeviceEntry> chosen =
        chooseDevice(gui::SelectionDialog::Mode::Output, devices_.outputs());
    if (!isVisible()) {
        return;  // Exit came while the selection window was open
    }
    // Cancelling opens the default output, as at start.
    openMidiOutput(chosen ? *chosen : devices_.defaultOutput());
}

std::optional<midi::MidiDeviceEntry> MainWindow::chooseDevice(
    gui::SelectionDialog::Mode mode, const std::vector<midi::MidiDeviceEntry>& devices)
{
    // The device on the line chosen from the listing shown, or nothing.
    const int line = gui::SelectionDialog::run(this, mode, midi::lineNames(devices));
    if (line < 0 || static_cast<std::size_t>(line) >= devices.size()) {
        return std::nullopt;
    }
    return devices[static_cast<std::size_t>(line)];
}

std::function<void()> MainWindow::inputNotification()
{
    if (inputWakeup_) {
        return [wakeup = inputWakeup_] { wakeup->ring(); };
    }
    // No descriptor to spare: a queued call does it too, at the price of an
    // allocation and a lock on the MIDI thread.
    return [this] {
        QMetaObject::invokeMethod(this, &MainWindow::forwardMidiInput, Qt::QueuedConnection);
    };
}

void MainWindow::forwardMidiInput()
{
    jobs_.run([this] {
        // The input may have been closed since this call was queued; the
        // job keeps the one it forwards from alive.
        if (const std::shared_ptr<midi::MidiInput> input = input_) {
            forwardInput(*input);
        }
    });
}

void MainWindow::forwardInput(midi::MidiInput& input)
{
    // Take the messages first: an error box shown while sending runs the
    // event loop. What arrives meanwhile waits in the input's queue for the
    // next job.
    std::vector<std::uint32_t> messages;
    input.drain([&messages](std::uint32_t message) { messages.push_back(message); });
    for (const std::uint32_t message : messages) {
        (void)net::sendToTargets(targets_, inputReporter_, net::makeMidiDatagram(message));
    }
    // Only a window kept from its work for many seconds loses input: say how
    // much, once for every new loss.
    const std::uint64_t lost = input.overflowCount();
    if (lost > inputLossShown_ && input_.get() == &input) {
        inputLossShown_ = lost;
        boxes_.showError(this, QStringLiteral("MIDI IN overflow: %1 messages lost").arg(lost));
    }
}

void MainWindow::midiSystemLost()
{
    // The JACK server went away: what was open on it shows closed (the
    // built-in synthesizer stays), and its client is closed here, on this
    // thread. A later click opens on a new server.
    if (input_ != nullptr && input_->lost()) {
        closeMidiInput();
    }
    if (output_.closeIfLost()) {
        ui_.item<QPushButton>(IDC_MIDI_OUT)->setChecked(false);
    }
    devices_.forgetLostSystems();
}

void MainWindow::runAboutWindow()
{
    (void)gui::SelectionDialog::run(this, gui::SelectionDialog::Mode::About, {}, new AboutLogo);
}

void MainWindow::reject()
{
    // Escape erases the log.
    mainWindowHandler(IDCANCEL);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window is Exit.
    event->ignore();
    mainWindowHandler(IDOK);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("systemMenu"));
    QAction* about = menu.addAction(QStringLiteral("About..."));
    about->setObjectName(QStringLiteral("IDM_ABOUT"));
    about->setData(IDM_ABOUT);
    if (menu.exec(event->globalPos()) == about) {
        runAboutWindow();
    }
}

Rect MainWindow::controlRect(int id) const
{
    const QRect r = ui_.item(id)->geometry();
    return Rect{r.left(), r.top(), r.width(), r.height()};
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    anchors_.applyAnchors(
        event->size().width(), event->size().height(), [this](int id) { return controlRect(id); },
        [this](int id, const Rect& r) {
            ui_.item(id)->setGeometry(r.left, r.top, r.width, r.height);
        });
    update();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == port_ &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        mainWindowHandler(IDC_PORT);
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace gui
