// Invalidation and painting: update regions, WM_PAINT/WM_ERASEBKGND, device contexts on the
// windows' backing bitmaps with child and sibling clipping, owner-drawn controls, window
// regions and layered-window attributes.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>

namespace platform::wm {

namespace {

// Device contexts handed out on windows, with the backing bitmap they draw into kept alive.
struct WindowDC {
    HWND hwnd = nullptr;
    std::shared_ptr<gdi::Bitmap> bitmap;
};

std::map<HDC, WindowDC>& DCs() {
    static auto* dcs = new std::map<HDC, WindowDC>();
    return *dcs;
}

RECT Offset(RECT r, LONG dx, LONG dy) {
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Window rectangle of hwnd in its root window's coordinates.
RECT WindowInRoot(HWND hwnd) {
    Window* w = Get(hwnd);
    LONG dx = 0;
    LONG dy = 0;
    for (Window* p = w->parent ? Get(w->parent) : nullptr; p;
         p = p->parent ? Get(p->parent) : nullptr) {
        const RECT c = ClientInWindow(*p);
        if (p->parent) {
            dx += p->rect.left + c.left;
            dy += p->rect.top + c.top;
        } else {
            dx += c.left;
            dy += c.top;
        }
    }
    if (!w->parent) {
        return RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    }
    return Offset(w->rect, dx, dy);
}

gdi::Region ShapeInRoot(HWND hwnd) {
    Window* w = Get(hwnd);
    const RECT r = WindowInRoot(hwnd);
    if (w->region) {
        gdi::Region shape = *w->region;
        shape.Offset(r.left, r.top);
        return gdi::Region::Combine(shape, gdi::Region(r), gdi::Region::Op::And);
    }
    return gdi::Region(r);
}

// The part of hwnd's window (or client area) that painting may touch, in root coordinates.
gdi::Region VisibleInRoot(HWND hwnd, bool clientOnly) {
    Window* w = Get(hwnd);
    const RECT wr = WindowInRoot(hwnd);
    gdi::Region visible = ShapeInRoot(hwnd);
    if (clientOnly) {
        visible = visible.Intersect(Offset(ClientInWindow(*w), wr.left, wr.top));
    }
    // Ancestors clip to their client areas and shapes; clip-siblings windows lose the parts
    // covered by siblings above them.
    HWND current = hwnd;
    while (true) {
        Window* c = Get(current);
        if (!c->parent) {
            break;
        }
        Window* p = Get(c->parent);
        if (c->style & WS_CLIPSIBLINGS) {
            for (HWND sibling : p->children) {
                if (sibling == current) {
                    break;
                }
                if (Get(sibling)->style & WS_VISIBLE) {
                    visible =
                        gdi::Region::Combine(visible, ShapeInRoot(sibling), gdi::Region::Op::Diff);
                }
            }
        }
        const RECT pr = WindowInRoot(c->parent);
        visible = gdi::Region::Combine(visible, ShapeInRoot(c->parent), gdi::Region::Op::And);
        visible = visible.Intersect(Offset(ClientInWindow(*p), pr.left, pr.top));
        current = c->parent;
    }
    if (w->style & WS_CLIPCHILDREN) {
        for (HWND child : w->children) {
            if (Get(child)->style & WS_VISIBLE) {
                visible = gdi::Region::Combine(visible, ShapeInRoot(child), gdi::Region::Op::Diff);
            }
        }
    }
    return visible;
}

// Origin of hwnd's client area (or window) in root coordinates.
POINT OriginInRoot(HWND hwnd, bool clientOnly) {
    const RECT wr = WindowInRoot(hwnd);
    if (!clientOnly) {
        return POINT{wr.left, wr.top};
    }
    const RECT c = ClientInWindow(*Get(hwnd));
    return POINT{wr.left + c.left, wr.top + c.top};
}

HDC MakeDC(HWND hwnd, bool clientOnly, const gdi::Region* limitClient) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w) {
        return nullptr;
    }
    Window* root = Get(RootOf(hwnd));
    if (root && !root->backing && !root->parent) {
        MakeBacking(*root); // the first drawing on a window that was never shown
    }
    if (!root || !root->backing) {
        return nullptr;
    }
    const POINT origin = OriginInRoot(hwnd, clientOnly);
    gdi::Region clip = VisibleInRoot(hwnd, clientOnly);
    if (limitClient) {
        gdi::Region limit = *limitClient;
        limit.Offset(origin.x, origin.y);
        clip = gdi::Region::Combine(clip, limit, gdi::Region::Op::And);
    }
    HDC dc = gdi::CreateSurfaceDC(*root->backing, origin, std::move(clip));
    if (dc) {
        DCs()[dc] = WindowDC{hwnd, root->backing};
    }
    return dc;
}

bool NeedsPaint(const Window& w) {
    return !w.update.IsEmpty() || w.internalPaint;
}

HWND FindInTree(HWND hwnd, DWORD thread, HWND filter) {
    Window* w = Get(hwnd);
    if (!w || !(w->style & WS_VISIBLE)) {
        return nullptr;
    }
    if (w->thread == thread && NeedsPaint(*w) && (!filter || filter == hwnd)) {
        return hwnd;
    }
    for (HWND child : w->children) {
        if (HWND found = FindInTree(child, thread, filter)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

void ResizeBacking(Window& w) {
    if (!w.backing) {
        return; // made when the window is first shown or drawn on
    }
    MakeBacking(w);
}

void MakeBacking(Window& w) {
    const int width = std::max<LONG>(w.rect.right - w.rect.left, 0);
    const int height = std::max<LONG>(w.rect.bottom - w.rect.top, 0);
    if (w.backing && w.backing->Width() == width && w.backing->Height() == height) {
        return;
    }
    auto bitmap = std::make_shared<gdi::Bitmap>(width, height);
    if (w.backing) {
        // Keep what was drawn where the sizes overlap until the window repaints.
        const int cw = std::min(width, w.backing->Width());
        const int ch = std::min(height, w.backing->Height());
        for (int y = 0; y < ch; ++y) {
            std::copy_n(w.backing->Row(y), cw, bitmap->Row(y));
        }
    }
    w.backing = std::move(bitmap);
}

void ForgetWindowDCs(HWND hwnd) {
    Lock lock(S().mutex);
    for (auto& [dc, entry] : DCs()) {
        if (entry.hwnd == hwnd) {
            entry.hwnd = nullptr; // the DC stays valid (its bitmap is kept) until released
        }
    }
}

void InvalidateInternal(HWND hwnd, const gdi::Region* clientArea, bool erase, bool children) {
    std::vector<std::pair<HWND, gdi::Region>> childAreas;
    DWORD thread = 0;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w || !IsVisibleChain(hwnd)) {
            return;
        }
        const RECT c = ClientInWindow(*w);
        const RECT client{0, 0, c.right - c.left, c.bottom - c.top};
        gdi::Region area = clientArea ? clientArea->Intersect(client) : gdi::Region(client);
        if (area.IsEmpty()) {
            return;
        }
        w->update = gdi::Region::Combine(w->update, area, gdi::Region::Op::Or);
        w->erasePending = w->erasePending || erase;
        thread = w->thread;
        if (children) {
            for (HWND child : w->children) {
                Window* cw = Get(child);
                if (!(cw->style & WS_VISIBLE)) {
                    continue;
                }
                gdi::Region part = area.Intersect(cw->rect);
                if (part.IsEmpty()) {
                    continue;
                }
                const RECT cc = ClientInWindow(*cw);
                part.Offset(-(cw->rect.left + cc.left), -(cw->rect.top + cc.top));
                childAreas.emplace_back(child, std::move(part));
            }
        }
    }
    for (auto& [child, part] : childAreas) {
        InvalidateInternal(child, &part, erase, true);
    }
    if (auto queue = ThreadQueue::Find(thread)) {
        queue->Wake();
    }
}

HWND FindWindowToPaint(DWORD thread, HWND filter) {
    Lock lock(S().mutex);
    for (auto it = S().topLevels.rbegin(); it != S().topLevels.rend(); ++it) {
        if (HWND found = FindInTree(*it, thread, filter)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace platform::wm

using namespace platform::wm;
using platform::GetClock;
using platform::ThreadQueue;

namespace {

// Invalidation as the system does it: children are included unless the window clips them,
// and the siblings a non-clipping child paints over are repainted after it.
void Invalidate(HWND hwnd, const gdi::Region* area, bool erase, UINT flags) {
    bool children = true;
    HWND parent = nullptr;
    std::vector<std::pair<HWND, gdi::Region>> siblings;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w || !IsVisibleChain(hwnd)) {
            return; // nothing of a hidden window is on the screen to be painted again
        }
        if (flags & RDW_NOCHILDREN) {
            children = false;
        } else if (!(flags & RDW_ALLCHILDREN)) {
            children = !(w->style & WS_CLIPCHILDREN);
        }
        parent = w->parent;
        if (parent && !(w->style & WS_CLIPSIBLINGS)) {
            const RECT c = ClientInWindow(*w);
            gdi::Region inParent =
                area ? *area : gdi::Region(RECT{0, 0, c.right - c.left, c.bottom - c.top});
            inParent.Offset(w->rect.left + c.left, w->rect.top + c.top);
            const RECT bounds = inParent.Bounds();
            for (HWND sibling : Get(parent)->children) {
                if (sibling == hwnd) {
                    break;
                }
                Window* s = Get(sibling);
                if (!(s->style & WS_VISIBLE) || s->rect.left >= bounds.right ||
                    s->rect.right <= bounds.left || s->rect.top >= bounds.bottom ||
                    s->rect.bottom <= bounds.top) {
                    continue;
                }
                gdi::Region part = inParent.Intersect(s->rect);
                if (part.IsEmpty()) {
                    continue;
                }
                const RECT sc = ClientInWindow(*s);
                part.Offset(-(s->rect.left + sc.left), -(s->rect.top + sc.top));
                siblings.emplace_back(sibling, std::move(part));
            }
        }
    }
    InvalidateInternal(hwnd, area, erase, children);
    for (auto& [sibling, part] : siblings) {
        InvalidateInternal(sibling, &part, erase, true);
    }
}

void Validate(HWND hwnd, const gdi::Region* area, bool children) {
    std::vector<HWND> kids;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return;
        }
        w->update =
            area ? gdi::Region::Combine(w->update, *area, gdi::Region::Op::Diff) : gdi::Region();
        if (w->update.IsEmpty()) {
            w->erasePending = false;
        }
        w->internalPaint = false;
        if (children) {
            kids = w->children;
        }
    }
    for (HWND child : kids) {
        Validate(child, nullptr, true);
    }
}

} // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) {
        // The whole screen: every top-level window repaints.
        std::vector<HWND> tops;
        {
            Lock lock(S().mutex);
            tops = S().topLevels;
        }
        for (HWND top : tops) {
            Invalidate(top, nullptr, erase != FALSE, RDW_ALLCHILDREN);
        }
        return TRUE;
    }
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    if (rect) {
        gdi::Region area(*rect);
        Invalidate(hwnd, &area, erase != FALSE, 0);
    } else {
        Invalidate(hwnd, nullptr, erase != FALSE, 0);
    }
    return TRUE;
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    const gdi::Region* r = region ? gdi::RegionFromHandle(region) : nullptr;
    if (region && !r) {
        return FALSE;
    }
    Invalidate(hwnd, r, erase != FALSE, 0);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    if (rect) {
        gdi::Region area(*rect);
        Validate(hwnd, &area, false);
    } else {
        Validate(hwnd, nullptr, false);
    }
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    // Paints the window and then its children now, without going through the queue.
    std::vector<HWND> order;
    {
        Lock lock(S().mutex);
        std::vector<HWND> stack{hwnd};
        while (!stack.empty()) {
            HWND h = stack.back();
            stack.pop_back();
            Window* w = Get(h);
            if (!w || !(w->style & WS_VISIBLE) || w->thread != GetCurrentThreadId()) {
                continue;
            }
            order.push_back(h);
            for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
                stack.push_back(*it);
            }
        }
    }
    for (HWND h : order) {
        bool needs = false;
        {
            Lock lock(S().mutex);
            Window* w = Get(h);
            needs = w && !w->update.IsEmpty();
        }
        if (needs) {
            MSG m;
            m.hwnd = h;
            m.message = WM_PAINT;
            DispatchMessageW(&m);
        }
    }
    return IsWindow(hwnd);
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
    if (!hwnd || !IsWindow(hwnd)) {
        return FALSE;
    }
    std::optional<gdi::Region> area;
    if (region) {
        if (const gdi::Region* r = gdi::RegionFromHandle(region)) {
            area = *r;
        }
    } else if (rect) {
        area = gdi::Region(*rect);
    }
    if (flags & RDW_INVALIDATE) {
        Invalidate(hwnd, area ? &*area : nullptr, (flags & RDW_ERASE) != 0, flags);
    }
    if (flags & RDW_INTERNALPAINT) {
        Lock lock(S().mutex);
        if (Window* w = Get(hwnd)) {
            w->internalPaint = true;
        }
    }
    if (flags & RDW_VALIDATE) {
        Validate(hwnd, area ? &*area : nullptr, (flags & RDW_ALLCHILDREN) != 0);
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        UpdateWindow(hwnd);
    }
    ThreadQueue::WakeAll();
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w) {
        return FALSE;
    }
    if (rect) {
        *rect = w->update.Bounds();
    }
    return w->update.IsEmpty() ? FALSE : TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
    if (!paint) {
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    gdi::Region update;
    bool erase = false;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return nullptr;
        }
        const RECT c = ClientInWindow(*w);
        update = w->update.Intersect(RECT{0, 0, c.right - c.left, c.bottom - c.top});
        erase = w->erasePending;
        // BeginPaint always validates, so WM_PAINT stops once the window painted.
        w->update = gdi::Region();
        w->erasePending = false;
        w->internalPaint = false;
        w->beganPaint = true;
    }
    // A captioned window's frame and caption are drawn with each paint of the window.
    if (HasCaption(hwnd)) {
        SendMessageW(hwnd, WM_NCPAINT, 1, 0);
    }
    HDC dc = MakeDC(hwnd, true, &update);
    paint->hdc = dc;
    paint->rcPaint = update.Bounds();
    paint->fErase = erase ? TRUE : FALSE;
    if (dc && erase) {
        paint->fErase =
            SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    }
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (!paint || !paint->hdc) {
        return FALSE;
    }
    ReleaseDC(nullptr, paint->hdc);
    return TRUE;
}

namespace {
// The screen's DC: good for measuring (fonts, device caps); what is drawn on it goes nowhere,
// as nothing may draw over the windows' backs.
HDC ScreenDC() {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) {
        Lock lock(S().mutex);
        DCs()[dc] = WindowDC{};
    }
    return dc;
}
} // namespace

bool platform::wm::HasCaption(HWND hwnd) {
    Lock lock(S().mutex);
    const Window* w = Get(hwnd);
    return w != nullptr && w->parent == nullptr && (w->style & WS_CAPTION) == WS_CAPTION;
}

HDC GetDC(HWND hwnd) {
    return hwnd ? MakeDC(hwnd, true, nullptr) : ScreenDC();
}

HDC GetWindowDC(HWND hwnd) {
    return hwnd ? MakeDC(hwnd, false, nullptr) : ScreenDC();
}

int ReleaseDC(HWND, HDC dc) {
    std::shared_ptr<gdi::Bitmap> keep;
    bool shown = false;
    {
        Lock lock(S().mutex);
        auto it = DCs().find(dc);
        if (it == DCs().end()) {
            return 0;
        }
        keep = std::move(it->second.bitmap);
        // A DC on a hidden window (or one asked for only to make compatible bitmaps) drew
        // nothing that is on the screen: the display is not asked to look.
        shown = it->second.hwnd != nullptr && IsVisibleChain(it->second.hwnd);
        DCs().erase(it);
    }
    DeleteDC(dc);
    if (shown) {
        platform::NotifyScreenChanged();
    }
    return 1;
}

HWND WindowFromDC(HDC dc) {
    Lock lock(S().mutex);
    auto it = DCs().find(dc);
    return it == DCs().end() ? nullptr : it->second.hwnd;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !(w->exStyle & WS_EX_LAYERED) || w->parent) {
        return FALSE;
    }
    w->colorKey = key;
    w->alpha = alpha;
    w->layeredFlags = flags & (LWA_COLORKEY | LWA_ALPHA);
    platform::NotifyScreenChanged();
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
    Lock lock(S().mutex);
    Window* w = Get(hwnd);
    if (!w || !(w->exStyle & WS_EX_LAYERED)) {
        return FALSE;
    }
    if (key) {
        *key = w->colorKey;
    }
    if (alpha) {
        *alpha = w->alpha;
    }
    if (flags) {
        *flags = w->layeredFlags;
    }
    return TRUE;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
    HRGN old = nullptr;
    HWND parent = nullptr;
    RECT area{};
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w) {
            return 0;
        }
        const gdi::Region* r = region ? gdi::RegionFromHandle(region) : nullptr;
        if (region && !r) {
            return 0;
        }
        old = w->regionHandle;
        w->regionHandle = region;
        if (r) {
            w->region = *r;
        } else {
            w->region.reset();
        }
        parent = w->parent;
        area = w->rect;
    }
    if (old && old != region) {
        DeleteObject(old);
    }
    if (redraw) {
        if (parent) {
            gdi::Region r(area);
            InvalidateInternal(parent, &r, true, true);
        }
        InvalidateInternal(hwnd, nullptr, true, true);
    }
    ThreadQueue::WakeAll();
    platform::NotifyScreenChanged();
    return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
    HRGN own = nullptr;
    {
        Lock lock(S().mutex);
        Window* w = Get(hwnd);
        if (!w || !w->regionHandle || !region) {
            return ERROR;
        }
        own = w->regionHandle;
    }
    return CombineRgn(region, own, nullptr, RGN_COPY);
}

LRESULT platform::PaintControl(HWND hwnd, UINT ownerDrawType) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) {
        return 0;
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    HWND parent = GetParent(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    const bool ownerDraw = (ownerDrawType == ODT_BUTTON && (style & BS_TYPEMASK) == BS_OWNERDRAW) ||
                           (ownerDrawType == ODT_STATIC && (style & SS_TYPEMASK) == SS_OWNERDRAW);
    if (ownerDraw) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ownerDrawType;
        dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
        dis.itemAction = ODA_DRAWENTIRE;
        if (ownerDrawType == ODT_BUTTON) {
            const LRESULT state = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
            dis.itemState |= (state & BST_PUSHED) ? ODS_SELECTED : 0;
            dis.itemState |= (state & BST_FOCUS) ? ODS_FOCUS : 0;
        }
        dis.itemState |= (style & WS_DISABLED) ? ODS_DISABLED : 0;
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        dis.rcItem = client;
        SendMessageW(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    } else {
        const UINT query = ownerDrawType == ODT_BUTTON   ? WM_CTLCOLORBTN
                           : ownerDrawType == ODT_STATIC ? WM_CTLCOLORSTATIC
                                                         : WM_CTLCOLOREDIT;
        SetTextColor(dc, RGB(0, 0, 0));
        auto brush = reinterpret_cast<HBRUSH>(parent ? SendMessageW(parent, query,
                                                                    reinterpret_cast<WPARAM>(dc),
                                                                    reinterpret_cast<LPARAM>(hwnd))
                                                     : 0);
        if (!brush) {
            brush = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        }
        FillRect(dc, &client, brush);
        auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = font ? SelectObject(dc, ToGdiObj(font)) : nullptr;
        const int length = GetWindowTextLengthW(hwnd);
        if (length > 0) {
            std::u16string text(static_cast<size_t>(length) + 1, u'\0');
            GetWindowTextW(hwnd, text.data(), length + 1);
            SetBkMode(dc, TRANSPARENT);
            UINT format = DT_SINGLELINE | DT_VCENTER;
            if (ownerDrawType == ODT_BUTTON) {
                format |= DT_CENTER;
            } else if (ownerDrawType == ODT_STATIC && (style & SS_TYPEMASK) == SS_CENTER) {
                format |= DT_CENTER;
            } else if (ownerDrawType == ODT_STATIC && (style & SS_TYPEMASK) == SS_RIGHT) {
                format |= DT_RIGHT;
            }
            DrawTextW(dc, text.c_str(), length, &client, format);
        }
        if (oldFont) {
            SelectObject(dc, oldFont);
        }
    }
    EndPaint(hwnd, &ps);
    return 0;
}

void platform::PaintNonClient(HWND hwnd) {
    // The frame and caption colours of every captioned window: the skin's dark blue, white
    // title text.
    constexpr COLORREF kFrame = RGB(0x2F, 0x3E, 0x52);
    constexpr COLORREF kTitle = RGB(0xFF, 0xFF, 0xFF);
    if (!wm::HasCaption(hwnd)) {
        return;
    }
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    // The client area in window coordinates: everything around it is frame and caption.
    const RECT inner{origin.x - window.left, origin.y - window.top,
                     origin.x - window.left + client.right, origin.y - window.top + client.bottom};
    HDC dc = GetWindowDC(hwnd);
    if (!dc) {
        return;
    }
    HBRUSH frame = CreateSolidBrush(kFrame);
    const RECT bands[] = {{0, 0, width, inner.top},
                          {0, inner.bottom, width, height},
                          {0, inner.top, inner.left, inner.bottom},
                          {inner.right, inner.top, width, inner.bottom}};
    for (const RECT& band : bands) {
        if (band.right > band.left && band.bottom > band.top) {
            FillRect(dc, &band, frame);
        }
    }
    DeleteObject(frame);
    const int length = GetWindowTextLengthW(hwnd);
    if (length > 0) {
        std::u16string title(static_cast<size_t>(length) + 1, u'\0');
        GetWindowTextW(hwnd, title.data(), length + 1);
        RECT bar{inner.left + 6, 0, inner.right - 6, inner.top};
        HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kTitle);
        DrawTextW(dc, title.c_str(), length, &bar,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, oldFont);
    }
    ReleaseDC(hwnd, dc);
}
