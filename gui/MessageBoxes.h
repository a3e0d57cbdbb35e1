#pragma once

class QString;
class QWidget;

namespace gui {

// The one way the program shows a message box. The window code calls it;
// tests put a recorder in its place.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A modal error box: caption "ERROR", the error icon, one OK button.
    // Returns once the user has dismissed it.
    virtual void showError(QWidget* owner, const QString& text) = 0;
};

}  // namespace gui
