// Several processes on one mouse: each sees the others' writes and events, a process killed
// in the middle of a write leaves the state whole, and concurrent writers lose nothing.

#include "ServiceTestSupport.h"
#include "platform/ui/Dbt.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <csignal>
#include <cstdio>
#include <set>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <sqlite3.h>

using namespace servicetest;
using Entry = EventLog::Entry;

extern char** environ;

namespace {

pid_t Spawn(std::vector<std::string> args, int* stdoutFd = nullptr) {
    args.insert(args.begin(), SERVICE_TEST_HELPER);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeFds[2] = {-1, -1};
    if (stdoutFd) {
        EXPECT_EQ(::pipe(pipeFds), 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    }
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    if (stdoutFd) {
        ::close(pipeFds[1]);
        *stdoutFd = pipeFds[0];
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunHelper(std::vector<std::string> args) {
    return Wait(Spawn(std::move(args)));
}

using Mouse = ServiceMouse;

} // namespace

TEST_F(ServiceTest, AnotherProcessSeesOurWritesAndWeSeeItsEvents) {
    Mouse m;
    auto active = m.Active();
    auto dpi = Feature<IDPI>(active);
    EventLog log;
    auto* sink = new RecordingSink(log);
    const DWORD dpiCookie = Advise(dpi, DIID_IDPIEvents, sink);
    const DWORD managerCookie = Advise(m.manager, DIID_IProfileManagerEvents2, sink);
    const DWORD profileCookie = Advise(active, DIID_IProfileEvents, sink);

    // The other process brings the PROFILES key up to date when it opens the mouse, and
    // finding it current writes nothing.
    struct stat before {};
    ASSERT_EQ(::stat((m_dir / "registry.txt").c_str(), &before), 0);
    ASSERT_EQ(RunHelper({"setdpi", "1200", "600"}), 0);
    struct stat after {};
    ASSERT_EQ(::stat((m_dir / "registry.txt").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    ASSERT_EQ(RunHelper({"dpi-up"}), 0);
    ASSERT_EQ(RunHelper({"switch", "4", "0"}), 0); // show-profile-name on
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() >= 4; }));
    EXPECT_EQ(log.entries,
              (std::vector<Entry>{
                  {'d', 1200, 600, 0}, {'d', 2400, 2400, 0}, {'p', 0x2, 1, 0}, {'m', 0x2, 0, 0}}));
    for (const auto& e : log.entries) {
        EXPECT_EQ(e.thread, GetCurrentThreadId());
    }
    INT x = 0;
    INT y = 0;
    ASSERT_EQ(dpi->GetDpi(&x, &y), S_OK);
    EXPECT_EQ(x, 2400);

    // And the other way round: the helper reads what we wrote (it fails on a wrong value).
    ASSERT_EQ(RunHelper({"stage-count", "5"}), 0);
    ASSERT_EQ(dpi->SetStages(2, std::vector<DeviceDpiStage>{{100, 100}, {200, 200}}.data()), S_OK);
    EXPECT_EQ(RunHelper({"stage-count", "2"}), 0);
    ASSERT_EQ(RunHelper({"profile-up"}), 0); // a single profile: stays
    CComPtr<IProfile> second;
    ASSERT_EQ(m.manager->CreateProfile(&second), S_OK);
    ASSERT_EQ(RunHelper({"profile-up"}), 0);
    BOOL isActive = FALSE;
    ASSERT_EQ(second->IsActive(&isActive), S_OK);
    EXPECT_TRUE(isActive);

    Unadvise(dpi, DIID_IDPIEvents, dpiCookie);
    Unadvise(m.manager, DIID_IProfileManagerEvents2, managerCookie);
    Unadvise(active, DIID_IProfileEvents, profileCookie);
    sink->Release();
}

TEST_F(ServiceTest, ConcurrentWritersLoseNoUpdate) {
    Mouse m;
    auto macros = Feature<IMacroManager>(m.device);
    std::vector<pid_t> children = {Spawn({"macros", "15"}), Spawn({"macros", "15"}),
                                   Spawn({"switch", "2", "40"}), Spawn({"switch", "4", "40"})};
    for (int i = 0; i < 10; ++i) {
        CComPtr<IMacro> macro;
        ASSERT_EQ(macros->CreateMacro(&macro), S_OK);
    }
    for (pid_t pid : children) {
        EXPECT_EQ(Wait(pid), 0);
    }
    UINT count = 0;
    ASSERT_EQ(macros->GetMacroCount(&count), S_OK);
    EXPECT_EQ(count, 40u);
    // Macro names stay unique even when chosen by competing processes.
    std::set<std::u16string> names;
    for (UINT i = 0; i < count; ++i) {
        CComPtr<IMacro> macro;
        ASSERT_EQ(macros->GetMacro(i, &macro), S_OK);
        WCHAR* name = nullptr;
        ASSERT_EQ(macro->GetName(&name), S_OK);
        names.insert(name);
        CoTaskMemFree(name);
    }
    EXPECT_EQ(names.size(), 40u);
    auto props = Feature<IProfileProperties>(m.Active());
    WORD switches = 0;
    DWORD size = 2;
    ASSERT_EQ(props->GetProperty(PROFILE_PROP_SWITCHES, 0, &switches, 0, &size), S_OK);
    EXPECT_EQ(switches, 0x6); // both writers' last values, neither lost
}

TEST_F(ServiceTest, AProcessKilledInTheMiddleOfWritingLeavesWholeState) {
    {
        Mouse m; // creates the database before the writer starts
    }
    for (int round = 0; round < 3; ++round) {
        int out = -1;
        const pid_t pid = Spawn({"stages-loop"}, &out);
        char ready[8] = {};
        ASSERT_GT(::read(out, ready, sizeof ready), 0);
        ::usleep(static_cast<useconds_t>(20000 + 30000 * round));
        ::kill(pid, SIGKILL);
        Wait(pid);
        ::close(out);
    }
    Mouse m;
    auto dpi = Feature<IDPI>(m.Active());
    INT count = 0;
    DeviceDpiStage* stages = nullptr;
    ASSERT_EQ(dpi->GetStages(&count, &stages), S_OK);
    ASSERT_EQ(count, 5);
    for (INT i = 1; i < count; ++i) {
        EXPECT_EQ(stages[i].x, stages[0].x); // one whole write, never half of one
    }
    CoTaskMemFree(stages);
    EXPECT_EQ(dpi->SetDpi(700, 700), S_OK);
}

TEST_F(ServiceTest, OpeningAndReadingNeedNoWriteLockAndWritersTakeTurns) {
    {
        Mouse m; // creates the database
    }
    // Another connection holds the write lock: a program starting now opens the mouse and
    // reads it all the same.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(std::getenv("BORVANTA_SERVICE_DB"), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        Mouse m;
        WCHAR* name = nullptr;
        ASSERT_EQ(m.Active()->GetName(&name), S_OK);
        EXPECT_EQ(std::u16string(name), u"Profile 1");
        CoTaskMemFree(name);
    }
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    // Beside a process that writes without pause, this one still opens, reads and writes.
    int out = -1;
    const pid_t writer = Spawn({"stages-loop"}, &out);
    char ready[8] = {};
    ASSERT_GT(::read(out, ready, sizeof ready), 0);
    for (int i = 0; i < 20; ++i) {
        Mouse m;
        auto dpi = Feature<IDPI>(m.Active());
        INT x = 0;
        INT y = 0;
        EXPECT_EQ(dpi->GetDpi(&x, &y), S_OK);
        EXPECT_EQ(dpi->SetDpi(400 + 100 * (i % 5), 400), S_OK);
    }
    ::kill(writer, SIGKILL);
    Wait(writer);
    ::close(out);
}

namespace {

std::vector<std::pair<WPARAM, std::u16string>>* g_changes = nullptr;

LRESULT DeviceChangeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DEVICECHANGE && g_changes &&
        (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
        const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lParam);
        g_changes->emplace_back(wParam, std::u16string(record->dbcc_name));
        return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace

TEST_F(ServiceTest, UnplugAndPlugInAnotherProcessArriveAsDeviceChanges) {
    // Registered before the service is opened, as a program that starts without a mouse.
    WNDCLASSW wc{};
    wc.lpfnWndProc = DeviceChangeProc;
    wc.lpszClassName = u"ServiceDeviceChangeTest";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, u"ServiceDeviceChangeTest", u"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_MOUSE;
    HDEVNOTIFY handle = RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(handle, nullptr);
    std::vector<std::pair<WPARAM, std::u16string>> changes;
    g_changes = &changes;
    {
        Mouse m; // opens the store: its watcher starts, since a window listens
        ASSERT_EQ(RunHelper({"unplug"}), 0);
        ASSERT_EQ(RunHelper({"plug"}), 0);
        for (int i = 0; i < 300 && changes.size() < 2; ++i) {
            platform::PumpUntilIdle();
            ::usleep(10000);
        }
    }
    g_changes = nullptr;
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].first, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(changes[1].first, DBT_DEVICEARRIVAL);
    EXPECT_NE(changes[1].second.find(u"VID_2F3A&PID_001E"), std::u16string::npos);
    EXPECT_EQ(changes[1].second, std::u16string(DEVICE_INTERFACE_NAME));
    UnregisterDeviceNotification(handle);
    DestroyWindow(hwnd);
}
