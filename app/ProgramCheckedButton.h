#pragma once

#include <QPushButton>

namespace app {

// A check box drawn as a push button whose check only the program changes:
// clicking it reports the click and leaves the check as it is.
class ProgramCheckedButton : public QPushButton {
    Q_OBJECT

public:
    explicit ProgramCheckedButton(const QString& text, QWidget* parent = nullptr);

protected:
    void nextCheckState() override {}
};

}  // namespace app
