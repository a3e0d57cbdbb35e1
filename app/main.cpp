#include <QApplication>
#include <QIcon>

#include "cli/CommandLine.h"
#include "cli/Headless.h"
#include "gui/ApplicationIcon.h"
#include "gui/MainWindow.h"
#include "gui/QtMessageBoxes.h"
#include "midi/MidiDevices.h"

int main(int argc, char* argv[])
{
    // Without a window (--headless, --help, --version, --list-devices) no
    // display is opened: the choice is made before any application object.
    if (cli::wantsNoWindow(argc, argv)) {
        return cli::runWithoutWindow(argc, argv);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirevo"));
    QApplication::setApplicationVersion(QStringLiteral(MIREVO_VERSION));
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QLatin1String(gui::kDesktopId));
    QApplication::setWindowIcon(gui::applicationIcon());

    gui::QtMessageBoxes boxes;
    midi::MidiDevices devices;
    gui::MainWindow window(boxes, devices);
    // Exit, and closing the window, end the window and with it the program.
    QObject::connect(&window, &QDialog::finished, &app, [] { QCoreApplication::exit(0); });
    window.show();
    return QApplication::exec();
}
