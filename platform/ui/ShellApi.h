#pragma once
// The notification-area icon: Shell_NotifyIconW with its record, and the "TaskbarCreated"
// broadcast that tells programs to add their icons again.
//
// Each icon belongs to a window and an id. Mouse input on the icon reaches the window as the
// icon's callback message: wParam the id and lParam the mouse message (WM_LBUTTONDOWN,
// WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTON*), posted after
// the cursor position was set to where the icon was clicked (GetCursorPos). With
// NOTIFYICON_VERSION_4 set, lParam holds the message in its low word and the id in its high
// word, and wParam the point.
//
// On the headless display the icons are kept in memory, laid out in a row at the bottom right
// of the screen, and tests click them (platform::ClickTrayIcon). On X11 each icon is an icon
// window docked with the desktop's system tray; while there is none the icon waits and
// docks when a tray appears, and every top-level window is then sent "TaskbarCreated".

#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"
#include "platform/ui/ShellBackend.h"

#include <vector>

inline constexpr DWORD NIM_ADD = 0x00000000;
inline constexpr DWORD NIM_MODIFY = 0x00000001;
inline constexpr DWORD NIM_DELETE = 0x00000002;
inline constexpr DWORD NIM_SETFOCUS = 0x00000003;
inline constexpr DWORD NIM_SETVERSION = 0x00000004;

inline constexpr UINT NIF_MESSAGE = 0x00000001;
inline constexpr UINT NIF_ICON = 0x00000002;
inline constexpr UINT NIF_TIP = 0x00000004;
inline constexpr UINT NIF_STATE = 0x00000008;
inline constexpr UINT NIF_INFO = 0x00000010;

inline constexpr UINT NOTIFYICON_VERSION = 3;
inline constexpr UINT NOTIFYICON_VERSION_4 = 4;

// Sizes of the record's generations as cbSize gives them: the first has a 64-character tip,
// the later ones a 128-character tip.
inline constexpr DWORD NOTIFYICONDATAW_V1_SIZE = 152;
inline constexpr DWORD NOTIFYICONDATAW_V2_SIZE = 936;
inline constexpr DWORD NOTIFYICONDATAW_V3_SIZE = 952;

struct NOTIFYICONDATAW {
    DWORD cbSize = 0;
    HWND hWnd = nullptr;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = nullptr;
    WCHAR szTip[128] = {};
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    WCHAR szInfo[256] = {};
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    WCHAR szInfoTitle[64] = {};
    DWORD dwInfoFlags = 0;
    GUID guidItem{};
    HICON hBalloonIcon = nullptr;
    NOTIFYICONDATAW() : uVersion(0) {}
};
using PNOTIFYICONDATAW = NOTIFYICONDATAW*;

// NIM_ADD (fails when the window already has an icon of that id, or the window is not one),
// NIM_MODIFY and NIM_DELETE (fail when there is no such icon), NIM_SETVERSION (uVersion 0, 3
// or 4). The tip is read up to its terminator within the field (64 characters for a first-
// generation cbSize, else 128), cut before the last character when the field is full, and
// never inside a surrogate pair. A cbSize below the first generation's fails.
BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data);

namespace platform {

// The icons of the notification area, in the order they were added (icons of windows that are
// gone are dropped).
std::vector<TrayIconRecord> GetTrayIcons();
// Where the icon is on the headless screen (24 x 24 pixels, in a row leftwards from the
// bottom right corner); FALSE when there is no such icon.
BOOL GetTrayIconRect(HWND hwnd, UINT id, RECT* rect);

enum class TrayClick { Left, Right, Middle, Double };
// Clicks the icon: sets the cursor to its centre and posts the callback messages of the
// click (left: down, up; right: down, up; double: down, up, double click, up). Nothing is
// pumped. FALSE when there is no such icon.
BOOL ClickTrayIcon(HWND hwnd, UINT id, TrayClick click);
// Posts one mouse message of an icon to its window as its callback message, the cursor at
// the given screen point (also used by the desktop backends).
void DeliverTrayMouseMessage(const TrayIconRecord& icon, UINT mouseMessage, POINT screen);

// The notification area is made anew (as when the desktop shell restarts): every icon is
// gone and every top-level window is posted "TaskbarCreated".
void RecreateTaskbar();
// Posts "TaskbarCreated" to every top-level window.
void BroadcastTaskbarCreated();

} // namespace platform
