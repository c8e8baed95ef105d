#pragma once
// MessageBoxW: a modal dialog with a text, an icon and the buttons the type asks for. It is a
// dialog of the window layer like any other (shown on the display, hit-testable on the
// headless one: its buttons are children with the ids IDOK, IDCANCEL, IDYES...), run modally
// for the owner; the answer is the id of the button chosen.

#include "platform/base/WinTypes.h"
#include "platform/ui/WinUser.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_TOPMOST = 0x00040000;

// The window class of message boxes is the dialog class; their title is the caption given
// ("Error" when null). That default and the buttons' captions are in the program's language
// (platform/ui/StandardText.h); the buttons are as wide as their longest caption needs. Escape and the close box answer IDCANCEL where there is a Cancel
// button (IDOK for a box with only OK) and do nothing otherwise. Returns 0 when the box could
// not be shown.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

namespace platform {
// The message box's text control (an owner-drawn static), for tests reading the text.
inline constexpr int kMessageBoxTextId = 0xFFFF;
} // namespace platform
