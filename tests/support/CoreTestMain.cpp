// Entry point of the tests of the core and the headless front end: one
// QCoreApplication (no display, no widgets), then GoogleTest.
#include <gmock/gmock.h>

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
