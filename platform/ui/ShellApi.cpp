// The notification area kept in memory, the shell backend, the active-window listeners and
// the handles of other programs' windows.

#include "platform/ui/ShellApi.h"

#include "platform/ui/Display.h"
#include "platform/ui/TrayTip.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

namespace {

std::atomic<platform::ShellBackend*> g_backend{nullptr};

std::mutex& TrayMutex() {
    static std::mutex m;
    return m;
}
std::vector<platform::TrayIconRecord>& Icons() {
    static std::vector<platform::TrayIconRecord> icons;
    return icons;
}

std::vector<platform::TrayIconRecord>::iterator FindIcon(HWND hwnd, UINT id) {
    return std::find_if(Icons().begin(), Icons().end(), [&](const platform::TrayIconRecord& r) {
        return r.hwnd == hwnd && r.id == id;
    });
}

void DropIconsOfDeadWindows() {
    std::erase_if(Icons(), [](const platform::TrayIconRecord& r) { return !IsWindow(r.hwnd); });
}

// The tip as the record holds it: up to the terminator within the field, at most one less
// than the field, and not ending in the first half of a surrogate pair.
std::u16string TipOf(const NOTIFYICONDATAW& data) {
    const size_t field = data.cbSize < NOTIFYICONDATAW_V2_SIZE ? 64 : 128;
    size_t n = 0;
    while (n < field - 1 && data.szTip[n] != 0) {
        ++n;
    }
    if (n > 0 && data.szTip[n - 1] >= 0xD800 && data.szTip[n - 1] <= 0xDBFF) {
        --n;
    }
    return std::u16string(data.szTip, n);
}

void Apply(platform::TrayIconRecord& r, const NOTIFYICONDATAW& data) {
    if (data.uFlags & NIF_MESSAGE) {
        r.callbackMessage = data.uCallbackMessage;
    }
    if (data.uFlags & NIF_ICON) {
        r.icon = data.hIcon;
    }
    if (data.uFlags & NIF_TIP) {
        r.tip = TipOf(data);
    }
}

std::mutex& ListenerMutex() {
    static std::mutex m;
    return m;
}
std::map<int, platform::ActiveWindowListener>& Listeners() {
    static std::map<int, platform::ActiveWindowListener> listeners;
    return listeners;
}
int g_nextListener = 1;

constexpr std::uintptr_t kForeignBit = std::uintptr_t{1} << 62;

} // namespace

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
    if (!data || data->cbSize < NOTIFYICONDATAW_V1_SIZE) {
        return FALSE;
    }
    platform::TrayIconRecord record;
    {
        std::lock_guard lock(TrayMutex());
        DropIconsOfDeadWindows();
        auto it = FindIcon(data->hWnd, data->uID);
        switch (message) {
        case NIM_ADD:
            if (it != Icons().end() || !IsWindow(data->hWnd)) {
                return FALSE;
            }
            record.hwnd = data->hWnd;
            record.id = data->uID;
            Apply(record, *data);
            Icons().push_back(record);
            break;
        case NIM_MODIFY:
            if (it == Icons().end()) {
                return FALSE;
            }
            Apply(*it, *data);
            record = *it;
            break;
        case NIM_DELETE:
            if (it == Icons().end()) {
                return FALSE;
            }
            Icons().erase(it);
            break;
        case NIM_SETVERSION:
            if (it == Icons().end() || data->uVersion > NOTIFYICON_VERSION_4) {
                return FALSE;
            }
            it->version = data->uVersion;
            return TRUE;
        case NIM_SETFOCUS:
            return it != Icons().end() ? TRUE : FALSE;
        default:
            return FALSE;
        }
    }
    platform::ShellBackend* backend = g_backend.load();
    if (!backend) {
        return TRUE;
    }
    switch (message) {
    case NIM_ADD:
        if (!backend->AddTrayIcon(record)) {
            std::lock_guard lock(TrayMutex());
            if (auto it = FindIcon(data->hWnd, data->uID); it != Icons().end()) {
                Icons().erase(it);
            }
            return FALSE;
        }
        return TRUE;
    case NIM_MODIFY:
        return backend->ModifyTrayIcon(record) ? TRUE : FALSE;
    case NIM_DELETE:
        platform::traytip::IconDeleted(data->hWnd, data->uID);
        backend->DeleteTrayIcon(data->hWnd, data->uID);
        return TRUE;
    default:
        return TRUE;
    }
}

std::vector<platform::TrayIconRecord> platform::GetTrayIcons() {
    std::lock_guard lock(TrayMutex());
    DropIconsOfDeadWindows();
    return Icons();
}

BOOL platform::GetTrayIconRect(HWND hwnd, UINT id, RECT* rect) {
    std::lock_guard lock(TrayMutex());
    DropIconsOfDeadWindows();
    auto it = FindIcon(hwnd, id);
    if (it == Icons().end() || !rect) {
        return FALSE;
    }
    const SIZE screen = ScreenSize();
    const LONG slot = static_cast<LONG>(it - Icons().begin());
    const LONG right = screen.cx - 4 - slot * 26;
    *rect = RECT{right - 24, screen.cy - 28, right, screen.cy - 4};
    return TRUE;
}

void platform::DeliverTrayMouseMessage(const TrayIconRecord& icon, UINT mouseMessage,
                                       POINT screen) {
    {
        wm::Lock lock(wm::S().mutex);
        wm::S().cursor = screen;
        wm::S().pointer = screen;
    }
    if (mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_RBUTTONDOWN ||
        mouseMessage == WM_MBUTTONDOWN || mouseMessage == WM_LBUTTONDBLCLK) {
        traytip::Pressed(icon.hwnd, icon.id); // a press hides the icon's tip
    }
    if (!icon.callbackMessage) {
        return;
    }
    if (icon.version >= NOTIFYICON_VERSION_4) {
        PostMessageW(icon.hwnd, icon.callbackMessage,
                     MAKEWPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)),
                     static_cast<LPARAM>(
                         MAKELONG(static_cast<WORD>(mouseMessage), static_cast<WORD>(icon.id))));
        return;
    }
    PostMessageW(icon.hwnd, icon.callbackMessage, static_cast<WPARAM>(icon.id),
                 static_cast<LPARAM>(mouseMessage));
}

BOOL platform::ClickTrayIcon(HWND hwnd, UINT id, TrayClick click) {
    RECT r{};
    if (!GetTrayIconRect(hwnd, id, &r)) {
        return FALSE;
    }
    TrayIconRecord icon;
    {
        std::lock_guard lock(TrayMutex());
        auto it = FindIcon(hwnd, id);
        if (it == Icons().end()) {
            return FALSE;
        }
        icon = *it;
    }
    const POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    std::vector<UINT> messages;
    switch (click) {
    case TrayClick::Left:
        messages = {WM_LBUTTONDOWN, WM_LBUTTONUP};
        break;
    case TrayClick::Right:
        messages = {WM_RBUTTONDOWN, WM_RBUTTONUP};
        break;
    case TrayClick::Middle:
        messages = {WM_MBUTTONDOWN, WM_MBUTTONUP};
        break;
    case TrayClick::Double:
        messages = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        break;
    }
    for (UINT m : messages) {
        DeliverTrayMouseMessage(icon, m, at);
    }
    return TRUE;
}

void platform::BroadcastTaskbarCreated() {
    const UINT message = RegisterWindowMessageW(u"TaskbarCreated");
    std::vector<HWND> tops;
    {
        wm::Lock lock(wm::S().mutex);
        tops = wm::S().topLevels;
    }
    for (HWND h : tops) {
        PostMessageW(h, message, 0, 0);
    }
}

void platform::RecreateTaskbar() {
    {
        std::lock_guard lock(TrayMutex());
        Icons().clear();
    }
    BroadcastTaskbarCreated();
}

// ---- the shell backend and the active window ------------------------------------------------

void platform::SetShellBackend(ShellBackend* backend) {
    g_backend = backend;
}

platform::ShellBackend* platform::GetShellBackend() {
    return g_backend.load();
}

int platform::AddActiveWindowListener(ActiveWindowListener listener) {
    std::lock_guard lock(ListenerMutex());
    const int cookie = g_nextListener++;
    Listeners()[cookie] = std::move(listener);
    return cookie;
}

void platform::RemoveActiveWindowListener(int cookie) {
    std::lock_guard lock(ListenerMutex());
    Listeners().erase(cookie);
}

void platform::NotifyActiveWindowChanged(HWND activated, bool fromDesktop) {
    ShellBackend* backend = g_backend.load();
    const bool desktopReports = backend && backend->ReportsActiveWindow();
    if (fromDesktop != desktopReports) {
        return;
    }
    std::vector<ActiveWindowListener> listeners;
    {
        std::lock_guard lock(ListenerMutex());
        for (const auto& [cookie, listener] : Listeners()) {
            listeners.push_back(listener);
        }
    }
    for (const auto& listener : listeners) {
        listener(activated);
    }
}

HWND platform::ForeignWindowHandle(unsigned long nativeWindow) {
    return reinterpret_cast<HWND>(kForeignBit | static_cast<std::uintptr_t>(nativeWindow));
}

bool platform::IsForeignWindowHandle(HWND hwnd) {
    return (reinterpret_cast<std::uintptr_t>(hwnd) & kForeignBit) != 0;
}

unsigned long platform::NativeWindowOfForeignHandle(HWND hwnd) {
    if (!IsForeignWindowHandle(hwnd)) {
        return 0;
    }
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hwnd) & ~kForeignBit);
}
