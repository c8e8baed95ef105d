#include "platform/ui/TrayTip.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/ShellApi.h"
#include "platform/ui/ThreadQueue.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>

namespace platform::traytip {

namespace {

constexpr const WCHAR* kClass = u"BorvantaTrayTip";
constexpr UINT_PTR kDelayTimer = 1;
constexpr COLORREF kBackground = RGB(0xFF, 0xFF, 0xE1);
constexpr COLORREF kBorder = RGB(0x40, 0x40, 0x40);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr int kPadding = 4;
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

HFONT TipFont() {
    return CreateFontW(14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");
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
    HDC measure = CreateCompatibleDC(nullptr);
    HFONT font = TipFont();
    HGDIOBJ old = SelectObject(measure, ToGdiObj(font));
    RECT size{0, 0, 0, 0};
    DrawTextW(measure, text.c_str(), static_cast<int>(text.size()), &size,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(measure, old);
    DeleteObject(font);
    DeleteDC(measure);
    const int width = size.right - size.left + 2 * kPadding;
    const int height = size.bottom - size.top + 2 * kPadding;
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
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    std::u16string text;
    {
        std::lock_guard lock(S().mutex);
        text = S().text;
    }
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH back = CreateSolidBrush(kBackground);
    FillRect(dc, &client, back);
    DeleteObject(back);
    HBRUSH border = CreateSolidBrush(kBorder);
    FrameRect(dc, &client, border);
    DeleteObject(border);
    HFONT font = TipFont();
    HGDIOBJ old = SelectObject(dc, ToGdiObj(font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
    RECT inner{client.left + kPadding, client.top + kPadding, client.right - kPadding,
               client.bottom - kPadding};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    EndPaint(window, &ps);
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
