#include "gui/ListPanelList.h"

#include "gui/LangTable.h"
#include "gui/ListPanel.h"
#include "gui/ListPanelItem.h"
#include "gui/MemDC.h"
#include "gui/WidgetMessages.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/ScrollBar.h"

#include <algorithm>
#include <cstdlib>

CListPanelList::~CListPanelList() {
    scrollBar.reset();
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CListPanelList::CreateList(CListPanel* owner, const DropdownEntryList* entryList,
                                bool sortedRows, int left, int top, int right, int bottom) {
    panel = owner;
    m_entries = entryList;
    sorted = sortedRows;
    hoverRow = -1;
    subChoice = -1;
    pressed = false;
    rowHeight = kDefaultRowHeight;

    const int barWidth = std::max(panel->scrollBarWidth, 0);
    DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_NOCOLUMNHEADER;
    if (barWidth == 0) {
        style |= LVS_NOSCROLL;
    }
    if (!Create(style, RECT{left, top, right - barWidth, bottom}, panel, 0)) {
        return FALSE;
    }
    InitializeFlatSB(m_hWnd);
    FlatSB_EnableScrollBar(m_hWnd, SB_BOTH, ESB_DISABLE_BOTH);

    if (panel->font != nullptr) {
        SetFont(panel->font);
    }
    SetTextColor(panel->textColor);
    InsertColumn(0, u"", LVCFMT_LEFT, right - barWidth - left - panel->borderWidth);
    rowHeight = RowHeightFor(panel->font);

    if (barWidth > 0) {
        scrollBar = std::make_unique<CVScrollBar>(barWidth, this);
        if (scrollBar->Create(u"", WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                              RECT{right - barWidth, top, right, bottom}, panel, 0xFFFF)) {
            scrollBar->backgroundColor = panel->backgroundColor;
            scrollBar->borderColor = panel->borderColor;
            scrollBar->borderWidth = panel->borderWidth;
            scrollBar->SetBitmaps(panel->scrollTop, panel->scrollBottom, panel->scrollArrowUp,
                                  panel->scrollArrowDown, panel->scrollSpin, panel->scrollThumb);
        } else {
            scrollBar.reset();
        }
    }
    FillItems(this, m_entries);
    RefreshScrollBar();
    // The row under a resting pointer is highlighted from the start.
    ::GetCursorPos(&m_lastPointer);
    POINT inList = m_lastPointer;
    ScreenToClient(&inList);
    SetHoverRow(RowAt(CPoint(inList.x, inList.y)));
    SetFocus();
    SetCapture();
    return TRUE;
}

void CListPanelList::FillItems(CListCtrl* list, const DropdownEntryList* entryList) {
    if (list == nullptr) {
        return;
    }
    list->DeleteAllItems();
    if (entryList == nullptr) {
        return;
    }
    for (size_t i = 0; i < entryList->size(); ++i) {
        const int row = static_cast<int>(i);
        list->InsertItem(row, (*entryList)[i].text.GetString());
        list->SetItemData(row, i);
    }
    if (sorted) {
        list->SortItems(&CListPanelList::CompareItemText, reinterpret_cast<DWORD_PTR>(entryList));
    }
}

int CListPanelList::CompareItemText(LPARAM first, LPARAM second, LPARAM entryList) {
    const auto* entries = reinterpret_cast<const DropdownEntryList*>(entryList);
    const auto a = static_cast<size_t>(first);
    const auto b = static_cast<size_t>(second);
    if (entries == nullptr || a >= entries->size() || b >= entries->size()) {
        return 0;
    }
    return wcsicmp((*entries)[a].text.GetString(), (*entries)[b].text.GetString());
}

int CListPanelList::RowHeightFor(CFont* font) {
    LOGFONTW logFont;
    if (font != nullptr && font->GetLogFont(&logFont) != 0) {
        return std::abs(static_cast<int>(logFont.lfHeight)) + 1;
    }
    return kDefaultRowHeight;
}

int CListPanelList::RowId(int row) const {
    if (row < 0 || row >= GetItemCount()) {
        return -1;
    }
    return static_cast<int>(GetItemData(row));
}

bool CListPanelList::ForwardToScrollBar(UINT message, UINT flags, CPoint point) {
    if (scrollBar == nullptr || scrollBar->m_hWnd == nullptr) {
        return false;
    }
    RECT client{};
    GetClientRect(&client);
    if (point.x < client.right || point.x >= client.right + scrollBar->barWidth ||
        point.y < client.top || point.y >= client.bottom) {
        return false;
    }
    scrollBar->PostMessage(
        message, flags,
        MAKELPARAM(static_cast<WORD>(point.x - client.right), static_cast<WORD>(point.y)));
    return true;
}

void CListPanelList::RefreshScrollBar() {
    if (scrollBar != nullptr) {
        scrollBar->Update();
    }
}

int CListPanelList::RowAt(CPoint point) const {
    // Only rows in view count: the capture brings points from all over the screen, and rows
    // scrolled out of view must not be chosen by a click outside the list.
    RECT client{};
    GetClientRect(&client);
    if (point.x < client.left || point.x >= client.right || point.y < client.top ||
        point.y >= client.bottom) {
        return -1;
    }
    int found = -1;
    for (int row = 0; row < GetItemCount(); ++row) {
        RECT r{};
        if (GetItemRect(row, &r, LVIR_BOUNDS) && point.x >= r.left && point.x < r.right &&
            point.y >= r.top && point.y < r.bottom) {
            found = row;
        }
    }
    return found;
}

void CListPanelList::SetHoverRow(int row) {
    if (row == hoverRow) {
        return;
    }
    hoverRow = row;
    SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    Invalidate();
}

void CListPanelList::HoverAtCursor() {
    if (pressed) {
        return;
    }
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    RECT client{};
    GetClientRect(&client);
    if (cursor.x < client.left || cursor.x >= client.right || cursor.y < client.top ||
        cursor.y >= client.bottom) {
        return; // the pointer is elsewhere: the row the keys chose stays chosen
    }
    SetHoverRow(RowAt(CPoint(cursor.x, cursor.y)));
}

void CListPanelList::ShowEntry(int entry) {
    for (int row = 0; row < GetItemCount(); ++row) {
        if (RowId(row) == entry) {
            SetHoverRow(row);
            EnsureVisible(row, FALSE);
            RefreshScrollBar();
            return;
        }
    }
}

void CListPanelList::OnMouseMove(UINT flags, CPoint point) {
    if (ForwardToScrollBar(WM_MOUSEMOVE, flags, point) || pressed) {
        return;
    }
    // A move report without a move (a window appearing or grabbing under a resting pointer)
    // keeps the row the keys or the opening chose.
    POINT screen{point.x, point.y};
    ClientToScreen(&screen);
    if (screen.x == m_lastPointer.x && screen.y == m_lastPointer.y) {
        return;
    }
    m_lastPointer = screen;
    SetHoverRow(RowAt(point));
}

void CListPanelList::OnLButtonDown(UINT flags, CPoint point) {
    if (ForwardToScrollBar(WM_LBUTTONDOWN, flags, point)) {
        return;
    }
    if (!pressed) {
        // The row under the press, also when the rows moved under a resting pointer.
        SetHoverRow(RowAt(point));
    }
    ChooseHoverRow();
}

void CListPanelList::ChooseHoverRow() {
    if (pressed) {
        return;
    }
    const int id = RowId(hoverRow);
    if (id >= 0 && m_entries != nullptr && static_cast<size_t>(id) < m_entries->size()) {
        CListPanelItem* set = (*m_entries)[static_cast<size_t>(id)].subList;
        if (set != nullptr && set->GetCount() > 0) {
            RECT row{};
            GetItemRect(hoverRow, &row, LVIR_BOUNDS);
            CPoint corner(row.right, row.top);
            ClientToScreen(&corner);
            const int rows = std::min(set->GetCount(), kMaxSubListRows);
            // The rows and the frame's bottom edge: every row of a short list shows whole.
            const RECT subRect{corner.x, corner.y, corner.x + set->width,
                               corner.y + rowHeight * rows + std::max(set->borderWidth, 0)};
            subChoice = CListPanel::RunForItem(*set, panel, subRect);
            if (subChoice >= 0) {
                set->SelectEntry(subChoice);
            } else {
                // The second-level list was cancelled (Escape, a click outside, closed): the
                // row is not chosen either, so nothing chosen earlier in that list applies.
                hoverRow = -1;
            }
        }
    }
    pressed = true;
    SetTimer(kCloseTimer, kCloseDelayMs);
}

void CListPanelList::OnLButtonUp(UINT flags, CPoint point) {
    ForwardToScrollBar(WM_LBUTTONUP, flags, point);
}

void CListPanelList::OnRButtonDown(UINT, CPoint) {
    hoverRow = -1;
    subChoice = -1;
    SetTimer(kCloseTimer, kCloseDelayMs);
}

void CListPanelList::OnTimer(UINT_PTR id) {
    if (id != kCloseTimer) {
        CListCtrl::OnTimer(id);
        return;
    }
    pressed = false;
    KillTimer(kCloseTimer);
    if (panel != nullptr) {
        panel->PostMessage(WM_LISTPANEL_SELECT, static_cast<WPARAM>(subChoice),
                           static_cast<LPARAM>(RowId(hoverRow)));
    }
}

void CListPanelList::OnKillFocus(CWnd* newWnd) {
    const int id = RowId(hoverRow);
    if (id >= 0 && m_entries != nullptr && static_cast<size_t>(id) < m_entries->size() &&
        (*m_entries)[static_cast<size_t>(id)].subList != nullptr) {
        return; // the second-level list took the focus
    }
    hoverRow = -1;
    subChoice = -1;
    if (panel != nullptr) {
        panel->PostMessage(WM_LISTPANEL_SELECT, 0, -1);
    }
    CListCtrl::OnKillFocus(newWnd);
}

BOOL CListPanelList::OnMouseWheel(UINT flags, short delta, CPoint point) {
    if (scrollBar == nullptr) {
        const BOOL handled = CListCtrl::OnMouseWheel(flags, delta, point);
        HoverAtCursor();
        return handled;
    }
    RefreshScrollBar();
    const int notches = delta / WHEEL_DELTA;
    const UINT code = notches > 0 ? SB_LINEUP : SB_LINEDOWN;
    for (int i = 0; i < std::abs(notches); ++i) {
        PostMessage(WM_VSCROLL, code, 0);
    }
    return TRUE;
}

void CListPanelList::OnKeyDown(UINT ch, UINT repeat, UINT flags) {
    RefreshScrollBar();
    if (ch == VK_RIGHT || pressed) {
        return;
    }
    CListCtrl::OnKeyDown(ch, repeat, flags); // from the highlighted row, the list's selection
    // The row the keys moved to is the highlighted one, and the bar follows the rows.
    const int selected = GetNextItem(-1, LVNI_SELECTED);
    if (selected >= 0) {
        SetHoverRow(selected);
    }
    RefreshScrollBar();
}

void CListPanelList::OnKeyUp(UINT ch, UINT repeat, UINT flags) {
    RefreshScrollBar();
    if (ch == VK_RIGHT) {
        return;
    }
    CListCtrl::OnKeyUp(ch, repeat, flags);
}

BOOL CListPanelList::OnEraseBkgnd(CDC*) {
    RefreshScrollBar();
    return TRUE;
}

void CListPanelList::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) {
    ModifyStyle(WS_HSCROLL | WS_VSCROLL, 0);
}

BOOL CListPanelList::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_VSCROLL) {
        const BOOL handled = CListCtrl::OnWndMsg(message, wParam, lParam, result);
        HoverAtCursor();
        return handled;
    }
    if (message == WM_LIST_SCROLLROWS) {
        const auto rows = static_cast<int>(static_cast<LONG_PTR>(wParam));
        Scroll(CSize(0, rows * rowHeight));
        Invalidate();
        if (result != nullptr) {
            *result = 0;
        }
        return TRUE;
    }
    return CListCtrl::OnWndMsg(message, wParam, lParam, result);
}

void CListPanelList::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
    if (measureItem != nullptr) {
        measureItem->itemHeight = 18;
    }
}

BOOL CListPanelList::OnNotifyReflect(NMHDR* header, LRESULT* result) {
    if (header == nullptr || header->code != NM_CUSTOMDRAW) {
        return CListCtrl::OnNotifyReflect(header, result);
    }
    *result = CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    return TRUE;
}

LRESULT CListPanelList::CustomDraw(NMLVCUSTOMDRAW* draw) {
    CDC dc;
    dc.Attach(draw->nmcd.hdc);
    LRESULT answer = CDRF_DODEFAULT;
    const int border = panel->borderWidth;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        if (scrollBar != nullptr) {
            RECT client{};
            GetClientRect(&client);
            dc.FillSolidRect(client.left, client.top, client.right - client.left - border,
                             client.bottom - client.top, panel->backgroundColor);
            dc.FillSolidRect(client.right - border, client.top, border, client.bottom - client.top,
                             panel->borderColor);
        }
        answer = CDRF_NOTIFYITEMDRAW;
    } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto row = static_cast<int>(draw->nmcd.dwItemSpec);
        const bool highlighted = row == hoverRow || (GetItemState(row, LVIS_SELECTED) != 0);
        const COLORREF text = highlighted ? panel->hoverTextColor : panel->textColor;
        const COLORREF back = highlighted ? panel->hoverBackgroundColor : panel->backgroundColor;
        RECT r = draw->nmcd.rc;
        r.top += 1;
        r.bottom += 1;
        r.left += 2 * border;
        {
            CMemDC mem(&dc, &r);
            mem.FillSolidRect(&r, back);
            CFont* old = panel->font != nullptr ? mem.SelectObject(panel->font) : nullptr;
            mem.SetBkMode(TRANSPARENT);
            mem.SetTextColor(text);
            const CString shown = TranslateText(GetItemText(row, 0).GetString());
            mem.DrawText(shown.GetString(), -1, &r,
                         DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            if (old != nullptr) {
                mem.SelectObject(old);
            }
        }
        answer = CDRF_SKIPDEFAULT;
    }
    dc.Detach();
    return answer;
}
