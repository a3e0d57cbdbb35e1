#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>

#include "keys/XkbKeymap.h"

namespace gui {

// The keymap of the display the application shows on, where one can be
// read: the X server's, through Qt's X11 connection. Watches the X events
// for a new keymap and says so with changed(). On other platforms (Wayland,
// offscreen) there is none, and read() gives nothing.
class SystemKeymap final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit SystemKeymap(QObject* parent = nullptr);
    ~SystemKeymap() override;
    SystemKeymap(const SystemKeymap&) = delete;
    SystemKeymap& operator=(const SystemKeymap&) = delete;

    // The keymap as the server has it now, read afresh.
    [[nodiscard]] std::shared_ptr<const keys::XkbKeymap> read() const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    // The server's keymap changed (several times in a row, often).
    void changed();

private:
    xcb_connection_t* connection_ = nullptr;
    std::optional<std::uint8_t> eventBase_;
};

}  // namespace gui
