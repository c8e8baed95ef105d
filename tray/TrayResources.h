#pragma once
// The tray program's own numbers: dialog templates, icons, the menu, its commands, the
// private window messages and the timers of the hidden dialog.

#include "platform/base/WinTypes.h"
#include "platform/ui/WinUser.h"

// Dialog templates.
inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT IDD_BORVANTASYSTRAY_DIALOG = 102;
// String resource: the About item of the window menu.
inline constexpr UINT IDS_ABOUTBOX = 101;
// Icons: the window's (big and small) and the one shown in the notification area.
inline constexpr UINT IDR_MAINFRAME = 128;
inline constexpr UINT IDI_TRAYICON = 131;
// The tray menu, and the icon's id in the notification area.
inline constexpr UINT IDR_TRAYMENU = 129;
inline constexpr UINT IDM_ABOUTBOX = 0x0010;

// Menu commands.
inline constexpr UINT ID_LOAD_CONFIGURATOR = 32770;
inline constexpr UINT ID_PROFILE_FIRST = 32771; // profile items 1 to 11
inline constexpr UINT ID_PROFILE_LAST = 32781;
inline constexpr UINT ID_CLOSE_TRAY_ICON = 33000;
inline constexpr int kMaxMenuProfiles = static_cast<int>(ID_PROFILE_LAST - ID_PROFILE_FIRST + 1);

// Private messages of the hidden dialog.
inline constexpr UINT WM_TRAYNOTIFY = WM_USER + 0x64; // 0x464, the icon's callback
// WM_SHELLHOOK_ACTIVATE (0x46C, from the shell hook) is the shell hook library's.
inline constexpr UINT WM_PROFILES_NAMES_CHANGED = WM_USER + 0x500;  // 0x900, profiles added/removed
inline constexpr UINT WM_PROFILES_VALUES_CHANGED = WM_USER + 0x501; // 0x901, values set

// Timers of the dialog window.
inline constexpr UINT_PTR kSingleClickTimer = 701;
inline constexpr UINT_PTR kMenuGuardTimer = 702;
inline constexpr UINT kMenuGuardMs = 1000;

// The single-instance guard.
inline constexpr const WCHAR* kTrayMutexName = u"BorvantaSysTray";
