#pragma once
// A skinned bitmap button whose caption is four text columns in a fixed layout (profile
// rows). In check-box mode a release toggles the checked state and notifies the parent.

#include "gui/GUIItem.h"
#include "platform/framework/CButton.h"
#include "platform/framework/CToolTipCtrl.h"

class CProfileBtn : public CButton, public CGUIItem {
public:
    CProfileBtn();

    // As CBitmapBtn::LoadBitmaps.
    void LoadBitmaps(HBITMAP normal, HBITMAP over, HBITMAP down, HBITMAP disabled, int left,
                     int top, int right, int bottom);
    // The text as given (no language lookup); null does nothing.
    void SetToolTip(const WCHAR* text);

    // The look (SkinButtonState) DrawItem paints for an owner-draw item state.
    int ChooseBitmap(UINT itemState) const;
    // The rectangle of column 0..3 for a client area and a text height.
    static RECT ColumnRect(int column, const RECT& client, int textHeight);

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnKillFocus(CWnd* newWnd) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnCaptureChanged(CWnd* wnd) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;

    static constexpr COLORREF kTextColor = RGB(0xE0, 0xE0, 0xE0);

    CToolTipCtrl tooltip;
    int checked = 0;
    int checkBoxMode = 0;
    int hover = 0;
    CBitmap bitmaps[4]; // normal, over, down, disabled
    CString columns[4];
};
