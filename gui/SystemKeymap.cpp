#include "gui/SystemKeymap.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>

namespace gui {

using namespace keys;

SystemKeymap::SystemKeymap(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("systemKeymap"));
    const auto* x11 = qGuiApp == nullptr
                          ? nullptr
                          : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return;
    }
    connection_ = x11->connection();
    eventBase_ = XkbKeymap::x11EventBase(connection_);
    if (eventBase_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

SystemKeymap::~SystemKeymap()
{
    if (eventBase_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

std::shared_ptr<const XkbKeymap> SystemKeymap::read() const
{
    return eventBase_ ? XkbKeymap::fromX11(connection_) : nullptr;
}

bool SystemKeymap::nativeEventFilter(const QByteArray& eventType, void* message,
                                     qintptr* /*result*/)
{
    if (eventType == "xcb_generic_event_t" && XkbKeymap::isX11KeymapChange(message, *eventBase_)) {
        Q_EMIT changed();
    }
    return false;  // Qt reads the new keymap too
}

}  // namespace gui
