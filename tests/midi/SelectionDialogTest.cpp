// The device selection window's rules.
#include <gmock/gmock.h>

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "midi/SelectionDialog.h"
#include "resources/ResourceIds.h"
#include "tests/support/ModalHelpers.h"

namespace {

using midi::SelectionDialog;
using namespace res;

const std::vector<std::string> kDevices{"Mirevo MIDI In", "USB Keyboard", "Pads"};

// Runs the window, lets `act` drive it once it is shown, and returns its
// result.
int runWith(SelectionDialog::Mode mode, std::function<void(SelectionDialog*)> act)
{
    testing_support::whenModalShows([act = std::move(act)](QWidget* shown) {
        auto* dialog = qobject_cast<SelectionDialog*>(shown);
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
    return SelectionDialog::run(nullptr, mode, kDevices);
}

QListView* list(SelectionDialog* d)
{
    return qobject_cast<QListView*>(d->item(IDC_DEVICE_LIST));
}

void select(SelectionDialog* d, int row)
{
    list(d)->setCurrentIndex(list(d)->model()->index(row, 0));
}

TEST(SelectionDialogTest, ListsEveryDeviceAndBlocksNoOtherWindow)
{
    const int result = runWith(SelectionDialog::Mode::Input, [](SelectionDialog* d) {
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(qobject_cast<QLabel*>(d->item(IDC_DEVICE_PROMPT))->text(), "Select MIDI-IN");
        ASSERT_EQ(list(d)->model()->rowCount(), 3);
        EXPECT_EQ(list(d)->model()->index(1, 0).data().toString(), "USB Keyboard");
        d->selectionDialogHandler(IDCANCEL);
    });
    EXPECT_EQ(result, -1);
}

TEST(SelectionDialogTest, OkChoosesTheSelectedLineOnly)
{
    const int result = runWith(SelectionDialog::Mode::Output, [](SelectionDialog* d) {
        EXPECT_EQ(qobject_cast<QLabel*>(d->item(IDC_DEVICE_PROMPT))->text(), "Select MIDI-OUT");
        auto* ok = qobject_cast<QPushButton*>(d->item(IDOK));
        // The first line comes selected; Ctrl+Space unselects it, and OK
        // with nothing selected leaves the window up.
        QTest::keyClick(list(d), Qt::Key_Space, Qt::ControlModifier);
        ok->click();
        EXPECT_TRUE(d->isVisible());
        select(d, 2);
        ok->click();
    });
    EXPECT_EQ(result, 2);
}

TEST(SelectionDialogTest, EnterChoosesAndDoubleClickDoesNot)
{
    const int result = runWith(SelectionDialog::Mode::Input, [](SelectionDialog* d) {
        EXPECT_EQ(qobject_cast<QLabel*>(d->item(IDC_DEVICE_PROMPT))->text(), "Select MIDI-IN");
        select(d, 1);
        QListView* view = list(d);
        const QRect cell = view->visualRect(view->model()->index(1, 0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_TRUE(d->isVisible());
        QTest::keyClick(d, Qt::Key_Return);
    });
    EXPECT_EQ(result, 1);
}

TEST(SelectionDialogTest, EscapeAndClosingCancel)
{
    EXPECT_EQ(runWith(SelectionDialog::Mode::Input,
                      [](SelectionDialog* d) {
                          select(d, 0);
                          QTest::keyClick(d, Qt::Key_Escape);
                      }),
              -1);
    EXPECT_EQ(runWith(SelectionDialog::Mode::Input, [](SelectionDialog* d) { d->close(); }), -1);
}

}  // namespace
