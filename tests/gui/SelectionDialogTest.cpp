// The device selection window, driven as a user does: it lists every
// device, blocks no other window, and ends with the chosen line or -1.
#include <gmock/gmock.h>

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "gui/SelectionDialog.h"
#include "tests/support/ModalHelpers.h"

namespace {

using gui::SelectionDialog;
using enum SelectionDialog::Mode;

struct Row {
    std::string name;
    SelectionDialog::Mode mode;
    std::function<void(SelectionDialog&, QListView&)> user;
    int chosen;
};

void click(SelectionDialog& dialog, const char* button)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

class SelectionDialogTest : public testing::TestWithParam<Row> {};

TEST_P(SelectionDialogTest, EndsWithTheLineTheUserChose)
{
    const Row& row = GetParam();
    testing_support::whenModalShows([&row](QWidget* shown) {
        auto* dialog = qobject_cast<SelectionDialog*>(shown);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->findChild<QLabel*>("IDC_DEVICE_PROMPT")->text(),
                  row.mode == Input ? "Select MIDI-IN" : "Select MIDI-OUT");
        auto* list = dialog->findChild<QListView*>("IDC_DEVICE_LIST");
        ASSERT_EQ(list->model()->rowCount(), 3);
        EXPECT_EQ(list->model()->index(2, 0).data(), "Pads");
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        row.user(*dialog, *list);
    });
    EXPECT_EQ(SelectionDialog::run(nullptr, row.mode, {"Mirevo MIDI In", "USB Keyboard", "Pads"}),
              row.chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Users, SelectionDialogTest,
    testing::Values(
        Row{"enterChoosesTheFirstLine", Input,
            [](SelectionDialog&, QListView& list) { QTest::keyClick(&list, Qt::Key_Return); }, 0},
        Row{"okWithNothingSelectedStaysOpen", Output,
            [](SelectionDialog& dialog, QListView& list) {
                QTest::keyClick(&list, Qt::Key_Space, Qt::ControlModifier);  // unselects
                click(dialog, "IDOK");
                EXPECT_TRUE(dialog.isVisible());
                QTest::keyClick(&list, Qt::Key_Down);
                QTest::keyClick(&list, Qt::Key_Down);
                click(dialog, "IDOK");
            },
            2},
        Row{"doubleClickDoesNotChoose", Input,
            [](SelectionDialog& dialog, QListView& list) {
                const QRect line = list.visualRect(list.model()->index(1, 0));
                QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, line.center());
                EXPECT_TRUE(dialog.isVisible());
                QTest::keyClick(&list, Qt::Key_Return);
            },
            1},
        // Escape is pressed in the window's MIDI tests.
        Row{"cancelButtonCancels", Input,
            [](SelectionDialog& dialog, QListView&) { click(dialog, "IDCANCEL"); }, -1}),
    [](const testing::TestParamInfo<Row>& row) { return row.param.name; });

}  // namespace
