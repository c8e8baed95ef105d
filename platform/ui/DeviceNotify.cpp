// Device-interface and session notifications: who is registered, and the delivery of
// announcements as WM_DEVICECHANGE and of session changes as WM_WTSSESSION_CHANGE.

#include "platform/ui/Dbt.h"
#include "platform/ui/LoginSession.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/WindowManager.h"
#include "platform/ui/WtsApi.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct Registration {
    HWND hwnd = nullptr;
    bool allClasses = false;
    GUID interfaceClass{};
};

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}
std::map<HDEVNOTIFY, Registration>& Registrations() {
    static std::map<HDEVNOTIFY, Registration> registrations;
    return registrations;
}
std::uintptr_t g_nextHandle = 0x73000000u;

std::vector<HWND>& SessionWindows() {
    static std::vector<HWND> windows;
    return windows;
}

// Sends the announcement to one window on its own thread, with a record that lives for the
// call.
void SendArrival(HWND hwnd, const platform::DeviceAnnouncement& a) {
    const DWORD thread = platform::wm::ThreadOf(hwnd);
    if (!thread) {
        return;
    }
    PostThreadCallback(thread, [hwnd, a] {
        if (!IsWindow(hwnd)) {
            return;
        }
        const size_t bytes = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                             (a.name.size() + 1) * sizeof(WCHAR);
        std::vector<std::uint32_t> storage(
            (std::max(bytes, sizeof(DEV_BROADCAST_DEVICEINTERFACE_W)) + 3) / 4);
        auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(storage.data());
        record->dbcc_size = static_cast<DWORD>(bytes);
        record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        record->dbcc_reserved = 0;
        record->dbcc_classguid = a.interfaceClass;
        std::memcpy(record->dbcc_name, a.name.c_str(), (a.name.size() + 1) * sizeof(WCHAR));
        SendMessageW(hwnd, WM_DEVICECHANGE,
                     a.arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(record));
    });
}

void Deliver(const platform::DeviceAnnouncement& a) {
    std::vector<HWND> targets;
    {
        std::lock_guard lock(Mutex());
        for (const auto& [handle, r] : Registrations()) {
            if ((r.allClasses || r.interfaceClass == a.interfaceClass) &&
                std::find(targets.begin(), targets.end(), r.hwnd) == targets.end()) {
                targets.push_back(r.hwnd);
            }
        }
    }
    for (HWND hwnd : targets) {
        SendArrival(hwnd, a);
    }
    std::vector<HWND> tops;
    {
        platform::wm::Lock lock(platform::wm::S().mutex);
        tops = platform::wm::S().topLevels;
    }
    for (HWND h : tops) {
        PostMessageW(h, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    }
}

} // namespace

HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) {
    HWND hwnd = static_cast<HWND>(recipient);
    const auto* header = static_cast<const DEV_BROADCAST_HDR*>(filter);
    if (!IsWindow(hwnd) || !header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) {
        return nullptr;
    }
    const auto* device = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(filter);
    Registration r;
    r.hwnd = hwnd;
    r.allClasses = (flags & DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != 0;
    r.interfaceClass = device->dbcc_classguid;
    HDEVNOTIFY handle = nullptr;
    bool first = false;
    {
        std::lock_guard lock(Mutex());
        handle = reinterpret_cast<HDEVNOTIFY>(g_nextHandle);
        g_nextHandle += 4;
        // Registrations of windows that are gone go with them.
        std::erase_if(Registrations(),
                      [](const auto& entry) { return !IsWindow(entry.second.hwnd); });
        first = Registrations().empty();
        Registrations()[handle] = r;
    }
    if (first) {
        platform::SetDeviceListener(Deliver);
    }
    return handle;
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY handle) {
    std::lock_guard lock(Mutex());
    return Registrations().erase(handle) ? TRUE : FALSE;
}

BOOL WTSRegisterSessionNotification(HWND hwnd, DWORD) {
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    {
        std::lock_guard lock(Mutex());
        std::erase_if(SessionWindows(), [](HWND h) { return !IsWindow(h); });
        if (std::find(SessionWindows().begin(), SessionWindows().end(), hwnd) ==
            SessionWindows().end()) {
            SessionWindows().push_back(hwnd);
        }
    }
    // The login manager's news of this session reach the registered windows from now on.
    platform::StartLoginSessionWatch();
    return TRUE;
}

BOOL WTSUnRegisterSessionNotification(HWND hwnd) {
    bool last = false;
    {
        std::lock_guard lock(Mutex());
        auto it = std::find(SessionWindows().begin(), SessionWindows().end(), hwnd);
        if (it == SessionWindows().end()) {
            return FALSE;
        }
        SessionWindows().erase(it);
        std::erase_if(SessionWindows(), [](HWND h) { return !IsWindow(h); });
        last = SessionWindows().empty();
    }
    if (last) {
        platform::StopLoginSessionWatch();
    }
    return TRUE;
}

int platform::DeliverSessionChange(WPARAM code, DWORD sessionId) {
    std::vector<HWND> windows;
    {
        std::lock_guard lock(Mutex());
        windows = SessionWindows();
    }
    int count = 0;
    for (HWND h : windows) {
        if (PostMessageW(h, WM_WTSSESSION_CHANGE, code, static_cast<LPARAM>(sessionId))) {
            ++count;
        }
    }
    return count;
}
