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

inline constexpr UINT RID_HEADER = 0x10000005;
inline constexpr UINT RID_INPUT = 0x10000003;

inline constexpr DWORD RIDEV_REMOVE = 0x00000001;
inline constexpr DWORD RIDEV_INPUTSINK = 0x00000100;

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
// (usage page 1, usage 6); the number of windows reached.
int DeliverRawKeyboard(const RAWKEYBOARD& report);
} // namespace platform
