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
#include <QTimer>

#include <optional>

#include "gui/AboutLogo.h"
#include "gui/ApplicationIcon.h"
#include "gui/ByteLimitValidator.h"
#include "gui/DropDownComboBox.h"
#include "gui/MessageBoxes.h"
#include "gui/NoteKeyboard.h"
#include "gui/PerformanceMenu.h"
#include "gui/SystemKeymap.h"
#include "midi/MidiDevices.h"
#include "net/Datagram.h"
#include "net/Target.h"
#include "peer/LineBudget.h"
#include "peer/PeerSettings.h"
#include "resources/ResourceIds.h"
#include "resources/Templates.h"

namespace gui {

using namespace res;

MainWindow::MainWindow(MessageBoxes& boxes, midi::MidiDevices& devices, QWidget* parent)
    : QDialog(parent),
      ui_(this, mainWindowTemplate()),
      log_(ui_.item<QListView>(IDC_LOG)),
      port_(ui_.item<QLineEdit>(IDC_PORT)),
      listen_(ui_.item<QPushButton>(IDC_LISTEN)),
      talkSound_(ui_.item<QCheckBox>(IDC_TALK_SOUND)),
      target_(ui_.item<DropDownComboBox>(IDC_TARGET)),
      toAll_(ui_.item<QCheckBox>(IDC_TO_ALL)),
      message_(ui_.item<QLineEdit>(IDC_MESSAGE)),
      targets_(target_, toAll_),
      boxes_(boxes),
      reporter_(boxes, this),
      peer_(devices, targets_, reporter_)
{
    // IDI_APP, at 16 and 32 pixels and the larger sizes.
    setWindowIcon(applicationIcon());

    logModel_ = new LogModel(peer::kLineBudgetBytes, this);
    log_->setModel(logModel_);

    // What the fields show is what is sent: no more than a datagram holds.
    target_->setValidator(new ByteLimitValidator(net::kMaxTargetBytes, target_));
    message_->setValidator(new ByteLimitValidator(net::kMaxTextBytes, message_));

    const peer::PeerSettings settings;
    port_->setText(QString::number(settings.port));
    target_->setEditText(QStringLiteral("localhost:%1").arg(settings.port));
    talkSound_->setChecked(true);
    peer_.targetsChanged();

    // The core tells what it opened and what arrived; the window shows it.
    connect(&peer_, &peer::Peer::linesArrived, this, &MainWindow::appendLogLines);
    connect(&peer_, &peer::Peer::inputChanged, this,
            [this](bool open) { setChecked(IDC_MIDI_IN, open); });
    connect(&peer_, &peer::Peer::outputChanged, this,
            [this](bool open) { setChecked(IDC_MIDI_OUT, open); });
    peer_.setBeep([] { QApplication::beep(); });
    peer_.setTalkSound(true);
    peer_.openInput(peer_.defaultInput());
    peer_.openOutput(peer_.defaultOutput());

    const QSize initialSize = ui_.clientSize();
    anchors_.recordAnchors(initialSize.width(), initialSize.height(),
                           [this](int id) { return controlRect(id); });

    // The keyboard control reads the display's keymap, and again when it changes.
    auto* keymap = new SystemKeymap(this);
    keyboard_ = new NoteKeyboard(
        ui_.item(IDC_KEYBOARD), [this](std::uint32_t message) { peer_.sendMidi(message); },
        [keymap] { return keymap->read(); });
    connect(keymap, &SystemKeymap::changed, keyboard_, &NoteKeyboard::keymapChanged);

    connectCommands();
    log_->setFocus();
}

MainWindow::~MainWindow()
{
    // A key still held sounds on every peer until its velocity-0 arrives:
    // send it now, while the window is whole, without boxes (nobody is left
    // to dismiss them). Then let the control go, so that nothing reaches
    // the window while its widgets are torn down. The core goes next: it
    // forwards what the input had queued and stops listening.
    reporter_.mute();
    peer_.disconnect(this);
    keyboard_->releaseHeldKeys();
    delete keyboard_;
    keyboard_ = nullptr;
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
    connect(target_, &DropDownComboBox::shiftPicked, this, &MainWindow::deleteChosenTarget);
    // The user changing where to send shows the input's failures again.
    const auto forgetInputFailures = [this] { peer_.forgetInputFailures(); };
    connect(target_->lineEdit(), &QLineEdit::textEdited, this, forgetInputFailures);
    connect(target_, &QComboBox::textActivated, this, forgetInputFailures);
    connect(toAll_, &QCheckBox::toggled, this, forgetInputFailures);
    // The MIDI input sends to what the fields say now.
    const auto targetsChanged = [this] { peer_.targetsChanged(); };
    connect(target_, &QComboBox::editTextChanged, this, targetsChanged);
    connect(toAll_, &QCheckBox::toggled, this, targetsChanged);
    for (const auto signal :
         {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(target_->model(), signal, this, targetsChanged);
    }
    connect(target_->model(), &QAbstractItemModel::dataChanged, this, targetsChanged);
    connect(target_->model(), &QAbstractItemModel::modelReset, this, targetsChanged);
    connect(talkSound_, &QCheckBox::toggled, this, [this](bool on) { peer_.setTalkSound(on); });
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
            later(&MainWindow::showPerformanceMenu);
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

void MainWindow::later(void (MainWindow::*command)())
{
    QMetaObject::invokeMethod(this, command, Qt::QueuedConnection);
}

void MainWindow::exitProgram()
{
    // A selection window still open ends as cancelled, and nothing is
    // opened on the way out (the window is no longer visible then).
    const std::string_view selectionName = selectDeviceTemplate().name;
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
    // Lines the core dropped before they reached the window come first, as
    // a note of how many.
    const std::optional<std::uint64_t> dropped =
        lines.empty() ? std::nullopt : peer::droppedLinesCount(lines.front());
    if (dropped) {
        logModel_->appendLines(std::span(lines).subspan(1), *dropped);
    } else {
        logModel_->appendLines(lines);
    }
    // Select the newest line, so that it is shown.
    log_->setCurrentIndex(logModel_->index(logModel_->rowCount() - 1));
}

void MainWindow::send()
{
    const QString shown = message_->text();
    const QByteArray text = shown.toLocal8Bit();
    // Cleared once sent, unless the user has typed on meanwhile.
    peer_.sendText(std::string(text.constData(), static_cast<std::size_t>(text.size())),
                   [this, shown](bool sent) {
                       if (sent && message_->text() == shown) {
                           message_->clear();
                       }
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
    if (!peer_.listening()) {
        peer_.startListening(static_cast<std::uint16_t>(portValue() & 0xFFFFu));
        listen_->setText(QStringLiteral("Stop"));
        port_->setEnabled(false);
    } else {
        // Stop does not wait for the worker.
        peer_.stopListening();
        listen_->setText(QStringLiteral("Start"));
        port_->setEnabled(true);
    }
}

void MainWindow::deleteChosenTarget(int index)
{
    peer_.forgetInputFailures();
    // Chosen from the opened list with Shift held: delete it and open the
    // list again. The field keeps its text.
    target_->removeItem(index);
    QTimer::singleShot(0, target_, &QComboBox::showPopup);
}

void MainWindow::setChecked(int id, bool checked)
{
    ui_.item<QPushButton>(id)->setChecked(checked);
}

void MainWindow::toggleMidiInput()
{
    if (peer_.inputOpen()) {
        peer_.closeInput();
        return;
    }
    later(&MainWindow::chooseMidiInput);
}

void MainWindow::chooseMidiInput()
{
    // Opened meanwhile (a second click came first): nothing to choose.
    if (peer_.inputOpen()) {
        return;
    }
    const std::optional<midi::MidiDeviceEntry> chosen =
        chooseDevice(SelectionDialog::Mode::Input, peer_.inputs());
    if (!isVisible()) {
        return;  // Exit came while the selection window was open
    }
    if (chosen) {
        peer_.openInput(*chosen);
    }
}

void MainWindow::toggleMidiOutput()
{
    // A click closes the output; while the synthesizer loads MIDI OUT is
    // unchecked, and a click gives the loading up and chooses anew.
    const bool wasOpen = peer_.outputOpen();
    peer_.closeOutput();
    if (!wasOpen) {
        later(&MainWindow::chooseMidiOutput);
    }
}

void MainWindow::chooseMidiOutput()
{
    if (peer_.outputOpen()) {
        return;
    }
    const std::optional<midi::MidiDeviceEntry> chosen =
        chooseDevice(SelectionDialog::Mode::Output, peer_.outputs());
    if (!isVisible()) {
        return;  // Exit came while the selection window was open
    }
    // Cancelling opens the default output, as at start.
    peer_.openOutput(chosen ? *chosen : peer_.defaultOutput());
}

std::optional<midi::MidiDeviceEntry> MainWindow::chooseDevice(
    SelectionDialog::Mode mode, const std::vector<midi::MidiDeviceEntry>& devices)
{
    // The device on the line chosen from the listing shown, or nothing.
    const int line = SelectionDialog::run(this, mode, midi::lineNames(devices));
    if (line < 0 || static_cast<std::size_t>(line) >= devices.size()) {
        return std::nullopt;
    }
    return devices[static_cast<std::size_t>(line)];
}

void MainWindow::showPerformanceMenu()
{
    gui::showPerformanceMenu(
        this, *keyboard_, [this](std::uint32_t message) { peer_.sendMidi(message); },
        [this] { peer_.panic(); });
}

void MainWindow::runAboutWindow()
{
    (void)SelectionDialog::run(this, SelectionDialog::Mode::About, {}, new AboutLogo);
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
        later(&MainWindow::runAboutWindow);
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
