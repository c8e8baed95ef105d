#include "tray/ProfilesWatcher.h"

#include "platform/base/Guid.h"
#include "platform/base/WideChar.h"
#include "service/DeviceService.h"
#include "tray/TrayResources.h"

#include <algorithm>
#include <string>

namespace {
constexpr REGSAM kStoreAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;
} // namespace

void BuildProfileStorePath(WCHAR (&path)[260]) {
    std::u16string text = u"SOFTWARE\\TOLVI\\0.01\\";
    text += GuidToString(PROFILE_STORE_GUID);
    text += u"\\PROFILES";
    const size_t length = std::min(text.size(), std::size(path) - 1);
    std::copy_n(text.begin(), length, path);
    path[length] = 0;
}

CProfilesWatcher::~CProfilesWatcher() {
    Stop();
}

bool CProfilesWatcher::Arm(Watch& watch, bool open) {
    if (open) {
        WCHAR path[260];
        BuildProfileStorePath(path);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, kStoreAccess, &watch.key) != ERROR_SUCCESS) {
            watch.key = nullptr;
            return false;
        }
        watch.changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!watch.changed) {
            return false;
        }
    }
    // Asynchronous: the state is taken now, and any later change sets the event.
    return RegNotifyChangeKeyValue(watch.key, TRUE, watch.filter, watch.changed, TRUE) ==
           ERROR_SUCCESS;
}

void CProfilesWatcher::Release(Watch& watch) {
    if (watch.key) {
        RegCloseKey(watch.key);
        watch.key = nullptr;
    }
    if (watch.changed) {
        CloseHandle(watch.changed);
        watch.changed = nullptr;
    }
}

bool CProfilesWatcher::Start() {
    if (m_running) {
        return true;
    }
    m_names.filter = REG_NOTIFY_CHANGE_NAME;
    m_names.message = WM_PROFILES_NAMES_CHANGED;
    m_values.filter = REG_NOTIFY_CHANGE_LAST_SET;
    m_values.message = WM_PROFILES_VALUES_CHANGED;
    if (!Arm(m_names, true) || !Arm(m_values, true)) {
        Release(m_names);
        Release(m_values);
        return false;
    }
    m_stop = false;
    m_running = true;
    m_names.thread = std::thread(ProfilesNameWatchThread, this);
    m_values.thread = std::thread(ProfilesValueWatchThread, this);
    return true;
}

void CProfilesWatcher::SetWindow(HWND window) {
    std::lock_guard lock(m_mutex);
    m_window = window;
    if (!m_window) {
        return;
    }
    for (Watch* watch : {&m_names, &m_values}) {
        if (watch->pending) {
            watch->pending = false;
            SendNotifyMessageW(m_window, watch->message, 0, 0);
        }
    }
}

void CProfilesWatcher::Deliver(Watch& watch) {
    std::lock_guard lock(m_mutex);
    if (m_stop) {
        return;
    }
    if (m_window) {
        SendNotifyMessageW(m_window, watch.message, 0, 0);
    } else {
        watch.pending = true;
    }
}

void CProfilesWatcher::Run(Watch& watch) {
    while (!m_stop) {
        if (WaitForSingleObject(watch.changed, INFINITE) != WAIT_OBJECT_0 || m_stop) {
            return;
        }
        // Armed again before the change is told, so that a change made while the dialog
        // reads is noticed too.
        const bool armed = Arm(watch, false);
        Deliver(watch);
        if (!armed) {
            return; // the store went away
        }
    }
}

void CProfilesWatcher::Stop() {
    if (!m_running) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_window = nullptr;
    }
    for (Watch* watch : {&m_names, &m_values}) {
        SetEvent(watch->changed);
    }
    for (Watch* watch : {&m_names, &m_values}) {
        if (watch->thread.joinable()) {
            watch->thread.join();
        }
        // Closing the key also ends the registry's own wait on it.
        Release(*watch);
        watch->pending = false;
    }
    m_running = false;
}

void ProfilesNameWatchThread(CProfilesWatcher* watcher) {
    watcher->Run(watcher->m_names);
}

void ProfilesValueWatchThread(CProfilesWatcher* watcher) {
    watcher->Run(watcher->m_values);
}
