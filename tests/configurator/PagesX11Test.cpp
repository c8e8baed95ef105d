// The performance and lighting pages on a private Xvfb server: the program runs on the X11
// display against the virtual mouse, the pages are switched by their tabs, a polling-rate
// button is clicked with real X input, the screen shows what the window checked, and Apply
// writes it to the mouse.

#include "configurator/BorvantaApp.h"
#include "configurator/BorvantaAppDlg.h"
#include "device/Mouse.h"
#include "gui/BitmapBtn.h"
#include "gui/DropdownColorButton.h"
#include "gui/SkinResourceCache.h"
#include "gui/SliderHMulti.h"
#include "model/BorvantaConfig.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

using testsupport::FindXvfb;
using testsupport::XvfbServer;

class PagesX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        const auto program = FindXvfb();
        if (!program) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_server.Start(*program)) << "Xvfb did not start";
        namespace fs = std::filesystem;
        m_dir = fs::temp_directory_path() / ("borvanta-x11-pages-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "locks");
        fs::create_directories(m_dir / "program" / "save");
        ::setenv("BORVANTA_SERVICE_DB", (m_dir / "mouse.db").c_str(), 1);
        ::setenv("BORVANTA_REGISTRY", (m_dir / "registry.txt").c_str(), 1);
        ::setenv("BORVANTA_LOCK_DIR", (m_dir / "locks").c_str(), 1);
        for (const char* folder : {"xml", "skins", "fonts", "lang", "Manuals"}) {
            const fs::path from = fs::path(BORVANTA_PROGRAM_DIR) / folder;
            if (fs::exists(from)) {
                fs::copy(from, m_dir / "program" / folder, fs::copy_options::recursive);
            }
        }
        SetExeFolder(m_dir / "program");
        InitNameTables();
        SkinResourceCache::Clear();
        m_display.emplace(m_server.Name());
        ASSERT_TRUE(m_display->IsOpen());
        m_x = XOpenDisplay(m_server.Name().c_str());
        ASSERT_NE(m_x, nullptr);
        app.keepProgramFolder = true;
        app.startProgram = [](const WCHAR*) {};
        app.onMainWindow = [this](CBorvantaAppDlg& dialog) {
            main = &dialog;
            dialog.openDocument = [](const WCHAR*) {};
        };
    }
    void TearDown() override {
        platform::SetModalIdleHook(nullptr);
        m_display.reset();
        if (m_x != nullptr) {
            XCloseDisplay(m_x);
        }
        SkinResourceCache::Clear();
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(m_dir);
    }

    // Runs the program; each idle turn of the main window's loop gives the current step its
    // turn (a step returns true when done). Ends the window when the steps are done or after
    // twenty seconds.
    void Run(std::vector<std::function<bool(CBorvantaAppDlg&)>> steps) {
        size_t next = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        platform::SetModalIdleHook([&](HWND dialog) {
            SetTimer(dialog, 0x7F00, 20, nullptr); // wakes the loop while nothing happens
            if (main == nullptr || dialog != main->GetSafeHwnd()) {
                return;
            }
            if (next < steps.size() && std::chrono::steady_clock::now() < deadline) {
                if (steps[next](*main)) {
                    ++next;
                }
                return;
            }
            EndDialog(dialog, -99);
        });
        app.InitInstance();
        platform::SetModalIdleHook(nullptr);
        stepsDone = next;
        main = nullptr;
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    // A real click of the X server's pointer in the middle of a window.
    void ClickX(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        XTestFakeMotionEvent(m_x, -1, (r.left + r.right) / 2, (r.top + r.bottom) / 2, 0);
        XSync(m_x, False);
        XTestFakeButtonEvent(m_x, 1, True, 0);
        XTestFakeButtonEvent(m_x, 1, False, 0);
        XSync(m_x, False);
    }
    COLORREF RootPixel(int x, int y) {
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr) {
            return 0xFFFFFFFF;
        }
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return RGB(static_cast<BYTE>((p >> 16) & 0xFF), static_cast<BYTE>((p >> 8) & 0xFF),
                   static_cast<BYTE>(p & 0xFF));
    }
    // The colour on the X screen a few pixels inside a window's left edge, half way down.
    COLORREF FaceOf(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return RootPixel(r.left + 6, (r.top + r.bottom) / 2);
    }
    static bool Greenish(COLORREF c) {
        return GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 20;
    }

    XvfbServer m_server;
    std::filesystem::path m_dir;
    std::optional<platform::X11Display> m_display;
    Display* m_x = nullptr;
    CBorvantaApp app;
    CBorvantaAppDlg* main = nullptr;
    size_t stepsDone = 0;
};

TEST_F(PagesX11Test, BothPagesShowAndAClickedRateReachesTheMouse) {
    const auto command = [](CBorvantaAppDlg& d, int id) {
        const CGUIItem* item = FindGUIItemById(d.items, id);
        ASSERT_NE(item, nullptr);
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(item->hwnd));
    };
    int waits = 0;
    const auto settle = [&waits](CBorvantaAppDlg&) { return ++waits % 10 == 0; };
    bool lightsShown = false;
    bool performanceShown = false;
    bool rateDrawnChecked = false;
    bool rateDrawnUnchecked = false;
    Run({[&](CBorvantaAppDlg& d) {
             command(d, BUTTON_LIGHTINGMAINTENANCE);
             return true;
         },
         [](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.lightingPage; }, settle,
         [&](CBorvantaAppDlg& d) {
             lightsShown = d.scrollLedOn->IsWindowVisible() && d.scrollColor->IsWindowVisible() &&
                           !d.rateButton1->IsWindowVisible();
             // The lit light's "on" button is drawn checked (the accent colour).
             EXPECT_TRUE(Greenish(FaceOf(d.scrollLedOn->GetSafeHwnd())));
             command(d, BUTTON_ADJUSTPERFORMANCE);
             return true;
         },
         [](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.performancePage; }, settle,
         [&](CBorvantaAppDlg& d) {
             performanceShown = d.dpiSlider->IsWindowVisible() &&
                                d.rateButton1->IsWindowVisible() &&
                                !d.scrollLedOn->IsWindowVisible();
             rateDrawnUnchecked = !Greenish(FaceOf(d.rateButton1->GetSafeHwnd()));
             ClickX(d.rateButton1->GetSafeHwnd());
             return true;
         },
         [](CBorvantaAppDlg& d) { return d.config->GetPollingRate(nullptr) == 0; }, settle,
         [&](CBorvantaAppDlg& d) {
             rateDrawnChecked = Greenish(FaceOf(d.rateButton1->GetSafeHwnd()));
             EXPECT_EQ(d.rateButton3->checked, 0);
             EXPECT_TRUE(d.applyButton->IsWindowEnabled());
             ClickX(d.applyButton->GetSafeHwnd());
             return true;
         },
         [](CBorvantaAppDlg& d) {
             return d.PendingChangeMask == 0 && d.writingPopup == nullptr && !d.device->IsWriting();
         },
         [&](CBorvantaAppDlg& d) {
             command(d, BUTTON_CANCEL);
             return true;
         }});
    EXPECT_EQ(stepsDone, 12u);
    EXPECT_TRUE(lightsShown);
    EXPECT_TRUE(performanceShown);
    EXPECT_TRUE(rateDrawnUnchecked);
    EXPECT_TRUE(rateDrawnChecked);

    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    ASSERT_TRUE(mouse.Initialize(&config, &id));
    ASSERT_TRUE(mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL));
    EXPECT_EQ(config.GetPollingRate(nullptr), 0);
}

} // namespace
