// The performance menu, used from the keyboard: a program goes out as a
// Program Change on channel 1, an octave becomes the keyboard's and is
// checked next time, Cancel and Escape do nothing.
#include "midi/PerformanceMenu.h"

#include <gmock/gmock.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "midi/NoteKeyboard.h"
#include "tests/support/UdpListener.h"

namespace midi {
namespace {

using Datagrams = std::vector<std::string>;

class PerformanceMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        keyboard_ = new NoteKeyboard(button_, listener_.midiSendFunction());
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    // Opens the menu and, once it is up, hands it to `user`, who closes it.
    void openMenu(const std::function<void(QMenu*)>& user)
    {
        QTimer::singleShot(
            0, &window_, [user] { user(qobject_cast<QMenu*>(QApplication::activePopupWidget())); });
        showPerformanceMenu(&window_, *keyboard_, listener_.midiSendFunction());
    }

    // Picks the entry at the end of the path of captions as a user does with
    // the keyboard, opening each submenu on the way; an empty path: Escape.
    void pick(const QStringList& path)
    {
        openMenu([path](QMenu* menu) {
            for (const QString& caption : path) {
                const QList<QAction*> actions = menu->actions();
                const auto entry = std::ranges::find(actions, caption, &QAction::text);
                if (entry == actions.end()) {
                    ADD_FAILURE() << "no entry " << caption.toStdString();
                    while (QWidget* popup = QApplication::activePopupWidget()) {
                        popup->close();
                    }
                    return;
                }
                menu->setActiveAction(*entry);
                menu = (*entry)->menu() != nullptr ? (*entry)->menu() : menu;
            }
            QTest::keyClick(menu, path.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
        });
    }

    testing_support::UdpListener listener_;
    QDialog window_;
    QPushButton* button_ = new QPushButton(QStringLiteral("鍵盤"), &window_);
    NoteKeyboard* keyboard_ = nullptr;
};

struct Row {
    std::string name;
    QStringList path;
    Datagrams sent;
};

class PickTest : public PerformanceMenuTest, public ::testing::WithParamInterface<Row> {};

// Whatever is picked, the menu is gone afterwards, the window stays and the
// octave is unchanged.
TEST_P(PickTest, SendsWhatWasPicked)
{
    QSignalSpy finished(&window_, &QDialog::finished);
    pick(GetParam().path);
    EXPECT_EQ(listener_.takeAll(), GetParam().sent);
    EXPECT_EQ(keyboard_->octave(), 5);
    EXPECT_TRUE(window_.findChildren<QMenu*>().isEmpty());
    EXPECT_EQ(finished.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Entries, PickTest,
                         ::testing::Values(Row{"program1",
                                               {"ProgramChange", "1 - 16", "1: 名前未実装(´･ω･`)"},
                                               {{'~', '\xC0', 0x00, 0, 0}}},
                                           Row{"program128",
                                               {"ProgramChange", "113 - 128",
                                                "128: 名前未実装(´･ω･`)"},
                                               {{'~', '\xC0', 0x7F, 0, 0}}},
                                           Row{"cancel", {"Cancel"}, {}}, Row{"escape", {}, {}}),
                         [](const ::testing::TestParamInfo<Row>& row) { return row.param.name; });

TEST_F(PerformanceMenuTest, PickedOctaveIsCheckedNextTimeAndPlayed)
{
    QCursor::setPos(120, 80);
    pick({"Octave", "3"});
    QStringList checked;
    openMenu([&checked](QMenu* menu) {
        EXPECT_EQ(menu->pos(), QPoint(120, 80));
        for (const QAction* action : menu->findChild<QMenu*>("octaveMenu")->actions()) {
            if (action->isChecked()) {
                checked << action->text();
            }
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    EXPECT_EQ(checked, QStringList{"3"});
    QTest::keyClick(button_, Qt::Key_Z);
    EXPECT_EQ(listener_.takeAll(),
              (Datagrams{{'~', '\x90', 36, '\x7F', 0}, {'~', '\x90', 36, 0, 0}}));
}

}  // namespace
}  // namespace midi
