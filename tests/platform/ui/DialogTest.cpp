#include "UiTestSupport.h"
#include "platform/gdi/Bitmap.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"

#include <gtest/gtest.h>

using platform::HeadlessDisplay;
using uitest::Recorder;

namespace {

// Dialog procedure state for one test at a time.
std::vector<std::pair<HWND, UINT>>* g_seen = nullptr;
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> g_behaviour;

INT_PTR TestDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_seen) {
        g_seen->emplace_back(hwnd, msg);
    }
    if (g_behaviour) {
        return g_behaviour(hwnd, msg, wParam, lParam);
    }
    return FALSE;
}

// A dialog class whose window procedure logs every message before the dialog manager.
LRESULT LoggingDialogClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_seen && msg == WM_CREATE) {
        g_seen->emplace_back(hwnd, msg);
    }
    return DefDlgProcW(hwnd, msg, wParam, lParam);
}

DialogTemplate MakeTemplate() {
    static const bool registered = [] {
        WNDCLASSW wc;
        wc.lpfnWndProc = LoggingDialogClassProc;
        wc.lpszClassName = u"UiTestDialogClass";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    DialogTemplate t;
    t.style = WS_POPUP | DS_SETFONT;
    t.cx = 100;
    t.cy = 50;
    t.className = u"UiTestDialogClass";
    t.items.push_back(
        DialogItemTemplate{u"Edit", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 5, 5, 50, 12, 100});
    t.items.push_back(DialogItemTemplate{u"Button", u"OK",
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                                         5, 30, 40, 14, IDOK});
    t.items.push_back(DialogItemTemplate{u"Button", u"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                         0, 55, 30, 40, 14, IDCANCEL});
    return t;
}

// Ends the dialog with the button's id, as dialog procedures do.
INT_PTR EndOnCommand(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::Get().Clear();
        g_seen = &m_seen;
        g_behaviour = EndOnCommand;
    }
    void TearDown() override {
        platform::SetModalIdleHook(nullptr);
        g_seen = nullptr;
        g_behaviour = nullptr;
        platform::PumpUntilIdle();
    }
    std::vector<std::pair<HWND, UINT>> m_seen;
    HeadlessDisplay m_display{640, 480};
};

size_t IndexOf(const std::vector<std::pair<HWND, UINT>>& seen, UINT msg) {
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].second == msg) {
            return i;
        }
    }
    return seen.size();
}

} // namespace

TEST_F(DialogTest, CreationOrderSizeInDialogUnitsAndModelessEnd) {
    const DialogTemplate t = MakeTemplate();
    HWND controlsAtInit = nullptr;
    g_behaviour = [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            controlsAtInit = GetDlgItem(h, IDCANCEL);
            EXPECT_EQ(l, 77);
            return TRUE;
        }
        return EndOnCommand(h, msg, w, l);
    };
    HWND dlg = CreateDialogIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 77);
    ASSERT_TRUE(dlg);
    EXPECT_LT(IndexOf(m_seen, WM_CREATE), IndexOf(m_seen, WM_INITDIALOG));
    EXPECT_NE(IndexOf(m_seen, WM_INITDIALOG), m_seen.size());
    EXPECT_TRUE(controlsAtInit);
    const SIZE units = platform::DialogBaseUnitsFor(u"MS Shell Dlg", 8);
    ASSERT_GT(units.cx, 0);
    RECT r{};
    GetClientRect(dlg, &r);
    EXPECT_EQ(r.right, 100 * units.cx / 4);
    EXPECT_EQ(r.bottom, 50 * units.cy / 8);
    RECT item{};
    GetWindowRect(GetDlgItem(dlg, IDOK), &item);
    EXPECT_EQ(item.left, 5 * units.cx / 4);
    EXPECT_EQ(item.top, 30 * units.cy / 8);
    // Not visible until asked (no WS_VISIBLE in the template).
    EXPECT_FALSE(IsWindowVisible(dlg));
    ShowWindow(dlg, SW_SHOW);
    // Tab order follows creation order and wraps.
    HWND edit = GetDlgItem(dlg, 100);
    EXPECT_EQ(GetNextDlgTabItem(dlg, edit, FALSE), GetDlgItem(dlg, IDOK));
    EXPECT_EQ(GetNextDlgTabItem(dlg, edit, TRUE), GetDlgItem(dlg, IDCANCEL));
    // A modeless dialog only hides on EndDialog.
    EndDialog(dlg, 3);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_FALSE(IsWindowVisible(dlg));
    DestroyWindow(dlg);
}

TEST_F(DialogTest, ModalDialogDisablesItsOwnerAndEndsWithEnterOrEscape) {
    const DialogTemplate t = MakeTemplate();
    HWND owner = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
    for (int vk : {VK_RETURN, VK_ESCAPE}) {
        bool ownerDisabled = false;
        int idleCalls = 0;
        platform::SetModalIdleHook([&](HWND dialog) {
            ++idleCalls;
            ownerDisabled = !IsWindowEnabled(owner);
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_EQ(GetActiveWindow(), dialog);
            m_display.PressKey(vk);
        });
        const INT_PTR result = DialogBoxIndirectParamW(nullptr, &t, owner, TestDialogProc, 0);
        EXPECT_EQ(result, vk == VK_RETURN ? IDOK : IDCANCEL);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_EQ(idleCalls, 1);
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(GetActiveWindow(), owner);
    }
    DestroyWindow(owner);
}

TEST_F(DialogTest, AltF4ClosesTheDialogAsCancel) {
    const DialogTemplate t = MakeTemplate();
    platform::SetModalIdleHook([&](HWND) {
        m_display.KeyDown(VK_MENU);
        m_display.PressKey(VK_F4);
        m_display.KeyUp(VK_MENU);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 0), IDCANCEL);
}

TEST_F(DialogTest, ClicksOnTheBlockedOwnerAreIgnoredAndWmCloseCancels) {
    const DialogTemplate t = MakeTemplate();
    HWND owner = uitest::CreateTestWindow(WS_POPUP | WS_VISIBLE, 400, 300, 200, 100);
    int step = 0;
    platform::SetModalIdleHook([&](HWND dialog) {
        if (step++ == 0) {
            m_display.Click(450, 350);
            EXPECT_TRUE(Recorder::Get().Of(owner, WM_LBUTTONDOWN).empty());
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &t, owner, TestDialogProc, 0), IDCANCEL);
    m_display.Click(450, 350);
    EXPECT_EQ(Recorder::Get().Of(owner, WM_LBUTTONDOWN).size(), 1u);
    DestroyWindow(owner);
}

TEST_F(DialogTest, NestedModalLoopsEndInnermostFirst) {
    const DialogTemplate t = MakeTemplate();
    std::vector<std::string> events;
    HWND outer = nullptr;
    g_behaviour = [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(w) == 100 && HIWORD(w) == EN_SETFOCUS && h == outer) {
            return FALSE;
        }
        if (msg == WM_USER + 5) {
            // Runs a second modal dialog on this stack.
            events.push_back("inner start");
            const INT_PTR inner = DialogBoxIndirectParamW(nullptr, &t, h, TestDialogProc, 0);
            events.push_back("inner end " + std::to_string(inner));
            EndDialog(h, 5);
            return TRUE;
        }
        return EndOnCommand(h, msg, w, l);
    };
    platform::SetModalIdleHook([&](HWND dialog) {
        if (!outer) {
            outer = dialog;
            PostMessageW(dialog, WM_USER + 5, 0, 0);
        } else if (dialog != outer) {
            EXPECT_FALSE(IsWindowEnabled(outer));
            events.push_back("inner idle");
            EndDialog(dialog, 7);
        }
    });
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 0);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(events, (std::vector<std::string>{"inner start", "inner idle", "inner end 7"}));
}

TEST_F(DialogTest, WmQuitEndsTheModalLoopAndIsLeftForTheOuterLoop) {
    const DialogTemplate t = MakeTemplate();
    platform::SetModalIdleHook([](HWND) { PostQuitMessage(9); });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 0), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(DialogTest, TabMovesTheFocusAndEnterOnAButtonClicksThatButton) {
    const DialogTemplate t = MakeTemplate();
    std::vector<int> commands;
    g_behaviour = [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> INT_PTR {
        if (msg == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
            commands.push_back(LOWORD(w));
        }
        return EndOnCommand(h, msg, w, l);
    };
    platform::SetModalIdleHook([&](HWND dialog) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 100));
        m_display.PressKey('A');
        m_display.PressKey('B');
        m_display.PressKey(VK_TAB);
        m_display.PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDCANCEL));
        // Back into the field by Tab: its text comes selected.
        m_display.PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 100));
        EXPECT_EQ(SendDlgItemMessageW(dialog, 100, EM_GETSEL, 0, 0), MAKELONG(0, 2));
        m_display.PressKey(VK_TAB);
        m_display.PressKey(VK_TAB);
        m_display.PressKey(VK_RETURN);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 0), IDCANCEL);
    EXPECT_EQ(commands, (std::vector<int>{IDCANCEL}));
}

TEST_F(DialogTest, EnterOnAnOwnerDrawnButtonIsTheDialogsOk) {
    DialogTemplate t = MakeTemplate();
    t.items.insert(t.items.begin(),
                   DialogItemTemplate{u"Button", u"",
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 5, 50,
                                      20, 10, 300});
    platform::SetModalIdleHook([&](HWND dialog) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 300));
        m_display.PressKey(VK_RETURN);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 0), IDOK);
}

TEST_F(DialogTest, F1AsksTheDialogForHelpAboutTheFocusedControl) {
    const DialogTemplate t = MakeTemplate();
    HELPINFO seen;
    int helps = 0;
    g_behaviour = [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> INT_PTR {
        if (msg == WM_HELP) {
            ++helps;
            seen = *reinterpret_cast<HELPINFO*>(l);
            return TRUE;
        }
        return EndOnCommand(h, msg, w, l);
    };
    platform::SetModalIdleHook([&](HWND dialog) {
        SetFocus(GetDlgItem(dialog, IDCANCEL));
        m_display.PressKey(VK_F1);
        EXPECT_EQ(helps, 1);
        EXPECT_EQ(seen.hItemHandle, GetDlgItem(dialog, IDCANCEL));
        EXPECT_EQ(seen.iCtrlId, IDCANCEL);
        EndDialog(dialog, 0);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 0), 0);
}

TEST_F(DialogTest, CaptionFrameAndNewStaticTextsArePainted) {
    DialogTemplate t = MakeTemplate();
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | WS_VISIBLE;
    t.title = u"Save As";
    t.items.push_back(
        DialogItemTemplate{u"Static", u"", WS_CHILD | WS_VISIBLE, 0, 60, 5, 35, 12, 101});
    HWND dlg = CreateDialogIndirectParamW(nullptr, &t, nullptr, TestDialogProc, 0);
    ASSERT_TRUE(dlg);
    SetWindowPos(dlg, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    platform::PumpUntilIdle();
    RECT window{};
    GetWindowRect(dlg, &window);
    POINT client{0, 0};
    ClientToScreen(dlg, &client);
    ASSERT_GT(client.y - window.top, 10); // a caption bar above the client area
    ASSERT_GT(client.x, window.left);     // and a frame around it
    // Every pixel around the client area is the frame's colour or the title's ink: nothing is
    // left as the window's unpainted (black) backing.
    const gdi::Bitmap* screen = &m_display.Composite();
    const COLORREF frame = screen->GetColor(window.left, window.top);
    EXPECT_NE(frame, RGB(0, 0, 0));
    EXPECT_EQ(screen->GetColor(window.right - 1, window.bottom - 1), frame);
    EXPECT_EQ(screen->GetColor(window.left, (window.top + window.bottom) / 2), frame);
    int black = 0;
    int title = 0;
    for (LONG y = window.top; y < client.y; ++y) {
        for (LONG x = window.left; x < window.right; ++x) {
            const COLORREF p = screen->GetColor(x, y);
            black += p == RGB(0, 0, 0) ? 1 : 0;
            title += p != frame ? 1 : 0;
        }
    }
    EXPECT_EQ(black, 0);
    EXPECT_GT(title, 20); // the title's letters
    // A new title is drawn at once.
    SetWindowTextW(dlg, u"");
    screen = &m_display.Composite();
    int left = 0;
    for (LONG y = window.top; y < client.y; ++y) {
        for (LONG x = window.left; x < window.right; ++x) {
            left += screen->GetColor(x, y) != frame ? 1 : 0;
        }
    }
    EXPECT_EQ(left, 0);

    // A static shows a new text at once (a folder name, a message).
    RECT label{};
    GetWindowRect(GetDlgItem(dlg, 101), &label);
    auto labelPixels = [&] {
        const gdi::Bitmap& now = m_display.Composite();
        std::vector<COLORREF> pixels;
        for (LONG y = label.top; y < label.bottom; ++y) {
            for (LONG x = label.left; x < label.right; ++x) {
                pixels.push_back(now.GetColor(x, y));
            }
        }
        return pixels;
    };
    const std::vector<COLORREF> empty = labelPixels();
    SetDlgItemTextW(dlg, 101, u"/home");
    platform::PumpUntilIdle();
    EXPECT_NE(labelPixels(), empty);
    DestroyWindow(dlg);
}
