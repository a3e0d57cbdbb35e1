#include "midi/PerformanceMenu.h"

#include <gmock/gmock.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include "midi/NoteKeyboard.h"
#include "tests/support/UdpListener.h"

namespace midi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// "%u: 名前未実装(´･ω･`)" after the number, spelt out in UTF-8.
const QByteArray kProgramSuffix =
    ": \xE5\x90\x8D\xE5\x89\x8D\xE6\x9C\xAA\xE5\xAE\x9F\xE8\xA3\x85(\xC2\xB4\xEF\xBD\xA5\xCF\x89"
    "\xEF\xBD\xA5`)";

QAction* findAction(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

class PerformanceMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button_ = new QPushButton(QStringLiteral("鍵盤"), &window_);
        button_->setObjectName(QStringLiteral("IDC_KEYBOARD"));
        keyboard_ = new NoteKeyboard(button_, listener_.midiSendFunction());
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    // Opens the menu and, once it is up, hands it to the user's part.
    void openMenu(const std::function<void(QMenu*)>& user)
    {
        QTimer::singleShot(0, &window_, [user] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                ADD_FAILURE() << "no popup menu is open";
                return;
            }
            user(menu);
        });
        showPerformanceMenu(&window_, *keyboard_, listener_.midiSendFunction());
    }

    // Picks an entry the way a user does with the keyboard: opening each
    // submenu on the path, then Return on the entry.
    void pick(const QStringList& path)
    {
        openMenu([path](QMenu* menu) {
            for (qsizetype i = 0; i < path.size(); ++i) {
                QAction* action = findAction(menu, path[i]);
                if (action == nullptr) {
                    ADD_FAILURE() << "no entry " << path[i].toStdString();
                    QTest::keyClick(menu, Qt::Key_Escape);
                    return;
                }
                menu->setActiveAction(action);
                if (i + 1 < path.size()) {
                    menu = action->menu();
                    ASSERT_NE(menu, nullptr);
                    ASSERT_TRUE(menu->isVisible());
                }
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
    }

    testing_support::UdpListener listener_;
    QDialog window_;
    QPushButton* button_ = nullptr;
    NoteKeyboard* keyboard_ = nullptr;
};

TEST_F(PerformanceMenuTest, HasTheEntriesCaptionsAndNamesAtThePointer)
{
    QCursor::setPos(120, 80);
    keyboard_->setOctave(7);
    QPointer<QMenu> shown;
    openMenu([&shown](QMenu* menu) {
        shown = menu;
        EXPECT_EQ(menu->objectName(), QStringLiteral("performanceMenu"));
        EXPECT_EQ(menu->pos(), QPoint(120, 80));

        const QList<QAction*> root = menu->actions();
        ASSERT_EQ(root.size(), 4);
        EXPECT_EQ(root[0]->text(), QStringLiteral("Cancel"));
        EXPECT_EQ(root[0]->data().toInt(), 1);
        EXPECT_TRUE(root[1]->isSeparator());
        EXPECT_EQ(root[2]->text(), QStringLiteral("ProgramChange"));
        EXPECT_EQ(root[3]->text(), QStringLiteral("Octave"));

        const QMenu* programs = root[2]->menu();
        ASSERT_NE(programs, nullptr);
        EXPECT_EQ(programs->objectName(), QStringLiteral("programChangeMenu"));
        ASSERT_EQ(programs->actions().size(), 8);
        for (int group = 0; group < 8; ++group) {
            const QAction* groupAction = programs->actions()[group];
            EXPECT_EQ(groupAction->text(),
                      QStringLiteral("%1 - %2").arg(16 * group + 1).arg(16 * group + 16));
            const QMenu* groupMenu = groupAction->menu();
            ASSERT_NE(groupMenu, nullptr);
            EXPECT_FALSE(groupMenu->objectName().isEmpty());
            ASSERT_EQ(groupMenu->actions().size(), 16);
            for (int entry = 0; entry < 16; ++entry) {
                const QAction* action = groupMenu->actions()[entry];
                const int program = 16 * group + entry + 1;
                EXPECT_EQ(action->text().toUtf8(), QByteArray::number(program) + kProgramSuffix);
                EXPECT_EQ(action->data().toInt(), 99 + program);
                EXPECT_FALSE(action->isCheckable());
            }
        }

        const QMenu* octaves = root[3]->menu();
        ASSERT_NE(octaves, nullptr);
        EXPECT_EQ(octaves->objectName(), QStringLiteral("octaveMenu"));
        ASSERT_EQ(octaves->actions().size(), 10);
        for (int octave = 0; octave < 10; ++octave) {
            const QAction* action = octaves->actions()[octave];
            EXPECT_EQ(action->text(), QString::number(octave));
            EXPECT_EQ(action->data().toInt(), 300 + octave);
            EXPECT_EQ(action->isChecked(), octave == 7) << octave;
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    EXPECT_TRUE(shown.isNull()) << "the menu outlived its use";
}

struct ProgramCase {
    const char* name;
    const char* group;
    int program;  // as captioned, from 1
    char sent;
};

class ProgramChangeTest : public PerformanceMenuTest,
                          public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(ProgramChangeTest, SendsTheProgramOnChannel1)
{
    const ProgramCase& c = GetParam();
    pick({QStringLiteral("ProgramChange"), QString::fromLatin1(c.group),
          QString::fromUtf8(QByteArray::number(c.program) + kProgramSuffix)});

    EXPECT_THAT(listener_.takeAll(), ElementsAre(std::string{'~', '\xC0', c.sent, 0, 0}));
    EXPECT_EQ(keyboard_->octave(), 5);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramChangeTest,
                         ::testing::Values(ProgramCase{"Program1", "1 - 16", 1, 0x00},
                                           ProgramCase{"Program128", "113 - 128", 128, 0x7F}),
                         [](const ::testing::TestParamInfo<ProgramCase>& row) {
                             return std::string(row.param.name);
                         });

TEST_F(PerformanceMenuTest, PickedOctaveIsCheckedNextTime)
{
    pick({QStringLiteral("Octave"), QStringLiteral("3")});
    EXPECT_EQ(keyboard_->octave(), 3);

    QStringList checked;
    openMenu([&checked](QMenu* menu) {
        for (const QAction* action :
             findAction(menu, QStringLiteral("Octave"))->menu()->actions()) {
            if (action->isChecked()) {
                checked << action->text();
            }
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    EXPECT_THAT(checked, ElementsAre(QStringLiteral("3")));

    EXPECT_THAT(listener_.takeAll(), IsEmpty());
}

TEST_F(PerformanceMenuTest, CancelAndEscapeDoNothing)
{
    QSignalSpy finished(&window_, &QDialog::finished);

    pick({QStringLiteral("Cancel")});
    openMenu([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });

    EXPECT_THAT(listener_.takeAll(), IsEmpty());
    EXPECT_EQ(keyboard_->octave(), 5);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(window_.isVisible());
}

}  // namespace
}  // namespace midi
