// Dialogs: templates, creation (WM_CREATE, then controls, then WM_INITDIALOG), the dialog
// manager's keyboard handling, modal loops and EndDialog.

#include "platform/gdi/Gdi.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <atomic>

namespace platform::wm {

namespace {

std::mutex g_templatesMutex;
std::map<UINT, DialogTemplate>& Templates() {
    static auto* templates = new std::map<UINT, DialogTemplate>();
    return *templates;
}

std::mutex g_hookMutex;
ModalIdleHook& IdleHook() {
    static auto* hook = new ModalIdleHook();
    return *hook;
}

struct FontKey {
    std::u16string name;
    WORD size;
    auto operator<=>(const FontKey&) const = default;
};

std::mutex g_fontMutex;
std::map<FontKey, std::pair<HFONT, SIZE>>& Fonts() {
    static auto* fonts = new std::map<FontKey, std::pair<HFONT, SIZE>>();
    return *fonts;
}

// The dialog font (kept for the life of the process, shared by all dialogs) and its units.
std::pair<HFONT, SIZE> DialogFont(const std::u16string& name, WORD pointSize) {
    std::lock_guard lock(g_fontMutex);
    const FontKey key{name, pointSize};
    auto it = Fonts().find(key);
    if (it != Fonts().end()) {
        return it->second;
    }
    const int height = -static_cast<int>((pointSize * 96 + 36) / 72);
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, name.c_str());
    SIZE units{6, 13}; // the usual units of an 8-point dialog font
    if (font) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, ToGdiObj(font));
        TEXTMETRICW tm{};
        SIZE extent{};
        static const char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        if (GetTextMetricsW(dc, &tm) && GetTextExtentPoint32W(dc, kAlphabet, 52, &extent) &&
            tm.tmHeight > 0 && extent.cx > 0) {
            units = SIZE{(extent.cx / 26 + 1) / 2, tm.tmHeight};
        }
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    Fonts()[key] = {font, units};
    return {font, units};
}

RECT DluToPixels(const SIZE& units, short x, short y, short cx, short cy) {
    auto px = [&](int v) { return static_cast<LONG>(v * units.cx / 4); };
    auto py = [&](int v) { return static_cast<LONG>(v * units.cy / 8); };
    return RECT{px(x), py(y), px(x + cx), py(y + cy)};
}

bool IsPushButton(HWND hwnd) {
    const LRESULT code = SendMessageW(hwnd, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

thread_local std::vector<const LoopFilter*> t_loops;

std::atomic<platform::LoopIdleHandler> g_loopIdle{nullptr};

} // namespace

bool IsDialogWindow(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    return w && w->isDialog;
}

bool RunModalIdleHook(HWND dialog) {
    ModalIdleHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = IdleHook();
    }
    if (!hook) {
        return false;
    }
    hook(dialog);
    return true;
}

} // namespace platform::wm

using namespace platform::wm;
using platform::GetClock;
using platform::ThreadQueue;

void platform::SetModalIdleHook(ModalIdleHook hook) {
    std::lock_guard lock(g_hookMutex);
    IdleHook() = std::move(hook);
}

SIZE platform::DialogBaseUnitsFor(const std::u16string& fontName, WORD pointSize) {
    return DialogFont(fontName, pointSize).second;
}

short platform::DialogTextWidth(const DialogTemplate& dialogTemplate, std::u16string_view text) {
    const auto [font, units] = DialogFont(dialogTemplate.fontName, dialogTemplate.pointSize);
    RECT extent{};
    if (font != nullptr && !text.empty()) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, ToGdiObj(font));
        DrawTextW(dc, text.data(), static_cast<int>(text.size()), &extent,
                  DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    const auto pixels = static_cast<int>(extent.right - extent.left);
    return static_cast<short>((pixels * 4 + static_cast<int>(units.cx) - 1) / units.cx);
}

platform::ScopedLoopFilter::ScopedLoopFilter(const LoopFilter& filter) : m_filter(filter) {
    t_loops.push_back(&m_filter);
}

platform::ScopedLoopFilter::~ScopedLoopFilter() {
    std::erase(t_loops, &m_filter);
}

void platform::ProcessMessage(MSG& msg) {
    if (!t_loops.empty()) {
        const LoopFilter* filter = t_loops.back();
        if (filter->preTranslate && (*filter->preTranslate)(msg)) {
            return;
        }
        if (filter->dialog && IsDialogMessageW(filter->dialog, &msg)) {
            return;
        }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void platform::SetLoopIdleHandler(LoopIdleHandler handler) {
    g_loopIdle.store(handler);
}

void platform::RunLoopIdleHandler() {
    if (const LoopIdleHandler handler = g_loopIdle.load()) {
        handler();
    }
}

int platform::PumpUntilIdle(int maxMessages) {
    int count = 0;
    MSG msg;
    bool idle = false;
    while (count < maxMessages) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            idle = true;
            break;
        }
        ++count;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // left for the loop that owns it
            break;
        }
        ProcessMessage(msg);
    }
    if (idle) {
        RunLoopIdleHandler();
    }
    return count;
}

INT_PTR platform::RunModalLoop(HWND dialog, const std::function<bool(MSG&)>& preTranslate) {
    LoopFilter filter{dialog, preTranslate ? &preTranslate : nullptr};
    ScopedLoopFilter scope(filter);
    {
        Lock lock(S().mutex);
        if (Window* w = Get(dialog)) {
            w->inModalLoop = true;
        }
    }
    auto ended = [dialog](INT_PTR* result) {
        Lock lock(S().mutex);
        Window* w = Get(dialog);
        if (!w) {
            *result = -1;
            return true;
        }
        *result = w->dialogResult;
        return w->dialogEnded;
    };
    INT_PTR result = -1;
    for (;;) {
        if (ended(&result)) {
            break;
        }
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            RunLoopIdleHandler();
            const bool hooked = RunModalIdleHook(dialog);
            if (ended(&result)) {
                break;
            }
            // Virtual time only moves when the test moves it: with a hook installed the loop
            // asks the hook again instead of sleeping until a timer that would never come.
            if (!hooked || !GetClock().IsVirtual()) {
                WaitMessage();
            }
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            ended(&result);
            break;
        }
        ProcessMessage(msg);
    }
    Lock lock(S().mutex);
    if (Window* w = Get(dialog)) {
        w->inModalLoop = false;
    }
    return result;
}

void RegisterDialogTemplate(UINT id, DialogTemplate dialogTemplate) {
    std::lock_guard lock(g_templatesMutex);
    Templates()[id] = std::move(dialogTemplate);
}

const DialogTemplate* FindDialogTemplate(UINT id) {
    std::lock_guard lock(g_templatesMutex);
    auto it = Templates().find(id);
    return it == Templates().end() ? nullptr : &it->second;
}

HWND CreateDialogIndirectParamW(HINSTANCE instance, const DialogTemplate* dt, HWND parent,
                                DLGPROC proc, LPARAM initParam) {
    if (!dt) {
        return nullptr;
    }
    const auto [font, units] = DialogFont(dt->fontName, dt->pointSize);
    RECT r = DluToPixels(units, dt->x, dt->y, dt->cx, dt->cy);
    DWORD style = dt->style & ~WS_VISIBLE;
    RECT frame{0, 0, r.right - r.left, r.bottom - r.top};
    AdjustWindowRectEx(&frame, style, FALSE, dt->exStyle);
    int x = r.left;
    int y = r.top;
    if (style & WS_CHILD) {
        // child dialogs are placed in their parent's client area as given
    } else if (style & DS_CENTER) {
        const SIZE screen = platform::ScreenSize();
        x = (screen.cx - (frame.right - frame.left)) / 2;
        y = (screen.cy - (frame.bottom - frame.top)) / 2;
    }
    const std::u16string className = dt->className.empty() ? u"#32770" : dt->className;
    HWND hwnd = CreateWindowExW(dt->exStyle, className.c_str(), dt->title.c_str(), style, x, y,
                                frame.right - frame.left, frame.bottom - frame.top, parent, nullptr,
                                instance, reinterpret_cast<LPVOID>(initParam));
    if (!hwnd) {
        return nullptr;
    }
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        w->isDialog = true;
        w->dlgProc = reinterpret_cast<LONG_PTR>(proc);
    }
    if (font && (dt->style & DS_SETFONT)) {
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    for (const DialogItemTemplate& item : dt->items) {
        const RECT ir = DluToPixels(units, item.x, item.y, item.cx, item.cy);
        HWND control = CreateWindowExW(
            item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD, ir.left,
            ir.top, ir.right - ir.left, ir.bottom - ir.top, hwnd,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, nullptr);
        if (!control) {
            DestroyWindow(hwnd);
            return nullptr;
        }
        if (font) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
    }
    if (!IsWindow(hwnd)) {
        return nullptr;
    }
    HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE);
    const LRESULT setFocus =
        SendMessageW(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
    if (!IsWindow(hwnd)) {
        return nullptr;
    }
    if (dt->style & WS_VISIBLE) {
        ShowWindow(hwnd, SW_SHOW);
    }
    if (setFocus && first && IsWindowVisible(hwnd)) {
        SetFocus(first);
    }
    return hwnd;
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DialogTemplate* dt, HWND parent,
                                DLGPROC proc, LPARAM initParam) {
    if (!dt) {
        return -1;
    }
    HWND owner = nullptr;
    if (parent) {
        Lock lock(S().mutex);
        owner = RootOf(parent);
    }
    DialogTemplate modal = *dt;
    modal.style &= ~WS_VISIBLE;
    HWND hwnd = CreateDialogIndirectParamW(instance, &modal, parent, proc, initParam);
    if (!hwnd) {
        return -1;
    }
    return platform::RunModalDialog(hwnd, owner, nullptr, true);
}

INT_PTR platform::RunModalDialog(HWND dialog, HWND owner,
                                 const std::function<bool(MSG&)>& preTranslate, bool destroy) {
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner) {
        EnableWindow(owner, FALSE);
    }
    bool endedEarly = false;
    {
        Lock lock(S().mutex);
        Window* w = Get(dialog);
        endedEarly = !w || w->dialogEnded;
    }
    if (!endedEarly) {
        ShowWindow(dialog, SW_SHOW);
        HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
        HWND focus = GetFocus();
        if (!(focus == dialog || IsChild(dialog, focus))) {
            SetFocus(first ? first : dialog);
        }
    }
    const INT_PTR result = RunModalLoop(dialog, preTranslate);
    // The owner is enabled again before the dialog goes, so activation returns to it.
    if (disableOwner && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
    }
    if (IsWindow(dialog)) {
        ShowWindow(dialog, SW_HIDE);
        if (owner && IsWindow(owner) && GetActiveWindow() != owner) {
            SetActiveWindow(owner);
        }
        if (destroy) {
            DestroyWindow(dialog);
        }
    }
    return result;
}

HWND CreateDialogParamW(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                        LPARAM initParam) {
    return CreateDialogIndirectParamW(instance, FindDialogTemplate(templateId), parent, proc,
                                      initParam);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                        LPARAM initParam) {
    return DialogBoxIndirectParamW(instance, FindDialogTemplate(templateId), parent, proc,
                                   initParam);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    bool modal = false;
    {
        Lock lock(S().mutex);
        Window* w = Get(dialog);
        if (!w) {
            return FALSE;
        }
        w->dialogEnded = true;
        w->dialogResult = result;
        modal = w->inModalLoop;
    }
    if (!modal) {
        ShowWindow(dialog, SW_HIDE); // a modeless dialog only hides
    }
    ThreadQueue::WakeAll();
    return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> children;
    {
        Lock lock(S().mutex);
        Window* w = Get(dialog);
        if (!w) {
            return nullptr;
        }
        for (HWND child : w->children) {
            const DWORD style = Get(child)->style;
            if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) {
                children.push_back(child);
            }
        }
    }
    if (children.empty()) {
        return nullptr;
    }
    auto it = std::find(children.begin(), children.end(), control);
    if (it == children.end()) {
        return previous ? children.back() : children.front();
    }
    const auto index = static_cast<size_t>(it - children.begin());
    const size_t n = children.size();
    return children[previous ? (index + n - 1) % n : (index + 1) % n];
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
    if (!msg || !IsWindow(dialog)) {
        return FALSE;
    }
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) {
        return FALSE;
    }
    if (msg->message == WM_KEYDOWN) {
        const int vk = static_cast<int>(msg->wParam);
        HWND focus = GetFocus();
        LRESULT code = 0;
        if (focus && (focus == dialog || IsChild(dialog, focus))) {
            code = SendMessageW(focus, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        }
        if (!(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
            if (vk == VK_RETURN) {
                int id = IDOK;
                if (focus && focus != dialog && IsPushButton(focus)) {
                    id = GetDlgCtrlID(focus);
                }
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
                return TRUE;
            }
            if (vk == VK_ESCAPE) {
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
                return TRUE;
            }
            if (vk == VK_TAB && !(code & DLGC_WANTTAB)) {
                const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
                if (HWND next = GetNextDlgTabItem(dialog, focus, back ? TRUE : FALSE)) {
                    SetFocus(next);
                    // A field reached by Tab has its whole text selected, ready to be replaced.
                    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
                        SendMessageW(next, EM_SETSEL, 0, -1);
                    }
                }
                return TRUE;
            }
        }
    }
    TranslateMessage(msg);
    DispatchMessageW(msg);
    return TRUE;
}

LRESULT DefDlgProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hwnd, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
        const INT_PTR handled = proc(hwnd, msg, wParam, lParam);
        if (handled) {
            switch (msg) {
            case WM_INITDIALOG:
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORSCROLLBAR:
            case WM_QUERYDRAGICON:
                return handled;
            default:
                return GetWindowLongPtrW(hwnd, DWLP_MSGRESULT);
            }
        }
    }
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        // Closing a dialog is its Cancel.
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
        return 0;
    case WM_ERASEBKGND: {
        auto dc = reinterpret_cast<HDC>(wParam);
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
        if (!brush) {
            brush = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        }
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, brush);
        return 1;
    }
    case WM_GETDLGCODE:
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SetWindowTextW(item, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int count) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (buffer && count > 0) {
            buffer[0] = 0;
        }
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(item, buffer, count));
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    if (!rect || !IsWindow(dialog)) {
        return FALSE;
    }
    SIZE units{6, 13};
    {
        std::lock_guard lock(g_fontMutex);
        auto font = reinterpret_cast<HFONT>(GetPropW(dialog, u"platform.font"));
        for (auto& [key, value] : Fonts()) {
            if (value.first == font) {
                units = value.second;
            }
        }
    }
    *rect = DluToPixels(units, static_cast<short>(rect->left), static_cast<short>(rect->top),
                        static_cast<short>(rect->right - rect->left),
                        static_cast<short>(rect->bottom - rect->top));
    return TRUE;
}

LONG GetDialogBaseUnits() {
    const SIZE units = platform::DialogBaseUnitsFor(u"MS Shell Dlg", 8);
    return static_cast<LONG>(MAKELONG(static_cast<WORD>(units.cx), static_cast<WORD>(units.cy)));
}
