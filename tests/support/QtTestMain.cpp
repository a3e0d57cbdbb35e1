// Entry of the widget tests: one offscreen QApplication for the whole run, then GoogleTest.
#include <gmock/gmock.h>

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
