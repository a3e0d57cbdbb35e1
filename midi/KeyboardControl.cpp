#include "midi/KeyboardControl.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <utility>

#include "midi/KeyMap.h"
#include "midi/ShortMessage.h"

namespace midi {
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

}  // namespace

KeyboardControl::KeyboardControl(QWidget* control, Send send)
    : QObject(control), control_(control), send_(std::move(send))
{
    setObjectName(QStringLiteral("keyboardControl"));
    control_->installEventFilter(this);
}

std::optional<std::uint8_t> KeyboardControl::virtualKeyOf(int qtKey) noexcept
{
    // Letters and digits have the same codes in both worlds.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<std::uint8_t>(qtKey);
    }
    if (qtKey == Qt::Key_Comma) {
        return kVirtualKeyComma;
    }
    return std::nullopt;
}

bool KeyboardControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == control_) {
        return keyboardControlHandler(event);
    }
    return QObject::eventFilter(watched, event);
}

bool KeyboardControl::keyboardControlHandler(QEvent* event)
{
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Claim the key before the window's shortcuts see it, so it arrives
            // here as a key press. Alt combinations stay the window's mnemonics.
            auto* key = static_cast<QKeyEvent*>(event);
            if (isWindowKey(key->key()) || key->modifiers().testFlag(Qt::AltModifier)) {
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
            // An automatic repeat comes as a release and a press, both marked:
            // the key stays down, so neither plays anything.
            if (!key->isAutoRepeat()) {
                if (event->type() == QEvent::KeyPress) {
                    keyPressed(*key);
                } else {
                    keyReleased(*key);
                }
            }
            key->accept();
            return true;
        }
        case QEvent::FocusOut:
            // The release of a key held now would go elsewhere: end its notes.
            releaseHeldKeys();
            return false;
        default:
            return false;
    }
}

void KeyboardControl::keyPressed(const QKeyEvent& key)
{
    const std::optional<std::uint8_t> virtualKey = virtualKeyOf(key.key());
    if (!virtualKey) {
        return;
    }
    const std::uint32_t scanCode = key.nativeScanCode();
    const bool alreadyHeld = std::any_of(held_.begin(), held_.end(), [&](const HeldKey& h) {
        return scanCode != 0 ? h.scanCode == scanCode : h.virtualKey == *virtualKey;
    });
    if (!alreadyHeld) {
        held_.push_back(HeldKey{scanCode, *virtualKey});
    }
    sendNotes(*virtualKey, true);
}

void KeyboardControl::keyReleased(const QKeyEvent& key)
{
    std::optional<std::uint8_t> virtualKey = virtualKeyOf(key.key());
    const std::uint32_t scanCode = key.nativeScanCode();
    const auto held = std::find_if(held_.begin(), held_.end(), [&](const HeldKey& h) {
        return scanCode != 0 ? h.scanCode == scanCode : virtualKey && h.virtualKey == *virtualKey;
    });
    if (held != held_.end()) {
        virtualKey = held->virtualKey;
        held_.erase(held);
    }
    // A release is sent even for a key not seen going down: a second
    // velocity-0 message is harmless, a missing one leaves a note sounding.
    if (virtualKey) {
        sendNotes(*virtualKey, false);
    }
}

void KeyboardControl::releaseHeldKeys()
{
    for (const HeldKey& held : std::exchange(held_, {})) {
        sendNotes(held.virtualKey, false);
    }
}

void KeyboardControl::sendNotes(std::uint8_t virtualKey, bool pressed)
{
    if (!send_) {
        return;
    }
    for (const std::uint8_t note : notesForKey(virtualKey, octave_)) {
        send_(noteOn(note, pressed));
    }
}

}  // namespace midi
