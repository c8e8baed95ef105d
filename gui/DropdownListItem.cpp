#include "gui/DropdownListItem.h"

#include "gui/LangTable.h"
#include "gui/ListPanel.h"
#include "gui/ListPanelItem.h"
#include "gui/MemDC.h"
#include "gui/SkinText.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"

CDropdownListItem::CDropdownListItem() {
    type = GUIITEM_DROPDOWNLIST;
}

BOOL CDropdownListItem::Create(const RECT& fieldRect, CWnd* parentWnd, UINT controlId,
                               int dropHeight) {
    listHeight = dropHeight;
    listRect = fieldRect;
    if (!CStatic::Create(u"", WS_CHILD | WS_VISIBLE | SS_NOTIFY, fieldRect, parentWnd, controlId)) {
        return FALSE;
    }
    hwnd = m_hWnd;
    parent = parentWnd;
    return TRUE;
}

int CDropdownListItem::AddString(const WCHAR* text, CListPanelItem* subList) {
    entries.push_back(DropdownEntry{CString(text != nullptr ? text : u""), subList});
    return GetCount() - 1;
}

bool CDropdownListItem::InsertString(int index, const WCHAR* text) {
    if (index < 0 || index > GetCount()) {
        return false;
    }
    entries.insert(entries.begin() + index,
                   DropdownEntry{CString(text != nullptr ? text : u""), nullptr});
    return true;
}

CString CDropdownListItem::GetText(int index) const {
    if (index < 0 || index >= GetCount()) {
        return CString();
    }
    return entries[static_cast<size_t>(index)].text;
}

int CDropdownListItem::FindString(const LVFINDINFOW* findInfo) const {
    if (findInfo == nullptr || (findInfo->flags & LVFI_STRING) == 0 || findInfo->psz == nullptr) {
        return -1;
    }
    for (int i = 0; i < GetCount(); ++i) {
        if (entries[static_cast<size_t>(i)].text == findInfo->psz) {
            return i;
        }
    }
    return -1;
}

int CDropdownListItem::GetCurSel() const {
    if (currentText.IsEmpty()) {
        return -1;
    }
    for (int i = 0; i < GetCount(); ++i) {
        if (entries[static_cast<size_t>(i)].text == currentText) {
            return i;
        }
    }
    return -1;
}

int CDropdownListItem::GetCurSelAndSubText(CString& subText) const {
    const int index = GetCurSel();
    if (index >= 0 && !currentSubText.IsEmpty()) {
        subText = currentSubText;
    }
    return index;
}

int CDropdownListItem::SetCurSel(int index, const WCHAR* subText) {
    if (index < 0 || index >= GetCount()) {
        return 0;
    }
    currentSubText.Empty();
    if (subText != nullptr) {
        currentSubText = subText;
    }
    currentText = entries[static_cast<size_t>(index)].text;
    if (m_hWnd != nullptr) {
        Invalidate();
    }
    return 1;
}

CString CDropdownListItem::DisplayText() const {
    CString text = TranslateText(currentText.GetString());
    if (!currentSubText.IsEmpty()) {
        text += u": ";
        text += currentSubText;
    }
    return text;
}

void CDropdownListItem::OnPaint() {
    CPaintDC dc(this);
    RECT client{};
    GetClientRect(&client);
    dc.SetBkMode(TRANSPARENT);
    dc.FillSolidRect(&client, disabled ? disabledBackgroundColor : backgroundColor);

    // The border; while the list is open its bottom edge stays open towards the list.
    {
        CPen pen;
        pen.CreatePen(PS_SOLID, borderWidth, disabled ? disabledBorderColor : borderColor);
        CPen* oldPen = dc.SelectObject(&pen);
        const int r = client.right - borderWidth;
        const int b = client.bottom - borderWidth;
        dc.MoveTo(client.left, b);
        dc.LineTo(client.left, client.top);
        dc.LineTo(r, client.top);
        if (open) {
            dc.LineTo(r, b + 1);
            if (id == kGlobalMacroListId) {
                dc.MoveTo(r, b);
                dc.LineTo(client.left, b);
            }
        } else {
            dc.LineTo(r, b);
            dc.LineTo(client.left, b);
        }
        dc.SelectObject(oldPen);
    }

    const int height = client.bottom - client.top;
    const COLORREF text = SkinTextColor(textColor);

    // The text, left of the arrow's square, inside the border.
    RECT textRect{client.left + 2 + borderWidth, client.top + borderWidth,
                  client.top + client.right - client.bottom - borderWidth,
                  client.bottom - borderWidth};
    if (textRect.right > textRect.left && textRect.bottom > textRect.top) {
        CFont fallback;
        CFont* useFont = font;
        if (useFont == nullptr && CreateFallbackFont(fallback)) {
            useFont = &fallback;
        }
        CMemDC memDC(&dc, &textRect);
        memDC.SetBkMode(TRANSPARENT);
        memDC.SetTextColor(text);
        CFont* oldFont = useFont != nullptr ? memDC.SelectObject(useFont) : nullptr;
        const CString shown = DisplayText();
        RECT drawRect = textRect;
        // A text longer than the field (a long macro or profile name after the entry) ends in
        // an ellipsis rather than being cut off.
        memDC.DrawText(shown, &drawRect,
                       DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (oldFont != nullptr) {
            memDC.SelectObject(oldFont);
        }
    }

    // The arrow: a small downward triangle centred in the square at the right end.
    CPen arrowPen;
    arrowPen.CreatePen(PS_SOLID, 1, text);
    CPen* oldPen = dc.SelectObject(&arrowPen);
    const int squareLeft = client.right - height;
    const int x0 = squareLeft + (height - 9) / 2;
    const int y0 = (height - 5) / 2;
    for (int i = 0; i < 5; ++i) {
        dc.MoveTo(x0 + i, y0 + i);
        dc.LineTo(x0 + i + 9 - 2 * i, y0 + i);
    }
    dc.SelectObject(oldPen);
}

void CDropdownListItem::OnLButtonDown(UINT, CPoint) {
    if (disabled) {
        return;
    }
    const HWND self = m_hWnd;
    CWnd* parentWnd = GetParent();
    if (parentWnd != nullptr) {
        parentWnd->SendMessage(WM_DROPDOWN_OPENING, 0, reinterpret_cast<LPARAM>(self));
        if (!::IsWindow(self)) {
            return; // the owner closed the page while refilling
        }
    }
    const int result = RunList();
    if (result >= 0) {
        ApplyChoice(result);
    }
}

void CDropdownListItem::OnLButtonDblClk(UINT flags, CPoint point) {
    CStatic::OnLButtonDblClk(flags, point);
}

int CDropdownListItem::RunList() {
    RECT client{};
    GetClientRect(&client);
    ClientToScreen(&client);
    listRect = RECT{client.left, client.bottom, client.right, client.bottom + listHeight};

    // The panel works on a copy, so that whatever the owner does to the entries while the
    // list runs cannot pull them from under it; the answer is checked against them later.
    const DropdownEntryList shown = entries;
    CListPanel panel(GetParent(), CListPanel::DefaultTemplateId(), sorted != 0, &shown, listRect);
    panel.font = font;
    panel.textColor = textColor;
    panel.hoverTextColor = hoverTextColor;
    panel.backgroundColor = backgroundColor;
    panel.hoverBackgroundColor = hoverBackgroundColor;
    panel.borderColor = borderColor;
    panel.borderWidth = borderWidth;
    if (scrollBarWidth != 0) {
        panel.scrollThumb = scrollThumb;
        panel.scrollTop = scrollTop;
        panel.scrollBottom = scrollBottom;
        panel.scrollArrowUp = scrollArrowUp;
        panel.scrollArrowDown = scrollArrowDown;
        panel.scrollSpin = scrollSpin;
        panel.scrollBarWidth = scrollBarWidth;
    }
    panel.currentEntry = GetCurSel();

    const HWND self = m_hWnd;
    open = 1;
    Invalidate();
    const int result = static_cast<int>(panel.DoModal());
    if (!::IsWindow(self)) {
        return -1;
    }
    open = 0;
    Invalidate();
    if (result < 0 || result >= static_cast<int>(shown.size())) {
        return -1;
    }
    // The entries may have changed while the list ran: the choice only stands when the same
    // entry is still there.
    if (result >= GetCount() ||
        entries[static_cast<size_t>(result)].text != shown[static_cast<size_t>(result)].text) {
        return -1;
    }
    return result;
}

bool CDropdownListItem::ApplyChoice(int index) {
    CListPanelItem* subList = entries[static_cast<size_t>(index)].subList;
    if (subList != nullptr) {
        const int subIndex = subList->FindCurrentEntry();
        if (subIndex < 0) {
            return false; // no second-level choice: nothing applied, nobody told
        }
        const CString subText = subList->GetEntryText(subIndex);
        SetCurSel(index, subText.GetString());
    } else {
        SetCurSel(index, nullptr);
    }
    CWnd* parentWnd = GetParent();
    if (parentWnd != nullptr) {
        parentWnd->SendMessage(WM_DROPDOWN_SELECT, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(m_hWnd));
    }
    return true;
}
