#include "gui/PerformanceMenu.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>

#include "midi/ShortMessage.h"

namespace gui {

using namespace midi;
namespace {

constexpr unsigned kProgramGroups = 8;
constexpr unsigned kProgramsPerGroup = 16;
constexpr unsigned kOctaves = 10;

QAction* addCommand(QMenu* menu, const QString& caption, int command, const QString& objectName)
{
    QAction* action = menu->addAction(caption);
    action->setData(command);
    action->setObjectName(objectName);
    return action;
}

QMenu* addSubmenu(QMenu* parent, const QString& caption, const QString& objectName)
{
    // The parent menu owns the submenu and deletes it with itself.
    auto* submenu = new QMenu(caption, parent);
    submenu->setObjectName(objectName);
    parent->addMenu(submenu)->setObjectName(objectName + QStringLiteral("Action"));
    return submenu;
}

void buildMenu(QMenu* menu, int currentOctave)
{
    addCommand(menu, QStringLiteral("Cancel"), kMenuCancel, QStringLiteral("cancelAction"));
    menu->addSeparator();

    QMenu* programs = addSubmenu(menu, QStringLiteral("ProgramChange"),
                                 QString::fromLatin1(kProgramChangeMenuName));
    for (unsigned group = 0; group < kProgramGroups; ++group) {
        const unsigned first = group * kProgramsPerGroup + 1;
        const unsigned last = first + kProgramsPerGroup - 1;
        QMenu* groupMenu = addSubmenu(programs, QStringLiteral("%1 - %2").arg(first).arg(last),
                                      QStringLiteral("programGroupMenu%1").arg(group + 1));
        for (unsigned program = first; program <= last; ++program) {
            addCommand(groupMenu, QStringLiteral("%1: 名前未実装(´･ω･`)").arg(program),
                       static_cast<int>(program) + kMenuProgramCommands - 1,
                       QStringLiteral("programAction%1").arg(program));
        }
    }

    QMenu* octaves =
        addSubmenu(menu, QStringLiteral("Octave"), QString::fromLatin1(kOctaveMenuName));
    for (unsigned octave = 0; octave < kOctaves; ++octave) {
        QAction* action = addCommand(octaves, QString::number(octave),
                                     static_cast<int>(octave) + kMenuOctaveCommands,
                                     QStringLiteral("octaveAction%1").arg(octave));
        action->setCheckable(true);
        action->setChecked(static_cast<int>(octave) == currentOctave);
    }

    // Stops whatever anybody left sounding.
    menu->addSeparator();
    addCommand(menu, QStringLiteral("All notes off"), kMenuAllNotesOff,
               QStringLiteral("allNotesOffAction"));
}

}  // namespace

void showPerformanceMenu(QWidget* owner, NoteKeyboard& keyboard, const NoteKeyboard::Send& send,
                         const std::function<void()>& panic)
{
    const QPoint position = QCursor::pos();

    // The menu lives on the heap under its owner: should the owner go away
    // while the menu is open, the pointer learns of it and nothing is
    // deleted twice.
    QPointer<QMenu> menu = new QMenu(owner);
    menu->setObjectName(QString::fromLatin1(kPerformanceMenuName));
    buildMenu(menu, keyboard.octave());
    QPointer<NoteKeyboard> keyboardGuard = &keyboard;

    // The command comes from the picked entry alone; the entries are
    // connected to nothing, so "Cancel" (1) never reaches the window as its
    // Exit command.
    int command = 0;
    if (const QAction* picked = menu->exec(position); picked != nullptr && menu != nullptr) {
        command = picked->data().toInt();
    }
    delete menu;

    if (command >= kMenuProgramCommands && command <= kMenuProgramCommandsEnd) {
        const int program = command - kMenuProgramCommands;
        // Only 0 to 127 fit a MIDI data byte; the menu offers no others.
        if (program <= kMaxDataByte && send) {
            send(programChange(static_cast<std::uint8_t>(program)));
        }
    } else if (command >= kMenuOctaveCommands && command <= kMenuOctaveCommandsEnd &&
               keyboardGuard) {
        keyboardGuard->setOctave(command - kMenuOctaveCommands);
    } else if (command == kMenuAllNotesOff && panic) {
        panic();
    }
}

}  // namespace gui
