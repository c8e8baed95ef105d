#include "gui/FOColorCellObj.h"

#include "platform/gdi/Gdi.h"

namespace {
constexpr COLORREF kPaletteGreen = 0x008000;
constexpr COLORREF kFrameGreen = 0x00C000;
} // namespace

void FramePalette(CDC* dc, RECT r, COLORREF color, int thickness) {
    CBrush frame(color);
    for (int i = 0; i < thickness && r.right > r.left && r.bottom > r.top; ++i) {
        dc->FrameRect(&r, &frame);
        r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
}

BOOL CFOColorCellObj::HitTest(int x, int y) const {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

void CFOColorCellObj::SetColor(COLORREF newColor) {
    color = newColor;
    brush.DeleteObject();
}

void CFOColorCellObj::BeginDraw(CDC* dc) {
    m_savedDC = dc->SaveDC();
    dc->SetBkMode(TRANSPARENT);
    if (brush.m_hObject == nullptr) {
        brush.CreateSolidBrush(color);
    }
    dc->SelectObject(&brush);
    dc->SelectStockObject(NULL_PEN);
}

void CFOColorCellObj::Draw(CDC* dc) {
    BeginDraw(dc);
    dc->FillSolidRect(&rect, kPaletteGreen);
    const RECT inner{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
    if (inner.right > inner.left && inner.bottom > inner.top) {
        dc->FillRect(&inner, &brush);
        FramePalette(dc, inner, kFrameGreen, 1);
    }
    EndDraw(dc);
}

void CFOColorCellObj::DrawSelected(CDC* dc) {
    const RECT inner{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
    FramePalette(dc, RECT{inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1},
                 RGB(255, 255, 255), 2);
    FramePalette(dc, Grown(1), RGB(0, 0, 0), 1);
}

void CFOColorCellObj::EndDraw(CDC* dc) {
    if (m_savedDC != 0) {
        dc->RestoreDC(m_savedDC);
        m_savedDC = 0;
    }
}
