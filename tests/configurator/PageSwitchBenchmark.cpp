// Resident memory of the configurator over many page switches and Apply cycles: the main
// window runs on the headless display against a private virtual mouse and a copy of the
// shipped skin. Its five tabs are clicked in turn (as their commands), each switch repainting
// the window; or the polling rate is changed and applied, each write showing the writing
// popup. The counters give the resident size after the first switches or cycles and at the
// end, and the growth per switch or cycle in between, which stays near zero once the
// framework's temporary wrappers are freed when the loop goes idle (before, about 6.5 KB a
// switch).

#include "configurator/BorvantaApp.h"
#include "configurator/BorvantaAppDlg.h"
#include "device/IMouseDevice.h"
#include "gui/SkinResourceCache.h"
#include "model/IMouseConfig.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WinUser.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

CBorvantaApp g_app;

// Resident set size of this process in kilobytes.
long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// A private program folder (a copy of the shipped skin), mouse, registry and lock folder.
std::filesystem::path PrepareFolders() {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("borvanta-bench-pages-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "locks");
    const fs::path program = dir / "program";
    fs::create_directories(program);
    for (const char* folder : {"xml", "skins", "fonts", "lang"}) {
        fs::copy(fs::path(BORVANTA_PROGRAM_DIR) / folder, program / folder,
                 fs::copy_options::recursive);
    }
    fs::create_directories(program / "save");
    ::setenv("BORVANTA_SERVICE_DB", (dir / "mouse.db").c_str(), 1);
    ::setenv("BORVANTA_REGISTRY", (dir / "registry.txt").c_str(), 1);
    ::setenv("BORVANTA_LOCK_DIR", (dir / "locks").c_str(), 1);
    SetExeFolder(program);
    InitNameTables();
    return dir;
}

void BM_ResidentMemoryOverPageSwitches(benchmark::State& state) {
    const int switches = static_cast<int>(state.range(0));
    const std::filesystem::path dir = PrepareFolders();
    platform::HeadlessDisplay display(1024, 768);
    const int tabs[] = {BUTTON_ADJUSTPERFORMANCE, BUTTON_MANAGEPROFILES, BUTTON_MANAGEMACROS,
                        BUTTON_LIGHTINGMAINTENANCE, BUTTON_ASSIGNBUTTONS};
    long startKb = 0;
    long endKb = 0;
    for (auto _ : state) {
        CBorvantaAppDlg* main = nullptr;
        int done = 0;
        g_app.keepProgramFolder = true;
        g_app.startProgram = [](const WCHAR*) {};
        g_app.onMainWindow = [&](CBorvantaAppDlg& dialog) { main = &dialog; };
        platform::SetModalIdleHook([&](HWND dialog) {
            if (main == nullptr || dialog != main->GetSafeHwnd()) {
                EndDialog(dialog, IDCANCEL); // no popup is expected
                return;
            }
            if (done == 100) {
                startKb = ResidentKb();
            }
            if (done == switches) {
                endKb = ResidentKb();
                EndDialog(dialog, IDCANCEL);
                return;
            }
            const int id = tabs[done % 5];
            if (const CGUIItem* tab = FindGUIItemById(main->items, id)) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                             reinterpret_cast<LPARAM>(tab->hwnd));
            }
            ++done;
        });
        g_app.InitInstance();
        platform::SetModalIdleHook(nullptr);
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    state.counters["rss_after_100_kb"] = static_cast<double>(startKb);
    state.counters["rss_at_end_kb"] = static_cast<double>(endKb);
    state.counters["growth_bytes_per_switch"] =
        switches > 100 ? static_cast<double>(endKb - startKb) * 1024.0 / (switches - 100) : 0.0;
    SkinResourceCache::Clear();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ResidentMemoryOverPageSwitches)
    ->Arg(5000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The same over Apply cycles: each changes the polling rate and writes it to the mouse
// through the writing popup (the clock is virtual, so the 500 ms write timer ticks at once).
void BM_ResidentMemoryOverApplyCycles(benchmark::State& state) {
    const int cycles = static_cast<int>(state.range(0));
    const std::filesystem::path dir = PrepareFolders();
    platform::ScopedVirtualClock clock;
    platform::HeadlessDisplay display(1024, 768);
    long startKb = 0;
    long endKb = 0;
    long popupTurns = 0;
    for (auto _ : state) {
        CBorvantaAppDlg* main = nullptr;
        int done = 0;
        g_app.keepProgramFolder = true;
        g_app.startProgram = [](const WCHAR*) {};
        g_app.onMainWindow = [&](CBorvantaAppDlg& dialog) { main = &dialog; };
        platform::SetModalIdleHook([&](HWND dialog) {
            clock.Advance(50);
            if (main == nullptr || dialog != main->GetSafeHwnd()) {
                ++popupTurns; // the writing popup: its timer ends it
                return;
            }
            if (main->PendingChangeMask != 0 || main->device->IsWriting()) {
                return;
            }
            if (done == 20) {
                startKb = ResidentKb();
            }
            if (done == cycles) {
                endKb = ResidentKb();
                EndDialog(dialog, IDCANCEL);
                return;
            }
            main->config->SetPollingRate(done % 2 == 0 ? 2 : 0, nullptr);
            main->MarkPending(PENDING_POLLING_RATE);
            if (const CGUIItem* apply = FindGUIItemById(main->items, BUTTON_APPLY)) {
                PostMessageW(dialog, WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(BUTTON_APPLY), BN_CLICKED),
                             reinterpret_cast<LPARAM>(apply->hwnd));
            }
            ++done;
        });
        g_app.InitInstance();
        platform::SetModalIdleHook(nullptr);
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    state.counters["writing_popup_turns"] = static_cast<double>(popupTurns);
    state.counters["rss_after_20_kb"] = static_cast<double>(startKb);
    state.counters["rss_at_end_kb"] = static_cast<double>(endKb);
    state.counters["growth_bytes_per_cycle"] =
        cycles > 20 ? static_cast<double>(endKb - startKb) * 1024.0 / (cycles - 20) : 0.0;
    SkinResourceCache::Clear();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ResidentMemoryOverApplyCycles)->Arg(500)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
