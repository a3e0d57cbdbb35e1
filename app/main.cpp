#include <QApplication>
#include <QIcon>

#include "app/MainWindow.h"
#include "app/QtMessageBoxes.h"
#include "midi/MidiDevices.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirevo"));
    QApplication::setApplicationVersion(QStringLiteral(MIREVO_VERSION));

    app::QtMessageBoxes boxes;
    const midi::MidiDevices devices;
    app::MainWindow window(boxes, devices);
    // Exit, and closing the window, end the window and with it the program.
    QObject::connect(&window, &QDialog::finished, &app, [] { QCoreApplication::exit(0); });
    window.show();
    return QApplication::exec();
}
