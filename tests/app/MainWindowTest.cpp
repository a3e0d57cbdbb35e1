// The main window under the offscreen platform, driven as people drive it:
// defaults, sending, the target and message fields, keys, the menus,
// resizing and the About window.
#include <gmock/gmock.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <map>
#include <set>

#include "app/MainWindow.h"
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

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    template <class T>
    T* item(int id)
    {
        return qobject_cast<T*>(window.item(id));
    }
    QComboBox* target() { return item<QComboBox>(IDC_TARGET); }
    QLineEdit* message() { return item<QLineEdit>(IDC_MESSAGE); }
    void setTarget(const std::string& text) { target()->setEditText(QString::fromStdString(text)); }
    QStringList listItems()
    {
        QStringList items;
        for (int i = 0; i < target()->count(); ++i) {
            items << target()->itemText(i);
        }
        return items;
    }

    RecordingMessageBoxes boxes;
    app::MainWindow window{boxes, testing_support::noMidi()};
};

TEST_F(MainWindowTest, StartsWithTheDefaults)
{
    EXPECT_EQ(window.windowTitle(), "Mirevo");
    EXPECT_EQ(item<QLineEdit>(IDC_PORT)->text(), "12323");
    EXPECT_EQ(target()->currentText(), "localhost:12323");
    EXPECT_EQ(target()->count(), 0);
    EXPECT_TRUE(item<QCheckBox>(IDC_TALK_SOUND)->isChecked());
    EXPECT_FALSE(item<QCheckBox>(IDC_TO_ALL)->isChecked());
    EXPECT_EQ(item<QPushButton>(IDC_LISTEN)->text(), "Start");
    EXPECT_EQ(QApplication::focusWidget(), window.item(IDC_LOG));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.minimumSize(), window.size());
}

// Enter sends; a typed target is remembered once, case-sensitively, before
// sending (so also when the send fails); each datagram leaves from a fresh
// port; a failed send keeps the message and shows one box per failure.
TEST_F(MainWindowTest, SendsTheMessageAndRemembersTheTarget)
{
    UdpListener listener;
    setTarget(listener.target());
    std::set<std::uint16_t> sourcePorts;
    for (const char* text : {"hello", "", "again"}) {
        message()->setFocus();
        QTest::keyClicks(message(), text);
        QTest::keyClick(message(), Qt::Key_Return);
        const auto datagram = listener.next();
        ASSERT_TRUE(datagram);
        EXPECT_EQ(datagram->text(), std::string("*") + text);
        EXPECT_EQ(message()->text(), "");
        sourcePorts.insert(datagram->from.port);
    }
    EXPECT_GE(sourcePorts.size(), 2U);  // the kernel may pick a port twice

    message()->setText("keep me");
    for (const char* failing : {"Nohost.invalid:1", "nohost.invalid:1", "no-colon"}) {
        target()->setEditText(failing);
        QTest::mouseClick(item<QPushButton>(IDC_SEND), Qt::LeftButton);
    }
    EXPECT_EQ(message()->text(), "keep me");
    EXPECT_EQ(listItems(), (QStringList{QString::fromStdString(listener.target()),
                                        "Nohost.invalid:1", "nohost.invalid:1"}));
    EXPECT_EQ(boxes.texts, (QStringList{"Host not found", "Host not found", "Syntax error"}));
    EXPECT_EQ(boxes.owners.value(0), &window);
}

// To every target of the list, a new typed one joining it first; every
// failure shows its own box and the others still receive.
TEST_F(MainWindowTest, ToAllOfListSendsToEveryTarget)
{
    UdpListener first;
    UdpListener third;
    UdpListener added;
    target()->addItems({QString::fromStdString(first.target()), "nohost.invalid:12323",
                        QString::fromStdString(third.target())});
    setTarget(added.target());
    QTest::mouseClick(item<QCheckBox>(IDC_TO_ALL), Qt::LeftButton);
    message()->setText("all");
    QTest::mouseClick(item<QPushButton>(IDC_SEND), Qt::LeftButton);
    EXPECT_EQ(boxes.texts, QStringList{"Host not found"});
    EXPECT_EQ(message()->text(), "all");
    for (UdpListener* listener : {&first, &third, &added}) {
        EXPECT_THAT(listener->takeAll(), ElementsAre("*all"));
    }
    EXPECT_EQ(target()->count(), 4);

    // An empty list and a target without a colon: nothing to send, no failure.
    target()->clear();
    setTarget("localhost");
    QTest::mouseClick(item<QPushButton>(IDC_SEND), Qt::LeftButton);
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(message()->text(), "");
}

TEST_F(MainWindowTest, EscapeErasesTheLogAndExitOrClosingEndsTheWindow)
{
    window.appendLogLines({"1.2.3.4:5>a", "1.2.3.4:5>b"});
    EXPECT_EQ(item<QListView>(IDC_LOG)->currentIndex().row(), 1);  // the newest
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(item<QListView>(IDC_LOG)->model()->rowCount(), 0);
    EXPECT_TRUE(window.isVisible());

    QTest::mouseClick(item<QPushButton>(IDOK), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    window.show();
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
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
    auto* port = item<QLineEdit>(IDC_PORT);
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
                      FollowCase{"PortAbove65535", "localhost:1", "70000", "localhost:70000"},
                      FollowCase{"FocusAloneCompletes", "localhost", nullptr, "localhost:12323"},
                      FollowCase{"OtherCase", "LocalHost:12323", "4000", "LocalHost:12323"},
                      FollowCase{"Address", "10.0.0.1:12323", "4000", "10.0.0.1:12323"},
                      FollowCase{"LocalhostPrefix", "localhost2:1", "4000", "localhost2:1"}),
    [](const auto& row) { return std::string(row.param.name); });

// The target field holds what was typed: no completion from the list, no
// rewriting of case, no list item stepped into it.
TEST_F(MainWindowTest, TheTypedTargetIsSentAndRememberedExactlyAsTyped)
{
    UdpListener listener;
    const QString typed = QString::fromStdString(listener.target());
    const QString upper = QStringLiteral("LOCALHOST:%1").arg(listener.port());
    // Remembered: a longer target the typed one is a prefix of, and the
    // typed host in other case.
    target()->addItems({typed + "0", QStringLiteral("localhost:%1").arg(listener.port())});
    for (const QString& text : {typed, upper}) {
        SCOPED_TRACE(text.toStdString());
        target()->setFocus();
        target()->lineEdit()->selectAll();
        QTest::keyClicks(target(), text);
        QTest::keyClick(target(), Qt::Key_Tab);  // focus out
        EXPECT_EQ(target()->currentText(), text);
        QTest::keyClick(target(), Qt::Key_Return);
        EXPECT_EQ(target()->currentText(), text);
        const auto datagram = listener.next();
        ASSERT_TRUE(datagram);
        EXPECT_EQ(datagram->text(), "*");
    }
    EXPECT_EQ(listItems(),
              (QStringList{typed + "0", QStringLiteral("localhost:%1").arg(listener.port()), typed,
                           upper}));
    EXPECT_TRUE(boxes.texts.isEmpty());
}

struct NonPick {
    const char* name;
    std::function<void(QComboBox*)> act;
};

class ShiftWithoutAPick : public MainWindowTest, public ::testing::WithParamInterface<NonPick> {};

TEST_P(ShiftWithoutAPick, DeletesNothingAndKeepsTheField)
{
    // Typed: a remembered target in other case, which nothing may take
    // for a pick of that item.
    target()->addItems({"a:1", "b:2", "c:3"});
    target()->setEditText("B:2");
    target()->setFocus();
    GetParam().act(target());
    target()->hidePopup();
    EXPECT_EQ(listItems(), (QStringList{"a:1", "b:2", "c:3"}));
    EXPECT_EQ(target()->currentText(), "B:2");
}

void shiftKey(QComboBox* combo, Qt::Key key)
{
    QTest::keyClick(combo, key, Qt::ShiftModifier);
}

void wheel(QComboBox* combo, Qt::KeyboardModifiers modifiers)
{
    for (const int delta : {120, -120, -120}) {
        QWheelEvent event(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &event);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ShiftWithoutAPick,
    ::testing::Values(NonPick{"Tab", [](QComboBox* c) { shiftKey(c, Qt::Key_Backtab); }},
                      NonPick{"Enter", [](QComboBox* c) { shiftKey(c, Qt::Key_Return); }},
                      NonPick{"Down", [](QComboBox* c) { shiftKey(c, Qt::Key_Down); }},
                      NonPick{"PageDown", [](QComboBox* c) { shiftKey(c, Qt::Key_PageDown); }},
                      NonPick{"Wheel", [](QComboBox* c) { wheel(c, Qt::ShiftModifier); }},
                      NonPick{"PlainWheel", [](QComboBox* c) { wheel(c, Qt::NoModifier); }}),
    [](const auto& row) { return std::string(row.param.name); });

// A pick from the opened list with Shift held deletes exactly that item and
// opens the list again; the field keeps its text.
TEST_F(MainWindowTest, AShiftPickFromTheOpenListDeletesThatItem)
{
    const std::vector<std::pair<const char*, std::function<void(QAbstractItemView*)>>> picks{
        {"Click",
         [](QAbstractItemView* view) {
             const QRect row = view->visualRect(view->model()->index(1, 0));
             QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, row.center());
         }},
        {"Enter",
         [](QAbstractItemView* view) {
             QTest::keyClick(view, Qt::Key_Down);
             QTest::keyClick(view, Qt::Key_Return, Qt::ShiftModifier);
         }},
    };
    for (const auto& [name, pick] : picks) {
        SCOPED_TRACE(name);
        target()->clear();
        target()->addItems({"a:1", "b:2", "c:3"});
        target()->setEditText("typed:9");
        target()->setFocus();
        QTest::keyClick(target(), Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView* view = target()->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        view->setCurrentIndex(view->model()->index(0, 0));
        pick(view);
        EXPECT_EQ(listItems(), (QStringList{"a:1", "c:3"}));
        EXPECT_EQ(target()->currentText(), "typed:9");
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->window()->isVisible(); }));
        target()->hidePopup();
    }
    // Without Shift a pick is a choice: it fills the field.
    target()->showPopup();
    QAbstractItemView* view = target()->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(view->model()->index(1, 0)).center());
    EXPECT_EQ(listItems(), (QStringList{"a:1", "c:3"}));
    EXPECT_EQ(target()->currentText(), "c:3");
}

struct LimitCase {
    const char* name;
    int field;          // IDC_TARGET or IDC_MESSAGE
    int before;         // ASCII bytes typed first
    const char* typed;  // then typed (UTF-8)
    int expectedBytes;
};

class FieldLimit : public MainWindowTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(FieldLimit, TypingStopsAtTheDatagramsLimit)
{
    const LimitCase& c = GetParam();
    QWidget* field = window.item(c.field);
    QLineEdit* edit = c.field == IDC_TARGET ? target()->lineEdit() : message();
    edit->setText(QString(c.before, QLatin1Char('x')));
    field->setFocus();
    edit->end(false);
    // Typed as a keyboard with the character on a key would type it.
    for (const QChar ch : QString::fromUtf8(c.typed)) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(field, &press);
    }
    EXPECT_EQ(edit->text().toUtf8().size(), c.expectedBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, FieldLimit,
    ::testing::Values(LimitCase{"Target63rdByte", IDC_TARGET, 62, "y", 63},
                      LimitCase{"Target64thByteRefused", IDC_TARGET, 63, "y", 63},
                      LimitCase{"TargetCharAcrossTheLimit", IDC_TARGET, 62, "é", 62},
                      LimitCase{"TargetCharThatFits", IDC_TARGET, 61, "é", 63},
                      LimitCase{"Message1022ndByte", IDC_MESSAGE, 1021, "y", 1022},
                      LimitCase{"Message1023rdByteRefused", IDC_MESSAGE, 1022, "y", 1022},
                      LimitCase{"MessageCharAcrossTheLimit", IDC_MESSAGE, 1020, "あ", 1020}),
    [](const auto& row) { return std::string(row.param.name); });

// A paste is cut after its last whole character that fits, before anything
// is sent, so what the field shows is what goes out.
TEST_F(MainWindowTest, APasteIsCutVisiblyAtAWholeCharacter)
{
    UdpListener listener;
    target()->setEditText(QString::fromStdString(listener.target()));
    QApplication::clipboard()->setText(QString(600, QChar(0x3042)));  // 3 bytes each
    message()->setText("ab");
    message()->setFocus();
    QTest::keyClick(message(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(message()->text(), "ab" + QString(340, QChar(0x3042)));  // 1022 bytes
    QTest::keyClick(message(), Qt::Key_Return);
    const auto datagram = listener.next();
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->bytes.size(), 1023U);
}

// Screen readers, voice control and switch access invoke the toggles'
// accessible actions: each runs the toggle's command, as a click does, and
// the checked state read back is the device's.
TEST_F(MainWindowTest, EveryAccessibleActionOfAMidiToggleRunsItsCommand)
{
    for (const int id : {IDC_MIDI_IN, IDC_MIDI_OUT}) {
        auto* button = item<QPushButton>(id);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr);
        ASSERT_NE(accessible->actionInterface(), nullptr);
        for (const QString& action :
             {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::toggleAction(),
              QStringLiteral("click")}) {
            SCOPED_TRACE(button->objectName().toStdString() + " " + action.toStdString());
            EXPECT_TRUE(accessible->actionInterface()->actionNames().contains(action) ||
                        action == "click");
            bool selectionShown = false;
            testing_support::whenModalShows([&](QWidget* modal) {
                selectionShown = modal->objectName() == "IDD_SELECT_DEVICE";
                QTest::keyClick(modal, Qt::Key_Escape);
            });
            accessible->actionInterface()->doAction(action);
            EXPECT_TRUE(selectionShown);
            // No device could be opened here: the toggle shows it closed.
            EXPECT_FALSE(button->isChecked());
            EXPECT_FALSE(accessible->state().checked);
            EXPECT_TRUE(accessible->state().checkable);
        }
    }
}

TEST_F(MainWindowTest, TheNoteKeyboardSendsNotesAndCancelInItsMenuDoesNotExit)
{
    UdpListener listener;
    setTarget(listener.target());
    QWidget* keyboard = window.item(IDC_KEYBOARD);
    keyboard->setFocus();
    QTest::keyPress(keyboard, Qt::Key_Z);
    QTest::keyRelease(keyboard, Qt::Key_Z);
    EXPECT_THAT(listener.takeAll(), ElementsAre(kNoteOn, kNoteOff));

    QTimer::singleShot(0, &window, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        menu->setActiveAction(menu->actions().value(0));  // "Cancel", command 1
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(keyboard, Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
}

// The box for a failing first target takes the focus while the Note On is
// on its way: the key's release that this causes waits until the Note On
// has reached every target, so no note is left sounding.
TEST_F(MainWindowTest, ANoteOnReachesEveryTargetBeforeItsReleaseAlsoWhenABoxComesBetween)
{
    UdpListener listener;
    boxes.holdFor = std::chrono::milliseconds(50);
    target()->addItems({"nohost.invalid:1", QString::fromStdString(listener.target())});
    item<QCheckBox>(IDC_TO_ALL)->setChecked(true);
    QWidget* keyboard = window.item(IDC_KEYBOARD);
    keyboard->setFocus();
    QTest::keyPress(keyboard, Qt::Key_Z);
    QTest::keyRelease(keyboard, Qt::Key_Z);
    const std::vector<std::string> received = listener.takeAll();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front(), kNoteOn);
    for (std::size_t i = 1; i < received.size(); ++i) {
        EXPECT_EQ(received[i], kNoteOff) << i;
    }
    EXPECT_GE(received.size(), 2U);
    EXPECT_GE(boxes.texts.size(), 2);  // the Note On's and the release's
}

// Closing or destroying the window with a note key held sends the key's
// velocity-0 first, and nothing reaches the window while it is torn down.
TEST(MainWindowLifetime, ANoteHeldAtCloseOrDestructionIsReleased)
{
    for (const bool closeFirst : {true, false}) {
        SCOPED_TRACE(closeFirst ? "close" : "destroy");
        UdpListener listener;
        RecordingMessageBoxes boxes;
        auto window = std::make_unique<app::MainWindow>(boxes, testing_support::noMidi());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        qobject_cast<QComboBox*>(window->item(IDC_TARGET))
            ->setEditText(QString::fromStdString(listener.target()));
        QWidget* keyboard = window->item(IDC_KEYBOARD);
        keyboard->setFocus();
        QTest::keyPress(keyboard, Qt::Key_Z);
        if (closeFirst) {
            window->close();
        }
        window.reset();
        EXPECT_THAT(listener.takeAll(), testing::ElementsAre(kNoteOn, kNoteOff));
        EXPECT_TRUE(boxes.texts.isEmpty());
    }
}

struct AnchorRule {
    int id;
    int dx;  // how much the left edge moves per added pixel of width
    int dw;  // how much the width grows
    int dy;
    int dh;
};

TEST_F(MainWindowTest, ResizingKeepsEveryControlAnchored)
{
    std::map<int, QRect> before;
    for (const ControlTemplate& c : mainWindowTemplate().controls) {
        before[c.id] = window.item(c.id)->geometry();
    }
    const QSize initial = window.size();
    window.resize(initial + QSize(100, 50));
    QApplication::processEvents();

    // Log: grows both ways. Target and message: widen and go down with the
    // bottom. Right column: follows the right edge; the lower part of it
    // also the bottom.
    const std::vector<AnchorRule> rules{
        {IDC_LOG, 0, 1, 0, 1},     {IDOK, 1, 0, 0, 0},         {IDCANCEL, 1, 0, 0, 0},
        {IDC_PORT, 1, 0, 0, 0},    {IDC_LISTEN, 1, 0, 0, 0},   {IDC_TALK_SOUND, 1, 0, 0, 0},
        {IDC_MIDI_IN, 1, 0, 1, 0}, {IDC_MIDI_OUT, 1, 0, 1, 0}, {IDC_TARGET, 0, 1, 1, 0},
        {IDC_TO_ALL, 1, 0, 1, 0},  {IDC_MESSAGE, 0, 1, 1, 0},  {IDC_KEYBOARD, 1, 0, 1, 0},
        {IDC_SEND, 1, 0, 1, 0},
    };
    for (const AnchorRule& rule : rules) {
        SCOPED_TRACE(window.item(rule.id)->objectName().toStdString());
        const QRect was = before[rule.id];
        const QRect now = window.item(rule.id)->geometry();
        EXPECT_EQ(now.left(), was.left() + 100 * rule.dx);
        EXPECT_EQ(now.width(), was.width() + 100 * rule.dw);
        EXPECT_EQ(now.top(), was.top() + 50 * rule.dy);
        EXPECT_EQ(now.height(), was.height() + 50 * rule.dh);
    }

    window.resize(initial);
    QApplication::processEvents();
    for (const auto& [id, rect] : before) {
        EXPECT_EQ(window.item(id)->geometry(), rect) << window.item(id)->objectName().toStdString();
    }
}

// Runs `act` on the About window once it is up, and returns whether the
// context menu opened it at all.
bool openAboutThen(app::MainWindow& window, const std::function<void(QDialog*)>& act)
{
    bool opened = false;
    QTimer::singleShot(0, &window, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        auto* about = menu->findChild<QAction*>("IDM_ABOUT");
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->text(), "About...");
        testing_support::whenModalShows([&](QWidget* modal) {
            auto* dialog = qobject_cast<QDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->objectName(), "IDD_ABOUT");
            EXPECT_EQ(dialog->windowTitle(), "About Mirevo...");
            opened = true;
            act(dialog);
        });
        menu->setActiveAction(about);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            window.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&window, &event);
    return opened;
}

TEST_F(MainWindowTest, AboutOpensFromTheContextMenuAndClosesByEveryWay)
{
    const std::vector<std::pair<const char*, std::function<void(QDialog*)>>> ways{
        {"Close", [](QDialog* d) { d->findChild<QPushButton*>("IDCANCEL")->click(); }},
        {"Enter", [](QDialog* d) { QTest::keyClick(d, Qt::Key_Return); }},
        {"Escape", [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"CloseWindow", [](QDialog* d) { d->close(); }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(openAboutThen(window, way));
        EXPECT_EQ(window.findChild<QDialog*>("IDD_ABOUT"), nullptr);
        EXPECT_TRUE(window.isVisible());
    }
}

}  // namespace
