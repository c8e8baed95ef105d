#include "platform/ui/TrayTip.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/ShellApi.h"
#include "platform/ui/ThreadQueue.h"
#include "platform/ui/TipLook.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>

namespace platform::traytip {

namespace {

constexpr const WCHAR* kClass = u"BorvantaTrayTip";
constexpr UINT_PTR kDelayTimer = 1;
constexpr int kGap = 4;

// The tip's state, changed on the thread of the tip window only; the window and the icon are
// also read from other threads (under the mutex).
struct State {
    std::mutex mutex;
    HWND window = nullptr;
    HWND owner = nullptr; // the icon the pointer is on
    UINT id = 0;
    RECT anchor{};
    bool over = false;
    bool waiting = false;
    bool shown = false;
    bool suppressed = false; // after a press or a menu, until the pointer leaves
    std::u16string text;
};

State& S() {
    static State state;
    return state;
}

bool SameIcon(HWND hwnd, UINT id) {
    return S().owner == hwnd && S().id == id;
}

void SetIcon(HWND hwnd, UINT id) {
    std::lock_guard lock(S().mutex);
    S().owner = hwnd;
    S().id = id;
}

void Hide() {
    HWND window = nullptr;
    {
        std::lock_guard lock(S().mutex);
        window = S().window;
        S().waiting = false;
        S().shown = false;
    }
    if (window) {
        KillTimer(window, kDelayTimer);
        ShowWindow(window, SW_HIDE);
    }
}

// The icon's tip as it stands now; empty when the icon is gone.
std::u16string TipOf(HWND hwnd, UINT id) {
    for (const TrayIconRecord& icon : GetTrayIcons()) {
        if (icon.hwnd == hwnd && icon.id == id) {
            return icon.tip;
        }
    }
    return {};
}

void Show() {
    const std::u16string text = TipOf(S().owner, S().id);
    if (text.empty() || !S().window) {
        return;
    }
    const SIZE size = tiplook::TipSize(text);
    const int width = size.cx;
    const int height = size.cy;
    // Centred on the icon: above it when the icon is in the lower half of the screen (a panel
    // at the bottom), else below; kept on the screen.
    const SIZE screen = ScreenSize();
    const RECT& icon = S().anchor;
    int x = (icon.left + icon.right) / 2 - width / 2;
    int y = (icon.top + icon.bottom) / 2 > screen.cy / 2 ? icon.top - height - kGap
                                                         : icon.bottom + kGap;
    x = std::max(0, std::min(x, static_cast<int>(screen.cx) - width));
    y = std::max(0, std::min(y, static_cast<int>(screen.cy) - height));
    {
        std::lock_guard lock(S().mutex);
        S().text = text;
        S().shown = true;
    }
    SetWindowPos(S().window, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
    ShowWindow(S().window, SW_SHOWNOACTIVATE);
    InvalidateRect(S().window, nullptr, TRUE);
}

void Paint(HWND window) {
    std::u16string text;
    {
        std::lock_guard lock(S().mutex);
        text = S().text;
    }
    tiplook::PaintTip(window, text);
}

LRESULT TipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wParam == kDelayTimer) {
            KillTimer(window, kDelayTimer);
            S().waiting = false;
            if (S().over && !S().suppressed) {
                Show();
            }
        }
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_DESTROY: {
        std::lock_guard lock(S().mutex);
        if (S().window == window) {
            S().window = nullptr;
            S().shown = false;
            S().waiting = false;
        }
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The tip window, made on this thread when there is none.
HWND EnsureWindow() {
    if (S().window && IsWindow(S().window)) {
        return S().window;
    }
    WNDCLASSW wc;
    wc.lpfnWndProc = &TipProc;
    wc.lpszClassName = kClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&wc); // again after the first: harmless
    // No title: a search for another window by its title never finds the tip.
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClass, u"",
                                  WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    std::lock_guard lock(S().mutex);
    S().window = window;
    return window;
}

// Runs fn on the thread of the icon's window.
void OnIconThread(HWND hwnd, std::function<void()> fn) {
    const DWORD thread = GetWindowThreadProcessId(hwnd, nullptr);
    if (thread != 0 && IsWindow(hwnd)) {
        PostThreadCallback(thread, std::move(fn));
    }
}

} // namespace

void PointerOver(HWND hwnd, UINT id, RECT rect) {
    OnIconThread(hwnd, [hwnd, id, rect] {
        if (!SameIcon(hwnd, id)) {
            Hide();
            SetIcon(hwnd, id);
            S().suppressed = false;
        }
        S().anchor = rect;
        S().over = true;
        if (S().suppressed || S().shown || S().waiting) {
            return;
        }
        if (HWND window = EnsureWindow()) {
            S().waiting = true;
            SetTimer(window, kDelayTimer, kInitialDelayMs, nullptr);
        }
    });
}

void PointerLeft(HWND hwnd, UINT id) {
    OnIconThread(hwnd, [hwnd, id] {
        if (SameIcon(hwnd, id)) {
            S().over = false;
            S().suppressed = false;
            Hide();
        }
    });
}

void Pressed(HWND hwnd, UINT id) {
    OnIconThread(hwnd, [hwnd, id] {
        if (!SameIcon(hwnd, id)) {
            SetIcon(hwnd, id);
            S().over = true;
        }
        S().suppressed = true;
        Hide();
    });
}

void MenuOpened() {
    HWND owner = nullptr;
    {
        std::lock_guard lock(S().mutex);
        owner = S().window ? S().owner : nullptr;
    }
    if (owner) {
        OnIconThread(owner, [] {
            S().suppressed = S().over;
            Hide();
        });
    }
}

void IconDeleted(HWND hwnd, UINT id) {
    OnIconThread(hwnd, [hwnd, id] {
        if (SameIcon(hwnd, id)) {
            SetIcon(nullptr, 0);
            S().over = false;
            S().suppressed = false;
            Hide();
        }
    });
}

HWND TipWindow() {
    std::lock_guard lock(S().mutex);
    return S().window;
}

} // namespace platform::traytip
