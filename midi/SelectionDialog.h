#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/DialogBuilder.h"

class QListView;

namespace midi {

// The small modal window that picks a MIDI device from a list, and in its
// plain mode shows the About window. Its result is the chosen line, which
// is the device number, or -1.
class SelectionDialog : public QDialog {
    Q_OBJECT

public:
    enum class Mode : int { About = 0, Input = 1, Output = 2 };

    SelectionDialog(QWidget* owner, Mode mode, const std::vector<std::string>& deviceNames);

    // Shows the window, waits for its answer and returns it. With an owner
    // the window is modal to it; without one, no other window is blocked.
    [[nodiscard]] static int run(QWidget* owner, Mode mode,
                                 const std::vector<std::string>& deviceNames);

    // Carries out the command of the control with this identifier; false
    // when nothing happened.
    bool selectionDialogHandler(int id);

    [[nodiscard]] QWidget* item(int id) const { return ui_.item(id); }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    app::DialogBuilder ui_;
    QListView* list_ = nullptr;
};

}  // namespace midi
