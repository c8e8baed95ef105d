// Focus, activation, mouse capture, hover and leave tracking, key state, hit testing and the
// injection of mouse and keyboard input at screen level.

#include "platform/ui/Input.h"
#include "platform/ui/Display.h"
#include "platform/ui/RawInput.h"
#include "platform/ui/ShellBackend.h"
#include "platform/ui/ThreadQueue.h"

#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace platform::wm {

namespace {

bool InRegion(const Window& w, POINT screen, POINT windowOrigin) {
    if (!w.region) {
        return true;
    }
    return w.region->Contains(screen.x - windowOrigin.x, screen.y - windowOrigin.y);
}

struct Hit {
    HWND hwnd = nullptr;
    LRESULT code = HTNOWHERE;
};

POINT WindowOrigin(HWND hwnd) {
    Window* w = Get(hwnd);
    POINT origin = w->parent ? ClientOrigin(w->parent) : POINT{};
    origin.x += w->rect.left;
    origin.y += w->rect.top;
    return origin;
}

bool ContainsScreenPoint(HWND hwnd, POINT pt) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !(w->style & WS_VISIBLE)) {
        return false;
    }
    const POINT origin = WindowOrigin(hwnd);
    const LONG width = w->rect.right - w->rect.left;
    const LONG height = w->rect.bottom - w->rect.top;
    if (pt.x < origin.x || pt.y < origin.y || pt.x >= origin.x + width ||
        pt.y >= origin.y + height) {
        return false;
    }
    return InRegion(*w, pt, origin);
}

Hit Descend(HWND hwnd, POINT pt) {
    std::vector<HWND> children;
    {
        Lock lock(S().mutex);
        if (Window* w = Get(hwnd)) {
            children = w->children;
        }
    }
    for (HWND child : children) {
        if (!ContainsScreenPoint(child, pt)) {
            continue;
        }
        if (!IsWindowEnabled(child)) {
            break; // the mouse over a disabled child goes to its parent
        }
        Hit hit = Descend(child, pt);
        if (hit.code != HTTRANSPARENT) {
            return hit;
        }
    }
    const LRESULT code = Send(hwnd, WM_NCHITTEST, 0,
                              MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x)),
                                         static_cast<WORD>(static_cast<SHORT>(pt.y))));
    return Hit{hwnd, code};
}

// The window real input at pt would reach, through WM_NCHITTEST, like the system does.
Hit HitTest(POINT pt) {
    std::vector<HWND> tops;
    {
        Lock lock(S().mutex);
        tops = S().topLevels;
    }
    for (HWND top : tops) {
        if (!ContainsScreenPoint(top, pt)) {
            continue;
        }
        {
            Lock lock(S().mutex);
            Window* w = Get(top);
            if (!w || (w->style & WS_MINIMIZE)) {
                continue;
            }
            if ((w->exStyle & WS_EX_LAYERED) && (w->exStyle & WS_EX_TRANSPARENT)) {
                continue; // click-through window
            }
            if (w->style & WS_DISABLED) {
                return Hit{top, HTERROR}; // a window blocked by a modal popup
            }
        }
        Hit hit = Descend(top, pt);
        if (hit.code == HTTRANSPARENT) {
            continue;
        }
        return hit;
    }
    return Hit{};
}

LPARAM PackPoint(POINT pt) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x)),
                      static_cast<WORD>(static_cast<SHORT>(pt.y)));
}

WPARAM MouseKeyFlags() {
    auto& k = S().keys;
    WPARAM flags = 0;
    if (k[VK_LBUTTON] & 0x80) {
        flags |= MK_LBUTTON;
    }
    if (k[VK_RBUTTON] & 0x80) {
        flags |= MK_RBUTTON;
    }
    if (k[VK_MBUTTON] & 0x80) {
        flags |= MK_MBUTTON;
    }
    if (k[VK_SHIFT] & 0x80) {
        flags |= MK_SHIFT;
    }
    if (k[VK_CONTROL] & 0x80) {
        flags |= MK_CONTROL;
    }
    return flags;
}

// Leave and hover tracking for a mouse now over `over` (null: over no window of ours).
void UpdateTracking(HWND over) {
    HWND leave = nullptr;
    {
        Lock lock(S().mutex);
        if (S().trackLeave && S().trackLeave != over) {
            leave = S().trackLeave;
            S().trackLeave = nullptr;
            if (S().trackHover == leave) {
                S().trackHover = nullptr;
            }
        }
        if (S().trackHover) {
            S().hoverStart = GetClock().NowMs();
            S().hoverPoint = S().cursor;
        }
    }
    if (leave) {
        Post(leave, WM_MOUSELEAVE, 0, 0);
    }
}

} // namespace

// Called with the window manager's lock held.
void SetKey(int vk, bool down) {
    BYTE& key = S().keys[static_cast<BYTE>(vk)];
    if (down) {
        if (!(key & 0x80)) {
            key ^= 0x01; // toggle state flips on each press
        }
        key |= 0x80;
    } else {
        key &= static_cast<BYTE>(~0x80);
    }
}

namespace {

// The thread whose loop routes an input event: the thread of the window holding the capture,
// else of the focus window, else of the active window, else the caller's own.
std::shared_ptr<ThreadQueue> InputQueue() {
    DWORD thread = 0;
    {
        Lock lock(S().mutex);
        for (HWND holder : {S().capture, S().menuWindow, S().focus, S().active}) {
            if (holder != nullptr && Get(holder) != nullptr) {
                thread = Get(holder)->thread;
                break;
            }
        }
    }
    if (thread != 0) {
        if (auto queue = ThreadQueue::Find(thread)) {
            return queue;
        }
    }
    return ThreadQueue::Current();
}

} // namespace

// Queues the event: it is routed when the loop comes to it, after the messages already posted
// (a press the capture holder has not handled yet is handled before the moves behind it).
void QueueInput(std::function<void()> route) {
    if (!InputQueue()->PostInput(route)) {
        route();
    }
}

void ForgetWindowInput(HWND hwnd) {
    Lock lock(S().mutex);
    auto& s = S();
    if (s.capture == hwnd) {
        s.capture = nullptr;
    }
    if (s.focus == hwnd) {
        s.focus = nullptr;
    }
    if (s.active == hwnd) {
        s.active = nullptr;
    }
    if (s.trackLeave == hwnd) {
        s.trackLeave = nullptr;
    }
    if (s.trackHover == hwnd) {
        s.trackHover = nullptr;
    }
    if (s.lastClickWindow == hwnd) {
        s.lastClickWindow = nullptr;
    }
    if (s.lastMouseWindow == hwnd) {
        s.lastMouseWindow = nullptr;
    }
    if (s.moveWindow == hwnd) {
        s.moveWindow = nullptr;
    }
}

void Activate(HWND top, WORD how) {
    HWND old = nullptr;
    {
        Lock lock(S().mutex);
        Window* w = Get(top);
        if (!w || S().active == top) {
            return;
        }
        old = S().active;
        S().active = top;
        if (Window* o = Get(old); o && S().focus && (S().focus == old || IsChild(old, S().focus))) {
            o->savedFocus = S().focus;
        }
        // The activated window comes to the top of its band.
        auto& tops = S().topLevels;
        std::erase(tops, top);
        auto pos = tops.begin();
        if (!(w->exStyle & WS_EX_TOPMOST)) {
            pos = std::find_if(tops.begin(), tops.end(),
                               [](HWND h) { return !(Get(h)->exStyle & WS_EX_TOPMOST); });
        }
        tops.insert(pos, top);
    }
    if (old && IsWindow(old)) {
        Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(top));
    }
    Send(top, WM_ACTIVATE, MAKEWPARAM(how, 0), reinterpret_cast<LPARAM>(old));
    platform::NotifyActiveWindowChanged(top, false);
    HWND focus = GetFocus();
    if (focus == top || IsChild(top, focus)) {
        return;
    }
    HWND restore = top;
    {
        Lock lock(S().mutex);
        Window* w = Get(top);
        if (w && w->savedFocus && IsChild(top, w->savedFocus)) {
            restore = w->savedFocus;
        }
    }
    if (restore == top && IsDialogWindow(top)) {
        // A dialog gives the focus to its first tab stop, as the dialog manager does.
        if (HWND first = GetNextDlgTabItem(top, nullptr, FALSE)) {
            restore = first;
        }
    }
    if (GetActiveWindow() == top) {
        SetFocus(restore);
    }
}

void DeactivateAll() {
    HWND old = nullptr;
    HWND focus = nullptr;
    {
        Lock lock(S().mutex);
        old = S().active;
        if (!old) {
            return;
        }
        focus = S().focus;
        if (Window* o = Get(old); o && focus && (focus == old || IsChild(old, focus))) {
            o->savedFocus = focus;
        }
        S().active = nullptr;
        S().focus = nullptr;
    }
    if (IsWindow(old)) {
        Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    }
    if (focus && IsWindow(focus)) {
        Send(focus, WM_KILLFOCUS, 0, 0);
    }
}

} // namespace platform::wm

using namespace platform::wm;
using platform::GetClock;
using platform::ThreadQueue;

HWND SetFocus(HWND hwnd) {
    HWND old = nullptr;
    {
        Lock lock(S().mutex);
        old = S().focus;
        if (hwnd && !Get(hwnd)) {
            return nullptr;
        }
    }
    if (old == hwnd) {
        return old;
    }
    if (hwnd) {
        HWND root = nullptr;
        {
            Lock lock(S().mutex);
            root = RootOf(hwnd);
        }
        if (GetActiveWindow() != root) {
            Activate(root, WA_ACTIVE);
        }
    }
    {
        Lock lock(S().mutex);
        old = S().focus;
        if (old == hwnd) {
            return old;
        }
        S().focus = hwnd;
    }
    if (old && IsWindow(old)) {
        Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (hwnd && GetFocus() == hwnd) {
        Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
    return old;
}

HWND GetFocus() {
    Lock lock(S().mutex);
    return S().focus;
}

HWND GetActiveWindow() {
    Lock lock(S().mutex);
    return S().active;
}

HWND SetActiveWindow(HWND hwnd) {
    HWND old = GetActiveWindow();
    HWND root = nullptr;
    {
        Lock lock(S().mutex);
        root = RootOf(hwnd);
    }
    if (root) {
        Activate(root, WA_ACTIVE);
    }
    return old;
}

HWND GetForegroundWindow() {
    return GetActiveWindow();
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    SetActiveWindow(hwnd);
    return TRUE;
}

HWND SetCapture(HWND hwnd) {
    HWND old = nullptr;
    {
        Lock lock(S().mutex);
        if (!Get(hwnd)) {
            return nullptr;
        }
        old = S().capture;
        S().capture = hwnd;
    }
    if (old != hwnd) {
        if (platform::DisplayBackend* backend = platform::GetDisplayBackend()) {
            backend->CaptureChanged(hwnd);
        }
    }
    if (old && old != hwnd) {
        Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    }
    return old;
}

BOOL ReleaseCapture() {
    HWND old = nullptr;
    {
        Lock lock(S().mutex);
        old = S().capture;
        S().capture = nullptr;
    }
    if (old) {
        if (platform::DisplayBackend* backend = platform::GetDisplayBackend()) {
            backend->CaptureChanged(nullptr);
        }
        Send(old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() {
    Lock lock(S().mutex);
    return S().capture;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) {
        return FALSE;
    }
    Lock lock(S().mutex);
    *point = S().pointer;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    platform::input::MouseMove(POINT{x, y});
    return TRUE;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT tme) {
    if (!tme || !IsWindow(tme->hwndTrack)) {
        return FALSE;
    }
    const HWND hwnd = tme->hwndTrack;
    if (tme->dwFlags & TME_CANCEL) {
        Lock lock(S().mutex);
        if ((tme->dwFlags & TME_LEAVE) && S().trackLeave == hwnd) {
            S().trackLeave = nullptr;
        }
        if ((tme->dwFlags & TME_HOVER) && S().trackHover == hwnd) {
            S().trackHover = nullptr;
        }
        return TRUE;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    const Hit hit = HitTest(cursor);
    const bool over = hit.hwnd == hwnd;
    bool leaveNow = false;
    {
        Lock lock(S().mutex);
        if (tme->dwFlags & TME_LEAVE) {
            if (over) {
                S().trackLeave = hwnd;
            } else {
                leaveNow = true; // not over the window: the leave is reported at once
            }
        }
        if ((tme->dwFlags & TME_HOVER) && over) {
            S().trackHover = hwnd;
            S().hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? HOVER_DEFAULT_MS : tme->dwHoverTime;
            S().hoverStart = GetClock().NowMs();
            S().hoverPoint = cursor;
        }
    }
    if (leaveNow) {
        Post(hwnd, WM_MOUSELEAVE, 0, 0);
    }
    ThreadQueue::WakeAll();
    return TRUE;
}

HWND WindowFromPoint(POINT point) {
    // Like the system call: hidden and disabled children are skipped, statics included.
    HWND found = nullptr;
    std::vector<HWND> tops;
    {
        Lock lock(S().mutex);
        tops = S().topLevels;
    }
    for (HWND top : tops) {
        if (ContainsScreenPoint(top, point)) {
            found = top;
            break;
        }
    }
    while (found) {
        std::vector<HWND> children;
        {
            Lock lock(S().mutex);
            children = Get(found)->children;
        }
        HWND next = nullptr;
        for (HWND child : children) {
            if (ContainsScreenPoint(child, point) && IsWindowEnabled(child)) {
                next = child;
                break;
            }
        }
        if (!next) {
            break;
        }
        found = next;
    }
    return found;
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) {
    POINT screen = point;
    ClientToScreen(parent, &screen);
    RECT client{};
    GetClientRect(parent, &client);
    if (point.x < 0 || point.y < 0 || point.x >= client.right || point.y >= client.bottom) {
        return nullptr;
    }
    std::vector<HWND> children;
    {
        Lock lock(S().mutex);
        Window* w = Get(parent);
        if (!w) {
            return nullptr;
        }
        children = w->children;
    }
    for (HWND child : children) {
        RECT r{};
        GetWindowRect(child, &r);
        if (screen.x < r.left || screen.y < r.top || screen.x >= r.right || screen.y >= r.bottom) {
            continue;
        }
        const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE));
        if ((flags & CWP_SKIPINVISIBLE) && !(style & WS_VISIBLE)) {
            continue;
        }
        if ((flags & CWP_SKIPDISABLED) && (style & WS_DISABLED)) {
            continue;
        }
        if ((flags & CWP_SKIPTRANSPARENT) && (exStyle & WS_EX_TRANSPARENT)) {
            continue;
        }
        return child;
    }
    return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
    return ChildWindowFromPointEx(parent, point, CWP_ALL);
}

namespace platform::input {

HWND HitWindow(POINT screen, LRESULT* hitCode) {
    const Hit hit = HitTest(screen);
    if (hitCode) {
        *hitCode = hit.code;
    }
    return hit.hwnd;
}

namespace {

void RouteMouseMove(POINT screen);
void RouteMouseButton(MouseButtonId button, bool down);
void RouteWheel(int delta);

} // namespace

void MouseMove(POINT screen) {
    {
        // The pointer is there now; the windows hear of it when the move is routed.
        Lock lock(S().mutex);
        S().pointer = screen;
    }
    wm::QueueInput([screen] { RouteMouseMove(screen); });
}

void MouseButton(MouseButtonId button, bool down) {
    wm::QueueInput([button, down] { RouteMouseButton(button, down); });
}

void Wheel(int delta) {
    wm::QueueInput([delta] { RouteWheel(delta); });
}

namespace {

void RouteMouseMove(POINT screen) {
    HWND moving = nullptr;
    POINT to{};
    {
        Lock lock(S().mutex);
        S().cursor = screen;
        auto& s = S();
        if (s.moveWindow && !(s.keys[VK_LBUTTON] & 0x80)) {
            s.moveWindow = nullptr;
        }
        if (s.moveWindow && ThreadOf(s.moveWindow) == GetCurrentThreadId()) {
            moving = s.moveWindow;
            to = POINT{s.moveStartPos.x + screen.x - s.moveStartCursor.x,
                       s.moveStartPos.y + screen.y - s.moveStartCursor.y};
        }
    }
    if (moving) {
        // The caption drag moves the window; the mouse messages stop meanwhile.
        SetWindowPos(moving, nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const Hit hit = HitTest(screen);
    const HWND over = hit.code == HTERROR ? nullptr : hit.hwnd;
    UpdateTracking(over);
    HWND target = GetCapture();
    if (!target) {
        target = over;
    }
    if (!target || (hit.code != HTCLIENT && target == over)) {
        return;
    }
    POINT client = screen;
    ScreenToClient(target, &client);
    WPARAM flags = 0;
    {
        Lock lock(S().mutex);
        flags = MouseKeyFlags();
        S().lastMouseWindow = target;
    }
    Post(target, WM_MOUSEMOVE, flags, PackPoint(client));
}

// A window that holds the capture for hover (a skinned button lights up and captures while the
// pointer is over it) lets it go when a mouse move tells it the pointer has left. A press that
// follows a jump of the pointer (a synthetic click, a fast flick) may find that move still in
// the queue: it is delivered first, so the press goes where it would have gone had the queue
// been read in order.
void DeliverPendingMovesToCapture() {
    for (int guard = 0; guard < 8; ++guard) {
        const HWND capture = GetCapture();
        if (!capture || ThreadOf(capture) != GetCurrentThreadId()) {
            return;
        }
        auto queue = ThreadQueue::Current();
        std::optional<MSG> move = queue->TakePosted(capture, WM_MOUSEMOVE, WM_MOUSEMOVE, true);
        if (!move) {
            return;
        }
        // Only the latest position matters; earlier moves to the same window are dropped.
        while (auto later = queue->TakePosted(capture, WM_MOUSEMOVE, WM_MOUSEMOVE, true)) {
            move = later;
        }
        DispatchMessageW(&*move);
    }
}

void RouteMouseButton(MouseButtonId button, bool down) {
    if (down) {
        DeliverPendingMovesToCapture();
    }
    int vk = VK_LBUTTON;
    UINT msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    if (button == MouseButtonId::Right) {
        vk = VK_RBUTTON;
        msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    } else if (button == MouseButtonId::Middle) {
        vk = VK_MBUTTON;
        msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    }
    POINT screen{};
    {
        Lock lock(S().mutex);
        SetKey(vk, down);
        screen = S().cursor;
        if (!down && vk == VK_LBUTTON && S().moveWindow) {
            S().moveWindow = nullptr; // the caption drag ends with the release
            return;
        }
    }
    HWND target = GetCapture();
    if (!target) {
        const Hit hit = HitTest(screen);
        if (!hit.hwnd || hit.code == HTERROR) {
            return; // nothing there, or a window blocked by a modal popup
        }
        if (down) {
            HWND root = nullptr;
            DWORD exStyle = 0;
            {
                Lock lock(S().mutex);
                root = RootOf(hit.hwnd);
                exStyle = Get(root) ? Get(root)->exStyle : 0;
            }
            if (root && GetActiveWindow() != root && !(exStyle & WS_EX_NOACTIVATE)) {
                Activate(root, WA_CLICKACTIVE);
            }
        }
        if (!IsWindow(hit.hwnd)) {
            return;
        }
        if (hit.code != HTCLIENT) {
            // Outside the client area only a press on the caption does something: it starts
            // moving the window (the default processing of WM_NCLBUTTONDOWN).
            if (down && button == MouseButtonId::Left) {
                Post(hit.hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit.code), PackPoint(screen));
            }
            return;
        }
        target = hit.hwnd;
    }
    POINT client = screen;
    ScreenToClient(target, &client);
    WPARAM flags = 0;
    {
        Lock lock(S().mutex);
        flags = MouseKeyFlags();
        if (down) {
            Window* w = Get(target);
            const std::uint64_t now = GetClock().NowMs();
            auto& s = S();
            const bool dblClk = w && (w->cls->wc.style & CS_DBLCLKS) &&
                                s.lastClickWindow == target && s.lastClickMessage == msg &&
                                now - s.lastClickTime <= GetDoubleClickTime() &&
                                std::abs(screen.x - s.lastClickPoint.x) <= 2 &&
                                std::abs(screen.y - s.lastClickPoint.y) <= 2;
            if (dblClk) {
                msg += 2; // WM_xBUTTONDBLCLK follows WM_xBUTTONDOWN by two
                s.lastClickWindow = nullptr;
            } else {
                s.lastClickWindow = target;
                s.lastClickMessage = msg;
                s.lastClickTime = now;
                s.lastClickPoint = screen;
            }
        }
    }
    Post(target, msg, flags, PackPoint(client));
}

void RouteWheel(int delta) {
    POINT screen{};
    WPARAM flags = 0;
    {
        Lock lock(S().mutex);
        screen = S().cursor;
        flags = MouseKeyFlags();
    }
    HWND target = GetCapture();
    if (!target) {
        target = GetFocus();
    }
    if (!target) {
        const Hit hit = HitTest(screen);
        target = hit.code == HTERROR ? nullptr : hit.hwnd;
    }
    if (!target) {
        return;
    }
    Post(target, WM_MOUSEWHEEL,
         MAKEWPARAM(static_cast<WORD>(flags), static_cast<WORD>(static_cast<SHORT>(delta))),
         PackPoint(screen));
}

} // namespace

} // namespace platform::input
