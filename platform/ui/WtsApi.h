#pragma once
// Session notifications (lock, unlock, log-on, log-off, console switch) as
// WM_WTSSESSION_CHANGE (wParam the WTS_* code, lParam the session id).
//
// This machine's sessions: the notifications would come from the login manager. Where none
// runs (no login manager on the system bus) registering succeeds and nothing is delivered.
// platform::DeliverSessionChange sends a change to the registered windows (tests, and the
// login-manager source where there is one).

#include "platform/base/WinTypes.h"

inline constexpr DWORD NOTIFY_FOR_THIS_SESSION = 0;
inline constexpr DWORD NOTIFY_FOR_ALL_SESSIONS = 1;

inline constexpr WPARAM WTS_CONSOLE_CONNECT = 0x1;
inline constexpr WPARAM WTS_CONSOLE_DISCONNECT = 0x2;
inline constexpr WPARAM WTS_REMOTE_CONNECT = 0x3;
inline constexpr WPARAM WTS_REMOTE_DISCONNECT = 0x4;
inline constexpr WPARAM WTS_SESSION_LOGON = 0x5;
inline constexpr WPARAM WTS_SESSION_LOGOFF = 0x6;
inline constexpr WPARAM WTS_SESSION_LOCK = 0x7;
inline constexpr WPARAM WTS_SESSION_UNLOCK = 0x8;

// FALSE for a window that is not one; registering again changes nothing.
BOOL WTSRegisterSessionNotification(HWND hwnd, DWORD flags);
BOOL WTSUnRegisterSessionNotification(HWND hwnd);

namespace platform {
// Posts WM_WTSSESSION_CHANGE (code, session) to every registered window; the number of
// windows it went to.
int DeliverSessionChange(WPARAM code, DWORD sessionId = 1);
} // namespace platform
