#include "gui/NoteKeyboard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <utility>

#include "keys/KeyMap.h"
#include "keys/XkbKeymap.h"
#include "midi/ShortMessage.h"

namespace gui {

using namespace keys;
namespace {

// Keys the window handles before any control would: moving the focus,
// closing, and the default button.
bool isWindowKey(int key) noexcept
{
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;
        default:
            return false;
    }
}

// The layout group of an X11 event's state (bits 13 and 14).
constexpr std::uint32_t groupOfState(std::uint32_t state) noexcept
{
    return (state >> 13U) & 3U;
}

}  // namespace

NoteKeyboard::NoteKeyboard(QWidget* control, Send send, KeymapSource keymaps)
    : QObject(control), control_(control), send_(std::move(send)), keymaps_(std::move(keymaps))
{
    setObjectName(QStringLiteral("keyboardControl"));
    control_->installEventFilter(this);
}

bool NoteKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == control_) {
        return keyboardControlHandler(event);
    }
    return QObject::eventFilter(watched, event);
}

bool NoteKeyboard::keyboardControlHandler(QEvent* event)
{
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Claim the key before the window's shortcuts see it, so it arrives
            // here as a key press. System keys stay the window's mnemonics.
            auto* key = static_cast<QKeyEvent*>(event);
            if (isWindowKey(key->key()) || identify(*key).system) {
                return false;
            }
            key->accept();
            return true;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (isWindowKey(key->key())) {
                return false;
            }
            const VirtualKey identity = identify(*key);
            // A key passed on is left unaccepted, so that it goes on to the
            // window; the control itself never sees it.
            key->setAccepted(event->type() == QEvent::KeyPress ? keyPressed(*key, identity)
                                                               : keyReleased(*key, identity));
            return true;
        }
        case QEvent::FocusIn:
            // The layout may have changed while the focus was elsewhere.
            keymapStale_ = true;
            return false;
        case QEvent::FocusOut:
            // The release of a key held now would go elsewhere: end its notes.
            releaseHeldKeys();
            return false;
        default:
            return false;
    }
}

VirtualKey NoteKeyboard::identify(const QKeyEvent& key)
{
    if (keymapStale_) {
        keymap_ = keymaps_ ? keymaps_() : nullptr;
        keymapStale_ = false;
    }
    // On X11 (and Wayland) the native codes are the X keycode, the keysym and
    // the X state with the layout group.
    KeyEventFacts facts{.keycode = key.nativeScanCode(),
                        .keysym = key.nativeVirtualKey(),
                        .alt = key.modifiers().testFlag(Qt::AltModifier),
                        .control = key.modifiers().testFlag(Qt::ControlModifier),
                        .keypad = key.modifiers().testFlag(Qt::KeypadModifier)};
    if (facts.keycode == 0 && facts.keysym == 0 && key.key() >= 0x20 && key.key() <= 0x7E) {
        // An event made without native codes: Qt's code of a printable ASCII
        // key is its keysym (the capital, for a letter).
        facts.keysym = static_cast<std::uint32_t>(key.key());
    }
    std::optional<LayoutFacts> layout;
    if (keymap_ && facts.keycode != 0) {
        layout = keymap_->layoutFacts(facts.keycode, groupOfState(key.nativeModifiers()));
    }
    return virtualKeyOf(facts, layout);
}

bool NoteKeyboard::keyPressed(const QKeyEvent& key, VirtualKey identity)
{
    if (identity.system) {
        return false;
    }
    // An automatic repeat comes as a release and a press, both marked: the
    // key stays down, so neither plays anything.
    if (key.isAutoRepeat() || identity.code == 0) {
        return true;
    }
    const std::uint32_t scanCode = key.nativeScanCode();
    if (findHeld(scanCode, identity.code) == held_.end()) {
        held_.push_back(HeldKey{scanCode, identity.code});
    }
    sendNotes(identity.code, true);
    return true;
}

std::vector<NoteKeyboard::HeldKey>::iterator NoteKeyboard::findHeld(std::uint32_t scanCode,
                                                                    std::uint8_t virtualKey)
{
    return std::ranges::find_if(held_, [&](const HeldKey& h) {
        return scanCode != 0 ? h.scanCode == scanCode : h.virtualKey == virtualKey;
    });
}

bool NoteKeyboard::keyReleased(const QKeyEvent& key, VirtualKey identity)
{
    if (key.isAutoRepeat()) {
        return !identity.system;
    }
    const std::uint32_t scanCode = key.nativeScanCode();
    const auto held = findHeld(scanCode, identity.code);
    if (held != held_.end()) {
        const std::uint8_t virtualKey = held->virtualKey;
        held_.erase(held);
        sendNotes(virtualKey, false);
        return true;
    }
    if (identity.system) {
        return false;
    }
    // A release is sent even for a key not seen going down: a second
    // velocity-0 message is harmless, a missing one leaves a note sounding.
    if (identity.code != 0) {
        sendNotes(identity.code, false);
    }
    return true;
}

void NoteKeyboard::releaseHeldKeys()
{
    for (const HeldKey& held : std::exchange(held_, {})) {
        sendNotes(held.virtualKey, false);
    }
}

void NoteKeyboard::sendNotes(std::uint8_t virtualKey, bool pressed)
{
    if (!send_) {
        return;
    }
    for (const std::uint8_t note : notesForKey(virtualKey, octave_)) {
        send_(midi::noteOn(note, pressed));
    }
}

}  // namespace gui
