#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace res {

// What kind of control a template row creates.
enum class ControlKind : std::uint8_t {
    ListBox,
    PushButton,
    DefaultPushButton,
    FlatPushButton,
    CheckBox,          // automatic check box
    PushLikeCheckBox,  // check box drawn as a push button; only the program checks it
    Edit,
    ComboBox,  // drop-down: editable field plus list
    GroupBox,
    Static,
};

// Control style bits (ours, not any platform's numbers).
enum ControlStyle : std::uint32_t {
    StyleNone = 0,
    TabStop = 1u << 0,
    VScroll = 1u << 1,     // lists show their vertical scroll bar
    DigitsOnly = 1u << 2,  // edit fields take digits alone
    Centered = 1u << 3,    // text centred horizontally and vertically
    Sunken = 1u << 4,
};

// Window style bits (ours). Every window is centred when it first shows.
enum WindowStyle : std::uint32_t {
    WindowNone = 0,
    HasCaption = 1u << 0,    // a title bar; without it, no frame at all
    SystemMenu = 1u << 1,    // the window menu and the close button
    SizingBorder = 1u << 2,  // resizable, never below the template's size
    MinimizeBox = 1u << 3,
    MaximizeBox = 1u << 4,
    ThinBorder = 1u << 5,  // a one-pixel border (windows without a caption)
    ToolWindow = 1u << 6,  // a small tool window's title bar
};

// One control of a window template. Position and size are in dialog units.
struct ControlTemplate {
    ControlKind kind{};
    int id{};
    std::string_view name;     // identifier name, used as the widget's object name
    std::string_view caption;  // UTF-8
    std::uint32_t style{};
    int x{};
    int y{};
    int width{};
    int height{};
    // What a screen reader speaks: the name (empty: the caption speaks for
    // the control) and a description of what the control does.
    std::string_view accessibleName;
    std::string_view accessibleDescription;
};

// A window template: the window's own properties and its controls in tab order.
struct DialogTemplate {
    std::string_view name;     // identifier name, used as the window's object name
    std::string_view caption;  // UTF-8
    std::string_view fontFamily;
    int pointSize{};
    int width{};  // dialog units
    int height{};
    std::uint32_t style{};
    std::span<const ControlTemplate> controls;
};

}  // namespace res
