// The main window under the offscreen platform, driven as people drive it: how it starts, sending,
// the target and message fields, the toggles, keys, resizing and the About window. (The log as it
// fills is seen in ListeningTest, every window's template in WindowTemplatesTest.)
#include <gmock/gmock.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <memory>
#include <set>

#include "gui/MainWindow.h"
#include "resources/ResourceIds.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/UdpListener.h"

namespace {

using namespace res;
using testing::ElementsAre;
using testing_support::RecordingMessageBoxes;
using testing_support::UdpListener;

const std::string kNoteOn = std::string("~\x90\x3C\x7F\x00", 5);  // Z at octave 5
const std::string kNoteOff = std::string("~\x90\x3C\x00\x00", 5);
constexpr auto rowName = [](const auto& row) { return std::string(row.param.name); };

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QComboBox* target() { return qobject_cast<QComboBox*>(window.item(IDC_TARGET)); }
    QLineEdit* message() { return qobject_cast<QLineEdit*>(window.item(IDC_MESSAGE)); }
    void click(int id) { QTest::mouseClick(window.item(id), Qt::LeftButton); }
    // Selects all of the field and types over it.
    static void retype(QWidget* field, QLineEdit* edit, const QString& text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(field, text);
    }
    QStringList listItems()
    {
        QStringList items;
        for (int i = 0; i < target()->count(); ++i) {
            items << target()->itemText(i);
        }
        return items;
    }

    RecordingMessageBoxes boxes;
    gui::MainWindow window{boxes, testing_support::noMidi()};
};

// Each control at the start, no MIDI system: a property of each and its value; focus on the log.
TEST_F(MainWindowTest, StartsWithTheDefaults)
{
    struct Start {
        const char* control;
        const char* property;
        QVariant value;
    };
    const std::vector<Start> start{
        {"IDC_PORT", "text", "12323"},
        {"IDC_PORT", "enabled", true},
        {"IDC_LISTEN", "text", "Start"},
        {"IDC_TALK_SOUND", "checked", true},
        {"IDC_MIDI_IN", "checked", false},
        {"IDC_MIDI_OUT", "checked", false},
        {"IDC_TARGET", "currentText", "localhost:12323"},
        {"IDC_TARGET", "count", 0},
        {"IDC_TO_ALL", "checked", false},
        {"IDC_MESSAGE", "text", ""},
    };
    for (const Start& row : start) {
        SCOPED_TRACE(std::string(row.control) + " " + row.property);
        const QObject* control = window.findChild<QObject*>(row.control);
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(control->property(row.property).isValid());
        EXPECT_EQ(control->property(row.property).toString(), row.value.toString());
    }
    const auto* log = window.findChild<QAbstractItemView*>("IDC_LOG");
    EXPECT_EQ(log->model()->rowCount(), 0);
    EXPECT_EQ(QApplication::focusWidget(), log);
    EXPECT_EQ(window.windowTitle(), "Mirevo");
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.minimumSize(), window.size());
}

// Enter sends the fields exactly as typed: no completion from the list (the typed target prefixes
// an item), no change of case. The target is remembered once, before sending, so also when the send
// fails; that keeps the message and shows a box. Each datagram leaves from a fresh port.
TEST_F(MainWindowTest, SendsToTheTargetAsTypedAndRemembersItOnce)
{
    UdpListener listener;
    const QString typed = QString::fromStdString(listener.target());
    const QString lower = QStringLiteral("localhost:%1").arg(listener.port());
    target()->addItems({typed + "0", lower});
    std::set<std::uint16_t> sourcePorts;
    for (const auto& [to, text] :
         {std::pair{typed, "hello"}, {lower.toUpper(), ""}, {typed, "x"}}) {
        SCOPED_TRACE(to.toStdString());
        retype(target(), target()->lineEdit(), to);
        QTest::keyClick(target(), Qt::Key_Tab);  // focus out
        retype(message(), message(), text);
        QTest::keyClick(message(), Qt::Key_Return);
        window.waitForSends();
        EXPECT_EQ(target()->currentText(), to);
        const auto datagram = listener.next();
        ASSERT_TRUE(datagram);
        EXPECT_EQ(datagram->text(), std::string("*") + text);
        EXPECT_EQ(message()->text(), "");
        sourcePorts.insert(datagram->from.port);
    }
    EXPECT_GE(sourcePorts.size(), 2U);  // the kernel may pick a port twice

    message()->setText("keep me");
    for (const char* failing : {"Nohost.invalid:1", "nohost.invalid:1", "no-colon"}) {
        retype(target(), target()->lineEdit(), failing);
        click(IDC_SEND);
    }
    window.waitForSends();
    EXPECT_EQ(message()->text(), "keep me");
    EXPECT_EQ(listItems(), (QStringList{typed + "0", lower, typed, lower.toUpper(),
                                        "Nohost.invalid:1", "nohost.invalid:1"}));
    EXPECT_EQ(boxes.texts, (QStringList{"Host not found", "Host not found", "Syntax error"}));
    EXPECT_EQ(boxes.owners.value(0), &window);
}

struct FollowCase {
    const char* name;
    const char* targetBefore;
    const char* portTyped;  // nullptr: the port field only gains the focus
    const char* targetAfter;
};

class LocalhostFollowUp : public MainWindowTest,
                          public ::testing::WithParamInterface<FollowCase> {};

TEST_P(LocalhostFollowUp, TargetFollowsThePortOnlyForLocalhost)
{
    const FollowCase& c = GetParam();
    target()->setEditText(c.targetBefore);
    auto* port = qobject_cast<QLineEdit*>(window.item(IDC_PORT));
    port->setFocus();
    if (c.portTyped != nullptr) {
        port->selectAll();
        QTest::keyClick(port, Qt::Key_Backspace);
        QTest::keyClicks(port, c.portTyped);
    }
    EXPECT_EQ(target()->currentText().toStdString(), c.targetAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalhostFollowUp,
    ::testing::Values(FollowCase{"NewPort", "localhost:12323", "4000", "localhost:4000"},
                      FollowCase{"EmptyPort", "localhost:12323", "", "localhost:0"},
                      FollowCase{"OnlyDigitsTaken", "localhost:12323", "4x0-0", "localhost:400"},
                      FollowCase{"FocusAloneCompletes", "localhost", nullptr, "localhost:12323"},
                      FollowCase{"OtherCase", "LocalHost:12323", "4000", "LocalHost:12323"},
                      FollowCase{"LocalhostPrefix", "localhost2:1", "4000", "localhost2:1"}),
    rowName);

struct ShiftRow {
    const char* name;
    bool onOpenList;  // acts on the opened list, its second line current
    std::function<void(QWidget*)> act;
    bool deletes;  // the second line, "b:2"
    const char* fieldAfter;
};

class ShiftDeletion : public MainWindowTest, public ::testing::WithParamInterface<ShiftRow> {};

// The field holds a remembered target in other case, which nothing may take for a pick of that
// item. Only a pick from the opened list with Shift held deletes: exactly that item, and the list
// opens again with the field as it was. Without Shift a pick is a choice that fills the field.
TEST_P(ShiftDeletion, OnlyAShiftPickFromTheOpenListDeletesAndOnlyThatItem)
{
    const ShiftRow& row = GetParam();
    target()->addItems({"a:1", "b:2", "c:3"});
    target()->setEditText("B:2");
    target()->setFocus();
    QAbstractItemView* list = target()->view();
    if (row.onOpenList) {
        QTest::keyClick(target(), Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
        list->setCurrentIndex(list->model()->index(1, 0));
    }
    row.act(row.onOpenList ? static_cast<QWidget*>(list) : target());
    EXPECT_EQ(listItems().join(' '), row.deletes ? "a:1 c:3" : "a:1 b:2 c:3");
    EXPECT_EQ(target()->currentText(), row.fieldAfter);
    if (row.deletes) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->window()->isVisible(); }));
    }
    target()->hidePopup();
}

std::function<void(QWidget*)> shift(Qt::Key key)
{
    return [key](QWidget* w) { QTest::keyClick(w, key, Qt::ShiftModifier); };
}

std::function<void(QWidget*)> wheel(Qt::KeyboardModifiers modifiers)
{
    return [modifiers](QWidget* w) {
        for (const int delta : {120, -120, -120}) {
            QWheelEvent event(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &event);
        }
    };
}

std::function<void(QWidget*)> clickSecondLine(Qt::KeyboardModifiers modifiers)
{
    return [modifiers](QWidget* w) {
        auto* view = static_cast<QAbstractItemView*>(w);
        const QRect line = view->visualRect(view->model()->index(1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, line.center());
    };
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ShiftDeletion,
    ::testing::Values(ShiftRow{"ShiftTab", false, shift(Qt::Key_Backtab), false, "B:2"},
                      ShiftRow{"ShiftEnter", false, shift(Qt::Key_Return), false, "B:2"},
                      ShiftRow{"ShiftDown", false, shift(Qt::Key_Down), false, "B:2"},
                      ShiftRow{"ShiftPageDown", false, shift(Qt::Key_PageDown), false, "B:2"},
                      ShiftRow{"ShiftWheel", false, wheel(Qt::ShiftModifier), false, "B:2"},
                      ShiftRow{"PlainWheel", false, wheel(Qt::NoModifier), false, "B:2"},
                      ShiftRow{"ShiftClickPick", true, clickSecondLine(Qt::ShiftModifier), true,
                               "B:2"},
                      ShiftRow{"ShiftEnterPick", true, shift(Qt::Key_Return), true, "B:2"},
                      ShiftRow{"PlainPick", true, clickSecondLine(Qt::NoModifier), false, "b:2"}),
    rowName);

struct LimitCase {
    const char* name;
    int field;          // IDC_TARGET or IDC_MESSAGE
    int before;         // ASCII bytes typed first
    const char* typed;  // then typed (UTF-8); nullptr: 600 あ pasted
    int expectedBytes;
};

class FieldLimit : public MainWindowTest, public ::testing::WithParamInterface<LimitCase> {};

// Typing and pasting stop at the last whole character a datagram fits: the field shows what's sent.
TEST_P(FieldLimit, TypingAndPastingStopAtTheDatagramsLimit)
{
    const LimitCase& c = GetParam();
    QWidget* field = window.item(c.field);
    QLineEdit* edit = c.field == IDC_TARGET ? target()->lineEdit() : message();
    edit->setText(QString(c.before, QLatin1Char('x')));
    field->setFocus();
    edit->end(false);
    if (c.typed == nullptr) {
        QApplication::clipboard()->setText(QString(600, QChar(0x3042)));  // 3 bytes each
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }
    // Typed as a keyboard with the character on a key would type it.
    for (const QChar ch : QString::fromUtf8(c.typed)) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(field, &press);
    }
    EXPECT_EQ(edit->text().toUtf8().size(), c.expectedBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, FieldLimit,
    ::testing::Values(LimitCase{"Target64thByteRefused", IDC_TARGET, 63, "y", 63},
                      LimitCase{"TargetCharAcrossTheLimit", IDC_TARGET, 62, "é", 62},
                      LimitCase{"TargetCharThatFits", IDC_TARGET, 61, "é", 63},
                      LimitCase{"Message1022ndByte", IDC_MESSAGE, 1021, "y", 1022},
                      LimitCase{"Message1023rdByteRefused", IDC_MESSAGE, 1022, "y", 1022},
                      LimitCase{"MessageCharAcrossTheLimit", IDC_MESSAGE, 1020, "あ", 1020},
                      LimitCase{"PasteCutAtAWholeCharacter", IDC_MESSAGE, 4, nullptr, 1021}),
    rowName);

// Screen readers, voice control and switch access invoke the toggles' accessible actions: each runs
// the toggle's command, as a click does, and the checked state read back is the device's (none
// opens here). The action returns at once, before the selection window is even shown: a screen
// reader waiting for its answer is never held by the window it opened.
TEST_F(MainWindowTest, EveryAccessibleActionOfAMidiToggleRunsItsCommand)
{
    for (const int id : {IDC_MIDI_IN, IDC_MIDI_OUT}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window.item(id));
        ASSERT_TRUE(accessible != nullptr && accessible->actionInterface() != nullptr);
        for (const QString& action : {QAccessibleActionInterface::pressAction(),
                                      QAccessibleActionInterface::toggleAction()}) {
            SCOPED_TRACE(window.item(id)->objectName().toStdString() + " " + action.toStdString());
            EXPECT_TRUE(accessible->actionInterface()->actionNames().contains(action));
            bool selectionShown = false;
            bool dismissed = false;
            testing_support::whenModalShows([&](QWidget* modal) {
                selectionShown = modal->objectName() == "IDD_SELECT_DEVICE";
                QTest::keyClick(modal, Qt::Key_Escape);
                dismissed = true;
            });
            accessible->actionInterface()->doAction(action);
            EXPECT_FALSE(dismissed);
            EXPECT_TRUE(QTest::qWaitFor([&] { return dismissed; }, 5000));
            EXPECT_TRUE(selectionShown);
            EXPECT_FALSE(qobject_cast<QPushButton*>(window.item(id))->isChecked());
            EXPECT_FALSE(accessible->state().checked);
            EXPECT_TRUE(accessible->state().checkable);
        }
    }
}

// Escape erases the log and nothing else; Cancel in the note keyboard's
// menu (command 1, as Exit's) does nothing either; Exit ends the window.
TEST_F(MainWindowTest, OnlyExitEndsTheWindow)
{
    QTest::keyClick(&window, Qt::Key_Escape);
    bool cancelled = false;
    testing_support::whenMenuShows([&cancelled](QMenu* menu) {
        testing_support::pickEntry(menu, {"cancelAction"});
        cancelled = true;
    });
    click(IDC_KEYBOARD);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cancelled; }, 5000));
    QTest::qWait(10);
    EXPECT_TRUE(window.isVisible());
    click(IDOK);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
}

// "All notes off", the menu's last entry, sends the panic to the target.
TEST_F(MainWindowTest, AllNotesOffStopsEveryChannelAtTheTargets)
{
    UdpListener listener;
    retype(target(), target()->lineEdit(), QString::fromStdString(listener.target()));
    bool picked = false;
    testing_support::whenMenuShows([&picked](QMenu* menu) {
        ASSERT_EQ(menu->actions().constLast()->text(), "All notes off");
        testing_support::pickEntry(menu, {"allNotesOffAction"});
        picked = true;
    });
    click(IDC_KEYBOARD);
    ASSERT_TRUE(QTest::qWaitFor([&] { return picked; }, 5000));
    window.waitForSends();
    EXPECT_EQ(listener.takeAll(), testing_support::panicDatagrams());
}

// ToAllOfList: the typed target joins the list, then every target of it is sent to. The box for the
// failing first one takes the focus, which releases the key: the Note On has reached every target
// before its release, and the release's box waits for the first to go.
TEST_F(MainWindowTest, ANoteOnReachesEveryTargetBeforeItsReleaseAlsoWhenABoxComesBetween)
{
    UdpListener listener;
    boxes.holdFor = std::chrono::milliseconds(50);
    target()->addItem("nohost.invalid:1");
    retype(target(), target()->lineEdit(), QString::fromStdString(listener.target()));
    click(IDC_TO_ALL);
    QWidget* keyboard = window.item(IDC_KEYBOARD);
    keyboard->setFocus();
    QTest::keyPress(keyboard, Qt::Key_Z);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() == 2; }));
    window.waitForSends();
    EXPECT_THAT(listener.takeAll(), ElementsAre(kNoteOn, kNoteOff));
    EXPECT_EQ(boxes.deepest, 1);
    EXPECT_EQ(target()->count(), 2);
}

// Closing or destroying the window with a note key held sends the key's
// velocity-0 first, and nothing reaches the window while it is torn down.
TEST(MainWindowLifetime, ANoteHeldAtCloseOrDestructionIsReleased)
{
    for (const bool closeFirst : {true, false}) {
        SCOPED_TRACE(closeFirst ? "close" : "destroy");
        UdpListener listener;
        RecordingMessageBoxes boxes;
        auto window = std::make_unique<gui::MainWindow>(boxes, testing_support::noMidi());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        qobject_cast<QComboBox*>(window->item(IDC_TARGET))
            ->setEditText(QString::fromStdString(listener.target()));
        window->item(IDC_KEYBOARD)->setFocus();
        QTest::keyPress(window->item(IDC_KEYBOARD), Qt::Key_Z);
        if (closeFirst) {
            window->close();
        }
        window.reset();
        EXPECT_THAT(listener.takeAll(), ElementsAre(kNoteOn, kNoteOff));
        EXPECT_TRUE(boxes.texts.isEmpty());
    }
}

// Wider, higher, both, and back: each control's edges follow the window's right and bottom as its
// anchors say; at the first size each is where the template puts it (as in a window not yet shown).
TEST_F(MainWindowTest, ResizingMovesAndStretchesEveryControlAsItsAnchorsSay)
{
    enum : int { MoveRight = 1, MoveDown = 2, StretchRight = 4, StretchDown = 8 };
    const std::vector<std::pair<const char*, int>> anchors{
        {"IDC_LOG", 12},   {"IDOK", 1},           {"IDCANCEL", 1},    {"IDC_PORT", 1},
        {"IDC_LISTEN", 1}, {"IDC_TALK_SOUND", 1}, {"IDC_MIDI_IN", 3}, {"IDC_MIDI_OUT", 3},
        {"IDC_TARGET", 6}, {"IDC_TO_ALL", 3},     {"IDC_MESSAGE", 6}, {"IDC_KEYBOARD", 3},
        {"IDC_SEND", 3},
    };
    const gui::MainWindow placed(boxes, testing_support::noMidi());
    const QSize initial = window.size();
    for (const QSize more : {QSize(100, 0), QSize(0, 50), QSize(100, 50), QSize(0, 0)}) {
        window.resize(initial + more);
        QApplication::processEvents();
        for (const auto& [name, flags] : anchors) {
            SCOPED_TRACE(testing::Message()
                         << name << " at " << more.width() << "x" << more.height() << " more");
            const int right = more.width(), down = more.height();
            const QRect expected = placed.findChild<QWidget*>(name)->geometry().adjusted(
                (flags & MoveRight) != 0 ? right : 0, (flags & MoveDown) != 0 ? down : 0,
                (flags & (MoveRight | StretchRight)) != 0 ? right : 0,
                (flags & (MoveDown | StretchDown)) != 0 ? down : 0);
            const QRect now = window.findChild<QWidget*>(name)->geometry();
            EXPECT_EQ(now, expected)
                << now.x() << "," << now.y() << " " << now.width() << "x" << now.height()
                << " instead of " << expected.x() << "," << expected.y() << " " << expected.width()
                << "x" << expected.height();
        }
    }
}

// The context menu opens the About window; Enter closes it.
TEST_F(MainWindowTest, AboutOpensFromTheContextMenuAndCloses)
{
    bool opened = false;
    QTimer::singleShot(0, &window, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        auto* about = menu->findChild<QAction*>("IDM_ABOUT");
        ASSERT_TRUE(about != nullptr && about->text() == "About...");
        testing_support::whenModalShows([&](QWidget* dialog) {
            opened =
                dialog->objectName() == "IDD_ABOUT" && dialog->windowTitle() == "About Mirevo...";
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        menu->setActiveAction(about);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            window.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&window, &event);
    // The menu's pick returns before the About window opens.
    EXPECT_FALSE(opened);
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened; }, 5000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window.findChild<QDialog*>("IDD_ABOUT") == nullptr; }));
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
