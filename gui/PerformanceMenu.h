#pragma once

#include <functional>

#include "gui/NoteKeyboard.h"

class QWidget;

namespace gui {

// Commands of the performance menu, kept in each entry's QAction::data().
// Each kind of command has a range of its own, wider than the entries it
// holds: 128 programs use 100 to 227, ten octaves 300 to 309.
inline constexpr int kMenuCancel = 1;
inline constexpr int kMenuProgramCommands = 100;     // program 0, captioned 1
inline constexpr int kMenuProgramCommandsEnd = 299;  // the last of the range
inline constexpr int kMenuOctaveCommands = 300;      // octave 0
inline constexpr int kMenuOctaveCommandsEnd = 319;
inline constexpr int kMenuAllNotesOff = 400;

// Object names of the menu and its submenus.
inline constexpr const char* kPerformanceMenuName = "performanceMenu";
inline constexpr const char* kProgramChangeMenuName = "programChangeMenu";
inline constexpr const char* kOctaveMenuName = "octaveMenu";

// Shows the performance menu at the mouse pointer, owned by the given
// window, and waits for the user: a program picked is sent as a Program
// Change on channel 1, an octave picked becomes the keyboard's octave.
// "All notes off", the last entry, calls `panic`. "Cancel" or a dismissed
// menu does nothing. The menu is built afresh for each call and deleted
// before it returns.
void showPerformanceMenu(QWidget* owner, NoteKeyboard& keyboard, const NoteKeyboard::Send& send,
                         const std::function<void()>& panic = {});

}  // namespace gui
