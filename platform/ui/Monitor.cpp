// The monitors: one, the primary, as the display backend gives it (the whole screen headless,
// the primary output on X11).

#include "platform/ui/Display.h"
#include "platform/ui/WinUser.h"

namespace {

// A token for the only monitor; never dereferenced.
HMONITOR PrimaryMonitor() {
    return reinterpret_cast<HMONITOR>(static_cast<ULONG_PTR>(1));
}

RECT ScreenRect() {
    const SIZE screen = platform::ScreenSize();
    return RECT{0, 0, screen.cx, screen.cy};
}

RECT PrimaryRect() {
    if (const platform::DisplayBackend* backend = platform::GetDisplayBackend()) {
        return backend->PrimaryMonitorRect();
    }
    return ScreenRect();
}

} // namespace

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    const RECT screen = ScreenRect();
    const bool inside = point.x >= screen.left && point.x < screen.right && point.y >= screen.top &&
                        point.y < screen.bottom;
    if (!inside && flags == MONITOR_DEFAULTTONULL) {
        return nullptr;
    }
    return PrimaryMonitor();
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
    if (monitor != PrimaryMonitor() || !info || info->cbSize < sizeof(MONITORINFO)) {
        return FALSE;
    }
    info->rcMonitor = PrimaryRect();
    info->rcWork = info->rcMonitor;
    info->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}
