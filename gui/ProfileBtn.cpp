#include "gui/ProfileBtn.h"

#include "gui/BitmapBtn.h"
#include "gui/SkinText.h"

CProfileBtn::CProfileBtn() {
    type = GUIITEM_PROFILEBTN;
}

void CProfileBtn::LoadBitmaps(HBITMAP normal, HBITMAP over, HBITMAP down, HBITMAP disabled,
                              int left, int top, int right, int bottom) {
    const HBITMAP sources[4] = {normal, over, down, disabled};
    for (int i = 0; i < 4; ++i) {
        CutSkinBitmap(bitmaps[i], this, sources[i], left, top, right, bottom);
    }
    ModifyStyle(WS_BORDER | WS_TABSTOP, 0);
}

void CProfileBtn::SetToolTip(const WCHAR* text) {
    if (text != nullptr) {
        SetSkinToolTip(tooltip, this, CString(text));
    }
}

int CProfileBtn::ChooseBitmap(UINT itemState) const {
    if (checkBoxMode) {
        return checked ? BTN_STATE_DOWN : BTN_STATE_NORMAL;
    }
    if (checked || (itemState & ODS_SELECTED)) {
        return BTN_STATE_DOWN;
    }
    if (hover) {
        return BTN_STATE_OVER;
    }
    return (itemState & ODS_DISABLED) ? BTN_STATE_DISABLED : BTN_STATE_NORMAL;
}

RECT CProfileBtn::ColumnRect(int column, const RECT& client, int textHeight) {
    RECT r{};
    r.top = (client.bottom - client.top) / 2 - textHeight / 2;
    r.bottom = client.bottom;
    r.left = client.left + 5;
    r.right = r.left + 50;
    for (int i = 1; i <= column; ++i) {
        r.left = r.right + 5;
        r.right = r.left + 100;
    }
    return r;
}

void CProfileBtn::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    CDC* dc = CDC::FromHandle(drawItem->hDC);
    RECT client{};
    GetClientRect(&client);
    CBitmap& face = bitmaps[ChooseBitmap(drawItem->itemState)];
    if (columns[0].IsEmpty()) {
        DrawSkinFace(dc, client, face, 0, nullptr, nullptr);
        return;
    }
    DrawSkinFace(dc, client, face, kTextColor, nullptr, [&](CDC& composeDC) {
        const int textHeight = composeDC.GetTextExtent(columns[0]).cy;
        constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | DT_END_ELLIPSIS;
        for (int i = 0; i < 4; ++i) {
            RECT r = ColumnRect(i, client, textHeight);
            CString text = columns[i];
            composeDC.DrawText(text, &r, kFormat);
        }
    });
}

void CProfileBtn::PreSubclassWindow() {
    // A default push button starts with the over look. (The owner-draw type shares its low
    // bit, so the type is compared, not the bit.)
    if ((GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        hover = 1;
    }
    SetButtonStyle(GetButtonStyle() | BS_OWNERDRAW, TRUE);
    CButton::PreSubclassWindow();
    ModifyStyle(WS_TABSTOP, 0);
}

BOOL CProfileBtn::PreTranslateMessage(MSG* msg) {
    EnsureSkinToolTip(tooltip, this);
    if (tooltip.GetSafeHwnd() != nullptr) {
        tooltip.RelayEvent(msg);
    }
    return CButton::PreTranslateMessage(msg);
}

void CProfileBtn::OnKillFocus(CWnd* newWnd) {
    CButton::OnKillFocus(newWnd);
    hover = 0;
    Invalidate(TRUE);
}

void CProfileBtn::OnMouseMove(UINT flags, CPoint point) {
    CButton::OnMouseMove(flags, point);
    TrackSkinHover(this, flags, point, hover != 0, [this](bool on) {
        hover = on ? 1 : 0;
        Invalidate();
    });
}

void CProfileBtn::OnCaptureChanged(CWnd* wnd) {
    if (hover) {
        // Released only while still held: the capture may have gone to the window that
        // just took it, which must keep it.
        if (::GetCapture() == m_hWnd) {
            ::ReleaseCapture();
        }
        Invalidate();
    }
    CButton::OnCaptureChanged(wnd);
}

BOOL CProfileBtn::OnEraseBkgnd(CDC*) {
    return FALSE;
}

void CProfileBtn::OnLButtonDown(UINT flags, CPoint point) {
    ActivateOwnerWindow(this);
    CButton::OnLButtonDown(flags, point);
}

void CProfileBtn::OnLButtonUp(UINT flags, CPoint point) {
    if (!checkBoxMode) {
        CButton::OnLButtonUp(flags, point);
        return;
    }
    checked = checked ? 0 : 1;
    Invalidate();
    SendClickedToParent(this, m_hWnd);
}
