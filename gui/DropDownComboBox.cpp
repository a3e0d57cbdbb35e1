#include "gui/DropDownComboBox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

namespace gui {

DropDownComboBox::DropDownComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    // Completion would rewrite what is typed into a remembered item (and
    // without regard to case).
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    // The popup's own filters pick the item; ours, installed later, runs
    // first and takes the Shift picks away from them.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

bool DropDownComboBox::eventFilter(QObject* watched, QEvent* event)
{
    int picked = -1;
    if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && mouse->modifiers().testFlag(Qt::ShiftModifier)) {
            picked = view()->indexAt(mouse->position().toPoint()).row();
        }
    } else if (watched == view() &&
               (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers().testFlag(Qt::ShiftModifier)) {
            // The popup picks on Enter as early as the shortcut override:
            // claim the key there, and act on the key press that follows.
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            picked = view()->currentIndex().row();
        }
    }
    if (picked < 0) {
        return QComboBox::eventFilter(watched, event);
    }
    // Whatever closing the list and the owner's answer do, the field keeps
    // its text.
    const QString text = currentText();
    const int cursor = lineEdit()->cursorPosition();
    hidePopup();
    Q_EMIT shiftPicked(picked);
    if (currentText() != text) {
        setEditText(text);
        lineEdit()->setCursorPosition(cursor);
    }
    return true;
}

void DropDownComboBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
        case Qt::Key_Down:
            showPopup();
            return;
        case Qt::Key_Up:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Would replace the typed text with a list item.
            event->accept();
            return;
        default:
            QComboBox::keyPressEvent(event);
    }
}

void DropDownComboBox::wheelEvent(QWheelEvent* event)
{
    // Would replace the typed text with a list item; let the window have it.
    event->ignore();
}

}  // namespace gui
