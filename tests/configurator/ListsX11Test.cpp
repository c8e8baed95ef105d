// Lists, in-place edits and drags on a private Xvfb server without a window manager, driven
// only by X input (XTest): a click on the desktop ends an open list with nothing chosen, Enter
// and Escape stay in an in-place editor, and the release of a fast drag is seen wherever it
// happens.

#include "X11PageTestSupport.h"
#include "gui/BitmapBtn.h"
#include "gui/DropdownListItem.h"
#include "gui/MacroDisplayItem.h"
#include "gui/PHSlider.h"
#include "gui/SliderHMulti.h"
#include "model/IMouseConfig.h"
#include "model/Macro.h"

#include <X11/keysym.h>

#include <thread>

namespace {

using Step = std::function<bool(HWND dialog)>;

class ListsX11Test : public x11pagetest::X11PageTest {
protected:
    // Runs the program; each idle turn of the innermost modal loop (the main window or a
    // popup) gives the current step its turn with that loop's window. Ends the innermost
    // window when the steps are done or after twenty seconds.
    void RunSteps(std::vector<Step> steps) {
        size_t next = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        platform::SetModalIdleHook([&](HWND dialog) {
            SetTimer(dialog, 0x7F00, 20, nullptr); // wakes the loop while nothing happens
            if (main == nullptr) {
                return;
            }
            if (next < steps.size() && std::chrono::steady_clock::now() < deadline) {
                if (steps[next](dialog)) {
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
    // A step on the main window's loop.
    Step OnMain(std::function<void(CBorvantaAppDlg&)> act) {
        return [this, act](HWND dialog) {
            if (dialog != main->GetSafeHwnd()) {
                return false;
            }
            act(*main);
            return true;
        };
    }
    Step WaitMain(std::function<bool(CBorvantaAppDlg&)> condition) {
        return [this, condition](HWND dialog) {
            return dialog == main->GetSafeHwnd() && condition(*main);
        };
    }
    // A step on the first popup loop (a list or a popup window over the main window).
    Step OnPopup(std::function<void(HWND)> act) {
        return [this, act](HWND dialog) {
            if (dialog == main->GetSafeHwnd()) {
                return false;
            }
            act(dialog);
            return true;
        };
    }
    // Lets some turns of the main window's loop pass (the X server's answers come back).
    Step Settle(int turns = 10) {
        auto left = std::make_shared<int>(turns);
        return [this, left](HWND dialog) { return dialog == main->GetSafeHwnd() && --*left <= 0; };
    }

    void MoveX(POINT at) {
        XTestFakeMotionEvent(m_x, -1, at.x, at.y, 0);
        XSync(m_x, False);
    }
    void ButtonX(bool down, unsigned button = 1) {
        XTestFakeButtonEvent(m_x, button, down ? True : False, 0);
        XSync(m_x, False);
    }
    void ClickX(POINT at, unsigned button = 1) {
        MoveX(at);
        ButtonX(true, button);
        ButtonX(false, button);
    }
    void KeyX(KeySym key) {
        const KeyCode code = XKeysymToKeycode(m_x, key);
        XTestFakeKeyEvent(m_x, code, True, 0);
        XTestFakeKeyEvent(m_x, code, False, 0);
        XSync(m_x, False);
    }
    static POINT Centre(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
};

// Without a window manager, a click on the desktop outside the window ends an open list with
// nothing chosen; the next click inside the window is an ordinary click.
TEST_F(ListsX11Test, AClickOutsideEndsAnOpenListWithNothingChosen) {
    CDropdownListItem* field = nullptr;
    CString before;
    CString after = u"<not read>";
    CString afterSub = u"<not read>";
    BYTE pending = 0xFF;
    RECT listArea{};
    RunSteps({OnMain([&](CBorvantaAppDlg& d) {
                  field = d.buttonItems.at(5);
                  before = field->currentText;
                  d.ClearPendingChanges();
                  ClickX(Centre(field->GetSafeHwnd()));
              }),
              OnPopup([&](HWND dialog) {
                  GetWindowRect(dialog, &listArea);
                  ClickX(POINT{1000, 700}); // the desktop
              }),
              WaitMain([&](CBorvantaAppDlg&) { return field->open == 0; }),
              OnMain([&](CBorvantaAppDlg&) {
                  // Where the list was: the page, not a row of it.
                  ClickX(POINT{(listArea.left + listArea.right) / 2, listArea.bottom - 8});
              }),
              Settle(20), OnMain([&](CBorvantaAppDlg& d) {
                  after = field->currentText;
                  afterSub = field->currentSubText;
                  pending = d.PendingChangeMask;
                  d.PostMessage(WM_COMMAND, IDCANCEL, 0);
              })});
    EXPECT_EQ(stepsDone, 6u);
    EXPECT_EQ(after, before);
    EXPECT_EQ(afterSub, u"");
    EXPECT_EQ(pending, 0);
}

// A delay edited in place on the macros page: Enter takes it, Escape drops it, and the window
// stays open through both.
TEST_F(ListsX11Test, EnterAndEscapeStayInTheDelayEditor) {
    HWND editor = nullptr;
    std::vector<int> delays;
    const auto delayRow = [](CBorvantaAppDlg& d) {
        RECT row{};
        d.macroDisplay->GetItemRect(1, &row, LVIR_BOUNDS);
        POINT at{row.left + 60, (row.top + row.bottom) / 2};
        d.macroDisplay->ClientToScreen(&at);
        return at;
    };
    const auto openEditor = [&] {
        return std::vector<Step>{OnMain([&](CBorvantaAppDlg& d) {
                                     const POINT at = delayRow(d);
                                     ClickX(at);
                                     ClickX(at, 3); // the row menu
                                 }),
                                 OnPopup([&](HWND) {
                                     KeyX(XK_Down);
                                     KeyX(XK_Down);
                                     KeyX(XK_Down); // "Edit"
                                     KeyX(XK_Return);
                                 }),
                                 WaitMain([&](CBorvantaAppDlg& d) {
                                     editor = reinterpret_cast<HWND>(
                                         d.macroDisplay->SendMessage(LVM_GETEDITCONTROL));
                                     return editor != nullptr;
                                 })};
    };
    std::vector<Step> steps{
        OnMain([&](CBorvantaAppDlg& d) {
            CMacro* macro = d.config->CreateMacro(u"keys", nullptr);
            macro->SetEvents({{MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_PRESS},
                              {MACRO_EVENT_DELAY, 40, 40},
                              {MACRO_EVENT_KEY, 0x1E | (0x41 << 16), MACRO_KEY_RELEASE}});
            d.FillMacroList();
            d.macroList->SetCurSel(0);
            d.OnMacroChosen(0);
            ClickX(Centre(d.macrosTab->GetSafeHwnd()));
        }),
        WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.macrosPage; })};
    for (Step& s : openEditor()) {
        steps.push_back(std::move(s));
    }
    steps.push_back(OnMain([&](CBorvantaAppDlg&) {
        SetWindowTextW(editor, u"2500");
        KeyX(XK_Return);
    }));
    steps.push_back(WaitMain(
        [&](CBorvantaAppDlg& d) { return !IsWindow(editor) && !d.macroDisplay->labelEditing; }));
    steps.push_back(OnMain(
        [&](CBorvantaAppDlg& d) { delays.push_back(d.SelectedMacro()->GetEvents()[1].code); }));
    for (Step& s : openEditor()) {
        steps.push_back(std::move(s));
    }
    steps.push_back(OnMain([&](CBorvantaAppDlg&) {
        SetWindowTextW(editor, u"7");
        KeyX(XK_Escape);
    }));
    steps.push_back(WaitMain(
        [&](CBorvantaAppDlg& d) { return !IsWindow(editor) && !d.macroDisplay->labelEditing; }));
    steps.push_back(Settle(20));
    steps.push_back(OnMain([&](CBorvantaAppDlg& d) {
        delays.push_back(d.SelectedMacro()->GetEvents()[1].code);
        d.PostMessage(WM_COMMAND, IDCANCEL, 0);
    }));
    const size_t count = steps.size();
    RunSteps(std::move(steps));
    EXPECT_EQ(stepsDone, count); // the window stayed open through every step
    EXPECT_EQ(delays, (std::vector<int>{2500, 2500}));
}

// A sensitivity thumb pressed, moved 300 pixels in one jump and released at once: the drag
// ends on that release, and the next click elsewhere does not move the thumb.
TEST_F(ListsX11Test, AFastDragEndsOnItsRelease) {
    CPHSlider* thumb = nullptr;
    int before = -1;
    int afterDrag = -1;
    int afterClick = -1;
    RunSteps({OnMain([&](CBorvantaAppDlg& d) { ClickX(Centre(d.performanceTab->GetSafeHwnd())); }),
              WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.performancePage; }),
              Settle(), OnMain([&](CBorvantaAppDlg& d) {
                  thumb = d.dpiSlider->GetThumb(0);
                  before = thumb->GetPos();
                  const POINT from = Centre(thumb->GetSafeHwnd());
                  MoveX(from);
                  XTestFakeButtonEvent(m_x, 1, True, 0);
                  XTestFakeMotionEvent(m_x, -1, from.x - 300, from.y, 0);
                  XTestFakeButtonEvent(m_x, 1, False, 0);
                  XSync(m_x, False);
              }),
              Settle(20), OnMain([&](CBorvantaAppDlg& d) {
                  afterDrag = thumb->GetPos();
                  EXPECT_EQ(thumb->dragging, 0);
                  EXPECT_NE(::GetCapture(), thumb->GetSafeHwnd());
                  // A click on the page, below the slider's middle.
                  RECT r{};
                  d.dpiSlider->GetWindowRect(&r);
                  ClickX(POINT{(r.left + r.right) / 2, r.bottom + 25});
              }),
              Settle(20), OnMain([&](CBorvantaAppDlg& d) {
                  afterClick = thumb->GetPos();
                  d.PostMessage(WM_COMMAND, IDCANCEL, 0);
              })});
    EXPECT_EQ(stepsDone, 8u);
    EXPECT_LT(afterDrag, before); // dragged towards the track's start
    EXPECT_EQ(afterClick, afterDrag);
}

} // namespace
