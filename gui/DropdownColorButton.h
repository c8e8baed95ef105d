#pragma once
// The colour button: a swatch of the current colour with a small down arrow. A click opens
// the colour palette below it; keyboard moves in the palette preview the colour at once, a
// choice or a click elsewhere keeps the colour the palette stands on, Escape keeps the last
// previewed colour and reports a cancel, and the custom cell asks the colour dialog. The
// owner (the parent, taken at the first click) is told by WM_COLORPALETTE_SELECT (posted),
// WM_COLORPALETTE_CANCEL and WM_COLORBUTTON_CHANGED (sent).

#include "gui/DropdownListItem.h"
#include "gui/FODropColorPaletteWnd.h"

#include <memory>

class CDropdownColorButton : public CDropdownListItem {
public:
    static constexpr int kArrowArea = 18; // the strip at the right end the swatch leaves out

    CDropdownColorButton();
    ~CDropdownColorButton() override;

    virtual COLORREF GetColor() const { return color; }
    // A different colour is stored and the button repainted at once.
    virtual void SetColor(COLORREF newColor);

    void OnPaint() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // The palette's answers, relayed by its window.
    LRESULT OnColorSelected(WPARAM wParam, LPARAM lParam);
    LRESULT OnColorCancel(WPARAM wParam, LPARAM lParam);
    LRESULT OnCustomColor(WPARAM wParam, LPARAM lParam);

    COLORREF arrowColor = 0xFFFFFF;
    COLORREF color = 0;
    int popupWidth = 200;
    int popupHeight = 150;
    bool popupOpen = false;
    CWnd* owner = nullptr;
    std::unique_ptr<CFOPopupColorPaletteWnd> popup;

private:
    void ClosePopup();
    void TellChanged(COLORREF previous);
};
