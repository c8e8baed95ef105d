#pragma once
// The skinned single-line edit field: an edit control in the skin's text and background
// colours that ignores right clicks (no context menu) and can be switched to digits only.

#include "gui/GUIItem.h"
#include "platform/framework/CEdit.h"
#include "platform/framework/CGdiObject.h"

class CFontItem;

class CEditItem : public CEdit, public CGUIItem {
public:
    CEditItem();
    ~CEditItem() override;
    using CEdit::Create;

    // Digits only: filters key-downs and characters before the edit control sees them.
    BOOL PreTranslateMessage(MSG* msg) override;
    int OnCreate(LPCREATESTRUCTW cs) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    // Reflected WM_CTLCOLOR*: the skin's colours and the background brush.
    HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnRButtonUp(UINT flags, CPoint point) override;

    // Whether a key-down or character passes the digits-only filter.
    static bool IsNumericKey(UINT virtualKey);
    static bool IsNumericChar(UINT ch);

    CFontItem* fontItem = nullptr;
    COLORREF textColor = 0xFFFFFF;
    COLORREF hoverTextColor = 0;
    COLORREF backgroundColor = 0;
    COLORREF hoverBackgroundColor = 0xFFFFFF;
    COLORREF borderColor = 0xFFFFFF;
    int numericOnly = 0;
    int borderWidth = 1;
    CBrush backgroundBrush;
};
