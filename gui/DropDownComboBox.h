#pragma once

#include <QComboBox>

namespace gui {

// An editable drop-down combo box whose field holds exactly what the user
// typed or pasted, or what the program or a pick from the opened list put
// there: no completion, and neither the wheel nor the arrow keys step
// through the list while it is closed (Down, Alt+Down and F4 open it).
//
// A pick from the opened list (a click, or Enter) with Shift held is not a
// choice: the field keeps its text (also when the owner removes the item in
// answer), and shiftPicked() asks the owner what to do with the item.
class DropDownComboBox final : public QComboBox {
    Q_OBJECT

public:
    explicit DropDownComboBox(QWidget* parent = nullptr);

Q_SIGNALS:
    void shiftPicked(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace gui
