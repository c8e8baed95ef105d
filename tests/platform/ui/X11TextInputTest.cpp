// Typing into an edit field on the X11 display against a private Xvfb, as a user does: keys
// pressed through XTest in the server's German and Russian layouts (dead keys and AltGr
// included), a key beyond the first plane, and the clipboard shared with another program
// (xclip).

#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

// Xlib after the other headers: its macros must not meet them.
#include "tests/support/XKeyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using testsupport::PressKeysym;
using testsupport::XvfbServer;

class X11TextInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto program = testsupport::FindXvfb();
        if (!program) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(m_server.Start(*program, "640x480x24"));
        m_display.emplace(m_server.Name());
        ASSERT_TRUE(m_display->IsOpen());
        m_x = XOpenDisplay(m_server.Name().c_str());
        ASSERT_NE(m_x, nullptr);
        m_top = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 40, 40, 300, 60);
        m_edit = CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 10, 10, 280, 24, m_top,
                                 nullptr, nullptr, nullptr);
        m_font = CreateFontW(16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
        SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
        platform::PumpUntilIdle();
        m_display->Flush();
        // Without a window manager the keyboard follows the pointer.
        XTestFakeMotionEvent(m_x, 0, 100, 70, 0);
        XSync(m_x, False);
        SetFocus(m_edit);
        ASSERT_TRUE(LoopUntil([&] { return GetActiveWindow() == m_top; }));
    }
    void TearDown() override {
        if (m_top != nullptr) {
            DestroyWindow(m_top);
        }
        DeleteObject(m_font);
        platform::PumpUntilIdle();
        m_display.reset();
        if (m_x != nullptr) {
            XCloseDisplay(m_x);
        }
    }

    std::u16string Text() const {
        WCHAR buffer[128]{};
        GetWindowTextW(m_edit, buffer, 128);
        return buffer;
    }
    // Runs the message loop until done() holds or five seconds passed.
    bool LoopUntil(const std::function<bool()>& done) {
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        MSG msg{};
        bool ok = false;
        while (!(ok = done()) && std::chrono::steady_clock::now() < deadline) {
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        KillTimer(nullptr, timer);
        return ok;
    }
    void Type(std::initializer_list<KeySym> keys) {
        for (const KeySym key : keys) {
            ASSERT_TRUE(PressKeysym(m_x, key, false, 10)) << XKeysymToString(key);
        }
    }
    // What a shell command prints.
    static std::string Output(const std::string& command) {
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            std::array<char, 256> buffer{};
            size_t n = 0;
            while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
                out.append(buffer.data(), n);
            }
            pclose(pipe);
        }
        return out;
    }

    XvfbServer m_server;
    std::optional<platform::X11Display> m_display;
    Display* m_x = nullptr;
    HWND m_top = nullptr;
    HWND m_edit = nullptr;
    HFONT m_font = nullptr;
};

TEST_F(X11TextInputTest, LayoutsDeadKeysAndAltGrTypeTheirCharacters) {
    if (!testsupport::HaveSetxkbmap()) {
        GTEST_SKIP() << "setxkbmap is not installed";
    }
    // German: "ë" is the dead diaeresis (AltGr with the "ü" key) and then "e"; "Z" and "ß"
    // are keys of their own; "@" is AltGr with "Q".
    ASSERT_TRUE(testsupport::SetKeyboardLayout(m_server.Name(), "de"));
    Type({XK_Z, XK_o, XK_dead_diaeresis, XK_e, XK_space, XK_S, XK_t, XK_r, XK_a, XK_ssharp, XK_e,
          XK_at});
    EXPECT_TRUE(LoopUntil([&] { return Text() == u"Zo\u00EB Stra\u00DFe@"; })) << ToUtf8(Text());

    // Russian: Ctrl with the key where a US keyboard has "A" selects everything, whatever the
    // layout puts on it; the Cyrillic letters then replace the selection.
    ASSERT_TRUE(testsupport::SetKeyboardLayout(m_server.Name(), "ru"));
    ASSERT_TRUE(PressKeysym(m_x, XK_Cyrillic_ef, true, 10));
    Type({XK_Cyrillic_I, XK_Cyrillic_ghe, XK_Cyrillic_er, XK_Cyrillic_a});
    EXPECT_TRUE(LoopUntil([&] { return Text() == u"\u0418\u0433\u0440\u0430"; })) << ToUtf8(Text());

    // A key that types a character beyond the first plane: two code units, one character.
    int low = 0;
    int high = 0;
    XDisplayKeycodes(m_x, &low, &high);
    int perKey = 0;
    KeySym* map = XGetKeyboardMapping(m_x, static_cast<KeyCode>(high), 1, &perKey);
    ASSERT_NE(map, nullptr);
    XFree(map);
    std::vector<KeySym> smiley(static_cast<size_t>(perKey), 0x0101F600);
    XChangeKeyboardMapping(m_x, high, perKey, smiley.data(), 1);
    XSync(m_x, False);
    Type({0x0101F600});
    EXPECT_TRUE(LoopUntil([&] { return Text() == u"\u0418\u0433\u0440\u0430\U0001F600"; }))
        << ToUtf8(Text());
    const auto sel = static_cast<DWORD>(SendMessageW(m_edit, EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(sel), 6);
}

TEST_F(X11TextInputTest, TheClipboardIsSharedWithOtherPrograms) {
    if (access("/usr/bin/xclip", X_OK) != 0) {
        GTEST_SKIP() << "xclip is not installed";
    }
    SendMessageW(m_edit, EM_SETLIMITTEXT, 8, 0);
    // Another program's text, pasted with Ctrl+V: cut to the field's limit.
    const std::string display = " -display " + m_server.Name();
    ASSERT_EQ(std::system(
                  ("printf 'Gaming Zo\\303\\253 Extra' | xclip -selection clipboard -l 1" + display)
                      .c_str()),
              0);
    ASSERT_TRUE(PressKeysym(m_x, XK_v, true, 10));
    EXPECT_TRUE(LoopUntil([&] { return Text() == u"Gaming Z"; })) << ToUtf8(Text());
    // Copied here: the other program reads it, Latin-1 as well as UTF-8.
    SetWindowTextW(m_edit, u"Zo\u00EB");
    ASSERT_TRUE(PressKeysym(m_x, XK_a, true, 10));
    ASSERT_TRUE(PressKeysym(m_x, XK_c, true, 10));
    ASSERT_TRUE(LoopUntil([&] {
        const auto sel = static_cast<DWORD>(SendMessageW(m_edit, EM_GETSEL, 0, 0));
        return HIWORD(sel) == 3;
    }));
    // The copy is done once the loop has handled Ctrl+C; xclip asks while the loop runs.
    std::string pasted;
    std::atomic<bool> done{false};
    std::thread other([&] {
        pasted = Output("xclip -selection clipboard -o" + display + " 2>/dev/null");
        done = true;
    });
    EXPECT_TRUE(LoopUntil([&] { return done.load(); }));
    other.join();
    EXPECT_EQ(pasted, "Zo\xC3\xAB");
    EXPECT_EQ(Output("xclip -selection clipboard -o -t STRING" + display), "Zo\xEB");
    // Shift+Insert pastes our own text back over the selection.
    ASSERT_TRUE(PressKeysym(m_x, XK_End, false, 10));
    XTestFakeKeyEvent(m_x, XKeysymToKeycode(m_x, XK_Shift_L), True, 10);
    XTestFakeKeyEvent(m_x, XKeysymToKeycode(m_x, XK_Insert), True, 10);
    XTestFakeKeyEvent(m_x, XKeysymToKeycode(m_x, XK_Insert), False, 10);
    XTestFakeKeyEvent(m_x, XKeysymToKeycode(m_x, XK_Shift_L), False, 10);
    XSync(m_x, False);
    EXPECT_TRUE(LoopUntil([&] { return Text() == u"Zo\u00EBZo\u00EB"; })) << ToUtf8(Text());
}

} // namespace
