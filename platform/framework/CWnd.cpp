#include "platform/framework/CWnd.h"

#include "platform/framework/CWinApp.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Permanent objects of all threads' windows, and temporary wrappers per thread.
std::mutex g_mapMutex;
std::map<HWND, CWnd*>& Permanent() {
    static auto* map = new std::map<HWND, CWnd*>();
    return *map;
}
thread_local std::map<HWND, std::unique_ptr<CWnd>> t_temporary;
thread_local std::vector<MSG> t_current;

constexpr LPCWSTR kDefaultClass = u"FrameworkWindow";

void RegisterDefaultClass() {
    static const bool registered = [] {
        WNDCLASSW wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = kDefaultClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
}

void AttachOnCreate(HWND hwnd, void* context) {
    auto* wnd = static_cast<CWnd*>(context);
    wnd->SubclassWindow(hwnd);
}

struct CurrentMessage {
    CurrentMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        MSG m;
        m.hwnd = hwnd;
        m.message = message;
        m.wParam = wParam;
        m.lParam = lParam;
        t_current.push_back(m);
    }
    ~CurrentMessage() { t_current.pop_back(); }
    CurrentMessage(const CurrentMessage&) = delete;
    CurrentMessage& operator=(const CurrentMessage&) = delete;
};

CPoint PointOf(LPARAM lParam) {
    return CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

} // namespace

LRESULT FrameworkWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    CurrentMessage current(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The object may delete itself in PostNcDestroy: nothing touches it afterwards.
        wnd->OnNcDestroy();
        return 0;
    }
    return wnd->WindowProc(message, wParam, lParam);
}

void AfxDeleteTempMaps() {
    if (!t_current.empty()) {
        return; // a handler further up this thread's stack may hold a temporary
    }
    CDC::DeleteTempMap();
    CGdiObject::DeleteTempMap();
}

BOOL WalkPreTranslateTree(HWND stop, MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hwnd)) {
            if (wnd->PreTranslateMessage(msg)) {
                return TRUE;
            }
        }
        if (hwnd == stop) {
            break;
        }
        const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        if (!(style & WS_CHILD)) {
            break; // do not walk into the owner
        }
    }
    return FALSE;
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        // Destroying the object takes its window along, without calling back into this
        // half-destroyed object.
        HWND hwnd = Detach();
        if (m_pfnSuper) {
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        }
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    std::lock_guard lock(g_mapMutex);
    auto it = Permanent().find(hwnd);
    return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) {
        return nullptr;
    }
    if (CWnd* wnd = FromHandlePermanent(hwnd)) {
        return wnd;
    }
    // Temporary wrappers of windows that are gone are dropped here.
    std::erase_if(t_temporary, [](auto& entry) {
        if (IsWindow(entry.first)) {
            return false;
        }
        entry.second->m_hWnd = nullptr;
        return true;
    });
    auto& temp = t_temporary[hwnd];
    if (!temp) {
        temp = std::make_unique<CWnd>();
        temp->m_hWnd = hwnd;
    }
    return temp.get();
}

BOOL CWnd::Attach(HWND hwnd) {
    if (!hwnd || m_hWnd) {
        return FALSE;
    }
    {
        std::lock_guard lock(g_mapMutex);
        if (Permanent().count(hwnd)) {
            return FALSE;
        }
        Permanent()[hwnd] = this;
        m_hWnd = hwnd;
    }
    // From the first framework window on, the loops free the temporaries when idle.
    platform::SetLoopIdleHandler(&AfxDeleteTempMaps);
    // A temporary wrapper of the window is retired (it never owned the window).
    if (auto it = t_temporary.find(hwnd); it != t_temporary.end()) {
        it->second->m_hWnd = nullptr;
        t_temporary.erase(it);
    }
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (hwnd) {
        std::lock_guard lock(g_mapMutex);
        auto it = Permanent().find(hwnd);
        if (it != Permanent().end() && it->second == this) {
            Permanent().erase(it);
        }
    }
    m_hWnd = nullptr;
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!Attach(hwnd)) {
        return FALSE;
    }
    PreSubclassWindow();
    auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWindowProc)));
    if (old != &FrameworkWindowProc) {
        m_pfnSuper = old;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    HWND control = parent ? ::GetDlgItem(parent->m_hWnd, static_cast<int>(id)) : nullptr;
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    if (m_pfnSuper) {
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        m_pfnSuper = nullptr;
    }
    return Detach();
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, void*) {
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id, LPVOID param) {
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    parent ? parent->m_hWnd : nullptr, menu, param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, LPVOID param) {
    if (m_hWnd) {
        return FALSE;
    }
    RegisterDefaultClass();
    CREATESTRUCTW cs;
    cs.dwExStyle = exStyle;
    cs.lpszClass = className ? className : kDefaultClass;
    cs.lpszName = windowName;
    cs.style = static_cast<LONG>(style);
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.hwndParent = parent;
    cs.hMenu = menu;
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    platform::SetThreadCreateHook(&AttachOnCreate, this);
    HWND hwnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName,
                                  static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                                  cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    platform::SetThreadCreateHook(nullptr, nullptr);
    return hwnd ? TRUE : FALSE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) {
        return FALSE;
    }
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTW&) {
    return TRUE;
}
void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

const MSG* CWnd::GetCurrentMessage() {
    return t_current.empty() ? nullptr : &t_current.back();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) {
        return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    }
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    const MSG* current = GetCurrentMessage();
    if (!current) {
        return 0;
    }
    return DefWindowProc(current->message, current->wParam, current->lParam);
}

namespace {

UINT CtlColorType(UINT message) {
    switch (message) {
    case WM_CTLCOLOREDIT:
        return 1; // CTLCOLOR_EDIT
    case WM_CTLCOLORLISTBOX:
        return 2;
    case WM_CTLCOLORBTN:
        return 3;
    case WM_CTLCOLORDLG:
        return 4;
    case WM_CTLCOLORSCROLLBAR:
        return 5;
    default:
        return 6; // CTLCOLOR_STATIC
    }
}

} // namespace

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    LRESULT r = 0;
    const UINT flags = static_cast<UINT>(wParam);
    switch (message) {
    case WM_CREATE:
        r = OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam));
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_CLOSE:
        OnClose();
        break;
    case WM_PAINT:
        OnPaint();
        break;
    case WM_ERASEBKGND:
        r = OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
        break;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_SIZE:
        OnSize(flags, LOWORD(static_cast<DWORD_PTR>(lParam)),
               HIWORD(static_cast<DWORD_PTR>(lParam)));
        break;
    case WM_MOVE:
        OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        break;
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        break;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)),
                   HIWORD(wParam) ? TRUE : FALSE);
        break;
    case WM_ENABLE:
        OnEnable(static_cast<BOOL>(wParam));
        break;
    case WM_SETFOCUS:
        OnSetFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        break;
    case WM_KILLFOCUS:
        OnKillFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
        break;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(FromHandle(reinterpret_cast<HWND>(lParam)));
        break;
    case WM_CANCELMODE:
        OnCancelMode();
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(flags, PointOf(lParam));
        break;
    case WM_LBUTTONDOWN:
        OnLButtonDown(flags, PointOf(lParam));
        break;
    case WM_LBUTTONUP:
        OnLButtonUp(flags, PointOf(lParam));
        break;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(flags, PointOf(lParam));
        break;
    case WM_RBUTTONDOWN:
        OnRButtonDown(flags, PointOf(lParam));
        break;
    case WM_RBUTTONUP:
        OnRButtonUp(flags, PointOf(lParam));
        break;
    case WM_RBUTTONDBLCLK:
        OnRButtonDblClk(flags, PointOf(lParam));
        break;
    case WM_MBUTTONDOWN:
        OnMButtonDown(flags, PointOf(lParam));
        break;
    case WM_MBUTTONUP:
        OnMButtonUp(flags, PointOf(lParam));
        break;
    case WM_MBUTTONDBLCLK:
        OnMButtonDblClk(flags, PointOf(lParam));
        break;
    case WM_MOUSEWHEEL:
        r = OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam),
                         PointOf(lParam));
        break;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        break;
    case WM_MOUSEHOVER:
        OnMouseHover(flags, PointOf(lParam));
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
        const auto bits = static_cast<DWORD>(lParam);
        const UINT repeat = LOWORD(bits);
        const UINT keyFlags = HIWORD(bits);
        if (message == WM_KEYDOWN) {
            OnKeyDown(flags, repeat, keyFlags);
        } else if (message == WM_KEYUP) {
            OnKeyUp(flags, repeat, keyFlags);
        } else if (message == WM_CHAR) {
            OnChar(flags, repeat, keyFlags);
        } else if (message == WM_SYSKEYDOWN) {
            OnSysKeyDown(flags, repeat, keyFlags);
        } else {
            OnSysKeyUp(flags, repeat, keyFlags);
        }
        break;
    }
    case WM_GETDLGCODE:
        r = OnGetDlgCode();
        break;
    case WM_SYSCOMMAND:
        OnSysCommand(flags, lParam);
        break;
    case WM_CONTEXTMENU:
        OnContextMenu(FromHandle(reinterpret_cast<HWND>(wParam)), PointOf(lParam));
        break;
    case WM_VSCROLL:
    case WM_HSCROLL: {
        CWnd* bar = FromHandle(reinterpret_cast<HWND>(lParam));
        if (bar && bar != this && bar->OnChildNotify(message, wParam, lParam, &r)) {
            break;
        }
        if (message == WM_VSCROLL) {
            OnVScroll(LOWORD(wParam), HIWORD(wParam), bar);
        } else {
            OnHScroll(LOWORD(wParam), HIWORD(wParam), bar);
        }
        break;
    }
    case WM_NCHITTEST:
        r = OnNcHitTest(PointOf(lParam));
        break;
    case WM_NCCALCSIZE:
        OnNcCalcSize(static_cast<BOOL>(wParam), reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam));
        r = 0;
        break;
    case WM_SETCURSOR:
        r = OnSetCursor(FromHandle(reinterpret_cast<HWND>(wParam)),
                        LOWORD(static_cast<DWORD_PTR>(lParam)),
                        HIWORD(static_cast<DWORD_PTR>(lParam)));
        break;
    case WM_QUERYDRAGICON:
        r = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        r = reinterpret_cast<LRESULT>(OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)),
                                                 FromHandle(reinterpret_cast<HWND>(lParam)),
                                                 CtlColorType(message)));
        break;
    case WM_DRAWITEM:
        OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        r = TRUE;
        break;
    case WM_MEASUREITEM:
        OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
        r = TRUE;
        break;
    case WM_COMMAND:
        if (!OnCommand(wParam, lParam)) {
            return FALSE;
        }
        break;
    case WM_NOTIFY:
        if (!OnNotify(wParam, lParam, &r)) {
            return FALSE;
        }
        break;
    // Notifications reflected back to this control by its parent.
    case OCM_DRAWITEM:
        m_reflectHandled = true;
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        if (!m_reflectHandled) {
            return FALSE;
        }
        r = TRUE;
        break;
    case OCM_MEASUREITEM:
        m_reflectHandled = true;
        MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
        if (!m_reflectHandled) {
            return FALSE;
        }
        r = TRUE;
        break;
    case OCM__BASE + WM_CTLCOLORSTATIC:
    case OCM__BASE + WM_CTLCOLORBTN:
    case OCM__BASE + WM_CTLCOLOREDIT:
    case OCM__BASE + WM_CTLCOLORLISTBOX:
    case OCM__BASE + WM_CTLCOLORSCROLLBAR: {
        HBRUSH brush = CtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)),
                                CtlColorType(message - OCM__BASE));
        if (!brush) {
            return FALSE;
        }
        r = reinterpret_cast<LRESULT>(brush);
        break;
    }
    case OCM_COMMAND:
        if (!OnCommandReflect(HIWORD(wParam))) {
            return FALSE;
        }
        break;
    case OCM_NOTIFY:
        if (!OnNotifyReflect(reinterpret_cast<NMHDR*>(lParam), &r)) {
            return FALSE;
        }
        break;
    default:
        return FALSE;
    }
    *result = r;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    LRESULT r = 0;
    if (!OnWndMsg(OCM__BASE + message, wParam, lParam, &r)) {
        return FALSE;
    }
    if (result) {
        *result = r;
    }
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM, LPARAM lParam) {
    auto control = reinterpret_cast<HWND>(lParam);
    if (control) {
        CWnd* child = FromHandlePermanent(control);
        const MSG* current = GetCurrentMessage();
        if (child && child != this && current &&
            child->OnChildNotify(WM_COMMAND, current->wParam, current->lParam, nullptr)) {
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header) {
        return FALSE;
    }
    CWnd* child = FromHandlePermanent(header->hwndFrom);
    const MSG* current = GetCurrentMessage();
    return child && child != this && current &&
           child->OnChildNotify(WM_NOTIFY, current->wParam, current->lParam, result);
}

void CWnd::DrawItem(LPDRAWITEMSTRUCT) {
    m_reflectHandled = false;
}
void CWnd::MeasureItem(LPMEASUREITEMSTRUCT) {
    m_reflectHandled = false;
}
HBRUSH CWnd::CtlColor(CDC*, UINT) {
    return nullptr;
}
BOOL CWnd::OnCommandReflect(WORD) {
    return FALSE;
}
BOOL CWnd::OnNotifyReflect(NMHDR*, LRESULT*) {
    return FALSE;
}

int CWnd::OnCreate(LPCREATESTRUCTW) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}

void CWnd::OnNcDestroy() {
    Default();
    if (CWinThread* thread = AfxGetThread(); thread && thread->m_pMainWnd == this) {
        // The main window going ends the thread's message loop.
        PostQuitMessage(0);
        thread->m_pMainWnd = nullptr;
    }
    HWND hwnd = Detach();
    if (m_pfnSuper && IsWindow(hwnd)) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
    m_pfnSuper = nullptr;
    PostNcDestroy();
}

void CWnd::OnClose() {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnMove(int, int) {
    Default();
}
void CWnd::OnShowWindow(BOOL, UINT) {
    Default();
}
void CWnd::OnActivate(UINT, CWnd*, BOOL) {
    Default();
}
void CWnd::OnEnable(BOOL) {
    Default();
}
void CWnd::OnSetFocus(CWnd*) {
    Default();
}
void CWnd::OnKillFocus(CWnd*) {
    Default();
}
void CWnd::OnCaptureChanged(CWnd*) {
    Default();
}
void CWnd::OnCancelMode() {
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonDblClk(UINT, CPoint) {
    Default();
}
void CWnd::OnMButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnMButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnMButtonDblClk(UINT, CPoint) {
    Default();
}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnMouseLeave() {
    Default();
}
void CWnd::OnMouseHover(UINT, CPoint) {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnSysKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnSysKeyUp(UINT, UINT, UINT) {
    Default();
}
UINT CWnd::OnGetDlgCode() {
    return static_cast<UINT>(Default());
}
void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}
void CWnd::OnContextMenu(CWnd*, CPoint) {
    Default();
}
void CWnd::OnVScroll(UINT, UINT, CWnd*) {
    Default();
}
void CWnd::OnHScroll(UINT, UINT, CWnd*) {
    Default();
}
LRESULT CWnd::OnNcHitTest(CPoint) {
    return Default();
}
void CWnd::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) {
    Default();
}
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) {
    return static_cast<BOOL>(Default());
}
HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}

HBRUSH CWnd::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
    const MSG* current = GetCurrentMessage();
    if (wnd && wnd != this && current && ctlColor != 4) {
        if (CWnd* child = FromHandlePermanent(wnd->m_hWnd)) {
            LRESULT r = 0;
            if (child->OnChildNotify(current->message, current->wParam, current->lParam, &r)) {
                return reinterpret_cast<HBRUSH>(r);
            }
        }
    }
    (void)dc;
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT drawItem) {
    const MSG* current = GetCurrentMessage();
    if (drawItem && current) {
        if (CWnd* child = FromHandlePermanent(drawItem->hwndItem); child && child != this) {
            if (child->OnChildNotify(WM_DRAWITEM, current->wParam, current->lParam, nullptr)) {
                return;
            }
        }
    }
    Default();
}

void CWnd::OnMeasureItem(int id, LPMEASUREITEMSTRUCT measureItem) {
    const MSG* current = GetCurrentMessage();
    if (measureItem && current) {
        if (CWnd* child = FromHandlePermanent(::GetDlgItem(m_hWnd, id)); child && child != this) {
            if (child->OnChildNotify(WM_MEASUREITEM, current->wParam, current->lParam, nullptr)) {
                return;
            }
        }
    }
    Default();
}

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}

void CWnd::ClientToScreen(LPRECT rect) const {
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(rect));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(rect) + 1);
}

void CWnd::ScreenToClient(LPRECT rect) const {
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(rect));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(rect) + 1);
}

void CWnd::InvalidateRgn(CRgn* region, BOOL erase) {
    ::InvalidateRgn(m_hWnd, region ? reinterpret_cast<HRGN>(region->m_hObject) : nullptr, erase);
}

BOOL CWnd::RedrawWindow(LPCRECT rect, CRgn* region, UINT flags) {
    return ::RedrawWindow(m_hWnd, rect,
                          region ? reinterpret_cast<HRGN>(region->m_hObject) : nullptr, flags);
}

CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}
CWnd* CWnd::GetFocus() {
    return FromHandle(::GetFocus());
}
CWnd* CWnd::SetCapture() {
    return FromHandle(::SetCapture(m_hWnd));
}
CWnd* CWnd::GetCapture() {
    return FromHandle(::GetCapture());
}
CWnd* CWnd::SetActiveWindow() {
    return FromHandle(::SetActiveWindow(m_hWnd));
}
CWnd* CWnd::GetActiveWindow() {
    return FromHandle(::GetActiveWindow());
}
CWnd* CWnd::GetForegroundWindow() {
    return FromHandle(::GetForegroundWindow());
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL deep) {
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, message, wParam, lParam);
        if (deep) {
            if (CWnd* wnd = FromHandle(child)) {
                wnd->SendMessageToDescendants(message, wParam, lParam, TRUE);
            }
        }
    }
}

int CWnd::SetDlgCtrlID(int id) {
    return static_cast<int>(SetWindowLongPtrW(m_hWnd, GWLP_ID, id));
}

int CWnd::GetDlgItemText(int id, CString& text) const {
    text.Empty();
    if (CWnd* item = GetDlgItem(id)) {
        item->GetWindowText(text);
    }
    return text.GetLength();
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* control, BOOL previous) const {
    return FromHandle(::GetNextDlgTabItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
}

CWnd* CWnd::SetParent(CWnd* parent) {
    return FromHandle(::SetParent(m_hWnd, parent ? parent->m_hWnd : nullptr));
}

CWnd* CWnd::GetOwner() const {
    return m_pOwner ? m_pOwner : GetParent();
}

CWnd* CWnd::GetTopLevelParent() const {
    return FromHandle(::GetAncestor(m_hWnd, GA_ROOT));
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
    const DWORD style = GetStyle();
    const DWORD updated = (style & ~remove) | add;
    if (style == updated) {
        return FALSE;
    }
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(updated));
    if (flags) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    }
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
    const DWORD style = GetExStyle();
    const DWORD updated = (style & ~remove) | add;
    if (style == updated) {
        return FALSE;
    }
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(updated));
    if (flags) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    }
    return TRUE;
}

void CWnd::GetWindowText(CString& text) const {
    const int length = GetWindowTextLength();
    std::u16string buffer(static_cast<size_t>(length) + 1, u'\0');
    ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    text = CString(buffer.c_str());
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
    SendMessage(WM_SETFONT, font ? reinterpret_cast<WPARAM>(font->m_hObject) : 0, redraw ? 1 : 0);
}

CFont* CWnd::GetFont() const {
    auto font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    return font ? CFont::FromHandle(font) : nullptr;
}

HICON CWnd::SetIcon(HICON icon, BOOL big) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, big ? 1u : 0u, reinterpret_cast<LPARAM>(icon)));
}

CDC* CWnd::GetDC() {
    HDC dc = ::GetDC(m_hWnd);
    if (!dc) {
        return nullptr;
    }
    auto* wrapper = new CDC();
    wrapper->Attach(dc);
    return wrapper;
}

CDC* CWnd::GetWindowDC() {
    HDC dc = ::GetWindowDC(m_hWnd);
    if (!dc) {
        return nullptr;
    }
    auto* wrapper = new CDC();
    wrapper->Attach(dc);
    return wrapper;
}

int CWnd::ReleaseDC(CDC* dc) {
    if (!dc) {
        return 0;
    }
    const int released = ::ReleaseDC(m_hWnd, dc->Detach());
    delete dc;
    return released;
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
    CRect area;
    CWnd* owner = alternateOwner ? alternateOwner : GetParent();
    if (owner) {
        owner->GetWindowRect(area);
    } else {
        const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        area = CRect(0, 0, screen.cx, screen.cy);
    }
    CRect mine;
    GetWindowRect(mine);
    int x = area.left + (area.Width() - mine.Width()) / 2;
    int y = area.top + (area.Height() - mine.Height()) / 2;
    if (GetStyle() & WS_CHILD) {
        POINT p{x, y};
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x;
        y = p.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
