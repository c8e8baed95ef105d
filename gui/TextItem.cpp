#include "gui/TextItem.h"

#include "gui/BitmapBtn.h"
#include "gui/FontItem.h"
#include "gui/SkinText.h"

CTextItem::CTextItem(const WCHAR* key, int caps) {
    type = GUIITEM_TEXTITEM;
    bool found = false;
    text = LookupSkinText(key, &found);
    // The line break is found before the case change, which would turn "\n" into "\N".
    ReplaceFirstNewline(text);
    if (found) {
        ApplySkinCaps(text, caps);
    }
}

// The skin font is shared by every widget of the skin: its item in the list frees it.
CTextItem::~CTextItem() = default;

void CTextItem::SetFontItem(CFontItem* fontItem) {
    const HGDIOBJ handle = fontItem != nullptr ? fontItem->GetSafeHandle() : nullptr;
    if (m_hWnd != nullptr) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
    }
    font = fontItem;
}

void CTextItem::SetText(const WCHAR* newText) {
    text = LookupSkinText(newText);
    ReplaceFirstNewline(text);
    RedrawParentArea();
}

void CTextItem::RedrawParentArea() {
    CWnd* parentWnd = GetParent();
    if (m_hWnd == nullptr || parentWnd == nullptr) {
        return;
    }
    RECT area{};
    GetClientRect(&area);
    MapWindowPoints(parentWnd, &area);
    parentWnd->InvalidateRect(&area, TRUE);
    parentWnd->UpdateWindow();
}

COLORREF CTextItem::CurrentTextColor() const {
    if (hover && hoverColor != 0) {
        return hoverColor;
    }
    return SkinTextColor(textColor);
}

void CTextItem::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    CDC* dc = CDC::FromHandle(drawItem->hDC);
    CFont fallback;
    CFont* oldFont = nullptr;
    if (font != nullptr && font->GetSafeHandle() != nullptr) {
        oldFont = dc->SelectObject(font);
    } else if (CreateFallbackFont(fallback)) {
        oldFont = dc->SelectObject(&fallback);
    }
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(CurrentTextColor());
    if (textFormat != 0) {
        RECT area{};
        if (rect) {
            area.right = rect->right - rect->left;
            area.bottom = rect->bottom - rect->top;
        } else {
            GetClientRect(&area);
        }
        CString shown = text; // DrawText may be told to modify its string
        dc->DrawText(shown, &area, textFormat);
    } else {
        dc->TextOut(drawItem->rcItem.left + 5, drawItem->rcItem.top + 2, text);
    }
    if (oldFont != nullptr) {
        dc->SelectObject(oldFont);
    }
}

HBRUSH CTextItem::CtlColor(CDC* dc, UINT) {
    dc->SetBkMode(TRANSPARENT);
    return GetStockBrush(NULL_BRUSH);
}

BOOL CTextItem::OnEraseBkgnd(CDC*) {
    return FALSE;
}

void CTextItem::OnMouseMove(UINT flags, CPoint point) {
    CStatic::OnMouseMove(flags, point);
    TrackSkinHover(this, flags, point, hover != 0, [this](bool on) {
        hover = on ? 1 : 0;
        RedrawParentArea();
    });
}

void CTextItem::OnCaptureChanged(CWnd* wnd) {
    if (hover) {
        // Released only while still held: the capture may have gone to the window that
        // just took it, which must keep it.
        if (::GetCapture() == m_hWnd) {
            ::ReleaseCapture();
        }
        RedrawParentArea();
    }
    CStatic::OnCaptureChanged(wnd);
}

void CTextItem::OnLButtonDown(UINT flags, CPoint point) {
    ActivateOwnerWindow(this);
    CStatic::OnLButtonDown(flags, point);
}

void CTextItem::OnLButtonUp(UINT, CPoint) {
    if (checkBox == nullptr) {
        return;
    }
    if (checkBox->toggleOnClick == 1) {
        checkBox->checked = checkBox->checked ? 0 : 1;
        checkBox->Invalidate();
    }
    SendClickedToParent(this, checkBox->m_hWnd);
    RedrawParentArea();
}
