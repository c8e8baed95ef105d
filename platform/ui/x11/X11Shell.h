#pragma once
// The desktop around the program on X11: the system tray (each notification-area icon is an
// icon window docked with the owner of _NET_SYSTEM_TRAY_S<screen>; a new tray, announced by
// its MANAGER message, gets every icon and every top-level window hears "TaskbarCreated"),
// pointer and keyboard grabs while a popup menu is open, the window manager's active window
// (_NET_ACTIVE_WINDOW of the root window) and the process of other programs' windows
// (_NET_WM_PID). It has an X connection and a reader thread of its own, so that it leaves the
// display's windows alone.

#include "platform/ui/ShellBackend.h"

#include <memory>
#include <optional>
#include <string>

namespace platform {

class X11Display;

class X11Shell final : public ShellBackend {
public:
    // Connects to the same server as the display; installs itself as the shell backend when
    // connected.
    X11Shell(X11Display& display, const std::string& displayName);
    ~X11Shell() override;
    X11Shell(const X11Shell&) = delete;
    X11Shell& operator=(const X11Shell&) = delete;

    bool IsOpen() const;

    void BeginMenuGrab(HWND menuWindow) override;
    void EndMenuGrab(HWND menuWindow) override;
    bool AddTrayIcon(const TrayIconRecord& icon) override;
    bool ModifyTrayIcon(const TrayIconRecord& icon) override;
    void DeleteTrayIcon(HWND hwnd, UINT id) override;
    bool ReportsActiveWindow() const override;
    DWORD ForeignWindowProcessId(HWND hwnd) override;

    // The primary output's rectangle (RandR monitors: the primary one, else the first); none
    // when the server has no monitors to tell.
    std::optional<RECT> PrimaryMonitorRect();

    // The icon window of a notification-area icon (0 when none), for tests.
    unsigned long IconWindowOf(HWND hwnd, UINT id);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
