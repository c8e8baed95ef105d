#pragma once
// The tray program's resources that live in files of the skin and in code: its icons (image
// files drawn by the skin generator in "skins\") and its one string.

#include "platform/base/CString.h"
#include "platform/ui/WinUser.h"

// Icon IDR_MAINFRAME ("AppIcon.bmp") or IDI_TRAYICON ("TrayIcon.bmp") from the program
// folder's "skins\"; an icon without pixels when the file is missing or unreadable.
HICON LoadTrayIcon(UINT id);
// Destroys an icon from LoadTrayIcon and clears the handle.
void DestroyTrayIcon(HICON& icon);
// String resource id (IDS_ABOUTBOX); empty for an unknown id.
CString TrayString(UINT id);
