// The computer keyboard as a note keyboard (notes go out as datagrams), fed key events as Qt's X11
// platform makes them for US, German, French and Russian layouts; its performance menu by keys.
#include "gui/NoteKeyboard.h"

#include <gmock/gmock.h>
#include <xkbcommon/xkbcommon.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "gui/PerformanceMenu.h"
#include "keys/KeyMap.h"
#include "keys/XkbKeymap.h"
#include "tests/support/UdpListener.h"

namespace gui {
namespace {

using ::testing::ElementsAre;
using namespace keys;

std::string on(char note)
{
    return {'~', '\x90', note, '\x7F', '\0'};
}
std::string off(char note)
{
    return {'~', '\x90', note, '\0', '\0'};
}
// What a key pressed and released sends: its note on and off, or nothing.
std::vector<std::string> played(std::optional<char> note)
{
    return note ? std::vector{on(*note), off(*note)} : std::vector<std::string>{};
}

// Modifiers as X state bits: Shift, Control, Alt (Mod1), Num Lock (Mod2, locked), AltGr (Mod5).
constexpr unsigned kShift = 0x01, kControl = 0x04, kAlt = 0x08, kNumLock = 0x10, kAltGr = 0x80;
// X keycodes, named by their places on a US keyboard.
constexpr std::uint32_t k2 = 11, kQ = 24, kW = 25, kY = 29, kZ = 52, kM = 58, kComma = 59,
                        kSpace = 65, kNumpad2 = 88;
constexpr QEvent::Type kPress = QEvent::KeyPress, kRelease = QEvent::KeyRelease;

// The system's layout data compiled, once per layout list.
xkb_keymap* compiledKeymap(const std::string& layouts)
{
    static xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    static std::map<std::string, std::shared_ptr<xkb_keymap>> keymaps;
    auto& keymap = keymaps[layouts];
    if (!keymap) {
        const xkb_rule_names names{"evdev", "pc105", layouts.c_str(), "", ""};
        keymap.reset(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
                     &xkb_keymap_unref);
    }
    return keymap.get();
}

class NoteKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { start(true); }

    // Installs the keyboard on a focused button, with the keymap of `layouts_` if `withKeymap`.
    void start(bool withKeymap)
    {
        button_ = new QPushButton(QStringLiteral("鍵盤"), &window_);
        other_ = new QPushButton(QStringLiteral("Send"), &window_);
        keyboard_ = new NoteKeyboard(button_, listener_.midiSendFunction(), [this, withKeymap] {
            return withKeymap
                       ? std::make_shared<const XkbKeymap>(xkb_keymap_ref(compiledKeymap(layouts_)))
                       : nullptr;
        });
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        button_->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(button_->hasFocus());
    }

    // Sends a key event of `layouts_` in this group with these modifiers, as
    // X11 makes it; false when the control passed it on to the window.
    bool key(QEvent::Type type, std::uint32_t keycode, unsigned modifiers = 0,
             std::uint32_t group = 0, bool autoRepeat = false)
    {
        xkb_state* state = xkb_state_new(compiledKeymap(layouts_));
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
        QKeyEvent event(type, qtKey, qtModifiers, keycode, keysym, modifiers | (group << 13U), text,
                        autoRepeat);
        QApplication::sendEvent(button_, &event);
        return event.isAccepted();
    }

    // Opens the performance menu and walks the path of captions by keyboard as a user does, into
    // each submenu, then presses Enter (an empty path: Escape); `look` sees the menu first.
    void pick(const QStringList& path, const std::function<void(QMenu*)>& look = {})
    {
        QTimer::singleShot(0, &window_, [path, look] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (look) {
                look(menu);
            }
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
        showPerformanceMenu(&window_, *keyboard_, listener_.midiSendFunction());
    }

    std::string layouts_ = "ru,de";          // the second group German
    testing_support::UdpListener listener_;  // outlives the window and its sends
    QDialog window_;
    QPushButton* button_ = nullptr;
    QPushButton* other_ = nullptr;
    NoteKeyboard* keyboard_ = nullptr;
};

// A key of a layout (the name's first two letters) and the note it plays at the octave.
struct Row {
    const char* name;
    std::uint32_t keycode;
    unsigned modifiers;
    std::optional<char> note;
    bool keymapOnly = false;  // plays nothing where no keymap can be had
};

class KeyboardLayoutTest : public NoteKeyboardTest,
                           public ::testing::WithParamInterface<std::tuple<Row, bool>> {
protected:
    void SetUp() override
    {
        layouts_ = QString::fromLatin1(std::get<0>(GetParam()).name, 2).toLower().toStdString();
        start(std::get<1>(GetParam()));
    }
};

// Press and release play the key's note and end it, and nothing else; Alt with a key goes on to the
// window, every other key is kept from the button (none clicks it).
TEST_P(KeyboardLayoutTest, PlaysTheKeyWindowsWouldPlay)
{
    const auto& [row, withKeymap] = GetParam();
    QSignalSpy clicked(button_, &QPushButton::clicked);
    EXPECT_EQ(key(kPress, row.keycode, row.modifiers), (row.modifiers & (kAlt | kControl)) != kAlt);
    key(kRelease, row.keycode, row.modifiers);
    EXPECT_EQ(listener_.takeAll(), played(withKeymap || !row.keymapOnly ? row.note : std::nullopt));
    EXPECT_EQ(clicked.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, KeyboardLayoutTest,
    ::testing::Combine(
        ::testing::Values(

            Row{"UsShift2", k2, kShift, 73}, Row{"UsShiftComma", kComma, kShift, 72},
            Row{"UsNumpad2", kNumpad2, kNumLock, {}}, Row{"UsAltZ", kZ, kAlt, {}},
            Row{"UsCtrlAltZ", kZ, kControl | kAlt, 60}, Row{"UsSpace", kSpace, 0, {}},
            Row{"DeZ", kY, 0, 60}, Row{"DeY", kZ, 0, 81}, Row{"De2", k2, 0, 73},
            Row{"DeShift2", k2, kShift, 73}, Row{"DeComma", kComma, 0, 72},
            Row{"DeShiftComma", kComma, kShift, 72, true}, Row{"DeAltZ", kY, kAlt, {}},
            Row{"DeAltGrQ", kQ, kAltGr, 72, true}, Row{"FrZ", kW, 0, 60}, Row{"FrY", kY, 0, 81},
            Row{"Fr2", k2, 0, 73}, Row{"FrShift2", k2, kShift, 73}, Row{"FrComma", kM, 0, 72},
            Row{"FrUsCommaPlace", kComma, 0, {}}, Row{"RuZ", kZ, 0, 60}, Row{"RuY", kY, 0, 81},
            Row{"RuShift2", k2, kShift, 73}, Row{"RuComma", kComma, 0, 72}),
        ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<Row, bool>>& row) {
        return std::string(std::get<0>(row.param).name) +
               (std::get<1>(row.param) ? "" : "WithoutKeymap");
    });

// The whole key map in its order, as a US keyboard plays it: the key, its
// X keycode, its virtual-key code and its semitone above the octave's C.
struct MapRow {
    const char* key;
    std::uint32_t keycode;
    std::uint8_t virtualKey;
    int semitone;
};
constexpr std::array<MapRow, 26> kWrittenKeyMap{{
    {"Z", 52, 0x5A, 0},      {"S", 39, 0x53, 1},  {"X", 53, 0x58, 2},  {"D", 40, 0x44, 3},
    {"C", 54, 0x43, 4},      {"V", 55, 0x56, 5},  {"G", 42, 0x47, 6},  {"B", 56, 0x42, 7},
    {"H", 43, 0x48, 8},      {"N", 57, 0x4E, 9},  {"J", 44, 0x4A, 10}, {"M", 58, 0x4D, 11},
    {"comma", 59, 0xBC, 12}, {"Q", 24, 0x51, 12}, {"2", 11, 0x32, 13}, {"W", 25, 0x57, 14},
    {"3", 12, 0x33, 15},     {"E", 26, 0x45, 16}, {"R", 27, 0x52, 17}, {"5", 14, 0x35, 18},
    {"T", 28, 0x54, 19},     {"6", 15, 0x36, 20}, {"Y", 29, 0x59, 21}, {"7", 16, 0x37, 22},
    {"U", 30, 0x55, 23},     {"I", 31, 0x49, 24},
}};

class KeyMapTest : public NoteKeyboardTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        layouts_ = "us";
        start(GetParam());
    }
};

// Every key at the starting octave (5), the lowest (0) and the highest (9) (notes over 127 unsent).
TEST_P(KeyMapTest, EveryKeyPlaysItsSemitoneAboveTheOctave)
{
    for (const int octave : {5, 0, 9}) {
        if (octave != 5) {
            keyboard_->setOctave(octave);
        }
        for (const MapRow& row : kWrittenKeyMap) {
            SCOPED_TRACE(testing::Message() << row.key << " at octave " << octave);
            const int note = octave * 12 + row.semitone;
            const std::optional<char> sent =
                note <= 127 ? std::optional(static_cast<char>(note)) : std::nullopt;
            key(kPress, row.keycode);
            key(kRelease, row.keycode);
            EXPECT_EQ(listener_.takeAll(), played(sent));
            EXPECT_EQ(
                keys::notesForKey(row.virtualKey, octave),
                sent ? std::vector{static_cast<std::uint8_t>(note)} : std::vector<std::uint8_t>{});
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Keymaps, KeyMapTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& row) {
                             return row.param ? "UsKeymap" : "WithoutKeymap";
                         });

TEST_F(NoteKeyboardTest, AHeldKeyPlaysOnceAndEndsOnce)
{
    key(kPress, kZ);
    for (int i = 0; i < 5; ++i) {
        key(kRelease, kZ, 0, 0, true);
        key(kPress, kZ, 0, 0, true);
    }
    key(kRelease, kZ);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(on(60), off(60)));
}

TEST_F(NoteKeyboardTest, ReleaseAfterAnOctaveChangeEndsAtTheNewOctave)
{
    QTest::keyPress(button_, Qt::Key_Z);  // no native codes, as accessibility tools send
    keyboard_->setOctave(3);
    QTest::keyRelease(button_, Qt::Key_Z);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(on(60), off(36)));
}

// Without native codes (accessibility tools, some platforms) the keypad's
// mark alone keeps its 2 from playing as the digit row's.
TEST_F(NoteKeyboardTest, TheKeypadPlaysNothingAlsoWithoutNativeCodes)
{
    QTest::keyClick(button_, Qt::Key_2, Qt::KeypadModifier);
    QTest::keyClick(button_, Qt::Key_2);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(on(73), off(73)));
}

TEST_F(NoteKeyboardTest, LosingTheFocusEndsHeldNotes)
{
    QTest::keyPress(button_, Qt::Key_Z);
    QTest::keyPress(button_, Qt::Key_Q);
    other_->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(other_->hasFocus());
    EXPECT_THAT(listener_.takeAll(), ElementsAre(on(60), on(72), off(60), off(72)));
}

// The release ends the note its key started, though the group changed and Alt went down meanwhile
// (Y of the second group; Z of the first, and a system key with Alt).
TEST_F(NoteKeyboardTest, ReleaseEndsTheNoteItsKeyStarted)
{
    key(kPress, kZ, 0, 1);
    key(kRelease, kZ, kAlt, 0);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(on(81), off(81)));
}

// A new keymap counts once it is announced, or once the control gains the focus again (the key at
// the US Z place: Z in Russian, Y in German, W in French).
TEST_F(NoteKeyboardTest, ANewKeymapIsReadWhenAnnouncedOrOnFocus)
{
    key(kPress, kZ);
    key(kRelease, kZ);
    layouts_ = "de";
    keyboard_->keymapChanged();
    key(kPress, kZ);
    layouts_ = "fr";
    other_->setFocus(Qt::TabFocusReason);
    button_->setFocus(Qt::TabFocusReason);
    key(kPress, kZ);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(on(60), off(60), on(81), off(81), on(74)));
}

struct MenuRow {
    std::string name;
    QStringList path;
    std::vector<std::string> sent;
};

class MenuPickTest : public NoteKeyboardTest, public ::testing::WithParamInterface<MenuRow> {};

// Whatever is picked, the menu is gone afterwards, the window stays and the octave is unchanged.
TEST_P(MenuPickTest, SendsWhatWasPicked)
{
    QSignalSpy finished(&window_, &QDialog::finished);
    pick(GetParam().path);
    EXPECT_EQ(listener_.takeAll(), GetParam().sent);
    EXPECT_EQ(keyboard_->octave(), 5);
    EXPECT_TRUE(window_.findChildren<QMenu*>().isEmpty());
    EXPECT_EQ(finished.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, MenuPickTest,
    ::testing::Values(MenuRow{"program1",
                              {"ProgramChange", "1 - 16", "1: 名前未実装(´･ω･`)"},
                              {{'~', '\xC0', 0, 0, 0}}},
                      MenuRow{"program128",
                              {"ProgramChange", "113 - 128", "128: 名前未実装(´･ω･`)"},
                              {{'~', '\xC0', 0x7F, 0, 0}}},
                      MenuRow{"cancel", {"Cancel"}, {}}, MenuRow{"escape", {}, {}}),
    [](const ::testing::TestParamInfo<MenuRow>& row) { return row.param.name; });

TEST_F(NoteKeyboardTest, OctavePickedInTheMenuIsCheckedNextTimeAndPlayed)
{
    QCursor::setPos(120, 80);
    pick({"Octave", "3"});
    QStringList checked;
    pick({}, [&checked](QMenu* menu) {
        EXPECT_EQ(menu->pos(), QPoint(120, 80));
        for (const QAction* action : menu->findChild<QMenu*>("octaveMenu")->actions()) {
            if (action->isChecked()) {
                checked << action->text();
            }
        }
    });
    EXPECT_EQ(checked, QStringList{"3"});
    key(kPress, kZ);
    key(kRelease, kZ);
    EXPECT_THAT(listener_.takeAll(), ElementsAre(on(36), off(36)));
}

}  // namespace
}  // namespace gui
