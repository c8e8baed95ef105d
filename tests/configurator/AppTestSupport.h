#pragma once
// Test support for the configurator's start-up and main window: a private virtual mouse,
// registry hive and lock folder per test, a program folder holding a copy of the shipped
// skin, the headless display on a virtual clock, and a driver that acts inside the modal
// loops of the main window and its popups.

#include "configurator/BorvantaApp.h"
#include "configurator/BorvantaAppDlg.h"
#include "gui/SkinResourceCache.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace apptest {

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        m_dir = fs::temp_directory_path() /
                ("borvanta-app-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "locks");
        fs::create_directories(m_dir / "program");
        ::setenv("BORVANTA_SERVICE_DB", (m_dir / "mouse.db").c_str(), 1);
        ::setenv("BORVANTA_REGISTRY", (m_dir / "registry.txt").c_str(), 1);
        ::setenv("BORVANTA_LOCK_DIR", (m_dir / "locks").c_str(), 1);
        m_program = m_dir / "program";
        for (const char* folder : {"xml", "skins", "fonts", "lang", "Manuals"}) {
            const fs::path from = fs::path(BORVANTA_PROGRAM_DIR) / folder;
            if (fs::exists(from)) {
                fs::copy(from, m_program / folder, fs::copy_options::recursive);
            }
        }
        fs::create_directories(m_program / "save");
        SetExeFolder(m_program);
        InitNameTables();
        SkinResourceCache::Clear();
    }
    void TearDown() override {
        platform::SetModalIdleHook(nullptr);
        SkinResourceCache::Clear();
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(m_dir);
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_program;
    platform::ScopedVirtualClock m_clock;
    platform::HeadlessDisplay m_display{1024, 768};
};

// Acts inside the modal loops: every idle turn moves the virtual clock on by 50 ms (so the
// 500 ms timers tick) and gives the current step the innermost modal window; a step returns
// true when it is done. After the last step, or when the turns run out, the innermost dialog
// is ended with -99, so a window that does not close fails the test instead of hanging it.
class Driver {
public:
    using Step = std::function<bool(HWND dialog)>;
    Driver(platform::ScopedVirtualClock& clock, std::vector<Step> steps)
        : m_clock(clock), m_steps(std::move(steps)) {
        platform::SetModalIdleHook([this](HWND dialog) { Turn(dialog); });
    }
    ~Driver() { platform::SetModalIdleHook(nullptr); }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    size_t StepsDone() const { return m_next; }

private:
    void Turn(HWND dialog) {
        m_clock.Advance(50);
        if (m_next < m_steps.size() && ++m_turns < kMaxTurns) {
            if (m_steps[m_next](dialog)) {
                ++m_next;
            }
            return;
        }
        EndDialog(dialog, -99);
    }
    static constexpr int kMaxTurns = 20000;
    platform::ScopedVirtualClock& m_clock;
    std::vector<Driver::Step> m_steps;
    size_t m_next = 0;
    int m_turns = 0;
};

// A click on a skin item's window as the user would make it (posted input, handled by the
// modal loop that runs).
inline void ClickItem(platform::HeadlessDisplay& display, HWND item) {
    RECT r{};
    GetWindowRect(item, &r);
    display.SetAutoPump(false);
    display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    display.SetAutoPump(true);
}

// A command of a main-page button, as its click reports it.
inline void PostItemCommand(CBorvantaAppDlg& dialog, int id) {
    const CGUIItem* item = FindGUIItemById(dialog.items, id);
    ASSERT_NE(item, nullptr) << id;
    PostMessageW(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(item->hwnd));
}

} // namespace apptest
