#include "gui/ApplicationIcon.h"

#include <QDir>

namespace gui {

QIcon applicationIcon()
{
    // Laid out as in the hicolor icon theme: icons/hicolor/<size>/apps/<id>.png.
    const QDir theme(QStringLiteral(":/icons/hicolor"));
    const QString file = QStringLiteral("/apps/%1.png").arg(QLatin1String(kDesktopId));
    QIcon icon;
    for (const QString& size : theme.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        icon.addFile(theme.filePath(size + file));
    }
    return icon;
}

}  // namespace gui
