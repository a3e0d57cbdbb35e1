#include "midi/NoteKeyboard.h"

#include <gmock/gmock.h>
#include <xkbcommon/xkbcommon.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "midi/XkbKeymap.h"
#include "tests/support/UdpListener.h"

namespace midi {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::string noteOn(char note)
{
    return {'~', '\x90', note, '\x7F', '\0'};
}
std::string noteOff(char note)
{
    return {'~', '\x90', note, '\0', '\0'};
}

// Modifiers as the bits of an X event's state.
constexpr unsigned kShift = 0x01;
constexpr unsigned kControl = 0x04;
constexpr unsigned kAlt = 0x08;      // Mod1
constexpr unsigned kNumLock = 0x10;  // Mod2, locked
constexpr unsigned kAltGr = 0x80;    // Mod5, the third level

// X keycodes of the keys tried, named by their places on a US keyboard.
constexpr std::uint32_t kQPlace = 24;
constexpr std::uint32_t kWPlace = 25;
constexpr std::uint32_t kYPlace = 29;
constexpr std::uint32_t kZPlace = 52;
constexpr std::uint32_t kMPlace = 58;
constexpr std::uint32_t kCommaPlace = 59;
constexpr std::uint32_t kDigit2 = 11;
constexpr std::uint32_t kSpace = 65;
constexpr std::uint32_t kNumpad2 = 88;

// A keymap compiled from the system's layout data, once per layout list.
xkb_keymap* compiledKeymap(const std::string& layouts)
{
    using Keymap = std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>;
    static xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    static std::map<std::string, Keymap> keymaps;
    auto found = keymaps.find(layouts);
    if (found == keymaps.end()) {
        const xkb_rule_names names{"evdev", "pc105", layouts.c_str(), "", ""};
        found = keymaps
                    .emplace(layouts, Keymap(xkb_keymap_new_from_names(context, &names,
                                                                       XKB_KEYMAP_COMPILE_NO_FLAGS),
                                             &xkb_keymap_unref))
                    .first;
    }
    return found->second.get();
}

// Hands the keymap over the way the X server's is handed over.
std::shared_ptr<const XkbKeymap> keymapOf(const std::string& layouts)
{
    return std::make_shared<const XkbKeymap>(xkb_keymap_ref(compiledKeymap(layouts)));
}

// Sees every key press that reaches the window, past the control.
class KeyPressesSeen : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        count += event->type() == QEvent::KeyPress ? 1 : 0;
        return false;
    }
};

class NoteKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { start({}); }

    void start(NoteKeyboard::KeymapSource keymaps)
    {
        button_ = new QPushButton(QStringLiteral("鍵盤"), &window_);
        other_ = new QPushButton(QStringLiteral("Send"), &window_);
        other_->move(0, 40);
        keyboard_ = new NoteKeyboard(button_, listener_.midiSendFunction(), std::move(keymaps));
        window_.installEventFilter(&passedOn_);
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

    // Sends a key event as Qt's X11 platform makes it: the keycode, the keysym
    // the layout gives with these modifiers in this group, and the X state.
    void sendNativeKey(QEvent::Type type, const std::string& layouts, std::uint32_t keycode,
                       unsigned modifiers, std::uint32_t group = 0)
    {
        xkb_state* state = xkb_state_new(compiledKeymap(layouts));
        xkb_state_update_mask(state, modifiers & ~kNumLock, 0, modifiers & kNumLock, 0, 0, group);
        const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state, keycode);
        const char32_t character = xkb_state_key_get_utf32(state, keycode);
        xkb_state_unref(state);

        Qt::KeyboardModifiers qtModifiers;
        qtModifiers.setFlag(Qt::ShiftModifier, (modifiers & kShift) != 0);
        qtModifiers.setFlag(Qt::ControlModifier, (modifiers & kControl) != 0);
        qtModifiers.setFlag(Qt::AltModifier, (modifiers & kAlt) != 0);
        qtModifiers.setFlag(Qt::KeypadModifier,
                            keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal);
        const QString text = character >= 0x20 ? QString::fromUcs4(&character, 1) : QString();
        const int qtKey = text.isEmpty() ? int{Qt::Key_unknown} : text.toUpper().front().unicode();
        QKeyEvent event(type, qtKey, qtModifiers, keycode, keysym, modifiers | (group << 13U),
                        text);
        QApplication::sendEvent(button_, &event);
    }

    testing_support::UdpListener listener_;  // outlives the window and its sends
    KeyPressesSeen passedOn_;
    QWidget window_;
    QPushButton* button_ = nullptr;
    QPushButton* other_ = nullptr;
    NoteKeyboard* keyboard_ = nullptr;
};

// The notes of a key pressed and released, then the same velocity-0.
std::vector<std::string> pressAndRelease(const std::vector<char>& notes)
{
    std::vector<std::string> expected;
    for (const char note : notes) {
        expected.push_back(noteOn(note));
    }
    for (const char note : notes) {
        expected.push_back(noteOff(note));
    }
    return expected;
}

struct LayoutCase {
    const char* name;
    const char* layouts;  // as setxkbmap takes them
    std::uint32_t keycode;
    unsigned modifiers;
    std::vector<char> notes;  // at octave 5
    // What plays where no keymap can be had, when the event alone tells less.
    std::optional<std::vector<char>> notesWithoutKeymap{};
    std::uint32_t group = 0;
};

void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyboardLayoutTest : public NoteKeyboardTest,
                           public ::testing::WithParamInterface<std::tuple<LayoutCase, bool>> {
protected:
    void SetUp() override
    {
        const auto& [row, withKeymap] = GetParam();
        start([keymap = withKeymap ? keymapOf(row.layouts) : nullptr] { return keymap; });
    }
};

// Press and release: the key's notes on and off, and nothing else; Alt with a
// key goes on to the window, and no key clicks the button.
TEST_P(KeyboardLayoutTest, PlaysTheKeyWindowsWouldPlay)
{
    const auto& [row, withKeymap] = GetParam();
    QSignalSpy clicked(button_, &QPushButton::clicked);
    sendNativeKey(QEvent::KeyPress, row.layouts, row.keycode, row.modifiers, row.group);
    sendNativeKey(QEvent::KeyRelease, row.layouts, row.keycode, row.modifiers, row.group);

    const std::vector<char>& notes =
        !withKeymap && row.notesWithoutKeymap ? *row.notesWithoutKeymap : row.notes;
    EXPECT_THAT(listener_.takeAll(), ElementsAreArray(pressAndRelease(notes)));
    EXPECT_EQ(passedOn_.count, (row.modifiers & (kAlt | kControl)) == kAlt ? 1 : 0);
    EXPECT_EQ(clicked.count(), 0);
}

const std::vector<char> kNone{};

INSTANTIATE_TEST_SUITE_P(
    Layouts, KeyboardLayoutTest,
    ::testing::Combine(
        ::testing::Values(
            LayoutCase{"UsZ", "us", kZPlace, 0, {60}}, LayoutCase{"UsY", "us", kYPlace, 0, {81}},
            LayoutCase{"Us2", "us", kDigit2, 0, {73}},
            LayoutCase{"UsShift2", "us", kDigit2, kShift, {73}},
            LayoutCase{"UsComma", "us", kCommaPlace, 0, {72}},
            LayoutCase{"UsShiftComma", "us", kCommaPlace, kShift, {72}},
            LayoutCase{"UsNumpad2", "us", kNumpad2, kNumLock, {}},
            LayoutCase{"UsAltZ", "us", kZPlace, kAlt, {}},
            LayoutCase{"UsCtrlAltZ", "us", kZPlace, kControl | kAlt, {60}},
            LayoutCase{"UsSpace", "us", kSpace, 0, {}}, LayoutCase{"DeZ", "de", kYPlace, 0, {60}},
            LayoutCase{"DeY", "de", kZPlace, 0, {81}}, LayoutCase{"De2", "de", kDigit2, 0, {73}},
            LayoutCase{"DeShift2", "de", kDigit2, kShift, {73}},
            LayoutCase{"DeComma", "de", kCommaPlace, 0, {72}},
            LayoutCase{"DeShiftComma", "de", kCommaPlace, kShift, {72}, kNone},
            LayoutCase{"DeNumpad2", "de", kNumpad2, kNumLock, {}},
            LayoutCase{"DeAltZ", "de", kYPlace, kAlt, {}},
            LayoutCase{"DeAltGrQ", "de", kQPlace, kAltGr, {72}, kNone},
            LayoutCase{"FrZ", "fr", kWPlace, 0, {60}}, LayoutCase{"FrY", "fr", kYPlace, 0, {81}},
            LayoutCase{"Fr2", "fr", kDigit2, 0, {73}},
            LayoutCase{"FrShift2", "fr", kDigit2, kShift, {73}},
            LayoutCase{"FrComma", "fr", kMPlace, 0, {72}},
            LayoutCase{"FrShiftComma", "fr", kMPlace, kShift, {72}, kNone},
            LayoutCase{"FrUsCommaPlace", "fr", kCommaPlace, 0, {}},
            LayoutCase{"FrNumpad2", "fr", kNumpad2, kNumLock, {}},
            LayoutCase{"FrAltZ", "fr", kWPlace, kAlt, {}},
            LayoutCase{"RuZ", "ru", kZPlace, 0, {60}}, LayoutCase{"RuY", "ru", kYPlace, 0, {81}},
            LayoutCase{"Ru2", "ru", kDigit2, 0, {73}},
            LayoutCase{"RuShift2", "ru", kDigit2, kShift, {73}},
            LayoutCase{"RuComma", "ru", kCommaPlace, 0, {72}},
            LayoutCase{"RuShiftComma", "ru", kCommaPlace, kShift, {72}},
            LayoutCase{"RuNumpad2", "ru", kNumpad2, kNumLock, {}},
            LayoutCase{"RuAltZ", "ru", kZPlace, kAlt, {}},
            LayoutCase{"RuDeSecondGroupY", "ru,de", kZPlace, 0, {81}, std::nullopt, 1}),
        ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<LayoutCase, bool>>& row) {
        return std::string(std::get<0>(row.param).name) +
               (std::get<1>(row.param) ? "" : "WithoutKeymap");
    });

struct OctaveCase {
    const char* name;
    int octave;
    Qt::Key key;
    std::vector<char> notes;
};

void PrintTo(const OctaveCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyboardOctaveTest : public NoteKeyboardTest,
                           public ::testing::WithParamInterface<OctaveCase> {};

// Keys as events made without native codes (as tests and accessibility tools
// make them) play by their Qt key; notes above 127 are not sent.
TEST_P(KeyboardOctaveTest, PlaysAtTheOctave)
{
    const OctaveCase& c = GetParam();
    keyboard_->setOctave(c.octave);
    QTest::keyPress(button_, c.key);
    QTest::keyRelease(button_, c.key);
    EXPECT_THAT(listener_.takeAll(), ElementsAreArray(pressAndRelease(c.notes)));
}

INSTANTIATE_TEST_SUITE_P(Octaves, KeyboardOctaveTest,
                         ::testing::Values(OctaveCase{"ZAtOctave0", 0, Qt::Key_Z, {0}},
                                           OctaveCase{"FiveAtOctave9", 9, Qt::Key_5, {126}},
                                           OctaveCase{"SixAtOctave9", 9, Qt::Key_6, {}}),
                         [](const ::testing::TestParamInfo<OctaveCase>& row) {
                             return std::string(row.param.name);
                         });

TEST_F(NoteKeyboardTest, HeldKeySendsOneNoteOnAndOneRelease)
{
    sendKey(QEvent::KeyPress, Qt::Key_Z);
    for (int i = 0; i < 5; ++i) {
        sendKey(QEvent::KeyRelease, Qt::Key_Z, true);
        sendKey(QEvent::KeyPress, Qt::Key_Z, true);
    }
    sendKey(QEvent::KeyRelease, Qt::Key_Z);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOff(60)));
}

TEST_F(NoteKeyboardTest, ReleaseAfterAnOctaveChangeSendsAtTheNewOctave)
{
    QTest::keyPress(button_, Qt::Key_Z);
    keyboard_->setOctave(3);
    QTest::keyRelease(button_, Qt::Key_Z);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOff(36)));
}

TEST_F(NoteKeyboardTest, LosingTheFocusEndsHeldNotes)
{
    QTest::keyPress(button_, Qt::Key_Z);
    QTest::keyPress(button_, Qt::Key_Q);
    other_->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(other_->hasFocus());
    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(60), noteOn(72), noteOff(60), noteOff(72)));
}

class KeyboardKeymapTest : public NoteKeyboardTest {
protected:
    void SetUp() override
    {
        start([this] { return keymapOf(layouts_); });
    }

    std::string layouts_ = "ru,de";
};

// The release ends the note its key started, though the group changed and Alt
// went down meanwhile (Y of the second group; Z of the first, and a system key
// with Alt).
TEST_F(KeyboardKeymapTest, ReleaseEndsTheNoteItsKeyStarted)
{
    sendNativeKey(QEvent::KeyPress, layouts_, kZPlace, 0, 1);
    sendNativeKey(QEvent::KeyRelease, layouts_, kZPlace, kAlt, 0);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(noteOn(81), noteOff(81)));
}

// A new keymap counts once it is announced, or once the control gains the
// focus again (the key at the US Z place: Z in Russian, Y in German, W in
// French).
TEST_F(KeyboardKeymapTest, ANewKeymapIsReadWhenAnnouncedOrOnFocus)
{
    sendNativeKey(QEvent::KeyPress, layouts_, kZPlace, 0);
    sendNativeKey(QEvent::KeyRelease, layouts_, kZPlace, 0);
    layouts_ = "de";
    keyboard_->keymapChanged();
    sendNativeKey(QEvent::KeyPress, layouts_, kZPlace, 0);
    layouts_ = "fr";
    other_->setFocus(Qt::TabFocusReason);
    button_->setFocus(Qt::TabFocusReason);
    sendNativeKey(QEvent::KeyPress, layouts_, kZPlace, 0);
    EXPECT_THAT(listener_.takeAll(),
                ElementsAre(noteOn(60), noteOff(60), noteOn(81), noteOff(81), noteOn(74)));
}

}  // namespace
}  // namespace midi
