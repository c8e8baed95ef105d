#pragma once
// A skinned label: an owner-drawn static control that draws its (translated) text
// transparently over the panel in a skin font and colour. An interactive label (SS_NOTIFY)
// tracks the mouse for a hover colour and, when it labels a check-box button, toggles that
// button and notifies the parent as if the button had been clicked.

#include "gui/GUIItem.h"
#include "platform/framework/CStatic.h"

class CBitmapBtn;
class CFontItem;

class CTextItem : public CStatic, public CGUIItem {
public:
    // The text, or a language key: a key the current table knows gives its text with the
    // case change (1 upper, 2 lower); anything else is shown as given. The first "\n" becomes
    // a line break.
    explicit CTextItem(const WCHAR* text, int caps = 0);
    ~CTextItem() override;

    // Sends WM_SETFONT with the item's font (0 for none) and keeps the item.
    void SetFontItem(CFontItem* fontItem);
    // Translated (no case change), first "\n" to a line break, then the parent repainted
    // beneath the item.
    void SetText(const WCHAR* text);
    CString GetText() const { return text; }
    // Repaints the part of the parent beneath the item (the text is transparent).
    void RedrawParentArea();

    // The colour DrawItem uses in the current hover state.
    COLORREF CurrentTextColor() const;

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnCaptureChanged(CWnd* wnd) override;

    CString text;
    UINT textFormat = 0; // 0: plain TextOut 5 right and 2 below the item's corner
    CFontItem* font = nullptr;
    BYTE hover = 0;
    CBitmapBtn* checkBox = nullptr; // the check-box button this item labels
    COLORREF textColor = 0;         // 0 draws as 0xFEFEFE
    COLORREF hoverColor = 0;        // 0: the text colour while hovering
};
