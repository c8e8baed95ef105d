#pragma once
// Raw input: windows register for keyboard (or mouse) reports and receive them as WM_INPUT
// with an HRAWINPUT in lParam, read with GetRawInputData. The headless display delivers
// reports that tests queue with platform::StoreRawInput.

#include "platform/base/Keyboard.h"
#include "platform/base/WinTypes.h"

struct HRAWINPUT__;
using HRAWINPUT = HRAWINPUT__*;

inline constexpr DWORD RIM_TYPEMOUSE = 0;
inline constexpr DWORD RIM_TYPEKEYBOARD = 1;
inline constexpr DWORD RIM_TYPEHID = 2;

// WM_INPUT's wParam (low byte): the input came while the program was in the foreground, or
// reached it only because it asked for input in the background (RIDEV_INPUTSINK).
inline constexpr WPARAM RIM_INPUT = 0;
inline constexpr WPARAM RIM_INPUTSINK = 1;
inline constexpr WPARAM GET_RAWINPUT_CODE_WPARAM(WPARAM wParam) {
    return wParam & 0xFF;
}

inline constexpr UINT RID_HEADER = 0x10000005;
inline constexpr UINT RID_INPUT = 0x10000003;

inline constexpr DWORD RIDEV_REMOVE = 0x00000001;
inline constexpr DWORD RIDEV_NOLEGACY = 0x00000030;
inline constexpr DWORD RIDEV_INPUTSINK = 0x00000100;

// A mouse report: the button transitions of one report in usButtonFlags.
struct RAWMOUSE {
    USHORT usFlags = 0;
    USHORT usButtonFlags = 0;
    USHORT usButtonData = 0;
    ULONG ulRawButtons = 0;
    LONG lLastX = 0;
    LONG lLastY = 0;
    ULONG ulExtraInformation = 0;
};
inline constexpr USHORT RI_MOUSE_LEFT_BUTTON_DOWN = 0x0001;
inline constexpr USHORT RI_MOUSE_LEFT_BUTTON_UP = 0x0002;
inline constexpr USHORT RI_MOUSE_RIGHT_BUTTON_DOWN = 0x0004;
inline constexpr USHORT RI_MOUSE_RIGHT_BUTTON_UP = 0x0008;
inline constexpr USHORT RI_MOUSE_MIDDLE_BUTTON_DOWN = 0x0010;
inline constexpr USHORT RI_MOUSE_MIDDLE_BUTTON_UP = 0x0020;
inline constexpr USHORT RI_MOUSE_BUTTON_4_DOWN = 0x0040;
inline constexpr USHORT RI_MOUSE_BUTTON_4_UP = 0x0080;
inline constexpr USHORT RI_MOUSE_BUTTON_5_DOWN = 0x0100;
inline constexpr USHORT RI_MOUSE_BUTTON_5_UP = 0x0200;
inline constexpr USHORT RI_MOUSE_WHEEL = 0x0400;

struct RAWINPUTHEADER {
    DWORD dwType = 0;
    DWORD dwSize = 0;
    HANDLE hDevice = nullptr;
    WPARAM wParam = 0;
};

struct RAWINPUT {
    RAWINPUTHEADER header;
    union {
        RAWKEYBOARD keyboard;
        RAWMOUSE mouse;
    } data{};
};
using PRAWINPUT = RAWINPUT*;

struct RAWINPUTDEVICE {
    USHORT usUsagePage = 0;
    USHORT usUsage = 0;
    DWORD dwFlags = 0;
    HWND hwndTarget = nullptr;
};
using PCRAWINPUTDEVICE = const RAWINPUTDEVICE*;

// Adds (or, with RIDEV_REMOVE, drops) the process's registration for each usage page and
// usage; a later registration of the same pair replaces the earlier one.
BOOL RegisterRawInputDevices(PCRAWINPUTDEVICE devices, UINT count, UINT size);
// With a null buffer or too small a count: *count = the number registered, returns -1 for a
// short buffer (0 with a null buffer). Otherwise copies them and returns their number.
UINT GetRegisteredRawInputDevices(RAWINPUTDEVICE* devices, UINT* count, UINT size);
// RID_INPUT copies the whole report, RID_HEADER its header. With a null buffer *size becomes
// the bytes needed and the result is 0; a short buffer or a bad handle gives (UINT)-1.
UINT GetRawInputData(HRAWINPUT input, UINT command, void* data, UINT* size, UINT headerSize);

namespace platform {
// Keeps a report for delivery and returns its handle (the most recent 256 are kept).
HRAWINPUT StoreRawInput(const RAWINPUT& input);
// Posts a keyboard report as WM_INPUT to every window registered for the keyboard
// (usage page 1, usage 6); the number of windows reached. Input that reached the desktop
// while no window of the program was active (foreground false) goes only to the
// registrations with RIDEV_INPUTSINK, with RIM_INPUTSINK in wParam.
int DeliverRawKeyboard(const RAWKEYBOARD& report, bool foreground = true);
// The same for a mouse report, to the windows registered for the mouse (usage 2).
int DeliverRawMouse(const RAWMOUSE& report, bool foreground = true);

// What the displays deliver for the desktop's keyboard and mouse: the foreground state is
// the program's (one of its windows active).
int DeliverDesktopRawKeyboard(const RAWKEYBOARD& report);
int DeliverDesktopRawMouse(const RAWMOUSE& report);

// The keyboard report of a key going down or up: the virtual key as given (modifiers keep
// their side), its scan code in the active layout and the E0 prefix for the extended keys.
RAWKEYBOARD RawKeyboardReport(int virtualKey, bool down);
// The mouse report of one button transition (button 1 left, 2 right, 3 middle, 4 and 5 the
// side buttons); zero flags for another button.
RAWMOUSE RawMouseButtonReport(int button, bool down);

// True while the keyboard is registered with RIDEV_NOLEGACY for that window (or for whichever
// window has the focus): keys then make no key messages (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN,
// WM_SYSKEYUP) for it, only raw input.
bool KeyboardLegacyMessagesSuppressed(HWND target);
} // namespace platform
