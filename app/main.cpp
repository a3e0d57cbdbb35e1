#include <QApplication>
#include <QIcon>

#include "app/ApplicationIcon.h"
#include "app/MainWindow.h"
#include "app/QtMessageBoxes.h"
#include "midi/MidiDevices.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirevo"));
    QApplication::setApplicationVersion(QStringLiteral(MIREVO_VERSION));
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QLatin1String(app::kDesktopId));
    QApplication::setWindowIcon(app::applicationIcon());

    app::QtMessageBoxes boxes;
    midi::MidiDevices devices;
    app::MainWindow window(boxes, devices);
    // Exit, and closing the window, end the window and with it the program.
    QObject::connect(&window, &QDialog::finished, &app, [] { QCoreApplication::exit(0); });
    window.show();
    return QApplication::exec();
}
