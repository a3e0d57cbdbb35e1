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
    Border = 1u << 1,
    VScroll = 1u << 2,
    AutoHScroll = 1u << 3,  // edit fields scroll horizontally
    DigitsOnly = 1u << 4,
    Notify = 1u << 5,
    NoIntegralHeight = 1u << 6,
    Centered = 1u << 7,  // text centred horizontally and vertically
    Sunken = 1u << 8,
};

// Window style bits.
enum WindowStyle : std::uint32_t {
    WindowNone = 0,
    HasCaption = 1u << 0,
    SystemMenu = 1u << 1,
    SizingBorder = 1u << 2,
    MinimizeBox = 1u << 3,
    MaximizeBox = 1u << 4,
    ModalFrame = 1u << 5,
    ThinBorder = 1u << 6,
    ToolWindow = 1u << 7,
    SunkenClientEdge = 1u << 8,
    CenterOnScreen = 1u << 9,
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
    int id{};
    std::string_view caption;  // UTF-8
    std::string_view fontFamily;
    int pointSize{};
    int width{};  // dialog units
    int height{};
    std::uint32_t style{};
    std::span<const ControlTemplate> controls;
};

}  // namespace res
