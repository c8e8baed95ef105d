#pragma once
// What the desktop around the program provides beyond showing windows: the notification
// area, input grabs for popup menus, the desktop's active window (also when it belongs to
// another program) and the process behind another program's window. The headless display
// has no desktop: the notification area is kept in memory (ShellApi.h) and the active window
// is the window manager's own. A desktop display (X11) installs a backend for the rest.

#include "platform/base/WinTypes.h"

#include <functional>
#include <string>

namespace platform {

// One icon of the notification area, as Shell_NotifyIconW last set it.
struct TrayIconRecord {
    HWND hwnd = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0; // 0: no callback
    HICON icon = nullptr;
    std::u16string tip;
    UINT version = 0;
};

class ShellBackend {
public:
    virtual ~ShellBackend() = default;

    // Popup menus: keep the pointer and keyboard for the menu window while it is open, so
    // that a click anywhere on the screen reaches it (and closes it when outside).
    virtual void BeginMenuGrab(HWND menuWindow) = 0;
    virtual void EndMenuGrab(HWND menuWindow) = 0;

    // The notification area. Add succeeds also while no notification area exists: the icon
    // appears when one does.
    virtual bool AddTrayIcon(const TrayIconRecord& icon) = 0;
    virtual bool ModifyTrayIcon(const TrayIconRecord& icon) = 0;
    virtual void DeleteTrayIcon(HWND hwnd, UINT id) = 0;

    // True when the backend reports the desktop's active window itself (then the window
    // manager's own activations are not reported twice).
    virtual bool ReportsActiveWindow() const = 0;
    // The process of a window that is not one of ours (0 when unknown).
    virtual DWORD ForeignWindowProcessId(HWND hwnd) = 0;
};

// The installed backend (null: none, as on the headless display).
void SetShellBackend(ShellBackend* backend);
ShellBackend* GetShellBackend();

// ---- the active window -------------------------------------------------------------------
// Listeners hear of every change of the desktop's active top-level window (on any thread;
// they must not block). The window may be another program's (see ForeignWindow below).
using ActiveWindowListener = std::function<void(HWND activated)>;
int AddActiveWindowListener(ActiveWindowListener listener);
void RemoveActiveWindowListener(int cookie);
// Called by the window manager on activation (fromDesktop false) and by a backend that
// reports the desktop's active window (fromDesktop true).
void NotifyActiveWindowChanged(HWND activated, bool fromDesktop);

// Handles for other programs' windows: they are no windows of ours (IsWindow is FALSE), but
// GetWindowThreadProcessId answers their process through the backend.
HWND ForeignWindowHandle(unsigned long nativeWindow);
bool IsForeignWindowHandle(HWND hwnd);
unsigned long NativeWindowOfForeignHandle(HWND hwnd);

} // namespace platform
