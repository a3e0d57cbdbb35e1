#pragma once

#include <QIcon>
#include <QString>

namespace gui {

// The name of the desktop entry, the AppStream metainfo and the icon in the
// icon theme, as installed.
inline constexpr char kDesktopId[] = "org.mirevo.Mirevo";

// The application icon (IDI_APP): every PNG size compiled into the program,
// 16 and 32 pixels among them, so that window managers and high-DPI screens
// pick a sharp one.
[[nodiscard]] QIcon applicationIcon();

}  // namespace gui
