// The device selection window, driven as a user does: it lists every
// device, blocks no other window, and ends with the chosen line or -1.
#include <gmock/gmock.h>

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "gui/SelectionDialog.h"
#include "tests/support/ModalHelpers.h"

namespace {

using gui::SelectionDialog;
using enum SelectionDialog::Mode;

const std::vector<std::string> kDevices{"Mirevo MIDI In", "USB Keyboard", "Pads"};

struct Row {
    std::string name;
    std::function<void(SelectionDialog&, QListView&)> user;
    int chosen;

    friend void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
};

void click(SelectionDialog& dialog, const char* button)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

void press(QListView& list, std::initializer_list<Qt::Key> keys)
{
    for (const Qt::Key key : keys) {
        QTest::keyClick(&list, key);
    }
}

bool nothingPicked(const QListView& list)
{
    return !list.currentIndex().isValid() && !list.selectionModel()->hasSelection();
}

// Each row runs in the input and the output window.
class SelectionDialogTest : public testing::TestWithParam<std::tuple<Row, SelectionDialog::Mode>> {
};

// The window opens with the focus in the list and no line picked; OK and
// Enter then do nothing, and the user's keys or clicks pick the line.
TEST_P(SelectionDialogTest, EndsWithTheLineTheUserChose)
{
    const auto& [row, mode] = GetParam();
    testing_support::whenModalShows([&row, mode](QWidget* shown) {
        auto* dialog = qobject_cast<SelectionDialog*>(shown);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->findChild<QLabel*>("IDC_DEVICE_PROMPT")->text(),
                  mode == Input ? "Select MIDI-IN" : "Select MIDI-OUT");
        auto* list = dialog->findChild<QListView*>("IDC_DEVICE_LIST");
        ASSERT_EQ(list->model()->rowCount(), 3);
        EXPECT_EQ(list->model()->index(2, 0).data(), "Pads");
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        EXPECT_EQ(QApplication::focusWidget(), list);
        EXPECT_TRUE(nothingPicked(*list));
        click(*dialog, "IDOK");
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(nothingPicked(*list));
        row.user(*dialog, *list);
    });
    EXPECT_EQ(SelectionDialog::run(nullptr, mode, kDevices), row.chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Users, SelectionDialogTest,
    testing::Combine(
        testing::Values(
            Row{"downEnter",
                [](SelectionDialog&, QListView& l) {
                    press(l, {Qt::Key_Down, Qt::Key_Return});
                },
                0},
            Row{"upEnter",
                [](SelectionDialog&, QListView& l) {
                    press(l, {Qt::Key_Up, Qt::Key_Return});
                },
                0},
            Row{"endEnter",
                [](SelectionDialog&, QListView& l) {
                    press(l, {Qt::Key_End, Qt::Key_Return});
                },
                2},
            Row{"homeEnter",
                [](SelectionDialog&, QListView& l) {
                    press(l, {Qt::Key_Home, Qt::Key_Return});
                },
                0},
            Row{"downDownEnter",
                [](SelectionDialog&, QListView& l) {
                    press(l, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
                },
                1},
            Row{"endUpEnter",
                [](SelectionDialog&, QListView& l) {
                    press(l, {Qt::Key_End, Qt::Key_Up, Qt::Key_Return});
                },
                1},
            Row{"endHomeOk",
                [](SelectionDialog& dialog, QListView& l) {
                    press(l, {Qt::Key_End, Qt::Key_Home});
                    click(dialog, "IDOK");
                },
                0},
            Row{"unselectedStaysOpen",
                [](SelectionDialog& dialog, QListView& l) {
                    press(l, {Qt::Key_End});
                    QTest::keyClick(&l, Qt::Key_Space, Qt::ControlModifier);  // unselects
                    click(dialog, "IDOK");
                    EXPECT_TRUE(dialog.isVisible());
                    press(l, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
                },
                1},
            Row{"doubleClickDoesNotChoose",
                [](SelectionDialog& dialog, QListView& list) {
                    const QRect line = list.visualRect(list.model()->index(1, 0));
                    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, line.center());
                    EXPECT_TRUE(dialog.isVisible());
                    QTest::keyClick(&list, Qt::Key_Return);
                },
                1},
            // Escape is pressed in the window's MIDI tests.
            Row{"cancelButtonCancels",
                [](SelectionDialog& dialog, QListView&) { click(dialog, "IDCANCEL"); }, -1}),
        testing::Values(Input, Output)),
    [](const testing::TestParamInfo<std::tuple<Row, SelectionDialog::Mode>>& row) {
        return std::get<0>(row.param).name + (std::get<1>(row.param) == Input ? "Input" : "Output");
    });

}  // namespace
