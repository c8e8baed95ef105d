// Recording a macro from real X input: the configurator runs on the X11 display of a private
// Xvfb, keys and clicks injected with the XTest extension land in the macro event list with
// the delays between them, Apply writes the macro to the virtual mouse, and a fresh process
// (this test program started again) reads the same macro back from the mouse.

#include "configurator/BorvantaApp.h"
#include "configurator/BorvantaAppDlg.h"
#include "device/IMouseDevice.h"
#include "device/Mouse.h"
#include "gui/BitmapBtn.h"
#include "gui/DropdownListItem.h"
#include "gui/MacroDisplayItem.h"
#include "gui/SkinResourceCache.h"
#include "model/BorvantaConfig.h"
#include "model/Macro.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

constexpr const char* kReadBackVariable = "BORVANTA_TEST_READBACK";

// The macros of the mouse, one line each: name, then type:code:flags of every event.
std::string DeviceMacrosText() {
    CBorvantaConfig config;
    CMouse mouse;
    const WORD id = BORVANTA_PRODUCT_ID;
    if (!mouse.Initialize(&config, &id) || !mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL)) {
        return "unreadable";
    }
    std::ostringstream out;
    for (int i = 0; i < config.GetMacroCount(); ++i) {
        const CMacro* macro = config.GetMacro(i, nullptr);
        out << ToUtf8(macro->GetName());
        for (const MacroEvent& e : macro->GetEvents()) {
            out << ' ' << e.type << ':' << e.code << ':'
                << (e.type == MACRO_EVENT_DELAY ? 0 : e.flags);
        }
        out << '\n';
    }
    return out.str();
}

POINT Centre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class X11RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        if (std::getenv(kReadBackVariable) != nullptr) {
            GTEST_SKIP() << "the read-back run";
        }
        const auto xvfb = testsupport::FindXvfb();
        if (!xvfb) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_server.Start(*xvfb));
        m_dir = fs::temp_directory_path() / ("borvanta-x11rec-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "locks");
        ::setenv("BORVANTA_SERVICE_DB", (m_dir / "mouse.db").c_str(), 1);
        ::setenv("BORVANTA_REGISTRY", (m_dir / "registry.txt").c_str(), 1);
        ::setenv("BORVANTA_LOCK_DIR", (m_dir / "locks").c_str(), 1);
        const fs::path program = m_dir / "program";
        fs::create_directories(program);
        for (const char* folder : {"xml", "skins", "fonts", "lang", "Manuals"}) {
            const fs::path from = fs::path(BORVANTA_PROGRAM_DIR) / folder;
            if (fs::exists(from)) {
                fs::copy(from, program / folder, fs::copy_options::recursive);
            }
        }
        fs::create_directories(program / "save");
        SetExeFolder(program);
        InitNameTables();
        SkinResourceCache::Clear();
    }
    void TearDown() override {
        platform::SetModalIdleHook(nullptr);
        SkinResourceCache::Clear();
        if (!m_dir.empty()) {
            std::filesystem::current_path(std::filesystem::temp_directory_path());
            std::filesystem::remove_all(m_dir);
        }
        m_server.Stop();
    }

    testsupport::XvfbServer m_server;
    std::filesystem::path m_dir;
};

TEST_F(X11RecordingTest, RealKeysAndClicksAreRecordedSavedAndReadBack) {
    platform::X11Display display(m_server.Name());
    ASSERT_TRUE(display.IsOpen());
    Display* x = XOpenDisplay(m_server.Name().c_str());
    ASSERT_NE(x, nullptr);
    int unused = 0;
    ASSERT_TRUE(XTestQueryExtension(x, &unused, &unused, &unused, &unused));
    auto clickAt = [x](POINT at, unsigned button, unsigned long delay) {
        XTestFakeMotionEvent(x, 0, at.x, at.y, delay);
        XTestFakeButtonEvent(x, button, True, 200);
        XTestFakeButtonEvent(x, button, False, 50);
        XSync(x, False);
    };

    CBorvantaApp app;
    app.keepProgramFolder = true;
    app.startProgram = [](const WCHAR*) {};
    CBorvantaAppDlg* main = nullptr;
    app.onMainWindow = [&](CBorvantaAppDlg& dialog) {
        main = &dialog;
        dialog.openDocument = [](const WCHAR*) {};
    };
    int stage = 0;
    UINT_PTR ticker = 0;
    MacroEventList recorded;
    std::chrono::steady_clock::time_point pressedAt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    platform::SetModalIdleHook([&](HWND dialog) {
        if (ticker == 0) {
            ticker = SetTimer(nullptr, 0, 20, nullptr); // keeps the idle turns coming
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "stuck at stage " << stage << " events "
                          << (main ? main->macroDisplay->events.size() : 0) << " capture "
                          << (GetCapture() == nullptr                                     ? 0
                              : main && GetCapture() == main->macroDisplay->GetSafeHwnd() ? 1
                                                                                          : 2)
                          << " hover " << (main ? int{main->macroRecordButton->hover} : -1);
            EndDialog(dialog, -99);
            return;
        }
        if (main == nullptr || dialog != main->GetSafeHwnd()) {
            return; // the writing popup: its own timer ends it
        }
        CBorvantaAppDlg& d = *main;
        switch (stage) {
        case 0:
            // A macro to record into, chosen on the macros page; then a real click on Record.
            d.config->CreateMacro(u"xrec", nullptr);
            d.FillMacroList();
            d.macroList->SetCurSel(0);
            d.OnMacroChosen(0);
            d.ShowPage(PAGE_MACROS);
            display.Flush();
            clickAt(Centre(d.macroRecordButton->GetSafeHwnd()), 1, 100);
            stage = 1;
            break;
        case 1:
            if (d.IsRecording()) {
                // A held for 300 ms, then the right button on the list.
                XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_a), True, 0);
                XSync(x, False);
                pressedAt = std::chrono::steady_clock::now();
                stage = 8;
            }
            break;
        case 8:
            if (std::chrono::steady_clock::now() - pressedAt >= std::chrono::milliseconds(300)) {
                XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_a), False, 0);
                clickAt(Centre(d.macroDisplay->GetSafeHwnd()), 3, 0);
                stage = 2;
            }
            break;
        case 2:
            if (d.macroDisplay->events.size() >= 7) {
                // The pointer goes to Record first; the click follows once the program has
                // seen it arrive there (the list lets go of the pointer), as a user's does.
                XTestFakeMotionEvent(x, 0, Centre(d.macroRecordButton->GetSafeHwnd()).x,
                                     Centre(d.macroRecordButton->GetSafeHwnd()).y, 100);
                XSync(x, False);
                stage = 6;
            }
            break;
        case 6:
            if (GetCapture() != d.macroDisplay->GetSafeHwnd()) {
                // A pointer moving on over the button lights it up.
                const POINT at = Centre(d.macroRecordButton->GetSafeHwnd());
                XTestFakeMotionEvent(x, 0, at.x + 2, at.y, 50);
                XSync(x, False);
                stage = 7;
            }
            break;
        case 7:
            if (d.macroRecordButton->hover != 0) {
                XTestFakeButtonEvent(x, 1, True, 100);
                XTestFakeButtonEvent(x, 1, False, 50);
                XSync(x, False);
                stage = 3;
            }
            break;
        case 3:
            if (!d.IsRecording()) {
                recorded = d.SelectedMacro()->GetEvents();
                clickAt(Centre(d.applyButton->GetSafeHwnd()), 1, 100);
                stage = 4;
            }
            break;
        case 4:
            if (d.timerId == IDT_WRITE_APPLY && !d.device->IsWriting() &&
                d.writingPopup == nullptr && d.PendingChangeMask == 0) {
                PostMessageW(d.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
                stage = 5;
            }
            break;
        default:
            break;
        }
    });
    app.InitInstance();
    platform::SetModalIdleHook(nullptr);
    if (ticker != 0) {
        KillTimer(nullptr, ticker);
    }
    XCloseDisplay(x);
    ASSERT_EQ(stage, 5);

    // Key press, delay, key release, delay, right button down, delay, right button up; the
    // stopping click on Record is not in it.
    ASSERT_EQ(recorded.size(), 7u);
    const int types[] = {MACRO_EVENT_KEY,         MACRO_EVENT_DELAY,        MACRO_EVENT_KEY,
                         MACRO_EVENT_DELAY,       MACRO_EVENT_MOUSE_BUTTON, MACRO_EVENT_DELAY,
                         MACRO_EVENT_MOUSE_BUTTON};
    for (size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(recorded[i].type, types[i]) << i;
    }
    EXPECT_EQ(recorded[0].code & 0xFFFF, 0x1E);
    EXPECT_EQ(recorded[0].flags & 0xFF, MACRO_KEY_PRESS);
    EXPECT_EQ(recorded[2].flags & 0xFF, MACRO_KEY_RELEASE);
    EXPECT_EQ(recorded[4].code, 2);
    EXPECT_EQ(recorded[6].flags & 0xFF, 1u);
    // The key was held for 300 ms; the loops add little to it.
    EXPECT_GE(recorded[1].code, 250);
    EXPECT_LE(recorded[1].code, 1500);

    // A fresh process reads the same macro from the mouse.
    const std::string expected = DeviceMacrosText();
    EXPECT_NE(expected.find("xrec 0:"), std::string::npos) << expected;
    const std::filesystem::path file = m_dir / "expected.txt";
    std::ofstream(file) << expected;
    const pid_t child = fork();
    if (child == 0) {
        ::setenv(kReadBackVariable, file.c_str(), 1);
        execl("/proc/self/exe", "test", "--gtest_filter=X11RecordingReadBack.*",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Run only in the child started above: the mouse's macros equal what the parent saw.
TEST(X11RecordingReadBack, MacrosEqualTheRecordedOnes) {
    const char* file = std::getenv(kReadBackVariable);
    if (file == nullptr) {
        GTEST_SKIP() << "started by the recording test only";
    }
    std::ifstream in(file);
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(DeviceMacrosText(), expected.str());
}

} // namespace
