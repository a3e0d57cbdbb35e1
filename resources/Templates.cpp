#include "resources/Templates.h"

#include <array>

#include "resources/ResourceIds.h"

namespace res {
namespace {

constexpr std::string_view kTemplateFont = "ＭＳ Ｐゴシック";

constexpr std::uint32_t kListStyle = TabStop | VScroll;

constexpr std::array kMainControls{
    ControlTemplate{ControlKind::ListBox, IDC_LOG, "IDC_LOG", "", kListStyle, 5, 5, 135, 105, "Log",
                    "Text messages received while listening, one a line: address:port>text"},
    ControlTemplate{ControlKind::PushButton, IDOK, "IDOK", "Exit", TabStop, 145, 5, 50, 14, "",
                    "Ends Mirevo"},
    ControlTemplate{ControlKind::PushButton, IDCANCEL, "IDCANCEL", "Erase log", TabStop, 145, 25,
                    50, 14, "", "Empties the log"},
    ControlTemplate{ControlKind::Edit, IDC_PORT, "IDC_PORT", "", TabStop | DigitsOnly, 145, 41, 25,
                    14, "Port", "UDP port to listen on"},
    // Its caption, Start or Stop, is its name.
    ControlTemplate{ControlKind::PushButton, IDC_LISTEN, "IDC_LISTEN", "Start", TabStop, 170, 41,
                    25, 14, "", "Starts or stops listening on the port"},
    ControlTemplate{ControlKind::CheckBox, IDC_TALK_SOUND, "IDC_TALK_SOUND", "TalkSound", TabStop,
                    145, 60, 50, 10, "", "Beeps when a text message arrives"},
    ControlTemplate{ControlKind::PushLikeCheckBox, IDC_MIDI_IN, "IDC_MIDI_IN", "MIDI IN", TabStop,
                    145, 75, 50, 15, "",
                    "Opens or closes the MIDI input, whose messages go to the target"},
    ControlTemplate{ControlKind::PushLikeCheckBox, IDC_MIDI_OUT, "IDC_MIDI_OUT", "MIDI OUT",
                    TabStop, 145, 95, 50, 15, "",
                    "Opens or closes the MIDI output, which plays the MIDI received"},
    // The height includes the dropped-down list.
    ControlTemplate{ControlKind::ComboBox, IDC_TARGET, "IDC_TARGET", "", TabStop | VScroll, 5, 115,
                    140, 65, "Target",
                    "Where to send, written host:port; the list holds every target sent to"},
    ControlTemplate{ControlKind::CheckBox, IDC_TO_ALL, "IDC_TO_ALL", "ToAllOfList", TabStop, 146,
                    117, 49, 10, "", "Sends to every target in the list instead of the typed one"},
    ControlTemplate{ControlKind::Edit, IDC_MESSAGE, "IDC_MESSAGE", "", TabStop, 5, 130, 115, 14,
                    "Message", "Text to send; Enter sends it"},
    ControlTemplate{ControlKind::FlatPushButton, IDC_KEYBOARD, "IDC_KEYBOARD", "鍵盤", TabStop, 120,
                    130, 25, 14, "Keyboard",
                    "While it has the focus the computer keys play notes; click it for programs "
                    "and octaves"},
    ControlTemplate{ControlKind::DefaultPushButton, IDC_SEND, "IDC_SEND", "Send", TabStop, 145, 130,
                    50, 14, "", "Sends the message to the target"},
};

constexpr DialogTemplate kMain{
    "IDD_MAIN",
    "Mirevo",
    kTemplateFont,
    9,
    198,
    148,
    HasCaption | SystemMenu | SizingBorder | MinimizeBox,
    kMainControls,
};

constexpr std::array kSelectDeviceControls{
    ControlTemplate{ControlKind::DefaultPushButton, IDOK, "IDOK", "OK", TabStop, 110, 40, 50, 14,
                    "", "Opens the chosen device"},
    ControlTemplate{ControlKind::PushButton, IDCANCEL, "IDCANCEL", "ｷｬﾝｾﾙ", TabStop, 110, 55, 50,
                    14, "Cancel", "Closes without choosing a device"},
    ControlTemplate{ControlKind::ListBox, IDC_DEVICE_LIST, "IDC_DEVICE_LIST", "", kListStyle, 5, 20,
                    100, 50, "Devices", "The MIDI devices to choose from"},
    // Its text, set when the window opens, is its name.
    ControlTemplate{ControlKind::Static, IDC_DEVICE_PROMPT, "IDC_DEVICE_PROMPT", "",
                    Centered | Sunken, 5, 5, 155, 10, "", "Which kind of device to choose"},
};

constexpr DialogTemplate kSelectDevice{
    "IDD_SELECT_DEVICE", "", kTemplateFont, 9, 163, 75, ThinBorder, kSelectDeviceControls,
};

constexpr std::array kAboutControls{
    ControlTemplate{ControlKind::GroupBox, IDC_STATIC, "IDC_LOGO", "", StyleNone, 11, 5, 125, 40,
                    "Mirevo logo", "A keyboard sending waves to the network"},
    ControlTemplate{ControlKind::Static, IDC_STATIC, "IDC_CREDIT",
                    "Mirevo " MIREVO_VERSION " by the Mirevo developers", Centered, 5, 50, 135, 10,
                    "", "Version and credit"},
    ControlTemplate{ControlKind::DefaultPushButton, IDCANCEL, "IDCANCEL", "Close", TabStop, 46, 65,
                    50, 14, "", "Closes this window"},
};

constexpr DialogTemplate kAbout{
    "IDD_ABOUT",
    "About Mirevo...",
    kTemplateFont,
    12,
    143,
    84,
    HasCaption | SystemMenu | ToolWindow,
    kAboutControls,
};

}  // namespace

const DialogTemplate& mainWindowTemplate() noexcept
{
    return kMain;
}
const DialogTemplate& selectDeviceTemplate() noexcept
{
    return kSelectDevice;
}
const DialogTemplate& aboutTemplate() noexcept
{
    return kAbout;
}

}  // namespace res
