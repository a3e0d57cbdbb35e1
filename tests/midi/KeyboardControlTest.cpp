#include "midi/KeyboardControl.h"

#include <gmock/gmock.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <ostream>
#include <string>
#include <vector>

#include "tests/midi/DatagramListener.h"

namespace midi {
namespace {

using test::Bytes;
using test::noteOff;
using test::noteOn;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// The window: counts the key events that reach it past its controls.
class Window : public QWidget {
public:
    int keyEvents = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        ++keyEvents;
        event->ignore();
    }
    void keyReleaseEvent(QKeyEvent* event) override
    {
        ++keyEvents;
        event->ignore();
    }
};

class KeyboardControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button_ = new QPushButton(QStringLiteral("鍵盤"), &window_);
        button_->setObjectName(QStringLiteral("IDC_KEYBOARD"));
        other_ = new QPushButton(QStringLiteral("Send"), &window_);
        other_->setObjectName(QStringLiteral("IDC_SEND"));
        other_->move(0, 40);
        keyboard_ = new KeyboardControl(button_, listener_.sendFunction());
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        button_->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(button_->hasFocus());
    }

    void sendKey(QEvent::Type type, int key, bool autoRepeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(button_, &event);
    }

    test::DatagramListener listener_;  // outlives the window and its sends
    Window window_;
    QPushButton* button_ = nullptr;
    QPushButton* other_ = nullptr;
    KeyboardControl* keyboard_ = nullptr;
};

struct KeyCase {
    const char* name;
    int octave;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<int> notes;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyboardKeyTest : public KeyboardControlTest,
                        public ::testing::WithParamInterface<KeyCase> {};

// Press and release: a Note On per note, then a velocity-0 message per note;
// the key never reaches the button or the window.
TEST_P(KeyboardKeyTest, PressAndReleaseSendTheKeysNotesAndNothingElse)
{
    const KeyCase& c = GetParam();
    QSignalSpy clicked(button_, &QPushButton::clicked);
    keyboard_->setOctave(c.octave);

    QTest::keyPress(button_, c.key, c.modifiers);
    QTest::keyRelease(button_, c.key, c.modifiers);

    std::vector<Bytes> expected;
    for (const int note : c.notes) {
        expected.push_back(noteOn(static_cast<std::uint8_t>(note)));
    }
    for (const int note : c.notes) {
        expected.push_back(noteOff(static_cast<std::uint8_t>(note)));
    }
    EXPECT_THAT(listener_.takeAll(), ElementsAreArray(expected));
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(window_.keyEvents, 0);
    EXPECT_TRUE(button_->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyboardKeyTest,
    ::testing::Values(KeyCase{"ZAtOctave5", 5, Qt::Key_Z, Qt::NoModifier, {60}},
                      KeyCase{"IAtOctave5", 5, Qt::Key_I, Qt::NoModifier, {84}},
                      KeyCase{"ZAtOctave3", 3, Qt::Key_Z, Qt::NoModifier, {36}},
                      KeyCase{"ZAtOctave0", 0, Qt::Key_Z, Qt::NoModifier, {0}},
                      KeyCase{"CommaAtOctave5", 5, Qt::Key_Comma, Qt::NoModifier, {72}},
                      KeyCase{"QAtOctave5", 5, Qt::Key_Q, Qt::NoModifier, {72}},
                      KeyCase{"ShiftedZ", 5, Qt::Key_Z, Qt::ShiftModifier, {60}},
                      KeyCase{"ControlQ", 5, Qt::Key_Q, Qt::ControlModifier, {72}},
                      KeyCase{"FiveAtOctave9", 9, Qt::Key_5, Qt::NoModifier, {126}},
                      KeyCase{"SixAtOctave9", 9, Qt::Key_6, Qt::NoModifier, {}},
                      KeyCase{"IAtOctave9", 9, Qt::Key_I, Qt::NoModifier, {}},
                      KeyCase{"UnmappedA", 5, Qt::Key_A, Qt::NoModifier, {}},
                      KeyCase{"UnmappedOne", 5, Qt::Key_1, Qt::NoModifier, {}},
                      KeyCase{"Space", 5, Qt::Key_Space, Qt::NoModifier, {}},
                      KeyCase{"Select", 5, Qt::Key_Select, Qt::NoModifier, {}}),
    [](const ::testing::TestParamInfo<KeyCase>& row) { return std::string(row.param.name); });

TEST_F(KeyboardControlTest, HeldKeySendsOneNoteOnAndOneRelease)
{
    sendKey(QEvent::KeyPress, Qt::Key_Z);
    for (int i = 0; i < 5; ++i) {
        sendKey(QEvent::KeyRelease, Qt::Key_Z, true);
        sendKey(QEvent::KeyPress, Qt::Key_Z, true);
    }
    sendKey(QEvent::KeyRelease, Qt::Key_Z);

    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOff(60)));
}

TEST_F(KeyboardControlTest, HeldSpaceDoesNotClickTheButton)
{
    QSignalSpy clicked(button_, &QPushButton::clicked);
    sendKey(QEvent::KeyPress, Qt::Key_Space);
    sendKey(QEvent::KeyRelease, Qt::Key_Space, true);
    sendKey(QEvent::KeyPress, Qt::Key_Space, true);
    sendKey(QEvent::KeyRelease, Qt::Key_Space);

    EXPECT_EQ(clicked.count(), 0);
    EXPECT_FALSE(button_->isDown());
    EXPECT_THAT(listener_.takeAll(), IsEmpty());
}

TEST_F(KeyboardControlTest, ReleaseAfterAnOctaveChangeSendsAtTheNewOctave)
{
    QTest::keyPress(button_, Qt::Key_Z);
    keyboard_->setOctave(3);
    QTest::keyRelease(button_, Qt::Key_Z);

    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOff(36)));
}

TEST_F(KeyboardControlTest, ReleaseUnderAnotherKeyCodeEndsTheNoteOfThePhysicalKey)
{
    // 2 goes down, Shift goes down, and the same physical key comes up as @.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, 11, 0, 0, QStringLiteral("2"));
    QApplication::sendEvent(button_, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_At, Qt::ShiftModifier, 11, 0, 0,
                      QStringLiteral("@"));
    QApplication::sendEvent(button_, &release);

    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(73), noteOff(73)));
}

TEST_F(KeyboardControlTest, LosingTheFocusEndsHeldNotes)
{
    QTest::keyPress(button_, Qt::Key_Z);
    QTest::keyPress(button_, Qt::Key_Q);
    other_->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(other_->hasFocus());

    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOn(72), noteOff(60), noteOff(72)));
}

TEST_F(KeyboardControlTest, WindowShortcutsTakeNoNoteButAltCombinationsStayTheWindows)
{
    auto* plain = new QAction(&window_);
    plain->setShortcut(Qt::Key_Z);
    window_.addAction(plain);
    auto* mnemonic = new QAction(&window_);
    mnemonic->setShortcut(Qt::ALT | Qt::Key_S);
    window_.addAction(mnemonic);
    QSignalSpy plainTriggered(plain, &QAction::triggered);
    QSignalSpy mnemonicTriggered(mnemonic, &QAction::triggered);

    QTest::keyClick(button_, Qt::Key_Z);
    QTest::keyClick(button_, Qt::Key_S, Qt::AltModifier);

    EXPECT_EQ(plainTriggered.count(), 0);
    EXPECT_EQ(mnemonicTriggered.count(), 1);
    // The shortcut took Alt+S's press; its release still goes out, as every
    // release of a mapped key does.
    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOff(60), noteOff(61)));
}

TEST_F(KeyboardControlTest, TabMovesTheFocusAndEscapeReachesTheWindow)
{
    QTest::keyClick(button_, Qt::Key_Escape);
    EXPECT_EQ(window_.keyEvents, 2);

    QTest::keyClick(button_, Qt::Key_Tab);
    EXPECT_TRUE(other_->hasFocus());
    EXPECT_THAT(listener_.takeAll(), IsEmpty());
}

TEST_F(KeyboardControlTest, StartsAtOctave5AndStoresAnyOctave)
{
    EXPECT_EQ(keyboard_->octave(), 5);
    keyboard_->setOctave(-7);
    EXPECT_EQ(keyboard_->octave(), -7);
    QTest::keyClick(button_, Qt::Key_Z);  // note 172: nothing to send
    EXPECT_THAT(listener_.takeAll(), IsEmpty());
}

}  // namespace
}  // namespace midi
