#pragma once
// One colour cell of the palette: its rectangle, its colour and the solid brush it paints
// with (made at the first drawing, dropped when the colour changes).

#include "platform/framework/CDC.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CObject.h"

class CFOColorCellObj : public CObject {
public:
    CFOColorCellObj() = default;
    ~CFOColorCellObj() override = default;

    // The stored form of a cell is empty.
    virtual void Serialize() {}
    // The point lies in the cell (right and bottom edges excluded).
    virtual BOOL HitTest(int x, int y) const;
    // Saves the context, transparent background, the cell's brush and the null pen.
    virtual void BeginDraw(CDC* dc);
    // The cell on the palette green, its colour inset by one pixel in a light green frame.
    virtual void Draw(CDC* dc);
    // The selection mark: a white frame inside the colour and a black one around the cell.
    virtual void DrawSelected(CDC* dc);
    virtual void EndDraw(CDC* dc);

    void SetColor(COLORREF newColor);
    // The rectangle grown by n pixels on every side.
    RECT Grown(int n) const {
        return RECT{rect.left - n, rect.top - n, rect.right + n, rect.bottom + n};
    }

    RECT rect{};
    COLORREF color = 0xFFFFFF;
    CBrush brush;
    int inset = 1;

private:
    int m_savedDC = 0;
};

// Draws a frame of the given thickness inward from the rectangle's edges.
void FramePalette(CDC* dc, RECT r, COLORREF color, int thickness);
