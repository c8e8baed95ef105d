// The shell hook: one listener of the desktop's active window, posting to one window.

#include "qmhook/QmHook.h"

#include "platform/ui/ShellBackend.h"
#include "platform/ui/WinUser.h"

#include <mutex>

namespace {

std::mutex g_mutex;
int g_cookie = 0;

void Remove(int cookie) {
    if (cookie) {
        platform::RemoveActiveWindowListener(cookie);
    }
}

} // namespace

int InstallShellHook(HWND hwnd) {
    if (!IsWindow(hwnd)) {
        return 0;
    }
    std::lock_guard lock(g_mutex);
    Remove(g_cookie);
    g_cookie = platform::AddActiveWindowListener([hwnd](HWND activated) {
        if (!IsWindow(hwnd)) {
            // The window is gone: nothing is posted to a dead (or reused) handle again.
            std::lock_guard inner(g_mutex);
            Remove(g_cookie);
            g_cookie = 0;
            return;
        }
        PostMessageW(hwnd, WM_SHELLHOOK_ACTIVATE, reinterpret_cast<WPARAM>(activated), 0);
    });
    return 1;
}

int UninstallShellHook() {
    std::lock_guard lock(g_mutex);
    if (!g_cookie) {
        return 0;
    }
    Remove(g_cookie);
    g_cookie = 0;
    return 1;
}
