#include "midi/KeyboardControl.h"

#include <gmock/gmock.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/UdpListener.h"

namespace midi {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::string noteOn(char note)
{
    return {'~', '\x90', note, '\x7F', '\0'};
}
std::string noteOff(char note)
{
    return {'~', '\x90', note, '\0', '\0'};
}

class KeyboardControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button_ = new QPushButton(QStringLiteral("鍵盤"), &window_);
        other_ = new QPushButton(QStringLiteral("Send"), &window_);
        other_->move(0, 40);
        keyboard_ = new KeyboardControl(button_, listener_.midiSendFunction());
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

    testing_support::UdpListener listener_;  // outlives the window and its sends
    QWidget window_;
    QPushButton* button_ = nullptr;
    QPushButton* other_ = nullptr;
    KeyboardControl* keyboard_ = nullptr;
};

struct KeyCase {
    const char* name;
    int octave;
    Qt::Key key;
    std::vector<char> notes;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyboardKeyTest : public KeyboardControlTest,
                        public ::testing::WithParamInterface<KeyCase> {};

// Press and release: a Note On per note, then a velocity-0 message per note;
// the key never clicks the button.
TEST_P(KeyboardKeyTest, PressAndReleaseSendTheKeysNotesAndNothingElse)
{
    const KeyCase& c = GetParam();
    QSignalSpy clicked(button_, &QPushButton::clicked);
    keyboard_->setOctave(c.octave);
    QTest::keyPress(button_, c.key);
    QTest::keyRelease(button_, c.key);

    std::vector<std::string> expected;
    for (const char note : c.notes) {
        expected.push_back(noteOn(note));
    }
    for (const char note : c.notes) {
        expected.push_back(noteOff(note));
    }
    EXPECT_THAT(listener_.takeAll(), ElementsAreArray(expected));
    EXPECT_EQ(clicked.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyboardKeyTest,
    ::testing::Values(
        KeyCase{"ZAtOctave5", 5, Qt::Key_Z, {60}}, KeyCase{"ZAtOctave3", 3, Qt::Key_Z, {36}},
        KeyCase{"ZAtOctave0", 0, Qt::Key_Z, {0}}, KeyCase{"CommaAtOctave5", 5, Qt::Key_Comma, {72}},
        KeyCase{"QAtOctave5", 5, Qt::Key_Q, {72}}, KeyCase{"FiveAtOctave9", 9, Qt::Key_5, {126}},
        KeyCase{"SixAtOctave9", 9, Qt::Key_6, {}}, KeyCase{"IAtOctave9", 9, Qt::Key_I, {}},
        KeyCase{"UnmappedA", 5, Qt::Key_A, {}}, KeyCase{"Space", 5, Qt::Key_Space, {}}),
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

TEST_F(KeyboardControlTest, ReleaseAfterAnOctaveChangeSendsAtTheNewOctave)
{
    QTest::keyPress(button_, Qt::Key_Z);
    keyboard_->setOctave(3);
    QTest::keyRelease(button_, Qt::Key_Z);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOff(36)));
}

TEST_F(KeyboardControlTest, LosingTheFocusEndsHeldNotes)
{
    QTest::keyPress(button_, Qt::Key_Z);
    QTest::keyPress(button_, Qt::Key_Q);
    other_->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(other_->hasFocus());
    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOn(72), noteOff(60), noteOff(72)));
}

}  // namespace
}  // namespace midi
