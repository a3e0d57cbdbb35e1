#pragma once

#include <cstdint>

#include "gui/MainWindow.h"
#include "midi/MidiDevices.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace gui {
class LogModel;
}  // namespace gui

namespace bench {

// One copy hearing itself, as the MIDI loop runs it: a real window on the
// JACK server, its input on its own "MIDI In", its output on its own
// "MIDI Out", listening on a free port and sending to it. It stays open for
// as many loops as are run through it, as a user keeps the window open.
class MidiLoopWindow {
public:
    MidiLoopWindow();
    MidiLoopWindow(const MidiLoopWindow&) = delete;
    MidiLoopWindow& operator=(const MidiLoopWindow&) = delete;
    MidiLoopWindow(MidiLoopWindow&&) = delete;
    MidiLoopWindow& operator=(MidiLoopWindow&&) = delete;
    ~MidiLoopWindow() = default;

    // Both MIDI ports open and the port bound; says on standard error what
    // is missing when not.
    [[nodiscard]] bool ready() const;
    [[nodiscard]] std::uint16_t port() const;
    [[nodiscard]] gui::LogModel& log() const;
    // Says on standard error what the window's message boxes showed, if
    // anything.
    void reportMessages() const;

private:
    testing_support::RecordingMessageBoxes boxes_;
    midi::MidiDevices devices_;
    gui::MainWindow window_;
};

}  // namespace bench
