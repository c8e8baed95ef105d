#pragma once
// The source of session notifications: the login manager (logind, the name
// org.freedesktop.login1 on the system D-Bus), read with sd-bus. While a window is registered
// for session notifications a thread follows this process's login session:
//
//   the session's Lock and Unlock signals, and its LockedHint property (set by screen lockers
//   that lock without the signal)              -> WTS_SESSION_LOCK / WTS_SESSION_UNLOCK
//   its Active property (a switch to another session and back)
//                                              -> WTS_CONSOLE_DISCONNECT / WTS_CONSOLE_CONNECT
//   the manager's SessionRemoved for it        -> WTS_SESSION_LOGOFF (then nothing more)
//
// each delivered once per change through platform::DeliverSessionChange. The session is the
// one XDG_SESSION_ID names, else the one the login manager gives for this process, else the
// user's display session. Without a system bus, a login manager or a session the thread ends
// and nothing is delivered. DBUS_SYSTEM_BUS_ADDRESS names another bus (tests).

namespace platform {

// Starts following the session (nothing when it is followed already).
void StartLoginSessionWatch();
// Stops following it and waits for the thread to end.
void StopLoginSessionWatch();

} // namespace platform
