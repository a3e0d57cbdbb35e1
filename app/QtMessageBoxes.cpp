#include "app/QtMessageBoxes.h"

#include <QMessageBox>

namespace app {

void QtMessageBoxes::showError(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), text, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

}  // namespace app
