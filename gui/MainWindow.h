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
#include "net/ReceiverWorker.h"
#include "peer/Peer.h"

class QCheckBox;
class QLineEdit;
class QListView;
class QPushButton;

namespace midi {
class MidiDevices;
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
    [[nodiscard]] NoteKeyboard& keyboard() const noexcept { return *keyboard_; }

    // The port field's value read as an unsigned number: 0 when empty or
    // too large to read.
    [[nodiscard]] std::uint32_t portValue() const;

    // Adds lines at the end of the log and shows the newest.
    void appendLogLines(const std::vector<std::string>& lines);

    // Whether a receiver worker has been started and not yet stopped (it may
    // have ended by itself after a failure).
    [[nodiscard]] bool listening() const noexcept { return peer_.listening(); }
    [[nodiscard]] const net::ReceiverWorker* receiver() const noexcept { return peer_.receiver(); }

    [[nodiscard]] bool midiInputOpen() const noexcept { return peer_.inputOpen(); }
    [[nodiscard]] bool midiOutputOpen() const { return peer_.outputOpen(); }
    // Returns once what was asked for has been sent and its failures shown.
    void waitForSends() { peer_.waitForSends(); }

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
    void toggleMidiInput();
    void toggleMidiOutput();
    // Runs a command that opens a window of its own (a selection window, a
    // menu, the About window) from the event loop, after the click or
    // accessible action that asked for it has returned: a screen reader's
    // action call gets its answer at once.
    void later(void (MainWindow::*command)());
    void chooseMidiInput();
    void chooseMidiOutput();
    void showPerformanceMenu();
    // Shows the selection window for these devices; the one chosen, or
    // nothing when it was cancelled.
    [[nodiscard]] std::optional<midi::MidiDeviceEntry> chooseDevice(
        SelectionDialog::Mode mode, const std::vector<midi::MidiDeviceEntry>& devices);
    void setChecked(int id, bool checked);
    void deleteChosenTarget(int index);
    void connectCommands();
    [[nodiscard]] Rect controlRect(int id) const;

    DialogBuilder ui_;
    QListView* log_ = nullptr;
    LogModel* logModel_ = nullptr;
    QLineEdit* port_ = nullptr;
    QPushButton* listen_ = nullptr;
    QCheckBox* talkSound_ = nullptr;
    DropDownComboBox* target_ = nullptr;
    QCheckBox* toAll_ = nullptr;
    QLineEdit* message_ = nullptr;
    NoteKeyboard* keyboard_ = nullptr;
    TargetFields targets_;
    MessageBoxes& boxes_;
    MessageBoxReporter reporter_;
    AnchorTable anchors_;
    // Everything but the window: declared after what it reports to and
    // sends through, so it goes first.
    peer::Peer peer_;
};

}  // namespace gui
