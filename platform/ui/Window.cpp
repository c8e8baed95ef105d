// Window classes, creation and destruction, the window tree, geometry and window data.

#include "platform/base/Process.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/ShellBackend.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <atomic>

namespace platform::wm {

namespace {

// Window coordinates and sizes are kept within 16 bits, so that a position plus a size never
// overflows however wild the numbers a caller (or a skin file) passes.
constexpr int kMaxCoordinate = 32767;

int ClampPosition(int value) {
    return std::clamp(value, -kMaxCoordinate - 1, kMaxCoordinate);
}

int ClampSize(int value) {
    return std::clamp(value, 0, kMaxCoordinate);
}

std::u16string FoldName(LPCWSTR name) {
    std::u16string folded;
    for (const WCHAR* p = name; p && *p; ++p) {
        folded.push_back(FoldCase(*p));
    }
    return folded;
}

std::u16string ToString(LPCWSTR text) {
    return text ? std::u16string(text) : std::u16string();
}

thread_local CreateHook t_createHook = nullptr;
thread_local void* t_createHookContext = nullptr;

constexpr LONG kCaptionHeight = 20;

LONG BorderWidth(DWORD style) {
    if (style & WS_THICKFRAME) {
        return 4;
    }
    if (style & WS_DLGFRAME) {
        return 3;
    }
    if (style & WS_BORDER) {
        return 1;
    }
    return 0;
}

} // namespace

State& S() {
    static auto* state = new State();
    return *state;
}

Window* Get(HWND hwnd) {
    auto& s = S();
    auto it = s.windows.find(hwnd);
    return it == s.windows.end() ? nullptr : it->second.get();
}

std::shared_ptr<Window> GetShared(HWND hwnd) {
    auto& s = S();
    auto it = s.windows.find(hwnd);
    return it == s.windows.end() ? nullptr : it->second;
}

HWND RootOf(HWND hwnd) {
    Window* w = Get(hwnd);
    while (w && w->parent) {
        hwnd = w->parent;
        w = Get(hwnd);
    }
    return w ? hwnd : nullptr;
}

RECT ClientInWindow(const Window& w) {
    const LONG width = w.rect.right - w.rect.left;
    const LONG height = w.rect.bottom - w.rect.top;
    const LONG border = BorderWidth(w.style);
    const LONG caption = (w.style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
    RECT client{border, border + caption, std::max(border, width - border),
                std::max(border + caption, height - border)};
    return client;
}

POINT ClientOrigin(HWND hwnd) {
    POINT origin{};
    Window* w = Get(hwnd);
    while (w) {
        const RECT client = ClientInWindow(*w);
        origin.x += w->rect.left + client.left;
        origin.y += w->rect.top + client.top;
        w = w->parent ? Get(w->parent) : nullptr;
    }
    return origin;
}

bool IsVisibleChain(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) {
        return false;
    }
    while (w) {
        if (!(w->style & WS_VISIBLE)) {
            return false;
        }
        w = w->parent ? Get(w->parent) : nullptr;
    }
    return true;
}

DWORD ThreadOf(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    return w ? w->thread : 0;
}

namespace {

void RegisterSystemClasses();

std::shared_ptr<WindowClass> FindClass(LPCWSTR name) {
    RegisterSystemClasses();
    auto& s = S();
    auto it = s.classes.find(FoldName(name));
    return it == s.classes.end() ? nullptr : it->second;
}

void DestroyTree(HWND hwnd);

} // namespace

} // namespace platform::wm

using namespace platform::wm;
using platform::GetClock;
using platform::ThreadQueue;

void platform::SetThreadCreateHook(CreateHook hook, void* context) {
    t_createHook = hook;
    t_createHookContext = context;
}

ATOM RegisterClassW(const WNDCLASSW* wc) {
    if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) {
        return 0;
    }
    RegisterSystemClasses();
    Lock lock(S().mutex);
    auto key = FoldName(wc->lpszClassName);
    if (S().classes.count(key)) {
        return 0; // already registered
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = wc->lpszClassName;
    cls->wc = *wc;
    cls->wc.lpszClassName = nullptr; // the name lives in cls->name
    S().classes[key] = cls;
    return static_cast<ATOM>(0xC000 + S().classes.size());
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    Lock lock(S().mutex);
    auto it = S().classes.find(FoldName(className));
    if (it == S().classes.end() || it->second->system) {
        return FALSE;
    }
    for (auto& [hwnd, w] : S().windows) {
        if (w->cls == it->second) {
            return FALSE; // windows of the class still exist
        }
    }
    S().classes.erase(it);
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, WNDCLASSW* wc) {
    Lock lock(S().mutex);
    auto cls = FindClass(className);
    if (!cls || !wc) {
        return FALSE;
    }
    *wc = cls->wc;
    wc->lpszClassName = className;
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int count) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !buffer || count <= 0) {
        return 0;
    }
    const auto& name = w->cls->name;
    const size_t n = std::min(name.size(), static_cast<size_t>(count - 1));
    std::copy_n(name.begin(), n, buffer);
    buffer[n] = 0;
    return static_cast<int>(n);
}

namespace platform::wm {
namespace {

// Removes, without messages, the windows of a thread that ended (their procedures cannot run
// any more).
void ForgetThreadWindows(DWORD thread) {
    std::vector<HRGN> regions;
    {
        Lock lock(S().mutex);
        auto& s = S();
        // The thread's windows and everything below them.
        std::vector<HWND> dead;
        for (auto& [hwnd, w] : s.windows) {
            if (w->thread == thread) {
                dead.push_back(hwnd);
            }
        }
        for (size_t i = 0; i < dead.size(); ++i) {
            const Window* d = Get(dead[i]);
            if (!d) {
                continue;
            }
            for (HWND child : d->children) {
                if (const Window* c = Get(child); c && c->thread != thread) {
                    dead.push_back(child);
                }
            }
        }
        for (HWND hwnd : dead) {
            ForgetWindowInput(hwnd);
        }
        for (HWND hwnd : dead) {
            auto w = GetShared(hwnd);
            if (w->parent) {
                if (Window* p = Get(w->parent)) {
                    std::erase(p->children, hwnd);
                }
            } else {
                std::erase(s.topLevels, hwnd);
            }
            if (w->regionHandle) {
                regions.push_back(w->regionHandle);
            }
            std::erase_if(s.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
        }
        for (HWND hwnd : dead) {
            s.windows.erase(hwnd);
        }
        for (auto& [hwnd, w] : s.windows) {
            if (w->owner && !Get(w->owner)) {
                w->owner = nullptr;
            }
        }
        std::erase_if(s.timers, [thread](const Timer& t) { return t.thread == thread; });
    }
    for (HRGN region : regions) {
        DeleteObject(region);
    }
}

} // namespace
} // namespace platform::wm

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    static const bool hooked = [] {
        ThreadQueue::SetRetireHook(&ForgetThreadWindows);
        return true;
    }();
    (void)hooked;
    EnsureMessageQueue();
    HWND hwnd = nullptr;
    {
        Lock lock(S().mutex);
        auto cls = FindClass(className);
        if (!cls) {
            return nullptr;
        }
        if (parent == HWND_MESSAGE) {
            parent = nullptr;
            style &= ~(WS_CHILD | WS_VISIBLE);
        }
        if ((style & WS_CHILD) && !Get(parent)) {
            return nullptr; // a child needs a parent
        }
        if (parent && !Get(parent)) {
            return nullptr;
        }
        auto w = std::make_shared<Window>();
        S().nextHandle += 4;
        hwnd = reinterpret_cast<HWND>(S().nextHandle);
        w->hwnd = hwnd;
        w->thread = GetCurrentThreadId();
        w->cls = cls;
        w->proc = cls->wc.lpfnWndProc;
        w->style = style;
        w->exStyle = exStyle;
        w->instance = instance;
        w->text = ToString(windowName);
        if (x == CW_USEDEFAULT) {
            x = 0;
            y = 0;
        }
        if (width == CW_USEDEFAULT) {
            width = 320;
            height = 240;
        }
        x = ClampPosition(x);
        y = ClampPosition(y);
        w->rect = RECT{x, y, x + ClampSize(width), y + ClampSize(height)};
        if (style & WS_CHILD) {
            w->parent = parent;
            w->id = reinterpret_cast<LONG_PTR>(menu);
            if (Window* p = Get(parent)) { // checked above
                p->children.push_back(hwnd);
            }
        } else {
            w->owner = parent ? RootOf(parent) : nullptr;
            auto& tops = S().topLevels;
            auto pos = tops.begin();
            if (!(exStyle & WS_EX_TOPMOST)) {
                pos = std::find_if(tops.begin(), tops.end(), [](HWND h) {
                    const Window* t = Get(h);
                    return t && !(t->exStyle & WS_EX_TOPMOST);
                });
            }
            tops.insert(pos, hwnd);
        }
        // The window becomes visible after creation, as WS_VISIBLE asks.
        w->style &= ~WS_VISIBLE;
        S().windows[hwnd] = std::move(w);
    }
    if (t_createHook) {
        platform::CreateHook hook = t_createHook;
        t_createHook = nullptr; // one window per hook installation
        hook(hwnd, t_createHookContext);
    }
    CREATESTRUCTW cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    const LPARAM csParam = reinterpret_cast<LPARAM>(&cs);
    if (!CallProc(hwnd, WM_NCCREATE, 0, csParam) || !IsWindow(hwnd)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    {
        // The frame is computed from the styles; the message lets a window adjust its styles
        // (a list dropping its scroll bars, for example).
        RECT frame{x, y, x + width, y + height};
        CallProc(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&frame));
    }
    if (CallProc(hwnd, WM_CREATE, 0, csParam) == -1 || !IsWindow(hwnd)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    CallProc(hwnd, WM_SIZE, SIZE_RESTORED,
             MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    RECT wr{};
    {
        Lock lock(S().mutex);
        if (Window* w = Get(hwnd)) {
            const RECT c = ClientInWindow(*w);
            wr = RECT{w->rect.left + c.left, w->rect.top + c.top, 0, 0};
        }
    }
    CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(wr.left), static_cast<WORD>(wr.top)));
    if ((style & WS_VISIBLE) && IsWindow(hwnd)) {
        ShowWindow(hwnd, SW_SHOW);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

namespace platform::wm {
namespace {

void DestroyTree(HWND hwnd) {
    std::vector<HWND> children;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w || w->destroying) {
            return;
        }
        w->destroying = true;
    }
    CallProc(hwnd, WM_DESTROY, 0, 0);
    {
        Lock lock(S().mutex);
        if (Window* w = Get(hwnd)) {
            children = w->children;
        }
    }
    for (HWND child : children) {
        DestroyTree(child);
    }
    ForgetWindowInput(hwnd);
    CallProc(hwnd, WM_NCDESTROY, 0, 0);
    KillWindowTimers(hwnd);
    ForgetWindowDCs(hwnd);
    std::shared_ptr<Window> dead;
    {
        Lock lock(S().mutex);
        dead = GetShared(hwnd);
        if (!dead) {
            return;
        }
        if (dead->parent) {
            if (Window* p = Get(dead->parent)) {
                std::erase(p->children, hwnd);
            }
        } else {
            std::erase(S().topLevels, hwnd);
        }
        S().windows.erase(hwnd);
        for (auto& [h, other] : S().windows) {
            if (other->owner == hwnd) {
                other->owner = nullptr;
            }
        }
    }
    if (auto queue = ThreadQueue::Find(dead->thread)) {
        queue->DropWindow(hwnd);
    }
    if (dead->regionHandle) {
        DeleteObject(dead->regionHandle);
    }
}

} // namespace
} // namespace platform::wm

BOOL DestroyWindow(HWND hwnd) {
    std::vector<HWND> owned;
    HWND owner = nullptr;
    bool wasActive = false;
    bool visibleChild = false;
    HWND parent = nullptr;
    RECT area{};
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w || w->destroying) {
            return FALSE;
        }
        if (w->thread != GetCurrentThreadId()) {
            return FALSE; // only the owner thread destroys a window
        }
        for (auto& [h, other] : S().windows) {
            if (other->owner == hwnd) {
                owned.push_back(h);
            }
        }
        owner = w->owner;
        wasActive = S().active == hwnd;
        visibleChild = w->parent && (w->style & WS_VISIBLE);
        parent = w->parent;
        area = w->rect;
        w->style &= ~WS_VISIBLE;
    }
    for (HWND h : owned) {
        DestroyWindow(h);
    }
    if (visibleChild) {
        gdi::Region r(area);
        InvalidateInternal(parent, &r, true, true);
    }
    DestroyTree(hwnd);
    if (wasActive) {
        Lock lock(S().mutex);
        if (S().active == hwnd) {
            S().active = nullptr;
        }
    }
    if (wasActive && owner && IsWindow(owner) && IsWindowEnabled(owner)) {
        Activate(owner, WA_ACTIVE);
    } else if (wasActive) {
        // Hand activation to the topmost visible, enabled window left.
        HWND next = nullptr;
        {
            Lock lock(S().mutex);
            for (HWND h : S().topLevels) {
                Window* w = Get(h);
                if (w && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED) &&
                    w->thread == GetCurrentThreadId()) {
                    next = h;
                    break;
                }
            }
        }
        if (next) {
            Activate(next, WA_ACTIVE);
        }
    }
    ThreadQueue::WakeAll();
    platform::NotifyScreenChanged();
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    return w != nullptr;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    bool wasVisible = false;
    bool show = cmd != SW_HIDE;
    bool topLevel = false;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return FALSE;
        }
        wasVisible = (w->style & WS_VISIBLE) != 0;
        topLevel = w->parent == nullptr;
        if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED) {
            w->style |= WS_MINIMIZE;
        } else if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) {
            w->style &= ~WS_MINIMIZE;
        }
    }
    if (wasVisible != show) {
        CallProc(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        HWND parent = nullptr;
        RECT area{};
        {
            Lock lock(S().mutex);
            Window* w = Get(hwnd);
            if (!w) {
                return FALSE;
            }
            if (show) {
                w->style |= WS_VISIBLE;
                if (!w->parent && !w->backing) {
                    MakeBacking(*w);
                }
            } else {
                w->style &= ~WS_VISIBLE;
            }
            parent = w->parent;
            area = w->rect;
        }
        if (show) {
            InvalidateInternal(hwnd, nullptr, true, true);
        } else if (parent) {
            gdi::Region r(area);
            InvalidateInternal(parent, &r, true, true);
        }
        if (!show) {
            HWND focus = GetFocus();
            if (focus && (focus == hwnd || IsChild(hwnd, focus))) {
                SetFocus(parent);
            }
        }
        ThreadQueue::WakeAll();
        bool onScreen = topLevel;
        if (!topLevel) {
            // A child of a hidden window changes nothing on the screen.
            Lock lock(S().mutex);
            onScreen = parent != nullptr && IsVisibleChain(parent);
        }
        if (onScreen) {
            platform::NotifyScreenChanged();
        }
    }
    if (topLevel && show && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE &&
        cmd != SW_SHOWMINIMIZED && cmd != SW_MINIMIZE) {
        bool noActivate = false;
        {
            Lock lock(S().mutex);
            Window* w = Get(hwnd);
            noActivate = !w || (w->exStyle & WS_EX_NOACTIVATE) || (w->style & WS_DISABLED);
        }
        if (!noActivate && GetActiveWindow() != hwnd) {
            Activate(hwnd, WA_ACTIVE);
        }
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    Lock lock(S().mutex);
    return IsVisibleChain(hwnd) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    bool wasDisabled = false;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return FALSE;
        }
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) {
            return wasDisabled ? TRUE : FALSE;
        }
    }
    if (!enable) {
        // The window being disabled is told to cancel modes (its default processing releases
        // the capture it holds) and loses the focus.
        SendMessageW(hwnd, WM_CANCELMODE, 0, 0);
        HWND focus = GetFocus();
        if (focus && (focus == hwnd || IsChild(hwnd, focus))) {
            SetFocus(nullptr);
        }
    }
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return FALSE;
        }
        if (enable) {
            w->style &= ~WS_DISABLED;
        } else {
            w->style |= WS_DISABLED;
        }
    }
    SendMessageW(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    bool moved = false;
    bool sized = false;
    HWND parent = nullptr;
    RECT oldRect{};
    RECT newRect{};
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return FALSE;
        }
        oldRect = w->rect;
        newRect = oldRect;
        if (!(flags & SWP_NOMOVE)) {
            x = ClampPosition(x);
            y = ClampPosition(y);
            newRect.right = x + (oldRect.right - oldRect.left);
            newRect.bottom = y + (oldRect.bottom - oldRect.top);
            newRect.left = x;
            newRect.top = y;
        }
        if (!(flags & SWP_NOSIZE)) {
            newRect.right = newRect.left + ClampSize(cx);
            newRect.bottom = newRect.top + ClampSize(cy);
        }
        moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
        sized = (newRect.right - newRect.left) != (oldRect.right - oldRect.left) ||
                (newRect.bottom - newRect.top) != (oldRect.bottom - oldRect.top);
        w->rect = newRect;
        parent = w->parent;
        if (sized && !parent) {
            ResizeBacking(*w);
        }
        if (!(flags & SWP_NOZORDER)) {
            auto& list = parent ? Get(parent)->children : S().topLevels;
            if (insertAfter == HWND_TOPMOST) {
                w->exStyle |= WS_EX_TOPMOST;
            } else if (insertAfter == HWND_NOTOPMOST) {
                w->exStyle &= ~WS_EX_TOPMOST;
            }
            std::erase(list, hwnd);
            auto pos = list.begin();
            if (insertAfter == HWND_BOTTOM) {
                pos = list.end();
            } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST ||
                       insertAfter == HWND_NOTOPMOST) {
                if (!parent && !(w->exStyle & WS_EX_TOPMOST)) {
                    pos = std::find_if(list.begin(), list.end(), [](HWND h) {
                        const Window* t = Get(h);
                        return t && !(t->exStyle & WS_EX_TOPMOST);
                    });
                }
            } else {
                auto after = std::find(list.begin(), list.end(), insertAfter);
                pos = after == list.end() ? list.begin() : after + 1;
            }
            list.insert(pos, hwnd);
        }
    }
    if (flags & SWP_FRAMECHANGED) {
        RECT frame = newRect;
        CallProc(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&frame));
    }
    if (moved) {
        POINT origin{};
        {
            Lock lock(S().mutex);
            if (Window* w = Get(hwnd)) {
                const RECT c = ClientInWindow(*w);
                origin = {w->rect.left + c.left, w->rect.top + c.top};
            }
        }
        CallProc(hwnd, WM_MOVE, 0,
                 MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
    }
    if (sized) {
        RECT client{};
        GetClientRect(hwnd, &client);
        CallProc(hwnd, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    }
    if (!(flags & SWP_NOREDRAW) && (moved || sized || !(flags & SWP_NOZORDER))) {
        if (parent) {
            gdi::Region old(oldRect);
            InvalidateInternal(parent, &old, true, true);
        }
        if (sized || parent) {
            InvalidateInternal(hwnd, nullptr, true, true);
        }
    }
    if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    } else if (flags & SWP_HIDEWINDOW) {
        ShowWindow(hwnd, SW_HIDE);
    }
    ThreadQueue::WakeAll();
    platform::NotifyScreenChanged();
    return TRUE;
}

BOOL BringWindowToTop(HWND hwnd) {
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !rect) {
        return FALSE;
    }
    POINT origin{};
    if (w->parent) {
        origin = ClientOrigin(w->parent);
    }
    *rect = RECT{w->rect.left + origin.x, w->rect.top + origin.y, w->rect.right + origin.x,
                 w->rect.bottom + origin.y};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !rect) {
        return FALSE;
    }
    const RECT c = ClientInWindow(*w);
    *rect = RECT{0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    Lock lock(S().mutex);
    if (!Get(hwnd) || !point) {
        return FALSE;
    }
    const POINT origin = ClientOrigin(hwnd);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    Lock lock(S().mutex);
    if (!Get(hwnd) || !point) {
        return FALSE;
    }
    const POINT origin = ClientOrigin(hwnd);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    Lock lock(S().mutex);
    const POINT a = from ? ClientOrigin(from) : POINT{};
    const POINT b = to ? ClientOrigin(to) : POINT{};
    const LONG dx = a.x - b.x;
    const LONG dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD) {
    if (!rect) {
        return FALSE;
    }
    const LONG border = BorderWidth(style);
    const LONG caption = (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
    rect->left -= border;
    rect->right += border;
    rect->top -= border + caption;
    rect->bottom += border;
    return TRUE;
}

HWND GetParent(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w) {
        return nullptr;
    }
    if (w->style & WS_CHILD) {
        return w->parent;
    }
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
    Lock lock(S().mutex);
    Window* w = Get(child);
    if (!w || (newParent && !Get(newParent)) || child == newParent) {
        return nullptr;
    }
    HWND old = w->parent;
    if (old) {
        std::erase(Get(old)->children, child);
    } else {
        std::erase(S().topLevels, child);
    }
    if (newParent) {
        w->parent = newParent;
        w->owner = nullptr;
        if (Window* p = Get(newParent)) {
            // At the top of its new parent's children.
            p->children.push_back(child);
            std::rotate(p->children.begin(), p->children.end() - 1, p->children.end());
        }
        w->backing.reset();
    } else {
        w->parent = nullptr;
        S().topLevels.insert(S().topLevels.begin(), child);
        ResizeBacking(*w);
    }
    return old ? old : GetDesktopWindow();
}

HWND GetWindow(HWND hwnd, UINT cmd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w) {
        return nullptr;
    }
    if (cmd == GW_CHILD) {
        return w->children.empty() ? nullptr : w->children.front();
    }
    if (cmd == GW_OWNER) {
        return w->owner;
    }
    const auto& list = w->parent ? Get(w->parent)->children : S().topLevels;
    auto it = std::find(list.begin(), list.end(), hwnd);
    switch (cmd) {
    case GW_HWNDFIRST:
        return list.front();
    case GW_HWNDLAST:
        return list.back();
    case GW_HWNDNEXT:
        return it + 1 < list.end() ? *(it + 1) : nullptr;
    case GW_HWNDPREV:
        return it != list.begin() ? *(it - 1) : nullptr;
    default:
        return nullptr;
    }
}

HWND GetAncestor(HWND hwnd, UINT flags) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w) {
        return nullptr;
    }
    switch (flags) {
    case GA_PARENT:
        return w->parent ? w->parent : GetDesktopWindow();
    case GA_ROOT:
        return RootOf(hwnd);
    case GA_ROOTOWNER: {
        HWND root = RootOf(hwnd);
        while (Window* r = Get(root)) {
            if (!r->owner) {
                break;
            }
            root = r->owner;
        }
        return root;
    }
    default:
        return nullptr;
    }
}

HWND GetTopWindow(HWND hwnd) {
    if (!hwnd) {
        Lock lock(S().mutex);
        return S().topLevels.empty() ? nullptr : S().topLevels.front();
    }
    return GetWindow(hwnd, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    while (w && w->parent) {
        if (w->parent == parent) {
            return TRUE;
        }
        w = Get(w->parent);
    }
    return FALSE;
}

HWND GetDesktopWindow() {
    // The desktop is not a window of its own here; a fixed non-null handle stands for it.
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10000));
}

HWND GetDlgItem(HWND dialog, int id) {
    Lock lock(S().mutex);
    Window* w = Get(dialog);
    if (!w) {
        return nullptr;
    }
    for (HWND child : w->children) {
        if (const Window* c = Get(child); c && c->id == id) {
            return child;
        }
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    return w && w->parent ? static_cast<int>(w->id) : 0;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    Lock lock(S().mutex);
    for (HWND h : S().topLevels) {
        Window* w = Get(h);
        if (className && *className && FoldName(className) != FoldName(w->cls->name.c_str())) {
            continue;
        }
        if (windowName && w->text != windowName) {
            continue;
        }
        return h;
    }
    return nullptr;
}

HWND GetLastActivePopup(HWND owner) {
    Lock lock(S().mutex);
    if (!Get(owner)) {
        return nullptr;
    }
    // The most recently activated window it owns, else itself.
    for (HWND h : S().topLevels) {
        Window* w = Get(h);
        if (w && w->owner == owner && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED)) {
            return h;
        }
    }
    return owner;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    const DWORD thread = ThreadOf(hwnd);
    DWORD process = 0;
    if (thread) {
        process = GetCurrentProcessId();
    } else if (platform::IsForeignWindowHandle(hwnd)) {
        // Another program's window: the desktop knows its process (its thread is unknown;
        // the process id stands for it, so that a found window never answers 0).
        if (platform::ShellBackend* shell = platform::GetShellBackend()) {
            process = shell->ForeignWindowProcessId(hwnd);
        }
    }
    if (processId) {
        *processId = process;
    }
    return thread ? thread : process;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w) {
        return 0;
    }
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWLP_ID:
        return w->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA:
        return w->userData;
    case DWLP_MSGRESULT:
        return w->dlgMsgResult;
    case DWLP_DLGPROC:
        return w->dlgProc;
    case DWLP_USER:
        return w->dlgUser;
    default:
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w) {
        return 0;
    }
    const LONG_PTR old = GetWindowLongPtrW(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC:
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_HINSTANCE:
        w->instance = reinterpret_cast<HINSTANCE>(value);
        break;
    case GWLP_ID:
        w->id = value;
        break;
    case GWL_STYLE: {
        // Visibility changes go through ShowWindow; the bit itself is kept.
        const DWORD visible = w->style & WS_VISIBLE;
        w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | visible;
        break;
    }
    case GWL_EXSTYLE:
        w->exStyle = static_cast<DWORD>(value);
        break;
    case GWLP_USERDATA:
        w->userData = value;
        break;
    case DWLP_MSGRESULT:
        w->dlgMsgResult = value;
        break;
    case DWLP_DLGPROC:
        w->dlgProc = value;
        break;
    case DWLP_USER:
        w->dlgUser = value;
        break;
    default:
        return 0;
    }
    return old;
}

LONG GetWindowLongW(HWND hwnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrW(hwnd, index));
}

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    LONG_PTR v = value;
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
        v = static_cast<LONG_PTR>(static_cast<DWORD>(value));
    }
    return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, v));
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int count) {
    if (!buffer || count <= 0) {
        return 0;
    }
    buffer[0] = 0;
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(count),
                                         reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetPropW(HWND hwnd, LPCWSTR name, HANDLE data) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !name) {
        return FALSE;
    }
    w->props[name] = data;
    return TRUE;
}

HANDLE GetPropW(HWND hwnd, LPCWSTR name) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !name) {
        return nullptr;
    }
    auto it = w->props.find(name);
    return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemovePropW(HWND hwnd, LPCWSTR name) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !name) {
        return nullptr;
    }
    auto it = w->props.find(name);
    if (it == w->props.end()) {
        return nullptr;
    }
    HANDLE data = it->second;
    w->props.erase(it);
    return data;
}

namespace {
std::atomic<HCURSOR> g_cursor{nullptr};

// Pseudo handles for cursor (kind 1) and icon (kind 2) resource ids.
std::uintptr_t ResourceToken(LPCWSTR name, std::uintptr_t kind) {
    if (!name || !IS_INTRESOURCE(name)) {
        return 0;
    }
    return 0x70000000u + kind * 0x10000u + reinterpret_cast<std::uintptr_t>(name);
}
} // namespace

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR name) {
    return reinterpret_cast<HCURSOR>(ResourceToken(name, 1));
}

HCURSOR SetCursor(HCURSOR cursor) {
    return g_cursor.exchange(cursor);
}

HCURSOR GetCursor() {
    return g_cursor.load();
}

BOOL SystemParametersInfoW(UINT action, UINT, PVOID param, UINT) {
    if (action == SPI_GETWORKAREA && param) {
        const SIZE screen = platform::ScreenSize();
        *static_cast<RECT*>(param) = RECT{0, 0, screen.cx, screen.cy};
        return TRUE;
    }
    return FALSE;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return platform::ScreenSize().cx;
    case SM_CYSCREEN:
        return platform::ScreenSize().cy;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CYCAPTION:
        return 20;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    default:
        return 0;
    }
}

// ---- system classes: static, button, edit and the dialog class --------------------------------

namespace platform::wm {
namespace {

void RegisterSystemClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        auto add = [](const char16_t* name, WNDPROC proc, UINT style) {
            auto cls = std::make_shared<WindowClass>();
            cls->name = name;
            cls->wc.style = style;
            cls->wc.lpfnWndProc = proc;
            cls->system = true;
            S().classes[FoldName(name)] = cls;
        };
        Lock lock(S().mutex);
        add(u"Static", StaticControlProc, 0);
        add(u"Button", ButtonControlProc, CS_DBLCLKS);
        add(u"Edit", EditControlProc, CS_DBLCLKS);
        add(u"#32770", DefDlgProcW, CS_DBLCLKS | CS_SAVEBITS);
    });
}

} // namespace
} // namespace platform::wm
