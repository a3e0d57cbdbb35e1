#include "app/ProgramCheckedButton.h"

namespace app {

ProgramCheckedButton::ProgramCheckedButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
    setCheckable(true);
}

}  // namespace app
