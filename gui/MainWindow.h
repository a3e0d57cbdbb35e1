#pragma once

#include <QDialog>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gui/AnchorTable.h"
#include "gui/DialogBuilder.h"
#include "gui/LogModel.h"
#include "gui/MessageBoxReporter.h"
#include "gui/SelectionDialog.h"
#include "gui/TargetFields.h"
#include "midi/MidiDeviceEntry.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutputSlot.h"
#include "midi/Wakeup.h"
#include "net/ReceiverWorker.h"
#include "peer/JobSerializer.h"
#include "peer/OnceReporter.h"
#include "peer/ReceiverBridge.h"

class QCheckBox;
class QLineEdit;
class QListView;
class QPushButton;

namespace midi {
class MidiDevices;
class SynthLoader;
}  // namespace midi

namespace gui {

class DropDownComboBox;
class NoteKeyboard;

class MessageBoxes;

// The main window: the log, the port and listening controls, the MIDI
// toggles, the target and the message. Every control reports to
// mainWindowHandler with its identifier, which carries out the command.
class MainWindow : public QDialog {
    Q_OBJECT

public:
    // The devices are the MIDI system the window opens its devices in.
    MainWindow(MessageBoxes& boxes, midi::MidiDevices& devices, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Carries out the command of the control with this identifier; false
    // for identifiers that have no command.
    bool mainWindowHandler(int id);

    [[nodiscard]] QWidget* item(int id) const { return ui_.item(id); }
    [[nodiscard]] gui::NoteKeyboard& keyboard() const noexcept { return *keyboard_; }

    // The port field's value read as an unsigned number: 0 when empty or
    // too large to read.
    [[nodiscard]] std::uint32_t portValue() const;

    // Adds lines at the end of the log and shows the newest.
    void appendLogLines(const std::vector<std::string>& lines);

    // Whether a receiver worker has been started and not yet stopped (it may
    // have ended by itself after a failure).
    [[nodiscard]] bool listening() const noexcept { return receiver_ != nullptr; }
    [[nodiscard]] const net::ReceiverWorker* receiver() const noexcept { return receiver_.get(); }

    [[nodiscard]] bool midiInputOpen() const noexcept { return input_ != nullptr; }
    [[nodiscard]] bool midiOutputOpen() const { return output_.isOpen(); }

    // Shows the About window modally.
    void runAboutWindow();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void exitProgram();
    void eraseLog();
    void send();
    void makeLocalhostTargetFollowThePort();
    void startOrStopListening();
    void reapStoppedWorkers();
    void openMidiInput(const midi::MidiDeviceEntry& device);
    void openMidiOutput(const midi::MidiDeviceEntry& device);
    void closeMidiInput();
    void toggleMidiInput();
    void toggleMidiOutput();
    // Shows the selection window for these devices; the one chosen, or
    // nothing when it was cancelled.
    [[nodiscard]] std::optional<midi::MidiDeviceEntry> chooseDevice(
        gui::SelectionDialog::Mode mode, const std::vector<midi::MidiDeviceEntry>& devices);
    void takeLoadedSynthesizer();
    // What the MIDI thread calls when it has queued input for the window.
    [[nodiscard]] std::function<void()> inputNotification();
    void forwardMidiInput();
    void forwardInput(midi::MidiInput& input);
    void midiSystemLost();
    void showReceiverFailure(net::Failure failure, std::uint64_t ticket);
    void deleteChosenTarget(int index);
    void connectCommands();
    // Sends one MIDI short message to the targets as a MIDI datagram, after
    // the sends already under way.
    void sendMidi(std::uint32_t message);
    [[nodiscard]] Rect controlRect(int id) const;

    gui::DialogBuilder ui_;
    QListView* log_ = nullptr;
    LogModel* logModel_ = nullptr;
    QLineEdit* port_ = nullptr;
    QPushButton* listen_ = nullptr;
    QCheckBox* talkSound_ = nullptr;
    gui::DropDownComboBox* target_ = nullptr;
    QCheckBox* toAll_ = nullptr;
    QLineEdit* message_ = nullptr;
    gui::NoteKeyboard* keyboard_ = nullptr;
    TargetFields targets_;
    MessageBoxes& boxes_;
    MessageBoxReporter reporter_;
    // What MIDI input sends is reported through this: once per failure and
    // target, until the user changes the target, the list or sends by hand.
    peer::OnceReporter inputReporter_{reporter_};
    peer::JobSerializer jobs_;
    AnchorTable anchors_;
    midi::MidiDevices& devices_;
    // Shared with the job forwarding it, which may outlive its closing.
    std::shared_ptr<midi::MidiInput> input_;
    // Rung by the MIDI thread (none when no descriptor was left).
    std::shared_ptr<midi::Wakeup> inputWakeup_ = midi::Wakeup::make();
    // Input messages lost so far that the user has been told of.
    std::uint64_t inputLossShown_ = 0;
    // Where received MIDI plays; shared with the receiver workers, so
    // declared before them.
    midi::MidiOutputSlot output_;
    // The built-in synthesizer while it loads, with MIDI OUT unchecked.
    std::unique_ptr<midi::SynthLoader> synthLoader_;
    // Declared before the workers: they report to it until they are joined.
    peer::ReceiverBridge bridge_;
    // The worker last started, until Stop; workers told to stop that may
    // still be finishing.
    std::unique_ptr<net::ReceiverWorker> receiver_;
    std::vector<std::unique_ptr<net::ReceiverWorker>> stopping_;
};

}  // namespace gui
