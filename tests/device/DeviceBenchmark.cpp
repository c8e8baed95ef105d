// The device object against the virtual mouse: one full read (every section) and one full
// write (every section, the settle pause on a virtual clock so it costs nothing).

#include "device/Mouse.h"
#include "model/BorvantaConfig.h"
#include "platform/base/Path.h"
#include "platform/ui/Clock.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

class PrivateMouse {
public:
    PrivateMouse() {
        m_dir = std::filesystem::temp_directory_path() /
                ("borvanta-bench-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        ::setenv("BORVANTA_SERVICE_DB", (m_dir / "mouse.db").c_str(), 1);
        ::setenv("BORVANTA_REGISTRY", (m_dir / "registry.txt").c_str(), 1);
        SetExeFolder(m_dir);
    }
    ~PrivateMouse() { std::filesystem::remove_all(m_dir); }
    PrivateMouse(const PrivateMouse&) = delete;
    PrivateMouse& operator=(const PrivateMouse&) = delete;

private:
    std::filesystem::path m_dir;
};

void Prepare(CMouse& mouse, CBorvantaConfig& config, benchmark::State& state) {
    const WORD id = BORVANTA_PRODUCT_ID;
    if (!mouse.Initialize(&config, &id) || !mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL)) {
        state.SkipWithError("no mouse");
        return;
    }
    // A realistic configuration: five profiles and a few macros.
    for (int i = 2; i <= 5; ++i) {
        config.AddProfile(CString(u"Profile ") + CString(static_cast<WCHAR>(u'0' + i)));
    }
    for (int i = 0; i < 4; ++i) {
        CMacro* macro =
            config.CreateMacro(CString(u"Macro ") + CString(static_cast<WCHAR>(u'A' + i)), nullptr);
        MacroEventList events;
        for (int e = 0; e < 20; ++e) {
            events.push_back({MACRO_EVENT_KEY, 0x10 + e, MACRO_KEY_PRESS});
            events.push_back({MACRO_EVENT_DELAY, 15, 0});
            events.push_back({MACRO_EVENT_KEY, 0x10 + e, MACRO_KEY_RELEASE});
        }
        macro->SetEvents(events);
    }
}

void WaitIdle(CMouse& mouse) {
    while (mouse.IsWriting()) {
        std::this_thread::yield();
    }
}

void BM_SyncDeviceReadAll(benchmark::State& state) {
    PrivateMouse privateMouse;
    platform::ScopedVirtualClock clock;
    CBorvantaConfig config;
    CMouse mouse;
    Prepare(mouse, config, state);
    mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL);
    WaitIdle(mouse);
    for (auto _ : state) {
        CBorvantaConfig fresh;
        const WORD id = BORVANTA_PRODUCT_ID;
        state.PauseTiming();
        mouse.Initialize(&fresh, &id);
        state.ResumeTiming();
        benchmark::DoNotOptimize(mouse.SyncDevice(&fresh, SYNC_READ, SECTION_ALL));
    }
}
BENCHMARK(BM_SyncDeviceReadAll)->Unit(benchmark::kMillisecond);

void BM_SyncDeviceWriteAll(benchmark::State& state) {
    PrivateMouse privateMouse;
    platform::ScopedVirtualClock clock;
    CBorvantaConfig config;
    CMouse mouse;
    Prepare(mouse, config, state);
    int dpi = 100;
    for (auto _ : state) {
        // A change in every profile, so the write has something to do each time.
        dpi = dpi >= 5600 ? 200 : dpi + 100;
        for (INT i = 0; i < config.GetProfileCount(); ++i) {
            config.SetStageDpi(1, dpi, config.GetProfile(i));
        }
        mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL);
        WaitIdle(mouse);
        if (!mouse.GetLastWriteResult()) {
            state.SkipWithError("write failed");
            break;
        }
    }
}
BENCHMARK(BM_SyncDeviceWriteAll)->Unit(benchmark::kMillisecond);

} // namespace
