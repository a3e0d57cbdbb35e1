#include <QApplication>
#include <QIcon>

#include "app/MainWindow.h"
#include "app/QtMessageBoxes.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirevo"));
    QApplication::setApplicationVersion(QStringLiteral(MIREVO_VERSION));

    app::QtMessageBoxes boxes;
    app::MainWindow window(boxes);
    window.show();
    return QApplication::exec();
}
