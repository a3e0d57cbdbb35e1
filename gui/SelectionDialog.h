#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "gui/DialogBuilder.h"

class QListView;

namespace gui {

// The small window that picks a MIDI device from a list, and in its plain
// mode shows the About window. Its result is the chosen line, or -1 unless
// the user chose one.
//
// From the keyboard alone: the window opens active, over its owner, with
// the focus in the list and no line current or selected, so OK and Enter
// (OK is the default button) do nothing until a line is picked. Down, Up
// or Home then picks the first line and End the last, the arrow keys move
// on from there, Enter chooses, Escape cancels.
class SelectionDialog : public QDialog {
    Q_OBJECT

public:
    enum class Mode : int { About = 0, Input = 1, Output = 2 };

    // In the About mode the window shows `logo` (which it then owns) in its
    // logo box.
    SelectionDialog(QWidget* owner, Mode mode, const std::vector<std::string>& deviceNames,
                    QWidget* logo = nullptr);

    // Shows the window, waits for its answer and returns it: the chosen
    // line, or -1 when the user cancelled or the wait ended otherwise (the
    // owner went, the program is ending). The About window is modal to its
    // owner. A device window blocks no window: its owner (the main window)
    // is only its transient parent, which it is shown over, and stays
    // usable meanwhile.
    [[nodiscard]] static int run(QWidget* owner, Mode mode,
                                 const std::vector<std::string>& deviceNames,
                                 QWidget* logo = nullptr);

    // Carries out the command of the control with this identifier; false
    // when nothing happened.
    bool selectionDialogHandler(int id);

    [[nodiscard]] QWidget* item(int id) const { return ui_.item(id); }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    gui::DialogBuilder ui_;
    QListView* list_ = nullptr;
    int chosen_ = -1;
};

}  // namespace gui
