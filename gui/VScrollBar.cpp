#include "gui/VScrollBar.h"

#include "gui/MemDC.h"
#include "gui/SkinResourceCache.h"
#include "platform/framework/CPaintDC.h"
#include "platform/ui/ScrollBar.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

bool Contains(const RECT& r, CPoint p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// trunc(value), with a result out of the int range (or not a number) counting as the lowest
// integer, so that the caller's clamp puts it at the start.
int TruncOrLowest(double value) {
    if (!std::isfinite(value) || value < static_cast<double>(INT_MIN) ||
        value > static_cast<double>(INT_MAX)) {
        return INT_MIN;
    }
    return static_cast<int>(std::trunc(value));
}

} // namespace

ScrollPicture::~ScrollPicture() {
    Release();
}

void ScrollPicture::Release() {
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    bitmap = nullptr;
    width = 0;
    height = 0;
}

void ScrollPicture::CutFrom(HDC dc, HBITMAP source) {
    Release();
    BITMAP info{};
    if (source == nullptr || GetObjectW(source, sizeof(info), &info) == 0) {
        return;
    }
    CopyBitmapSection(bitmap, dc, source, 0, 0, info.bmWidth, info.bmHeight);
    if (bitmap != nullptr) {
        width = info.bmWidth;
        height = info.bmHeight;
    }
}

CVScrollBar::CVScrollBar(int width, CWnd* buddyWnd) : buddy(buddyWnd), barWidth(width) {}

CVScrollBar::~CVScrollBar() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

void CVScrollBar::SetBitmaps(HBITMAP topCap, HBITMAP bottomCap, HBITMAP arrowUp, HBITMAP arrowDown,
                             HBITMAP spine, HBITMAP thumbPicture) {
    HDC screen = ::GetDC(nullptr);
    top.CutFrom(screen, topCap);
    bottom.CutFrom(screen, bottomCap);
    up.CutFrom(screen, arrowUp);
    down.CutFrom(screen, arrowDown);
    spin.CutFrom(screen, spine);
    thumb.CutFrom(screen, thumbPicture);
    ::ReleaseDC(nullptr, screen);
    m_hasPictures = true;
    thumbTop = TravelTop();
}

int CVScrollBar::ClientHeight() const {
    if (m_hWnd == nullptr) {
        return 0;
    }
    RECT client{};
    GetClientRect(&client);
    return client.bottom - client.top;
}

int CVScrollBar::TravelTop() const {
    return top.height + up.height;
}

int CVScrollBar::TravelBottom() const {
    return ClientHeight() - bottom.height - down.height - thumb.height;
}

int CVScrollBar::TravelLength() const {
    return ClientHeight() - thumb.height - down.height - up.height - bottom.height - top.height;
}

RECT CVScrollBar::UpArrowRect() const {
    return RECT{0, top.height, thumb.width, top.height + up.height};
}

RECT CVScrollBar::DownArrowRect() const {
    const int y = ClientHeight() - bottom.height - down.height;
    return RECT{0, y, thumb.width, y + down.height};
}

RECT CVScrollBar::ThumbRect() const {
    return RECT{0, thumbTop, thumb.width, thumbTop + thumb.height};
}

void CVScrollBar::ClampThumb() {
    // A bar too short for its pieces keeps the thumb at the start of the travel.
    thumbTop = std::clamp(thumbTop, TravelTop(), std::max(TravelTop(), TravelBottom()));
}

void CVScrollBar::Post(UINT code) {
    if (buddy != nullptr && buddy->m_hWnd != nullptr) {
        buddy->PostMessage(WM_VSCROLL, code, 0);
    }
}

void CVScrollBar::Update() {
    if (m_hWnd == nullptr || !m_hasPictures) {
        return;
    }
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    if (buddy != nullptr && buddy->m_hWnd != nullptr &&
        ::GetScrollInfo(buddy->m_hWnd, SB_VERT, &info)) {
        const double length = TravelLength();
        const double range = static_cast<double>(info.nMax) - static_cast<double>(info.nPage);
        const int offset = TruncOrLowest(length / range * info.nPos);
        thumbTop = offset == INT_MIN ? INT_MIN : offset + TravelTop();
    }
    ClampThumb();
    DrawNow();
}

void CVScrollBar::OnLButtonDown(UINT flags, CPoint point) {
    SetCapture();
    if (Contains(ThumbRect(), point)) {
        dragging = 1;
    }
    if (Contains(DownArrowRect(), point)) {
        downPressed = 1;
        SetTimer(kDelayTimer, kDelayMs);
    }
    if (Contains(UpArrowRect(), point)) {
        upPressed = 1;
        SetTimer(kDelayTimer, kDelayMs);
    }
    CStatic::OnLButtonDown(flags, point);
}

void CVScrollBar::OnTimer(UINT_PTR id) {
    if (id == kDelayTimer) {
        if (upPressed || downPressed) {
            KillTimer(kDelayTimer);
            SetTimer(kRepeatTimer, kRepeatMs);
        }
    } else if (id == kRepeatTimer) {
        if (downPressed) {
            Post(SB_LINEDOWN);
            Update();
        }
        if (upPressed) {
            Post(SB_LINEUP);
            Update();
        }
    }
    CStatic::OnTimer(id);
}

void CVScrollBar::OnLButtonUp(UINT flags, CPoint point) {
    Update();
    KillTimer(kRepeatTimer);
    KillTimer(kDelayTimer);
    ::ReleaseCapture();
    bool posted = false;
    if (Contains(UpArrowRect(), point) && upPressed) {
        Post(SB_LINEUP);
        Update();
        posted = true;
    }
    if (Contains(DownArrowRect(), point) && downPressed) {
        Post(SB_LINEDOWN);
        Update();
        posted = true;
    }
    // A release that ends a thumb drag is no page click, wherever the mouse went.
    if (!posted && !dragging && !Contains(ThumbRect(), point)) {
        Post(point.y > thumbTop ? SB_PAGEDOWN : SB_PAGEUP);
        Update();
    }
    upPressed = 0;
    downPressed = 0;
    dragging = 0;
    CStatic::OnLButtonUp(flags, point);
    if (buddy != nullptr && buddy->m_hWnd != nullptr) {
        buddy->SetCapture();
    }
}

void CVScrollBar::OnMouseMove(UINT flags, CPoint point) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    if (dragging && (flags & MK_LBUTTON) && buddy != nullptr && buddy->m_hWnd != nullptr &&
        ::GetScrollInfo(buddy->m_hWnd, SB_VERT, &info) &&
        info.nMax >= static_cast<int>(info.nPage)) {
        const int y = std::clamp(static_cast<int>(point.y), 0, std::max(ClientHeight() - 1, 0));
        thumbTop = y - thumb.height / 2;
        ClampThumb();
        const int length = TravelLength();
        const int range = info.nMax - static_cast<int>(info.nPage);
        // A content one row longer than the page leaves no range: the drag reaches the top
        // only; a bar with no travel scrolls nothing.
        int target = info.nPos;
        if (length > 0) {
            target = range == 0 ? 0
                                : TruncOrLowest((thumbTop - TravelTop()) /
                                                (static_cast<double>(length) / range));
        }
        if (target != INT_MIN && target != info.nPos) {
            const UINT code = target < info.nPos ? SB_LINEUP : SB_LINEDOWN;
            const int steps = target < info.nPos ? info.nPos - target : target - info.nPos;
            for (int i = 0; i < steps; ++i) {
                Post(code);
            }
            Update();
        }
        DrawNow();
    }
    CStatic::OnMouseMove(flags, point);
}

void CVScrollBar::OnPaint() {
    CPaintDC dc(this);
    Draw(&dc);
}

void CVScrollBar::DrawNow() {
    if (m_hWnd == nullptr) {
        return;
    }
    CClientDC dc(this);
    Draw(&dc);
}

void CVScrollBar::Draw(CDC* dc) {
    RECT client{};
    GetClientRect(&client);
    CMemDC mem(dc, &client);
    mem.FillSolidRect(&client, backgroundColor);
    CDC pictures;
    if (!pictures.CreateCompatibleDC(dc)) {
        return;
    }
    HGDIOBJ old = nullptr;
    auto blit = [&](const ScrollPicture& picture, int y) {
        if (picture.bitmap == nullptr) {
            return;
        }
        HGDIOBJ previous = pictures.SelectObject(ToGdiObj(picture.bitmap));
        if (old == nullptr) {
            old = previous;
        }
        mem.BitBlt(0, y, thumb.width, picture.height, &pictures, 0, 0, SRCCOPY);
    };
    const int height = client.bottom - client.top;
    blit(top, 0);
    blit(up, top.height);
    if (spin.bitmap != nullptr) {
        for (int y = TravelTop(); y < height; ++y) {
            blit(spin, y);
        }
    }
    blit(down, height - (top.height + up.height));
    blit(bottom, height - (top.height + up.height) + down.height);
    blit(thumb, thumbTop);
    if (old != nullptr) {
        pictures.SelectObject(old);
    }
}
