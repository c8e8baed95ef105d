#pragma once
// The shell hook library: tells one window of the program whenever the desktop's active
// top-level window changes, also to another program's window. The window is posted
// WM_SHELLHOOK_ACTIVATE (0x46C) with the activated window as wParam (lParam 0); for another
// program's window that is a handle GetWindowThreadProcessId answers the process of.
//
// On X11 the active window is the window manager's (_NET_ACTIVE_WINDOW of the root window);
// on the headless display it is the window layer's own activation.

#include "platform/base/WinTypes.h"

inline constexpr UINT WM_SHELLHOOK_ACTIVATE = 0x046C;

// Starts posting to hwnd (a later call moves the hook to the new window). Returns 1, or 0
// for a window that is not one. The hook stops by itself once the window is gone.
int InstallShellHook(HWND hwnd);
// Stops posting. Returns 1 when a hook was installed, else 0.
int UninstallShellHook();
