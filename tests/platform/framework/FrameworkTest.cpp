#include "platform/framework/CButton.h"
#include "platform/framework/CDialog.h"
#include "platform/framework/CEdit.h"
#include "platform/framework/CPaintDC.h"
#include "platform/framework/CStatic.h"
#include "platform/framework/CWinApp.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using platform::HeadlessDisplay;

namespace {

constexpr UINT kTemplate = 7001;
constexpr UINT WM_PANEL_PING = WM_USER + 70;

void RegisterTemplate() {
    DialogTemplate t;
    t.style = WS_POPUP | DS_SETFONT;
    t.cx = 120;
    t.cy = 60;
    t.items.push_back(DialogItemTemplate{u"Button", u"OK",
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                                         5, 40, 40, 14, IDOK});
    t.items.push_back(DialogItemTemplate{u"Button", u"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                         0, 60, 40, 40, 14, IDCANCEL});
    RegisterDialogTemplate(kTemplate, t);
}

// A dialog that records its handlers and paints its face red.
class TestDialog : public CDialog {
public:
    explicit TestDialog(CWnd* parent = nullptr) : CDialog(kTemplate, parent) {}
    std::vector<std::string> events;
    int okCalls = 0;
    bool refuseOk = false;

    int OnCreate(LPCREATESTRUCTW cs) override {
        events.push_back(GetDlgItem(IDOK) ? "create with controls" : "create");
        return CDialog::OnCreate(cs);
    }
    BOOL OnInitDialog() override {
        events.push_back(GetDlgItem(IDOK) ? "init with controls" : "init");
        return CDialog::OnInitDialog();
    }
    void OnOK() override {
        ++okCalls;
        if (!refuseOk) {
            CDialog::OnOK();
        }
    }
    void OnPaint() override {
        CPaintDC dc(this);
        CRect client;
        GetClientRect(client);
        dc.FillSolidRect(client, RGB(255, 0, 0));
    }
    void OnTimer(UINT_PTR id) override {
        events.push_back("timer " + std::to_string(id));
        KillTimer(id);
        EndDialog(static_cast<int>(id));
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_PANEL_PING) {
            events.push_back("ping " + std::to_string(wParam));
            *result = 99;
            return TRUE;
        }
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
};

// An owner-drawn button drawing itself through reflection, with its own message filter.
class SelfDrawnButton : public CButton {
public:
    int draws = 0;
    UINT lastState = 0;
    int filtered = 0;
    void PreSubclassWindow() override { ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW); }
    void DrawItem(LPDRAWITEMSTRUCT dis) override {
        ++draws;
        lastState = dis->itemState;
        CDC* dc = CDC::FromHandle(dis->hDC);
        dc->FillSolidRect(&dis->rcItem, RGB(0, 0, 255));
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_MOUSEMOVE) {
            ++filtered;
        }
        return FALSE;
    }
};

class TransparentLabel : public CStatic {
public:
    HBRUSH CtlColor(CDC* dc, UINT) override {
        dc->SetBkMode(TRANSPARENT);
        return reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    }
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterTemplate(); }
    void TearDown() override {
        platform::SetModalIdleHook(nullptr);
        platform::PumpUntilIdle();
        // A main window that went posted WM_QUIT; it must not end the next test's loops.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    HeadlessDisplay m_display{640, 480, RGB(0, 0, 0)};
};

} // namespace

TEST_F(FrameworkTest, DoModalCreatesInOrderPaintsAndEndsWithEnter) {
    TestDialog dialog;
    HWND seen = nullptr;
    COLORREF face = 0;
    platform::SetModalIdleHook([&](HWND hwnd) {
        seen = hwnd;
        RECT r{};
        GetWindowRect(hwnd, &r);
        face = m_display.ScreenPixel(r.left + 2, r.top + 2);
        EXPECT_EQ(dialog.SendMessage(WM_PANEL_PING, 4), 99);
        m_display.PressKey(VK_RETURN);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"create", "init with controls", "ping 4"}));
    EXPECT_EQ(dialog.okCalls, 1);
    EXPECT_EQ(face, RGB(255, 0, 0));
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(seen), nullptr);
}

TEST_F(FrameworkTest, OnOkMayRefuseAndTimersEndTheDialogOnTheVirtualClock) {
    platform::ScopedVirtualClock clock;
    TestDialog dialog;
    dialog.refuseOk = true;
    int idle = 0;
    platform::SetModalIdleHook([&](HWND hwnd) {
        if (idle++ == 0) {
            m_display.PressKey(VK_RETURN); // refused: the dialog stays
            EXPECT_TRUE(IsWindowVisible(hwnd));
            dialog.SetTimer(42, 500);
        } else {
            clock.Advance(500);
        }
    });
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(dialog.okCalls, 1);
    EXPECT_EQ(dialog.events.back(), "timer 42");
}

TEST_F(FrameworkTest, EscapeAndCloseCancel) {
    for (int way = 0; way < 2; ++way) {
        TestDialog dialog;
        platform::SetModalIdleHook([&](HWND hwnd) {
            if (way == 0) {
                m_display.PressKey(VK_ESCAPE);
            } else {
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
            }
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    CDialog missing(9999);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(FrameworkTest, OwnerDrawReflectionCtlColorAndPreTranslate) {
    // The application's loop filter: the windows of a message see it first.
    const std::function<bool(MSG&)> filter = [](MSG& msg) {
        return WalkPreTranslateTree(nullptr, &msg) != FALSE;
    };
    platform::ScopedLoopFilter loop(platform::LoopFilter{nullptr, &filter});
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create(kTemplate));
    dialog.MoveWindow(0, 0, 200, 100);
    dialog.ShowWindow(SW_SHOW);
    SelfDrawnButton button;
    ASSERT_TRUE(button.Create(u"", WS_CHILD | WS_VISIBLE, CRect(10, 10, 50, 30), &dialog, 300));
    EXPECT_EQ(button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    TransparentLabel label;
    ASSERT_TRUE(label.Create(u"", WS_CHILD | WS_VISIBLE, CRect(10, 50, 50, 70), &dialog));
    platform::PumpUntilIdle();
    EXPECT_EQ(button.draws, 1);
    EXPECT_EQ(m_display.ScreenPixel(20, 20), RGB(0, 0, 255));
    EXPECT_EQ(m_display.ScreenPixel(20, 60), RGB(0, 0, 0));
    EXPECT_EQ(m_display.ScreenPixel(100, 20), RGB(255, 0, 0));
    m_display.MoveMouse(20, 20);
    m_display.ButtonDown();
    EXPECT_EQ(button.lastState & ODS_SELECTED, ODS_SELECTED);
    m_display.ButtonUp();
    EXPECT_EQ(button.lastState & ODS_SELECTED, 0u);
    EXPECT_GE(button.filtered, 1); // the modeless dialog's window walk reached the button
    dialog.DestroyWindow();
    EXPECT_EQ(button.m_hWnd, nullptr);
}

TEST_F(FrameworkTest, EditFieldsTakeTypedTextWithinTheirLimit) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create(kTemplate));
    dialog.ShowWindow(SW_SHOW);
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_NUMBER, CRect(0, 0, 50, 20), &dialog, 5));
    edit.SetLimitText(3);
    edit.SetFocus();
    for (int vk : {'1', 'A', '2', '3', '4'}) {
        m_display.PressKey(vk);
    }
    CString text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, CString(u"123"));
    edit.SetSel(0, -1);
    m_display.PressKey('9');
    edit.GetWindowText(text);
    EXPECT_EQ(text, CString(u"9"));
    dialog.DestroyWindow();
}

namespace {

class TestApp : public CWinApp {
public:
    bool runLoop = true;
    int idleCalls = 0;
    BOOL InitInstance() override {
        auto* dialog = new OwnedDialog();
        dialog->Create(kTemplate);
        m_pMainWnd = dialog;
        dialog->PostMessage(WM_CLOSE);
        return runLoop ? TRUE : FALSE;
    }
    int ExitInstance() override { return 17; }

    // A modeless main window that deletes itself when its window goes.
    class OwnedDialog : public CDialog {
    public:
        void OnCancel() override { DestroyWindow(); }
        void PostNcDestroy() override { delete this; }
    };
};

} // namespace

TEST_F(FrameworkTest, ApplicationRunsUntilItsMainWindowIsDestroyed) {
    TestApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_EQ(AfxWinMain(nullptr, nullptr, nullptr, SW_SHOW), 17);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(FrameworkTest, TemporaryWrappersAndSubclassing) {
    HWND plain = CreateWindowExW(0, u"Static", u"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    CWnd* temp = CWnd::FromHandle(plain);
    ASSERT_TRUE(temp);
    EXPECT_EQ(temp->m_hWnd, plain);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    EXPECT_EQ(CWnd::FromHandle(plain), temp);
    {
        CStatic wrapper;
        ASSERT_TRUE(wrapper.SubclassWindow(plain));
        EXPECT_EQ(CWnd::FromHandle(plain), &wrapper);
        CString text;
        wrapper.GetWindowText(text);
        EXPECT_EQ(text, CString(u"x"));
    } // the object takes its window along
    EXPECT_FALSE(IsWindow(plain));
}

namespace {

// The shape of a main window that shows a modal "busy" popup and closes it from its own
// timer once the work is done.
class BusyPopup : public CDialog {
public:
    explicit BusyPopup(CWnd* parent) : CDialog(kTemplate, parent) {}
};

INT_PTR g_popupResult = -2;
bool g_disabledDuringPopup = false;
int g_ticks = 0;

class MainWindow : public CDialog {
public:
    MainWindow() : CDialog(kTemplate) {}
    BusyPopup* popup = nullptr;
    INT_PTR popupResult = -2;
    bool disabledDuringPopup = false;
    int ticks = 0;

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_USER + 1) {
            SetTimer(1, 500);
            BusyPopup busy(this);
            popup = &busy;
            popupResult = busy.DoModal();
            popup = nullptr;
            g_popupResult = popupResult;
            EndDialog(IDOK);
            *result = 0;
            return TRUE;
        }
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
    void OnTimer(UINT_PTR id) override {
        ++ticks;
        if (ticks < 2) {
            return; // still busy: the next tick tries again
        }
        disabledDuringPopup = !IsWindowEnabled();
        g_disabledDuringPopup = disabledDuringPopup;
        g_ticks = ticks;
        if (popup) {
            popup->EndDialog(0);
        }
        KillTimer(id);
    }
};

class DialogApp : public CWinApp {
public:
    INT_PTR mainResult = -2;
    BOOL InitInstance() override {
        MainWindow main;
        m_pMainWnd = &main;
        mainResult = main.DoModal();
        m_pMainWnd = nullptr;
        return FALSE;
    }
    int ExitInstance() override { return 3; }
};

} // namespace

TEST_F(FrameworkTest, NestedPopupIsEndedByTheMainWindowsTimer) {
    platform::ScopedVirtualClock clock;
    MainWindow* mainSeen = nullptr;
    HWND mainHwnd = nullptr;
    platform::SetModalIdleHook([&](HWND dialog) {
        CWnd* wnd = CWnd::FromHandlePermanent(dialog);
        if (auto* main = dynamic_cast<MainWindow*>(wnd)) {
            if (!mainSeen) {
                mainSeen = main;
                mainHwnd = dialog;
                EXPECT_EQ(::GetParent(dialog), nullptr); // no owner: it is the main window
                main->PostMessage(WM_USER + 1);
            }
        } else {
            EXPECT_EQ(GetAncestor(dialog, GA_ROOTOWNER), mainHwnd);
            clock.Advance(500);
        }
    });
    DialogApp app;
    EXPECT_EQ(AfxWinMain(nullptr, nullptr, nullptr, SW_SHOW), 3);
    EXPECT_EQ(app.mainResult, IDOK);
    ASSERT_TRUE(mainSeen);
    // The popup ran nested (its owner disabled) and was ended by the second tick.
    EXPECT_EQ(g_popupResult, 0);
    EXPECT_TRUE(g_disabledDuringPopup);
    EXPECT_EQ(g_ticks, 2);
}

namespace {

// A window that paints through temporary wrappers (the DC of an owner-drawn item and the
// bitmap a selection gives back), and on a message holds a temporary DC wrapper while a
// nested popup runs.
class TemporaryUser : public CDialog {
public:
    TemporaryUser() : CDialog(kTemplate) {}
    int paints = 0;
    size_t temporariesWhilePainting = 0;
    bool heldSurvived = false;
    bool popupRan = false;

    void OnPaint() override {
        CPaintDC dc(this);
        HDC raw = ::CreateCompatibleDC(dc);
        CDC* item = CDC::FromHandle(raw);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(item, 4, 4);
        CBitmap* old = item->SelectObject(&bitmap);
        item->SelectObject(old);
        temporariesWhilePainting = std::max(temporariesWhilePainting,
                                            CDC::GetTempMapCount() + CGdiObject::GetTempMapCount());
        ::DeleteDC(raw);
        ++paints;
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_USER + 2) {
            HDC raw = ::CreateCompatibleDC(nullptr);
            CDC* held = CDC::FromHandle(raw);
            BusyPopup nested(this);
            nested.DoModal(); // its loop goes idle while this handler holds the wrapper
            popupRan = true;
            heldSurvived = held->GetSafeHdc() == raw;
            ::DeleteDC(raw);
            EndDialog(IDOK);
            *result = 0;
            return TRUE;
        }
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
};

} // namespace

TEST_F(FrameworkTest, TemporaryWrappersGoWhenTheLoopIsIdleButNotUnderAHandler) {
    TemporaryUser window;
    int turns = 0;
    size_t leftAtIdle = 0;
    size_t heldInNestedLoop = 0;
    platform::SetModalIdleHook([&](HWND dialog) {
        if (dialog != window.GetSafeHwnd()) {
            heldInNestedLoop = CDC::GetTempMapCount();
            EndDialog(dialog, 0);
            return;
        }
        leftAtIdle = std::max(leftAtIdle, CDC::GetTempMapCount() + CGdiObject::GetTempMapCount());
        if (++turns < 20) {
            InvalidateRect(dialog, nullptr, TRUE);
        } else if (turns == 20) {
            window.PostMessage(WM_USER + 2);
        }
    });
    EXPECT_EQ(window.DoModal(), IDOK);
    EXPECT_GE(window.paints, 10);
    EXPECT_GT(window.temporariesWhilePainting, 0u);
    EXPECT_EQ(leftAtIdle, 0u);
    ASSERT_TRUE(window.popupRan);
    EXPECT_GE(heldInNestedLoop, 1u); // the held one, and those the popup painted with
    EXPECT_TRUE(window.heldSurvived);
    // The handler has returned: the next idle loop frees its wrapper too.
    platform::PumpUntilIdle();
    EXPECT_EQ(CDC::GetTempMapCount(), 0u);
}

namespace {

class ClipProbe : public CWnd {
public:
    std::vector<CRect> clipBoxes;
    std::vector<CRect> paintRects;
    void OnPaint() override {
        CPaintDC dc(this);
        CRect box;
        dc.GetClipBox(box);
        clipBoxes.push_back(box);
        paintRects.push_back(dc.m_ps.rcPaint);
        // Off-screen drawing of the clip box, copied back, as flicker-free widgets do.
        CDC memory;
        memory.CreateCompatibleDC(&dc);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&dc, box.Width(), box.Height());
        CBitmap* old = memory.SelectObject(&bitmap);
        memory.SetWindowOrg(box.left, box.top);
        memory.FillSolidRect(box, RGB(0, 200, 0));
        dc.BitBlt(box.left, box.top, box.Width(), box.Height(), &memory, box.left, box.top,
                  SRCCOPY);
        memory.SelectObject(old);
    }
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }
};

} // namespace

TEST_F(FrameworkTest, PaintClipBoxIsTheUpdateAreaInClientCoordinates) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100, 200,
                                150, nullptr, nullptr));
    ClipProbe probe;
    ASSERT_TRUE(
        probe.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(20, 30, 120, 90), &parent, 1));
    platform::PumpUntilIdle();
    ASSERT_FALSE(probe.clipBoxes.empty());
    EXPECT_EQ(probe.clipBoxes.back(), CRect(0, 0, 100, 60));
    probe.InvalidateRect(CRect(10, 10, 20, 25), FALSE);
    platform::PumpUntilIdle();
    EXPECT_EQ(probe.paintRects.back(), CRect(10, 10, 20, 25));
    EXPECT_EQ(probe.clipBoxes.back(), CRect(10, 10, 20, 25));
    // Screen: parent client origin (101, 101) + child (20, 30) + (10, 10).
    EXPECT_EQ(m_display.ScreenPixel(131, 141), RGB(0, 200, 0));
}

TEST_F(FrameworkTest, TopMostWindowsStayAboveOthers) {
    CWnd low;
    CWnd high;
    ASSERT_TRUE(
        high.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
    ASSERT_TRUE(high.SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_TRUE(high.GetExStyle() & WS_EX_TOPMOST);
    ASSERT_TRUE(
        low.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
    low.BringWindowToTop(); // cannot pass a topmost window
    EXPECT_EQ(platform::input::HitWindow(POINT{10, 10}), high.m_hWnd);
    high.SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    low.BringWindowToTop();
    EXPECT_EQ(platform::input::HitWindow(POINT{10, 10}), low.m_hWnd);
}
