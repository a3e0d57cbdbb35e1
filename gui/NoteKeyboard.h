#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "keys/VirtualKey.h"

class QEvent;
class QKeyEvent;
class QWidget;

namespace keys {
class XkbKeymap;
}  // namespace keys

namespace gui {

// Turns the computer keyboard into a note keyboard while the control it is
// installed on has the focus: a mapped key sends a Note On at velocity 127
// when pressed and at velocity 0 when released, at the control's octave.
// Keys are known by their Windows-style virtual-key codes, so every keyboard
// layout plays the same physical keys (see keys/VirtualKey.h); the active keymap
// tells which letter a layout puts on a key.
//
// Focus movement (Tab, Backtab) and the window's own keys (Escape, Return,
// Enter) go on to the window as usual, and so do system keys (Alt held
// without Control), which the control itself never sees. Every other key is
// kept from the control, so the space bar does not click it and no character
// reaches anything.
//
// It installs itself as the control's event filter and is owned by the
// control.
class NoteKeyboard final : public QObject {
    Q_OBJECT

public:
    // Hands one packed MIDI short message to whoever sends it to the targets.
    using Send = std::function<void(std::uint32_t)>;
    // Reads the active keymap; nothing when none can be had, and the keys are
    // then known from the events alone.
    using KeymapSource = std::function<std::shared_ptr<const keys::XkbKeymap>()>;

    static constexpr int kInitialOctave = 5;

    NoteKeyboard(QWidget* control, Send send, KeymapSource keymaps = {});

    [[nodiscard]] int octave() const noexcept { return octave_; }
    // Any value is stored; the note arithmetic uses its low byte.
    void setOctave(int octave) noexcept { octave_ = octave; }

    [[nodiscard]] QWidget* control() const noexcept { return control_; }

    // The keymap may have changed: it is read again before the next key. It is
    // read again too whenever the control gains the focus.
    void keymapChanged() noexcept { keymapStale_ = true; }

    // Handles one event for the control; true when the control must not see
    // it.
    bool keyboardControlHandler(QEvent* event);

    // Sends the velocity-0 of every key held now, as if each was released.
    void releaseHeldKeys();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A key pressed and not yet released. The physical key (scan code) is
    // remembered so that its release ends the note it started, whatever the
    // modifiers or the layout group say by then.
    struct HeldKey {
        std::uint32_t scanCode{};
        std::uint8_t virtualKey{};
    };

    [[nodiscard]] keys::VirtualKey identify(const QKeyEvent& key);
    // Both return false for a key passed on to the window.
    bool keyPressed(const QKeyEvent& key, keys::VirtualKey identity);
    bool keyReleased(const QKeyEvent& key, keys::VirtualKey identity);
    void sendNotes(std::uint8_t virtualKey, bool pressed);
    // The held key this is: by its scan code, or by its identity when the
    // event has none.
    [[nodiscard]] std::vector<HeldKey>::iterator findHeld(std::uint32_t scanCode,
                                                          std::uint8_t virtualKey);

    QWidget* control_ = nullptr;
    Send send_;
    KeymapSource keymaps_;
    std::shared_ptr<const keys::XkbKeymap> keymap_;
    bool keymapStale_ = true;
    int octave_ = kInitialOctave;
    std::vector<HeldKey> held_;
};

}  // namespace gui
