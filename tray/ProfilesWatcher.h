#pragma once
// The two watchers of the device service's profile store in the registry: one for profiles
// added or removed (names, sends WM_PROFILES_NAMES_CHANGED), one for values set (sends
// WM_PROFILES_VALUES_CHANGED), each on a thread of its own that sends the dialog window a
// notification and touches nothing else of it.
//
// - The window is handed over under a lock (SetWindow), never read half-made; a change
//   noticed before the window exists is delivered when it is handed over.
// - Each watch is armed before the profiles are first read (Start) and armed again before a
//   change is delivered, so no change between the start, the window's creation and any
//   later delivery is lost: what the handler then reads is at least as new as the change.
// - Stop ends both threads and waits for them; afterwards nothing is sent.

#include "platform/base/Handle.h"
#include "platform/base/Registry.h"

#include <atomic>
#include <mutex>
#include <thread>

// The profile store: HKEY_LOCAL_MACHINE "SOFTWARE\TOLVI\0.01\{store GUID}\PROFILES", in a
// buffer of 260 characters.
void BuildProfileStorePath(WCHAR (&path)[260]);

class CProfilesWatcher {
public:
    CProfilesWatcher() = default;
    ~CProfilesWatcher();
    CProfilesWatcher(const CProfilesWatcher&) = delete;
    CProfilesWatcher& operator=(const CProfilesWatcher&) = delete;

    // Opens the store (all access, as a test of the rights) and, when it opens, arms both
    // watches and starts both threads. True when they run. A second call changes nothing.
    bool Start();
    // The window the notifications go to from now on (null: none, they are kept). Changes
    // noticed while no window was set are sent to it now, once per kind.
    void SetWindow(HWND window);
    // Ends both threads and waits for them; no notification is sent after it returns.
    void Stop();
    bool IsRunning() const { return m_running; }

private:
    struct Watch {
        DWORD filter = 0;
        UINT message = 0;
        HKEY key = nullptr;
        HANDLE changed = nullptr; // set by the registry on a change (and when the key closes)
        bool pending = false;     // a change seen while no window was set (under m_mutex)
        std::thread thread;
    };

    friend void ProfilesNameWatchThread(CProfilesWatcher* watcher);
    friend void ProfilesValueWatchThread(CProfilesWatcher* watcher);

    // Opens the store key and arms its first watch; false when the key cannot be had.
    static bool Arm(Watch& watch, bool open);
    void Run(Watch& watch);
    void Deliver(Watch& watch);
    static void Release(Watch& watch);

    std::mutex m_mutex;
    HWND m_window = nullptr;
    std::atomic<bool> m_stop{false};
    bool m_running = false;
    Watch m_names;
    Watch m_values;
};

// The threads' bodies: wait for the next change of their kind and deliver it, until stopped
// or the store goes away.
void ProfilesNameWatchThread(CProfilesWatcher* watcher);
void ProfilesValueWatchThread(CProfilesWatcher* watcher);
