#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QEvent;
class QKeyEvent;
class QWidget;

namespace midi {

// Turns the computer keyboard into a note keyboard while the control it is
// installed on has the focus: a mapped key sends a Note On at velocity 127
// when pressed and at velocity 0 when released, at the control's octave.
// Every key except focus movement (Tab, Backtab) and the window's own keys
// (Escape, Return, Enter) is kept from the control, so the space bar does not
// click it and no character reaches anything.
//
// It installs itself as the control's event filter and is owned by the
// control.
class KeyboardControl final : public QObject {
    Q_OBJECT

public:
    // Hands one packed MIDI short message to whoever sends it to the targets.
    using Send = std::function<void(std::uint32_t)>;

    static constexpr int kInitialOctave = 5;

    KeyboardControl(QWidget* control, Send send);

    [[nodiscard]] int octave() const noexcept { return octave_; }
    // Any value is stored; the note arithmetic uses its low byte.
    void setOctave(int octave) noexcept { octave_ = octave; }

    [[nodiscard]] QWidget* control() const noexcept { return control_; }

    // Handles one event for the control; true when the control must not see
    // it.
    bool keyboardControlHandler(QEvent* event);

    // Sends the velocity-0 of every key held now, as if each was released.
    void releaseHeldKeys();

    // The Windows-style virtual-key code of a Qt key, if the key map can use
    // it.
    [[nodiscard]] static std::optional<std::uint8_t> virtualKeyOf(int qtKey) noexcept;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A key pressed and not yet released. The physical key (scan code) is
    // remembered so that a release reported under another key code, after a
    // modifier changed, still ends the note it started.
    struct HeldKey {
        std::uint32_t scanCode{};
        std::uint8_t virtualKey{};
    };

    void keyPressed(const QKeyEvent& key);
    void keyReleased(const QKeyEvent& key);
    void sendNotes(std::uint8_t virtualKey, bool pressed);

    QWidget* control_ = nullptr;
    Send send_;
    int octave_ = kInitialOctave;
    std::vector<HeldKey> held_;
};

}  // namespace midi
