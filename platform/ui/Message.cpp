// Sending, posting and retrieving messages; timers; the default window procedure.

#include "platform/gdi/Gdi.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace platform::wm {

namespace {

thread_local int t_inSend = 0;
thread_local MSG t_lastMessage{};

// Completion of a cross-thread send. The sender waits on its own queue so it keeps handling
// messages sent to it meanwhile.
struct SendState {
    std::shared_ptr<ThreadQueue> senderQueue;
    std::atomic<bool> done{false};
    LRESULT result = 0;
};

// Releases the sender when the work item is destroyed without running (the target thread
// exited before handling it).
struct SendGuard {
    std::shared_ptr<SendState> state;
    explicit SendGuard(std::shared_ptr<SendState> s) : state(std::move(s)) {}
    SendGuard(SendGuard&& other) noexcept = default;
    SendGuard(const SendGuard&) = delete;
    SendGuard& operator=(const SendGuard&) = delete;
    SendGuard& operator=(SendGuard&&) = delete;
    void Complete(LRESULT result) {
        if (!state) {
            return;
        }
        state->result = result;
        state->done.store(true, std::memory_order_release);
        state->senderQueue->Wake();
        state.reset();
    }
    ~SendGuard() { Complete(0); }
};

} // namespace

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    std::shared_ptr<Window> keep;
    {
        Lock lock(S().mutex);
        keep = GetShared(hwnd);
        if (!keep) {
            return 0;
        }
        proc = keep->proc;
    }
    return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const DWORD target = ThreadOf(hwnd);
    if (target == 0) {
        return 0;
    }
    if (target == GetCurrentThreadId()) {
        return CallProc(hwnd, msg, wParam, lParam);
    }
    auto queue = ThreadQueue::Find(target);
    if (!queue) {
        return 0;
    }
    auto own = ThreadQueue::Current();
    auto state = std::make_shared<SendState>();
    state->senderQueue = own;
    auto guard = std::make_shared<SendGuard>(state);
    if (!queue->PostWork([guard, hwnd, msg, wParam, lParam] {
            ++t_inSend;
            const LRESULT r = CallProc(hwnd, msg, wParam, lParam);
            --t_inSend;
            guard->Complete(r);
        })) {
        return 0;
    }
    guard.reset();
    for (;;) {
        // The count is read before the completion is looked at: a completion that comes
        // after the look has woken the queue since, and the wait returns at once.
        const std::uint64_t seen = own->WakeCount();
        if (state->done.load(std::memory_order_acquire)) {
            break;
        }
        if (own->RunIncoming()) {
            continue;
        }
        own->Wait(std::nullopt, seen);
    }
    return state->result;
}

bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD tag) {
    const DWORD target = ThreadOf(hwnd);
    auto queue = target ? ThreadQueue::Find(target) : nullptr;
    if (!queue) {
        return false;
    }
    MSG m;
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    m.lPrivate = tag;
    {
        Lock lock(S().mutex);
        m.pt = S().cursor;
    }
    return queue->Post(m);
}

std::optional<std::uint64_t> NextTimerDue(DWORD thread) {
    Lock lock(S().mutex);
    std::optional<std::uint64_t> due;
    for (const Timer& t : S().timers) {
        if (t.thread == thread && (!due || t.due < *due)) {
            due = t.due;
        }
    }
    if (S().trackHover && ThreadOf(S().trackHover) == thread) {
        const std::uint64_t hover = S().hoverStart + S().hoverTime;
        if (!due || hover < *due) {
            due = hover;
        }
    }
    return due;
}

void KillWindowTimers(HWND hwnd) {
    Lock lock(S().mutex);
    std::erase_if(S().timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

namespace {

bool InFilter(UINT message, UINT minMsg, UINT maxMsg) {
    return (minMsg == 0 && maxMsg == 0) || (message >= minMsg && message <= maxMsg);
}

// Raises WM_MOUSEHOVER when the mouse rested long enough over the tracked window.
void CheckHover(DWORD thread) {
    HWND hover = nullptr;
    POINT pt{};
    {
        Lock lock(S().mutex);
        if (!S().trackHover || ThreadOf(S().trackHover) != thread) {
            return;
        }
        if (GetClock().NowMs() < S().hoverStart + S().hoverTime) {
            return;
        }
        hover = S().trackHover;
        S().trackHover = nullptr;
        pt = S().cursor;
        const POINT origin = ClientOrigin(hover);
        pt.x -= origin.x;
        pt.y -= origin.y;
    }
    Post(hover, WM_MOUSEHOVER, 0,
         MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x)),
                    static_cast<WORD>(static_cast<SHORT>(pt.y))));
}

std::optional<MSG> TakeTimer(DWORD thread, HWND filter, bool remove) {
    Lock lock(S().mutex);
    const std::uint64_t now = GetClock().NowMs();
    Timer* best = nullptr;
    for (Timer& t : S().timers) {
        if (t.thread != thread || t.due > now) {
            continue;
        }
        if (filter && t.hwnd != filter) {
            continue;
        }
        if (!best || t.due < best->due) {
            best = &t;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    MSG m;
    m.hwnd = best->hwnd;
    m.message = WM_TIMER;
    m.wParam = best->id;
    m.lParam = reinterpret_cast<LPARAM>(best->proc);
    m.time = static_cast<DWORD>(now);
    m.pt = S().cursor;
    if (remove) {
        // Timer messages do not pile up: the next one is due an interval after this one.
        best->due = now + best->interval;
    }
    return m;
}

// One attempt at taking a message in the order the queue documents.
bool Fetch(MSG* out, HWND filter, UINT minMsg, UINT maxMsg, bool remove) {
    auto queue = ThreadQueue::Current();
    const DWORD thread = queue->ThreadId();
    for (;;) {
        queue->RunIncoming();
        CheckHover(thread);
        auto posted = queue->TakePosted(filter, minMsg, maxMsg, remove);
        if (posted) {
            if (posted->hwnd && !IsWindow(posted->hwnd)) {
                if (!remove) {
                    queue->TakePosted(posted->hwnd, posted->message, posted->message, true);
                }
                continue; // messages for a destroyed window are dropped
            }
            if (remove && posted->lPrivate != 0) {
                KeyMessageTaken(*posted);
            }
            *out = *posted;
            return true;
        }
        if (queue->RouteInput()) {
            continue; // the event posted its message (or found no window to go to)
        }
        break;
    }
    if (auto quit = queue->TakeQuit(remove)) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(*quit);
        out->time = GetTickCount();
        return true;
    }
    if (InFilter(WM_PAINT, minMsg, maxMsg)) {
        if (HWND paint = FindWindowToPaint(thread, filter)) {
            *out = MSG{};
            out->hwnd = paint;
            out->message = WM_PAINT;
            out->time = GetTickCount();
            return true;
        }
    }
    if (InFilter(WM_TIMER, minMsg, maxMsg)) {
        if (auto timer = TakeTimer(thread, filter, remove)) {
            *out = *timer;
            return true;
        }
    }
    return false;
}

} // namespace
} // namespace platform::wm

using namespace platform::wm;
using platform::GetClock;
using platform::ThreadQueue;

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return Send(hwnd, msg, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) {
        return PostThreadMessageW(GetCurrentThreadId(), msg, wParam, lParam);
    }
    return Post(hwnd, msg, wParam, lParam) ? TRUE : FALSE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto queue = ThreadQueue::Find(threadId);
    if (!queue) {
        return FALSE;
    }
    MSG m;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    return queue->Post(m) ? TRUE : FALSE;
}

BOOL SendNotifyMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const DWORD target = ThreadOf(hwnd);
    if (!target) {
        return FALSE;
    }
    if (target == GetCurrentThreadId()) {
        CallProc(hwnd, msg, wParam, lParam);
        return TRUE;
    }
    auto queue = ThreadQueue::Find(target);
    return queue && queue->PostWork(
                        [hwnd, msg, wParam, lParam] { CallProc(hwnd, msg, wParam, lParam); })
               ? TRUE
               : FALSE;
}

BOOL InSendMessage() {
    return platform::wm::t_inSend > 0 ? TRUE : FALSE;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SendMessageW(item, msg, wParam, lParam) : 0;
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT minMsg, UINT maxMsg) {
    auto queue = ThreadQueue::Current();
    const bool unfiltered = hwnd == nullptr && minMsg == 0 && maxMsg == 0;
    for (;;) {
        // Read before looking, so that a message queued after the look wakes the wait.
        const std::uint64_t seen = queue->WakeCount();
        MSG m;
        if (Fetch(&m, hwnd, minMsg, maxMsg, true)) {
            t_lastMessage = m;
            if (msg) {
                *msg = m;
            }
            return m.message == WM_QUIT ? FALSE : TRUE;
        }
        queue->Wait(NextTimerDue(queue->ThreadId()), seen, unfiltered);
    }
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT minMsg, UINT maxMsg, UINT removeFlags) {
    MSG m;
    if (!Fetch(&m, hwnd, minMsg, maxMsg, (removeFlags & PM_REMOVE) != 0)) {
        return FALSE;
    }
    if (removeFlags & PM_REMOVE) {
        t_lastMessage = m;
    }
    if (msg) {
        *msg = m;
    }
    return TRUE;
}

BOOL WaitMessage() {
    auto queue = ThreadQueue::Current();
    const std::uint64_t seen = queue->WakeCount();
    MSG m;
    if (Fetch(&m, nullptr, 0, 0, false)) {
        return TRUE;
    }
    queue->Wait(NextTimerDue(queue->ThreadId()), seen, true);
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg || !msg->hwnd) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, static_cast<UINT>(msg->wParam), GetTickCount());
        return 0;
    }
    if (msg->message == WM_PAINT) {
        Lock lock(S().mutex);
        if (Window* w = Get(msg->hwnd)) {
            w->beganPaint = false;
        }
    }
    const LRESULT result = CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT) {
        // A window procedure that ignored WM_PAINT would be asked again forever: its update
        // region is validated as BeginPaint would have done.
        Lock lock(S().mutex);
        if (Window* w = Get(msg->hwnd); w && !w->beganPaint) {
            w->update = gdi::Region();
            w->erasePending = false;
            w->internalPaint = false;
        }
    }
    return result;
}

void PostQuitMessage(int exitCode) {
    ThreadQueue::Current()->PostQuit(exitCode);
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

UINT RegisterWindowMessageW(LPCWSTR name) {
    if (!name || !*name) {
        return 0;
    }
    Lock lock(S().mutex);
    auto& map = S().registeredMessages;
    auto it = map.find(name);
    if (it != map.end()) {
        return it->second;
    }
    const UINT id = S().nextRegisteredMessage++;
    map[name] = id;
    return id;
}

LONG GetMessageTime() {
    return static_cast<LONG>(t_lastMessage.time);
}

DWORD GetMessagePos() {
    return MAKELONG(static_cast<WORD>(t_lastMessage.pt.x), static_cast<WORD>(t_lastMessage.pt.y));
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    Lock lock(S().mutex);
    DWORD thread = GetCurrentThreadId();
    if (hwnd) {
        Window* w = Get(hwnd);
        if (!w) {
            return 0;
        }
        thread = w->thread;
    } else {
        id = ++S().nextTimerId;
    }
    elapseMs = std::max<UINT>(elapseMs, 10);
    auto& timers = S().timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    Timer timer{hwnd, id, elapseMs, GetClock().NowMs() + elapseMs, proc, thread};
    if (it != timers.end()) {
        *it = timer;
    } else {
        timers.push_back(timer);
    }
    if (auto queue = ThreadQueue::Find(thread)) {
        queue->Wake();
    }
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    Lock lock(S().mutex);
    const auto removed =
        std::erase_if(S().timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return removed ? TRUE : FALSE;
}

UINT GetDoubleClickTime() {
    return 500;
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_SETTEXT: {
        {
            Lock lock(S().mutex);
            Window* w = Get(hwnd);
            if (!w) {
                return FALSE;
            }
            const auto* text = reinterpret_cast<LPCWSTR>(lParam);
            w->text = text ? std::u16string(text) : std::u16string();
        }
        // A new title shows in the caption at once.
        if (HasCaption(hwnd)) {
            SendMessageW(hwnd, WM_NCPAINT, 1, 0);
        }
        return TRUE;
    }
    case WM_NCPAINT:
        platform::PaintNonClient(hwnd);
        return 0;
    case WM_GETTEXT: {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!w || !buffer || wParam == 0) {
            return 0;
        }
        const size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
        std::copy_n(w->text.begin(), n, buffer);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_SETFONT:
        SetPropW(hwnd, u"platform.font", reinterpret_cast<HANDLE>(wParam));
        if (LOWORD(static_cast<DWORD_PTR>(lParam))) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(GetPropW(hwnd, u"platform.font"));
    case WM_SETICON: {
        const LPCWSTR slot = wParam == ICON_BIG ? u"platform.icon.big" : u"platform.icon.small";
        HANDLE old = GetPropW(hwnd, slot);
        SetPropW(hwnd, slot, reinterpret_cast<HANDLE>(lParam));
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
        return reinterpret_cast<LRESULT>(
            GetPropW(hwnd, wParam == ICON_BIG ? u"platform.icon.big" : u"platform.icon.small"));
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageW(hwnd, WM_CLOSE, 0, 0);
        } else if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            ShowWindow(hwnd, SW_MINIMIZE);
        } else if ((wParam & 0xFFF0) == SC_RESTORE) {
            ShowWindow(hwnd, SW_RESTORE);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = nullptr;
        {
            Lock lock(S().mutex);
            Window* w = Get(hwnd);
            brush = w ? w->cls->wc.hbrBackground : nullptr;
        }
        if (!brush) {
            return 0;
        }
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_NCHITTEST: {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return HTNOWHERE;
        }
        RECT wr{};
        GetWindowRect(hwnd, &wr);
        const RECT c = ClientInWindow(*w);
        const LONG x = GET_X_LPARAM(lParam) - wr.left;
        const LONG y = GET_Y_LPARAM(lParam) - wr.top;
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
            return HTCLIENT;
        }
        if ((w->style & WS_CAPTION) == WS_CAPTION && y < c.top) {
            return HTCAPTION;
        }
        return HTBORDER;
    }
    case WM_NCLBUTTONDOWN: {
        // Pressing the caption starts moving the window with the mouse until release.
        if (wParam != static_cast<WPARAM>(HTCAPTION)) {
            return 0;
        }
        Lock lock(S().mutex);
        HWND root = RootOf(hwnd);
        Window* w = Get(root);
        if (w && (S().keys[VK_LBUTTON] & 0x80)) {
            S().moveWindow = root;
            S().moveStartCursor = S().cursor;
            S().moveStartPos = POINT{w->rect.left, w->rect.top};
        }
        return 0;
    }
    case WM_CANCELMODE:
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_F1)) {
            // F1 asks for help on the window that has the keyboard.
            HELPINFO help;
            help.iCtrlId = GetDlgCtrlID(hwnd);
            help.hItemHandle = hwnd;
            GetCursorPos(&help.MousePos);
            SendMessageW(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_F4) && (lParam & (static_cast<LPARAM>(1) << 29))) {
            // Alt+F4 closes the top-level window.
            SendMessageW(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    case WM_HELP:
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU: {
        // Children pass these on to their parent.
        const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        if (style & WS_CHILD) {
            return SendMessageW(GetParent(hwnd), msg, wParam, lParam);
        }
        return 0;
    }
    case WM_RBUTTONUP: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd, &pt);
        SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd),
                     MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_MOUSEACTIVATE:
        return 1; // MA_ACTIVATE
    default:
        return 0;
    }
}
