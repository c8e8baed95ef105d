#pragma once
// The colour palette's logic and painting: 48 fixed colours in 6 rows of 8 cells and, below
// them, the wide custom cell. It tracks the mouse and the arrow keys on the colour it stands
// on and posts its choices to the palette window that hosts it: WM_COLORPALETTE_SELECT
// (lParam 100 for a keyboard preview), WM_COLORPALETTE_CANCEL and WM_COLORPALETTE_CUSTOM.

#include "gui/FOColorCellObj.h"
#include "platform/base/CString.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CObject.h"

#include <array>

class CFODropColorPaletteWnd;

class CFODropColorPaletteControl : public CObject {
public:
    static constexpr int kRows = 6;
    static constexpr int kColumns = 8;
    static constexpr int kCellCount = kRows * kColumns;
    static constexpr LPARAM kPreview = 100;
    static const std::array<COLORREF, kCellCount> kDefaultColors;

    CFODropColorPaletteControl();
    ~CFODropColorPaletteControl() override = default;

    virtual void Serialize() {}
    // Takes the window, the colour the palette starts on and the layout rectangle.
    virtual void Init(CFODropColorPaletteWnd* window, COLORREF colour, const RECT& layout);
    virtual void RecalcLayout();
    // Lays the cells out over the area in 8 columns and 6 rows.
    virtual void Layout(const RECT& area);
    virtual void LoadDefaultColors();
    virtual void Paint(CDC* dc);
    virtual void UpdateLayout() { RecalcLayout(); }
    // Makes the cell under the point current; that cell or null.
    virtual CFOColorCellObj* TrackPoint(int x, int y);
    virtual void NotifySelect(COLORREF colour, LPARAM lParam);
    virtual void NotifyCancel(COLORREF colour, LPARAM lParam);
    virtual void OnCancelMode() {}
    // Style 2: a one-pixel bright green frame around the rectangle.
    virtual void DrawBorder(CDC* dc, const RECT& r, int style);
    virtual void DrawCustomCell(CDC* dc, bool selected);
    virtual void DrawCustomFocus(CDC* dc);

    // Input from the hosting window (client coordinates).
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnKeyDown(UINT key);

    // The cell whose colour is the current colour; -1 for none.
    int CurrentCellIndex() const;
    // The custom text: the translated "$Custom", its first "\n" a line break.
    void LoadCustomText();

    std::array<CFOColorCellObj, kCellCount> cells;
    RECT cellsArea{};
    RECT layoutRect{};
    RECT customCellRect{};
    RECT customHitRect{};
    COLORREF currentColor = 0;
    CFODropColorPaletteWnd* paletteWindow = nullptr;
    bool customPressed = false;
    int rows = kRows;
    int columns = kColumns;
    int margin = 4;
    CFont font;
    CString customText;

private:
    bool HoldsCapture() const;
    void PressAt(int x, int y);
    void InvalidateCell(int index);
    void InvalidateCustomCell();
    void MoveTo(int index);
    void Post(UINT message, COLORREF colour, LPARAM lParam);
    void HideWindow();
};
