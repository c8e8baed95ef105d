#include "gui/BitmapBtn.h"

#include "gui/BitmapRegion.h"
#include "gui/FontItem.h"
#include "gui/SkinResourceCache.h"
#include "gui/SkinText.h"
#include "platform/framework/CPaintDC.h"

void ActivateOwnerWindow(CWnd* wnd) {
    CWnd* top = wnd->GetOwner();
    if (top == nullptr) {
        top = wnd->GetParent();
    }
    if (top != nullptr && ::GetActiveWindow() != top->m_hWnd) {
        top->SetActiveWindow();
    }
}

void SendClickedToParent(CWnd* wnd, HWND sender) {
    HWND parentWnd = ::GetParent(wnd->m_hWnd);
    if (parentWnd != nullptr) {
        ::SendMessageW(parentWnd, WM_COMMAND,
                       MAKEWPARAM(static_cast<WORD>(wnd->GetDlgCtrlID()), BN_CLICKED),
                       reinterpret_cast<LPARAM>(sender));
    }
}

void TrackSkinHover(CWnd* wnd, UINT flags, CPoint point, bool hovering,
                    const std::function<void(bool)>& show) {
    const bool leftDown = (flags & MK_LBUTTON) != 0;
    if (leftDown && !hovering) {
        return;
    }
    CWnd* owner = wnd->GetOwner();
    const HWND ownerWnd = owner != nullptr ? owner->m_hWnd : ::GetParent(wnd->m_hWnd);
    if (::GetCapture() != wnd->m_hWnd && ::GetActiveWindow() != nullptr && ownerWnd != nullptr) {
        show(true);
        wnd->SetCapture();
        return;
    }
    POINT screen{point.x, point.y};
    wnd->ClientToScreen(&screen);
    const HWND under = ::WindowFromPoint(screen);
    if (under == nullptr || under == wnd->m_hWnd) {
        return;
    }
    if (hovering) {
        show(false);
    }
    if (!leftDown) {
        ::ReleaseCapture();
    }
}

void DrawSkinFace(CDC* dc, const RECT& client, CBitmap& face, COLORREF textColor, CFont* font,
                  const std::function<void(CDC&)>& drawText) {
    const int width = client.right;
    const int height = client.bottom;
    CDC stateDC;
    stateDC.CreateCompatibleDC(dc);
    const bool hasFace = face.GetSafeHandle() != nullptr;
    CBitmap* oldState = hasFace ? stateDC.SelectObject(&face) : nullptr;

    if (!drawText) {
        if (hasFace) {
            dc->BitBlt(0, 0, width, height, &stateDC, 0, 0, SRCCOPY);
        }
    } else {
        CDC composeDC;
        composeDC.CreateCompatibleDC(dc);
        CBitmap composed;
        composed.CreateCompatibleBitmap(dc, width, height);
        CBitmap* oldComposed = composeDC.SelectObject(&composed);
        if (hasFace) {
            composeDC.BitBlt(0, 0, width, height, &stateDC, 0, 0, SRCCOPY);
        }
        composeDC.SetBkMode(TRANSPARENT);
        composeDC.SetTextColor(textColor);
        CFont fallback;
        CFont* oldFont = nullptr;
        if (font != nullptr) {
            oldFont = composeDC.SelectObject(font);
        } else if (CreateFallbackFont(fallback)) {
            oldFont = composeDC.SelectObject(&fallback);
        }
        drawText(composeDC);
        if (oldFont != nullptr) {
            composeDC.SelectObject(oldFont);
        }
        dc->BitBlt(0, 0, width, height, &composeDC, 0, 0, SRCCOPY);
        composeDC.SelectObject(oldComposed);
    }
    if (oldState != nullptr) {
        stateDC.SelectObject(oldState);
    }
}

void CutSkinBitmap(CBitmap& target, CWnd* window, HBITMAP source, int left, int top, int right,
                   int bottom) {
    if (source == nullptr || right <= left || bottom <= top) {
        return;
    }
    // Every bitmap here has the display's format, so the cut needs no window DC to be
    // compatible with (asking for one would work out the window's visible region for nothing).
    static_cast<void>(window);
    HBITMAP cut = nullptr;
    CopyBitmapSection(cut, nullptr, source, left, top, right, bottom);
    if (cut != nullptr) {
        target.DeleteObject();
        target.Attach(cut);
    }
}

CBitmapBtn::CBitmapBtn() {
    type = GUIITEM_BITMAPBTN;
}

// The skin font is shared by every widget of the skin: its item in the list frees it.
CBitmapBtn::~CBitmapBtn() = default;

BOOL CBitmapBtn::Create(LPCWSTR text, DWORD style, const RECT& area, CWnd* parentWnd, UINT ctlId) {
    return CButton::Create(text, style, area, parentWnd, ctlId);
}

void CBitmapBtn::LoadBitmaps(HBITMAP normal, HBITMAP over, HBITMAP down, HBITMAP disabled, int left,
                             int top, int right, int bottom) {
    const HBITMAP sources[4] = {normal, over, down, disabled};
    for (int i = 0; i < 4; ++i) {
        CutSkinBitmap(bitmaps[i], this, sources[i], left, top, right, bottom);
    }
    ModifyStyle(WS_BORDER | WS_TABSTOP, 0);
}

void CBitmapBtn::SetMaskRegion(HBITMAP mask, HBITMAP normal, HBITMAP over, HBITMAP down,
                               HBITMAP disabled, int left, int top, int right, int bottom) {
    if (mask != nullptr) {
        if (HRGN region = BitmapToRegion(mask)) {
            // The window owns the region from here on.
            SetWindowRgn(region, TRUE);
        }
    }
    LoadBitmaps(normal, over, down, disabled, left, top, right, bottom);
}

void CBitmapBtn::SetToolTip(const WCHAR* text) {
    if (text == nullptr) {
        return;
    }
    SetSkinToolTip(tooltip, this, SkinToolTipText(text));
}

void CBitmapBtn::SetCaption(const WCHAR* text, int caps) {
    CString shown = LookupSkinText(text);
    // The line break is found before the case change, which would turn "\n" into "\N".
    ReplaceFirstNewline(shown);
    ApplySkinCaps(shown, caps);
    caption = shown;
}

void CBitmapBtn::SetCheck(int state) {
    if (state != checked) {
        checked = state;
        Invalidate();
    }
}

SkinButtonState CBitmapBtn::ChooseBitmap(UINT itemState) const {
    if (checkBoxMode) {
        // A check box never shows the disabled look.
        return checked ? BTN_STATE_DOWN : hover ? BTN_STATE_OVER : BTN_STATE_NORMAL;
    }
    if (checked || (itemState & ODS_SELECTED)) {
        return BTN_STATE_DOWN;
    }
    if (hover) {
        return BTN_STATE_OVER;
    }
    return (itemState & ODS_DISABLED) ? BTN_STATE_DISABLED : BTN_STATE_NORMAL;
}

COLORREF CBitmapBtn::ChooseTextColor(UINT itemState) const {
    COLORREF color = textColors[BTN_STATE_NORMAL];
    if (checked || (itemState & ODS_SELECTED)) {
        color = textColors[BTN_STATE_DOWN];
    } else if (hover) {
        color = textColors[BTN_STATE_OVER];
    } else if (itemState & ODS_DISABLED) {
        color = textColors[BTN_STATE_DISABLED];
    }
    return SkinTextColor(color);
}

void CBitmapBtn::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    CDC* dc = CDC::FromHandle(drawItem->hDC);
    RECT client{};
    GetClientRect(&client);
    CBitmap& face = bitmaps[ChooseBitmap(drawItem->itemState)];
    if (caption.IsEmpty()) {
        DrawSkinFace(dc, client, face, 0, nullptr, nullptr);
        return;
    }
    CFont* captionFont = font != nullptr && font->GetSafeHandle() != nullptr ? font : nullptr;
    DrawSkinFace(dc, client, face, ChooseTextColor(drawItem->itemState), captionFont,
                 [&](CDC& composeDC) {
                     CString text = caption; // DrawText may be told to modify its string
                     composeDC.DrawText(text, &client, textFormat);
                 });
}

void CBitmapBtn::PreSubclassWindow() {
    SetButtonStyle(GetButtonStyle() | BS_OWNERDRAW, TRUE);
    CButton::PreSubclassWindow();
    ModifyStyle(WS_TABSTOP, 0);
}

BOOL CBitmapBtn::PreTranslateMessage(MSG* msg) {
    EnsureSkinToolTip(tooltip, this);
    if (tooltip.GetSafeHwnd() != nullptr) {
        tooltip.RelayEvent(msg);
    }
    return CButton::PreTranslateMessage(msg);
}

void CBitmapBtn::OnKillFocus(CWnd* newWnd) {
    CButton::OnKillFocus(newWnd);
    hover = 0;
    Invalidate(TRUE);
}

void CBitmapBtn::OnMouseMove(UINT flags, CPoint point) {
    CButton::OnMouseMove(flags, point);
    const bool leftDown = (flags & MK_LBUTTON) != 0;
    if (leftDown && !hover) {
        return;
    }
    POINT screen{point.x, point.y};
    ClientToScreen(&screen);
    cursorInside = ::WindowFromPoint(screen) == m_hWnd ? 1 : 0;
    const HWND ownerWnd = GetOwner() != nullptr ? GetOwner()->m_hWnd : ::GetParent(m_hWnd);
    if (::GetCapture() != m_hWnd && ::GetActiveWindow() != nullptr && ownerWnd != nullptr) {
        hover = 1;
        BringWindowToTop();
        SetCapture();
        Invalidate();
        return;
    }
    if (cursorInside) {
        return;
    }
    if (hover) {
        hover = 0;
        Invalidate();
    }
    if (!leftDown) {
        ::ReleaseCapture();
    }
}

void CBitmapBtn::OnCaptureChanged(CWnd* wnd) {
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

BOOL CBitmapBtn::OnEraseBkgnd(CDC*) {
    return FALSE;
}

void CBitmapBtn::OnLButtonDown(UINT flags, CPoint point) {
    ActivateOwnerWindow(this);
    if (!checkBoxMode) {
        CButton::OnLButtonDown(flags, point);
        return;
    }
    // A check box takes the press itself: the system button never sees it.
    if (toggleOnClick == 1) {
        checked = checked ? 0 : 1;
    }
    Invalidate();
    NotifyClicked();
}

void CBitmapBtn::OnLButtonDblClk(UINT flags, CPoint point) {
    // The second press of a quick double-click toggles a check box like the first.
    if (checkBoxMode) {
        OnLButtonDown(flags, point);
        return;
    }
    CButton::OnLButtonDblClk(flags, point);
}

void CBitmapBtn::OnLButtonUp(UINT flags, CPoint point) {
    if (checkBoxMode) {
        return;
    }
    CButton::OnLButtonUp(flags, point);
    Invalidate();
}

void CBitmapBtn::NotifyClicked() {
    SendClickedToParent(this, m_hWnd);
}
