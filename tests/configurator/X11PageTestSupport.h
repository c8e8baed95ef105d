#pragma once
// Test support for the main window's pages on the X11 display: a private Xvfb server, the
// program against the virtual mouse with a copy of the shipped skin, steps in the main
// window's loop, X input through XTest and pixels read from the server.

#include "configurator/BorvantaApp.h"
#include "configurator/BorvantaAppDlg.h"
#include "gui/SkinResourceCache.h"
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

namespace x11pagetest {

using testsupport::FindXvfb;
using testsupport::XvfbServer;

// The program on a private Xvfb server (no window manager), its steps run in the main
// window's loop, X input through XTest, the screen read from the server.
class X11PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto program = FindXvfb();
        if (!program) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_server.Start(*program)) << "Xvfb did not start";
        namespace fs = std::filesystem;
        m_dir = fs::temp_directory_path() /
                ("borvanta-x11-pages-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
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

} // namespace x11pagetest
