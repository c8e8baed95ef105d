#include "gui/ListPanel.h"

#include "gui/ListPanelItem.h"
#include "gui/ListPanelList.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"
#include "platform/gdi/Gdi.h"

CListPanel::CListPanel(CWnd* parentWnd, UINT dialogTemplateId, bool sortedRows,
                       const DropdownEntryList* entryList, const RECT& screenRect)
    : CPopupBox(parentWnd, screenRect, dialogTemplateId), entries(entryList), sorted(sortedRows) {}

CListPanel::~CListPanel() {
    if (list != nullptr && ::GetCapture() == list->m_hWnd) {
        ::ReleaseCapture();
    }
    list.reset();
}

UINT& CListPanel::DefaultTemplateId() {
    static UINT id = 5;
    return id;
}

int CListPanel::RunForItem(CListPanelItem& item, CWnd* parentWnd, const RECT& screenRect) {
    CListPanel panel(parentWnd, DefaultTemplateId(), item.sorted != 0, &item.entries, screenRect);
    panel.font = item.font;
    panel.textColor = item.textColor;
    panel.hoverTextColor = item.hoverTextColor;
    panel.backgroundColor = item.backgroundColor;
    panel.hoverBackgroundColor = item.hoverBackgroundColor;
    panel.borderColor = item.borderColor;
    panel.borderWidth = item.borderWidth;
    if (item.hasScrollBitmaps) {
        panel.scrollThumb = item.scrollThumb;
        panel.scrollTop = item.scrollTop;
        panel.scrollBottom = item.scrollBottom;
        panel.scrollArrowUp = item.scrollArrowUp;
        panel.scrollArrowDown = item.scrollArrowDown;
        panel.scrollSpin = item.scrollSpin;
        BITMAP thumb{};
        if (item.scrollThumb != nullptr && GetObjectW(item.scrollThumb, sizeof(thumb), &thumb)) {
            panel.scrollBarWidth = thumb.bmWidth;
        }
    }
    return static_cast<int>(panel.DoModal());
}

BOOL CListPanel::OnInitDialog() {
    CPopupBox::OnInitDialog();
    SetWindowPos(nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (entries != nullptr && !entries->empty()) {
        RECT client{};
        GetClientRect(&client);
        client.left += borderWidth;
        client.right -= borderWidth;
        client.bottom -= borderWidth;
        // A scroll bar only where the entries outnumber the rows: a list whose rows all show
        // keeps the strip for its rows (a bar a row or two high cannot even show its arrows).
        const int rowHeight = CListPanelList::RowHeightFor(font);
        if (scrollBarWidth > 0 &&
            static_cast<LONG>(entries->size()) * rowHeight <= client.bottom - client.top) {
            scrollBarWidth = 0;
        }
        list = std::make_unique<CListPanelList>();
        if (!list->CreateList(this, entries, sorted, client.left, client.top, client.right,
                              client.bottom)) {
            list.reset();
        } else if (currentEntry >= 0) {
            list->ShowEntry(currentEntry);
        }
    }
    if (list == nullptr) {
        // Nothing to choose: the first click anywhere ends the panel.
        SetCapture();
    }
    return TRUE;
}

BOOL CListPanel::OnEraseBkgnd(CDC*) {
    return TRUE;
}

void CListPanel::OnPaint() {
    CPaintDC dc(this);
    RECT client{};
    GetClientRect(&client);
    dc.FillSolidRect(&client, backgroundColor);
    CPen pen;
    pen.CreatePen(PS_SOLID, borderWidth, borderColor);
    CPen* old = dc.SelectObject(&pen);
    const int right = client.right - borderWidth;
    const int bottom = client.bottom - borderWidth;
    dc.MoveTo(client.left, client.top);
    dc.LineTo(client.left, bottom);
    dc.LineTo(right, bottom);
    dc.LineTo(right, client.top);
    dc.LineTo(client.left, client.top);
    dc.SelectObject(old);
}

void CListPanel::OnLButtonDown(UINT flags, CPoint point) {
    // With a scroll bar the panel's own border takes clicks that belong to the bar; a panel
    // without a list has nothing else that could end it.
    if (scrollBarWidth == 0 || list == nullptr) {
        EndWith(-1);
    }
    CPopupBox::OnLButtonDown(flags, point);
}

void CListPanel::OnRButtonDown(UINT flags, CPoint point) {
    OnLButtonDown(flags, point);
}

BOOL CListPanel::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_LISTPANEL_SELECT) {
        OnListSelection(wParam, lParam);
        if (result != nullptr) {
            *result = 0;
        }
        return TRUE;
    }
    return CPopupBox::OnWndMsg(message, wParam, lParam, result);
}

void CListPanel::OnOK() {
    if (list != nullptr && list->hoverRow >= 0) {
        list->ChooseHoverRow();
    }
}

void CListPanel::OnCancel() {
    EndWith(-1);
}

void CListPanel::OnListSelection(WPARAM, LPARAM rowId) {
    EndWith(static_cast<INT_PTR>(rowId));
}

void CListPanel::EndWith(INT_PTR result) {
    if (m_ending) {
        return; // a second selection (focus lost while closing) changes nothing
    }
    m_ending = true;
    if (list != nullptr && ::GetCapture() == list->m_hWnd) {
        ::ReleaseCapture();
    }
    list.reset();
    if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
    }
    EndDialog(static_cast<int>(result));
}
