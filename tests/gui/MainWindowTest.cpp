// The main window under the offscreen platform, driven as people drive it:
// sending, the target and message fields, the toggles, keys, resizing and
// the About window; and every window as the desktop, its screen readers and
// the keyboard see it. (The log as it fills is seen in ListeningTest.)
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
#include <optional>
#include <set>

#include "gui/MainWindow.h"
#include "gui/SelectionDialog.h"
#include "resources/ResourceIds.h"
#include "resources/Templates.h"
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

TEST_F(MainWindowTest, StartsWithTheDefaults)
{
    EXPECT_EQ(window.windowTitle(), "Mirevo");
    EXPECT_EQ(target()->currentText(), "localhost:12323");
    EXPECT_EQ(QApplication::focusWidget(), window.item(IDC_LOG));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.minimumSize(), window.size());
}

// Enter sends the fields exactly as typed: no completion from the list (the
// typed target is a prefix of an item), no change of case. The target is
// remembered once, before sending, so also when the send fails; that keeps
// the message and shows a box. Each datagram leaves from a fresh port.
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

// The field holds a remembered target in other case, which nothing may take
// for a pick of that item. Only a pick from the opened list with Shift held
// deletes: exactly that item, and the list opens again with the field as it
// was. Without Shift a pick is a choice that fills the field.
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

// Typing and pasting stop at the last whole character that fits in a
// datagram, so what the field shows is what goes out.
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

// Screen readers, voice control and switch access invoke the toggles'
// accessible actions: each runs the toggle's command, as a click does, and
// the checked state read back is the device's (none opens here). The action
// returns at once, before the selection window is even shown: a screen
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
    QTimer::singleShot(0, &window, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        menu->setActiveAction(menu->actions().value(0));  // "Cancel"
        QTest::keyClick(menu, Qt::Key_Return);
    });
    click(IDC_KEYBOARD);
    EXPECT_TRUE(window.isVisible());
    click(IDOK);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
}

// ToAllOfList: the typed target joins the list, then every target of it is
// sent to. The box for the failing first one takes the focus while the Note
// On is on its way: the key's release that this causes waits until the
// Note On has reached every target, so no note is left sounding.
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
    QTest::keyRelease(keyboard, Qt::Key_Z);
    const std::vector<std::string> received = listener.takeAll();
    ASSERT_GE(received.size(), 2U);
    EXPECT_EQ(received.front(), kNoteOn);
    for (std::size_t i = 1; i < received.size(); ++i) {
        EXPECT_EQ(received[i], kNoteOff) << i;
    }
    EXPECT_GE(boxes.texts.size(), 2);  // the Note On's and the release's
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

// At its first size every control is where the template puts it (as in a
// window not yet shown); wider and higher, each follows its edges; back at
// the first size, all are where they were.
TEST_F(MainWindowTest, ResizingKeepsTheControlsAnchored)
{
    struct Anchor {
        int id;
        QMargins moved;  // left, top, right and bottom edges, per 100 by 50 pixels more
    };
    const std::vector<Anchor> anchors{{IDC_LOG, {0, 0, 100, 50}},
                                      {IDC_TARGET, {0, 50, 100, 50}},
                                      {IDOK, {100, 0, 100, 0}},
                                      {IDC_SEND, {100, 50, 100, 50}}};
    const gui::MainWindow placed(boxes, testing_support::noMidi());
    const QSize initial = window.size();
    for (const QSize size : {initial, initial + QSize(100, 50), initial}) {
        window.resize(size);
        QApplication::processEvents();
        for (const Anchor& anchor : anchors) {
            SCOPED_TRACE(window.item(anchor.id)->objectName().toStdString());
            const QMargins moved = size == initial ? QMargins() : anchor.moved;
            EXPECT_EQ(window.item(anchor.id)->geometry(),
                      placed.item(anchor.id)->geometry().adjusted(moved.left(), moved.top(),
                                                                  moved.right(), moved.bottom()));
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

QString spoken(QObject* object, QAccessible::Text text)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(text) : QString();
}

struct WindowRow {
    const char* name;
    std::optional<gui::SelectionDialog::Mode> mode;  // none: the main window
    const DialogTemplate& (*dialogTemplate)() noexcept;
};

class EveryWindow : public MainWindowTest, public ::testing::WithParamInterface<WindowRow> {};

// Screen readers name and describe every control; Tab goes through the tab
// stops in the template's order.
TEST_P(EveryWindow, EveryControlIsNamedDescribedAndReachedInTheTemplatesOrder)
{
    std::unique_ptr<gui::SelectionDialog> selection;
    if (GetParam().mode) {
        selection = std::make_unique<gui::SelectionDialog>(&window, *GetParam().mode,
                                                           std::vector<std::string>{"one", "two"});
    }
    QWidget* shown = selection ? static_cast<QWidget*>(selection.get()) : &window;
    EXPECT_FALSE(spoken(shown, QAccessible::Name).isEmpty());
    std::vector<std::string> tabStops;
    for (const ControlTemplate& c : GetParam().dialogTemplate().controls) {
        SCOPED_TRACE(std::string(c.name));
        QWidget* widget = shown->findChild<QWidget*>(QString::fromUtf8(c.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_FALSE(spoken(widget, QAccessible::Name).isEmpty());
        EXPECT_FALSE(spoken(widget, QAccessible::Description).isEmpty());
        if ((c.style & TabStop) != 0) {
            tabStops.emplace_back(c.name);
        }
    }
    // One round of the focus chain from the first tab stop, controls only.
    QWidget* first = shown->findChild<QWidget*>(QString::fromStdString(tabStops.front()));
    std::vector<std::string> visited;
    QWidget* w = first;
    do {
        if (w->property("controlId").isValid() && (w->focusPolicy() & Qt::TabFocus) != 0) {
            visited.push_back(w->objectName().toStdString());
        }
        w = w->nextInFocusChain();
    } while (w != first && visited.size() <= tabStops.size());
    EXPECT_EQ(visited, tabStops);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, EveryWindow,
    ::testing::Values(WindowRow{"Main", std::nullopt, &mainWindowTemplate},
                      WindowRow{"SelectDevice", gui::SelectionDialog::Mode::Input,
                                &selectDeviceTemplate},
                      WindowRow{"About", gui::SelectionDialog::Mode::About, &aboutTemplate}),
    rowName);

}  // namespace
