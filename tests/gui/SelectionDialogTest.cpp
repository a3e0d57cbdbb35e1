// The device selection window, driven as a user does: it lists every
// device, blocks no other window, and ends with the chosen line or -1.
#include <gmock/gmock.h>

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <map>
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

// What the user does, a step each: a key pressed in the list, "OK" or "Cancel" clicked, "unselect"
// (Control+Space), "double-click" on line 1. The window stays open until the last step.
struct Row {
    std::string name;
    std::vector<std::string> steps;
    int chosen;

    friend void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
};

void click(SelectionDialog& dialog, const char* button)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

void take(const std::string& step, SelectionDialog& dialog, QListView& list)
{
    const std::map<std::string, Qt::Key> keys{{"Up", Qt::Key_Up},
                                              {"Down", Qt::Key_Down},
                                              {"Home", Qt::Key_Home},
                                              {"End", Qt::Key_End},
                                              {"Enter", Qt::Key_Return}};
    if (step == "OK" || step == "Cancel") {
        click(dialog, step == "OK" ? "IDOK" : "IDCANCEL");
    } else if (step == "unselect") {
        QTest::keyClick(&list, Qt::Key_Space, Qt::ControlModifier);
    } else if (step == "double-click") {
        const QRect line = list.visualRect(list.model()->index(1, 0));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, line.center());
    } else {
        QTest::keyClick(&list, keys.at(step));
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
        for (const std::string& step : row.steps) {
            ASSERT_TRUE(dialog->isVisible()) << "before " << step;
            take(step, *dialog, *list);
        }
    });
    EXPECT_EQ(SelectionDialog::run(nullptr, mode, kDevices), row.chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Users, SelectionDialogTest,
    testing::Combine(
        testing::Values(
            Row{"downEnter", {"Down", "Enter"}, 0}, Row{"upEnter", {"Up", "Enter"}, 0},
            Row{"endEnter", {"End", "Enter"}, 2}, Row{"homeEnter", {"Home", "Enter"}, 0},
            Row{"downDownEnter", {"Down", "Down", "Enter"}, 1},
            Row{"endUpEnter", {"End", "Up", "Enter"}, 1},
            Row{"endHomeOk", {"End", "Home", "OK"}, 0},
            Row{"unselectedStaysOpen", {"End", "unselect", "OK", "Down", "Down", "Enter"}, 1},
            Row{"doubleClickDoesNotChoose", {"double-click", "Enter"}, 1},
            // Escape is pressed in the window's MIDI tests.
            Row{"cancelButtonCancels", {"Cancel"}, -1}),
        testing::Values(Input, Output)),
    [](const testing::TestParamInfo<std::tuple<Row, SelectionDialog::Mode>>& row) {
        return std::get<0>(row.param).name + (std::get<1>(row.param) == Input ? "Input" : "Output");
    });

}  // namespace
