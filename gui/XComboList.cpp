#include "gui/XComboList.h"

#include "gui/WidgetMessages.h"
#include "gui/XListCtrl.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/ScrollBar.h"

#include <algorithm>
#include <cstdlib>

CXComboList::CXComboList(CXListCtrl* ownerList) : owner(ownerList) {}

CXComboList::~CXComboList() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CXComboList::CreatePopup(const RECT& rect, CWnd* parentWnd) {
    return CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL, rect.left,
                    rect.top, rect.right - rect.left, rect.bottom - rect.top,
                    parentWnd != nullptr ? parentWnd->GetSafeHwnd() : nullptr, nullptr);
}

int CXComboList::OnCreate(LPCREATESTRUCTW cs) {
    if (CWnd::OnCreate(cs) == -1) {
        return -1;
    }
    RECT client{};
    GetClientRect(&client);
    if (!list.Create(WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT, client, this, 0)) {
        return -1;
    }
    if (owner != nullptr && owner->GetSafeHwnd() != nullptr) {
        list.SendMessage(WM_SETFONT, static_cast<WPARAM>(owner->SendMessage(WM_GETFONT)), 0);
    }
    return 0;
}

void CXComboList::OnDestroy() {
    if (list.GetSafeHwnd() != nullptr) {
        list.DestroyWindow();
    }
    CWnd::OnDestroy();
}

void CXComboList::Tell(UINT message) {
    if (owner != nullptr && owner->GetSafeHwnd() != nullptr && message != 0) {
        owner->SendMessage(message, 0, 0);
    }
}

void CXComboList::OnKillFocus(CWnd* newWnd) {
    CWnd::OnKillFocus(newWnd);
    if (++focusLosses >= 3) {
        Tell(WM_XCOMBOLIST_VK_ESCAPE);
    }
}

int CXComboList::PageEntries() const {
    RECT client{};
    list.GetClientRect(&client);
    return std::max(1, static_cast<int>(client.bottom - client.top) /
                           std::max(1, list.GetItemHeight()));
}

void CXComboList::ShowList() {
    list.SetFocus();
    const int count = list.GetCount();
    const int itemHeight = std::max(1, list.GetItemHeight());
    if (!shown) {
        shown = true;
        RECT window{};
        GetWindowRect(&window);
        const int entries = std::max(1, (window.bottom - window.top - 4) / itemHeight);
        const int height = std::min(entries, std::max(count, 1)) * itemHeight + 4;
        MoveWindow(window.left, window.top, window.right - window.left, height);
        RECT client{};
        GetClientRect(&client);
        list.MoveWindow(client.left + 1, client.top + 1,
                        client.right - client.left - 2 - kScrollBarWidth,
                        client.bottom - client.top - 2);
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = 0;
        info.nMax = std::max(0, count - 1);
        info.nPage = static_cast<UINT>(PageEntries());
        info.nPos = std::max(0, list.GetCurSel());
        ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
        list.SetTopIndex(std::max(0, list.GetCurSel() - 1));
    }
    Invalidate();
}

void CXComboList::OnVScroll(UINT code, UINT pos, CWnd*) {
    list.SendMessage(WM_VSCROLL, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), 0);
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(m_hWnd, SB_VERT, &info);
    int next = info.nPos;
    const int page = std::max(1, static_cast<int>(info.nPage));
    switch (code) {
    case SB_LINEUP:
        --next;
        break;
    case SB_LINEDOWN:
        ++next;
        break;
    case SB_PAGEUP:
        next -= page;
        break;
    case SB_PAGEDOWN:
        next += page;
        break;
    case SB_TOP:
        next = info.nMin;
        break;
    case SB_BOTTOM:
        next = info.nMax;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        next = static_cast<int>(pos);
        break;
    default:
        return;
    }
    SCROLLINFO position;
    position.fMask = SIF_POS;
    position.nPos = std::clamp(next, info.nMin, info.nMax);
    ::SetScrollInfo(m_hWnd, SB_VERT, &position, TRUE);
    Invalidate(FALSE);
}

BOOL CXComboList::OnMouseWheel(UINT, short delta, CPoint) {
    constexpr int kEntriesPerNotch = 3;
    const int lines = delta / WHEEL_DELTA * kEntriesPerNotch;
    for (int i = 0; i < std::abs(lines); ++i) {
        OnVScroll(lines > 0 ? SB_LINEUP : SB_LINEDOWN, 0, nullptr);
    }
    return TRUE;
}

CXComboList::ScrollParts CXComboList::GetScrollParts() const {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ScrollParts parts;
    const LONG left = client.right - 1 - kScrollBarWidth;
    const LONG right = client.right - 1;
    const LONG top = client.top + 1;
    const LONG bottom = client.bottom - 1;
    parts.up = RECT{left, top, right, std::min(bottom, top + kScrollBarWidth)};
    parts.down = RECT{left, std::max(top, bottom - kScrollBarWidth), right, bottom};
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(m_hWnd, SB_VERT, &info);
    const int entries = std::max(1, info.nMax - info.nMin + 1);
    const int page = std::clamp(static_cast<int>(info.nPage), 1, entries);
    const auto track = static_cast<int>(parts.down.top - parts.up.bottom);
    const int length = std::max(4, track * page / entries);
    const int span = std::max(1, entries - page);
    const int offset = (track - length) * std::clamp(info.nPos - info.nMin, 0, span) / span;
    parts.thumb = RECT{left, parts.up.bottom + offset, right, parts.up.bottom + offset + length};
    return parts;
}

void CXComboList::OnPaint() {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const COLORREF back = owner != nullptr ? owner->backgroundColor : RGB(0, 0, 0);
    const COLORREF fore = owner != nullptr ? owner->textColor : RGB(255, 255, 255);
    const ScrollParts parts = GetScrollParts();
    const RECT strip{parts.up.left, parts.up.top, parts.down.right, parts.down.bottom};
    HBRUSH track = ::CreateSolidBrush(back);
    ::FillRect(dc, &strip, track);
    ::DeleteObject(track);
    HBRUSH frame = ::CreateSolidBrush(fore);
    ::FrameRect(dc, &parts.up, frame);
    ::FrameRect(dc, &parts.down, frame);
    ::FillRect(dc, &parts.thumb, frame);
    ::DeleteObject(frame);
    // Small triangles in the arrow squares: up, then down.
    HPEN pen = ::CreatePen(PS_SOLID, 1, fore);
    HGDIOBJ oldPen = ::SelectObject(dc, ToGdiObj(pen));
    const int cx = static_cast<int>(parts.up.left + parts.up.right) / 2;
    for (int i = 0; i < 3; ++i) {
        const int upY = static_cast<int>(parts.up.top) + 4 + i;
        ::MoveToEx(dc, cx - i, upY, nullptr);
        ::LineTo(dc, cx + i + 1, upY);
        const int downY = static_cast<int>(parts.down.bottom) - 5 - i;
        ::MoveToEx(dc, cx - i, downY, nullptr);
        ::LineTo(dc, cx + i + 1, downY);
    }
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    ::EndPaint(m_hWnd, &ps);
}

void CXComboList::OnLButtonDown(UINT flags, CPoint point) {
    const ScrollParts parts = GetScrollParts();
    const auto inside = [&point](const RECT& r) {
        return point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
    };
    const RECT strip{parts.up.left, parts.up.top, parts.down.right, parts.down.bottom};
    if (!inside(strip)) {
        CWnd::OnLButtonDown(flags, point);
        return;
    }
    if (inside(parts.thumb)) {
        m_dragging = true;
        m_grabOffset = static_cast<int>(point.y - parts.thumb.top);
        SetCapture();
    } else if (inside(parts.up)) {
        OnVScroll(SB_LINEUP, 0, nullptr);
    } else if (inside(parts.down)) {
        OnVScroll(SB_LINEDOWN, 0, nullptr);
    } else if (point.y < parts.thumb.top) {
        OnVScroll(SB_PAGEUP, 0, nullptr);
    } else if (point.y >= parts.thumb.bottom) {
        OnVScroll(SB_PAGEDOWN, 0, nullptr);
    }
    list.SetFocus();
}

void CXComboList::OnMouseMove(UINT flags, CPoint point) {
    if (!m_dragging || (flags & MK_LBUTTON) == 0) {
        CWnd::OnMouseMove(flags, point);
        return;
    }
    const ScrollParts parts = GetScrollParts();
    const int length = static_cast<int>(parts.thumb.bottom - parts.thumb.top);
    const int travel = static_cast<int>(parts.down.top - parts.up.bottom) - length;
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(m_hWnd, SB_VERT, &info);
    const int entries = std::max(1, info.nMax - info.nMin + 1);
    const int span = entries - std::clamp(static_cast<int>(info.nPage), 1, entries);
    if (travel <= 0 || span <= 0) {
        return; // everything shows: nothing to scroll
    }
    // The thumb's top under the mouse, held in the track, as a position: the nearest entry.
    const int top =
        std::clamp(static_cast<int>(point.y) - m_grabOffset, static_cast<int>(parts.up.bottom),
                   static_cast<int>(parts.up.bottom) + travel);
    const int offset = top - static_cast<int>(parts.up.bottom);
    const int target = info.nMin + (offset * span + travel / 2) / travel;
    if (target != info.nPos) {
        OnVScroll(SB_THUMBTRACK, static_cast<UINT>(target), nullptr);
    }
}

void CXComboList::OnLButtonUp(UINT flags, CPoint point) {
    if (m_dragging) {
        m_dragging = false;
        ::ReleaseCapture();
        return;
    }
    CWnd::OnLButtonUp(flags, point);
}

void CXComboList::OnCaptureChanged(CWnd* wnd) {
    m_dragging = false;
    CWnd::OnCaptureChanged(wnd);
}

void CXComboList::MoveTo(int index) {
    const int count = list.GetCount();
    if (count <= 0) {
        return;
    }
    const int current = std::clamp(index, 0, count - 1);
    list.SetCurSel(current);
    // The new entry is brought into view, and the scroll bar follows the list.
    const int page = PageEntries();
    const int top = list.GetTopIndex();
    if (current < top || current >= top + page) {
        const int newTop = std::max(0, current < top ? current : current - page + 1);
        list.SetTopIndex(newTop);
        SCROLLINFO position;
        position.fMask = SIF_POS;
        position.nPos = newTop;
        ::SetScrollInfo(m_hWnd, SB_VERT, &position, TRUE);
        Invalidate(FALSE);
    }
    Tell(WM_XCOMBOLIST_KEYDOWN);
}

BOOL CXComboList::PreTranslateMessage(MSG* msg) {
    if (msg == nullptr) {
        return FALSE;
    }
    if (msg->message == WM_LBUTTONUP && msg->hwnd == list.GetSafeHwnd()) {
        Tell(WM_XCOMBOLIST_LBUTTONUP);
        return FALSE;
    }
    if (msg->message != WM_KEYDOWN) {
        return CWnd::PreTranslateMessage(msg);
    }
    const int current = list.GetCurSel();
    const auto key = static_cast<int>(msg->wParam);
    switch (key) {
    case VK_RETURN:
        Tell(WM_XCOMBOLIST_VK_RETURN);
        return TRUE;
    case VK_ESCAPE:
        Tell(WM_XCOMBOLIST_VK_ESCAPE);
        return TRUE;
    case VK_PRIOR:
        MoveTo(current - PageEntries());
        return TRUE;
    case VK_NEXT:
        MoveTo(current + PageEntries());
        return TRUE;
    case VK_HOME:
        MoveTo(0);
        return TRUE;
    case VK_END:
        MoveTo(list.GetCount() - 1);
        return TRUE;
    case VK_UP:
        MoveTo(current - 1);
        return TRUE;
    case VK_DOWN:
        MoveTo(current + 1);
        return TRUE;
    default:
        break;
    }
    if (key >= 'A' && key <= 'Z') {
        const WCHAR letter[2] = {static_cast<WCHAR>(key), 0};
        const int found = list.FindString(current, letter);
        if (found >= 0) {
            MoveTo(found);
        }
        return TRUE;
    }
    return CWnd::PreTranslateMessage(msg);
}
