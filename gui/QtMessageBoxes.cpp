#include "gui/QtMessageBoxes.h"

#include <QMessageBox>

namespace gui {

void QtMessageBoxes::showError(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), text, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

}  // namespace gui
