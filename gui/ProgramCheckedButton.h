#pragma once

#include <QPushButton>

namespace gui {

// A check box drawn as a push button whose check only the program changes:
// clicking it reports the click and leaves the check as it is. Screen
// readers, voice control and switch access reach it through an accessible
// interface whose actions ("press", "toggle", "click") all click it, so
// every way of activating it runs the same command, and whose checked
// state is always the one the program set.
class ProgramCheckedButton : public QPushButton {
    Q_OBJECT

public:
    explicit ProgramCheckedButton(const QString& text, QWidget* parent = nullptr);

protected:
    void nextCheckState() override {}
};

}  // namespace gui
