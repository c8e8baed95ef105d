#include "gui/DropdownColorButton.h"

#include "gui/WidgetMessages.h"
#include "platform/framework/CColorDialog.h"
#include "platform/framework/CPaintDC.h"

CDropdownColorButton::CDropdownColorButton() {
    type = GUIITEM_DROPDOWNCOLOR;
}

CDropdownColorButton::~CDropdownColorButton() {
    popup.reset();
}

void CDropdownColorButton::SetColor(COLORREF newColor) {
    if (newColor == color) {
        return;
    }
    color = newColor;
    if (m_hWnd != nullptr) {
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Invalidate();
    }
}

void CDropdownColorButton::OnPaint() {
    CPaintDC dc(this);
    RECT client{};
    GetClientRect(&client);
    const int w = client.right;
    const int h = client.bottom;
    const int b = borderWidth;
    dc.SetBkMode(TRANSPARENT);

    const RECT swatch{0, 0, w - kArrowArea, h};
    if (swatch.right > 0) {
        dc.FillSolidRect(&swatch, disabled ? disabledBackgroundColor : color);
    }

    {
        CPen pen;
        pen.CreatePen(PS_SOLID, b, disabled ? disabledBorderColor : borderColor);
        CPen* oldPen = dc.SelectObject(&pen);
        dc.MoveTo(0, h - b);
        dc.LineTo(0, 0);
        dc.LineTo(w - b, 0);
        dc.LineTo(w - b, h - b);
        dc.LineTo(0, h - b);
        dc.SelectObject(oldPen);
    }

    CPen arrowPen;
    arrowPen.CreatePen(PS_SOLID, 1, arrowColor);
    CPen* oldPen = dc.SelectObject(&arrowPen);
    const int x0 = w - h + 2 + (h - 11) / 2;
    const int y0 = (h - 5) / 2;
    for (int i = 0; i < 5; ++i) {
        dc.MoveTo(x0 + i, y0 + i);
        dc.LineTo(x0 + i + 9 - 2 * i, y0 + i);
    }
    dc.SelectObject(oldPen);
}

void CDropdownColorButton::OnLButtonDown(UINT, CPoint) {
    if (disabled) {
        return;
    }
    RECT screen{};
    GetWindowRect(&screen);
    ClosePopup();
    if (owner == nullptr) {
        owner = GetParent();
    }
    popup = std::make_unique<CFOPopupColorPaletteWnd>();
    if (popup->Create(WS_POPUP | WS_VISIBLE, screen, this, color, popupWidth, popupHeight)) {
        popupOpen = true;
    }
}

void CDropdownColorButton::ClosePopup() {
    popup.reset();
    popupOpen = false;
}

void CDropdownColorButton::TellChanged(COLORREF previous) {
    if (color != previous && owner != nullptr && owner->m_hWnd != nullptr) {
        owner->SendMessage(WM_COLORBUTTON_CHANGED, static_cast<WPARAM>(color),
                           static_cast<LPARAM>(GetDlgCtrlID()));
    }
}

BOOL CDropdownColorButton::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COLORPALETTE_SELECT) {
        *result = OnColorSelected(wParam, lParam);
        return TRUE;
    }
    if (message == WM_COLORPALETTE_CANCEL) {
        *result = OnColorCancel(wParam, lParam);
        return TRUE;
    }
    if (message == WM_COLORPALETTE_CUSTOM) {
        *result = OnCustomColor(wParam, lParam);
        return TRUE;
    }
    return CDropdownListItem::OnWndMsg(message, wParam, lParam, result);
}

LRESULT CDropdownColorButton::OnColorSelected(WPARAM wParam, LPARAM lParam) {
    // Answers of a palette that is already closed (its deactivation after the choice it
    // made) are stale: they would report a second choice.
    if (!popupOpen) {
        return 1;
    }
    const COLORREF previous = color;
    const auto chosen = static_cast<COLORREF>(wParam);
    SetColor(chosen);
    const bool preview = lParam == CFODropColorPaletteControl::kPreview;
    if (!preview) {
        ClosePopup();
    }
    if (owner != nullptr && owner->m_hWnd != nullptr) {
        owner->PostMessage(WM_COLORPALETTE_SELECT,
                           preview ? static_cast<WPARAM>(CFODropColorPaletteControl::kPreview)
                                   : static_cast<WPARAM>(lParam),
                           static_cast<LPARAM>(chosen));
    }
    TellChanged(previous);
    Invalidate();
    return 1;
}

LRESULT CDropdownColorButton::OnColorCancel(WPARAM wParam, LPARAM) {
    if (!popupOpen) {
        return 1;
    }
    // The colour the palette last stood on: the last previewed one.
    const auto colour = static_cast<COLORREF>(wParam);
    SetColor(colour);
    ClosePopup();
    if (owner != nullptr && owner->m_hWnd != nullptr) {
        owner->SendMessage(WM_COLORPALETTE_CANCEL, static_cast<WPARAM>(colour),
                           static_cast<LPARAM>(GetDlgCtrlID()));
    }
    Invalidate();
    return 1;
}

LRESULT CDropdownColorButton::OnCustomColor(WPARAM wParam, LPARAM) {
    if (!popupOpen) {
        return 0;
    }
    // The palette is closed here rather than by its deactivation, so that nothing it still
    // has to say can overwrite the dialog's answer.
    const COLORREF previous = color;
    SetColor(static_cast<COLORREF>(wParam));
    ClosePopup();
    CColorDialog dialog(color, CC_FULLOPEN | CC_ANYCOLOR, this);
    const bool chosen = dialog.DoModal() == IDOK;
    if (chosen) {
        SetColor(dialog.GetColor());
    }
    if (owner != nullptr && owner->m_hWnd != nullptr) {
        if (chosen) {
            owner->PostMessage(WM_COLORPALETTE_SELECT, 0, static_cast<LPARAM>(color));
        } else {
            owner->SendMessage(WM_COLORPALETTE_CANCEL, static_cast<WPARAM>(color),
                               static_cast<LPARAM>(GetDlgCtrlID()));
        }
    }
    TellChanged(previous);
    Invalidate();
    return 0;
}
