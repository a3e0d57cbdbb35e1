#pragma once

// Identifiers of the windows, controls, icons and commands. Each control's
// object name is its identifier's name ("IDC_LOG"), so tests and the
// window code find it by that name.

namespace res {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

inline constexpr int IDI_APP = 101;
inline constexpr int IDM_ABOUT = 4661;

inline constexpr int IDC_LOG = 1000;
inline constexpr int IDC_MESSAGE = 1001;
inline constexpr int IDC_SEND = 1004;
inline constexpr int IDC_PORT = 1005;
inline constexpr int IDC_LISTEN = 1006;
inline constexpr int IDC_TARGET = 1008;
inline constexpr int IDC_TO_ALL = 1010;
inline constexpr int IDC_DEVICE_LIST = 1011;
inline constexpr int IDC_DEVICE_PROMPT = 1012;
inline constexpr int IDC_MIDI_IN = 1016;
inline constexpr int IDC_MIDI_OUT = 1017;
inline constexpr int IDC_KEYBOARD = 1018;
inline constexpr int IDC_TALK_SOUND = 1021;

// Controls of the About window that have no identifier of their own.
inline constexpr int IDC_STATIC = -1;

}  // namespace res
