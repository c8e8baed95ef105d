#include "gui/FODropColorPaletteControl.h"

#include "gui/FODropColorPaletteWnd.h"
#include "gui/SkinText.h"
#include "gui/WidgetMessages.h"
#include "platform/gdi/Gdi.h"

namespace {
constexpr COLORREF kPaletteGreen = 0x008000;
constexpr COLORREF kBorderGreen = 0x00FF00;
constexpr COLORREF kFrameGreen = 0x00C000;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kCustomHeight = 25; // the custom cell's height
constexpr int kSwatchWidth = 25;  // the part of the custom cell its swatch takes

bool Contains(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
} // namespace

const std::array<COLORREF, CFODropColorPaletteControl::kCellCount>
    CFODropColorPaletteControl::kDefaultColors = {
        RGB(255, 255, 255), RGB(255, 192, 192), RGB(255, 224, 192), RGB(255, 255, 192),
        RGB(192, 255, 192), RGB(192, 255, 255), RGB(192, 192, 255), RGB(255, 192, 255),
        RGB(224, 224, 224), RGB(255, 128, 128), RGB(255, 224, 128), RGB(255, 255, 128),
        RGB(128, 255, 128), RGB(128, 255, 255), RGB(128, 128, 255), RGB(255, 128, 255),
        RGB(192, 192, 192), RGB(255, 0, 0),     RGB(255, 192, 0),   RGB(255, 255, 0),
        RGB(0, 255, 0),     RGB(0, 255, 255),   RGB(0, 0, 255),     RGB(255, 105, 180),
        RGB(128, 128, 128), RGB(192, 0, 0),     RGB(255, 128, 0),   RGB(192, 192, 0),
        RGB(0, 192, 0),     RGB(0, 192, 192),   RGB(0, 0, 192),     RGB(192, 0, 192),
        RGB(64, 64, 64),    RGB(128, 0, 0),     RGB(128, 64, 0),    RGB(128, 128, 0),
        RGB(0, 128, 0),     RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 0, 128),
        RGB(0, 0, 0),       RGB(64, 0, 0),      RGB(128, 64, 64),   RGB(64, 64, 0),
        RGB(0, 64, 0),      RGB(0, 64, 64),     RGB(0, 0, 64),      RGB(64, 0, 64),
};

CFODropColorPaletteControl::CFODropColorPaletteControl() {
    LOGFONTW logFont{};
    HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
    if (stock == nullptr) {
        stock = GetStockObject(ANSI_VAR_FONT);
    }
    if (stock != nullptr && GetObjectW(stock, sizeof(logFont), &logFont) != 0) {
        font.CreateFontIndirect(&logFont);
    }
}

void CFODropColorPaletteControl::Init(CFODropColorPaletteWnd* window, COLORREF colour,
                                      const RECT& layout) {
    layoutRect = layout;
    currentColor = colour;
    paletteWindow = window;
    LoadCustomText();
    RecalcLayout();
}

void CFODropColorPaletteControl::LoadCustomText() {
    customText = LookupSkinText(u"$Custom");
    ReplaceFirstNewline(customText);
    if (paletteWindow != nullptr && paletteWindow->m_hWnd != nullptr) {
        paletteWindow->Invalidate();
    }
}

void CFODropColorPaletteControl::RecalcLayout() {
    LoadDefaultColors();
    const RECT& l = layoutRect;
    customCellRect = RECT{l.left + margin, l.bottom - margin - kCustomHeight, l.right - margin,
                          l.bottom - margin};
    customHitRect = customCellRect;
    cellsArea = RECT{l.left + margin, l.top + margin, l.right - margin,
                     l.bottom - margin - (kCustomHeight - 1)};
    Layout(cellsArea);
}

void CFODropColorPaletteControl::Layout(const RECT& area) {
    auto columnEdge = [&](int i) {
        return area.left + static_cast<int>(1.0 / columns * (area.right - area.left) * i);
    };
    auto rowEdge = [&](int j) {
        return area.top + static_cast<int>(1.0 / rows * (area.bottom - area.top) * j);
    };
    for (int k = 0; k < kCellCount; ++k) {
        const int column = k % columns;
        const int row = k / columns;
        cells[static_cast<size_t>(k)].rect =
            RECT{columnEdge(column), rowEdge(row), columnEdge(column + 1), rowEdge(row + 1)};
    }
}

void CFODropColorPaletteControl::LoadDefaultColors() {
    for (int k = 0; k < kCellCount; ++k) {
        cells[static_cast<size_t>(k)].SetColor(kDefaultColors[static_cast<size_t>(k)]);
    }
}

int CFODropColorPaletteControl::CurrentCellIndex() const {
    for (int k = 0; k < kCellCount; ++k) {
        if (cells[static_cast<size_t>(k)].color == currentColor) {
            return k;
        }
    }
    return -1;
}

void CFODropColorPaletteControl::Paint(CDC* dc) {
    CFont* oldFont = font.m_hObject != nullptr ? dc->SelectObject(&font) : nullptr;
    dc->FillSolidRect(&layoutRect, kPaletteGreen);
    DrawBorder(dc, layoutRect, 2);
    for (CFOColorCellObj& cell : cells) {
        cell.Draw(dc);
    }
    const int current = CurrentCellIndex();
    if (current >= 0) {
        cells[static_cast<size_t>(current)].DrawSelected(dc);
    }
    DrawCustomCell(dc, current < 0);
    if (customPressed) {
        DrawCustomFocus(dc);
    }
    if (oldFont != nullptr) {
        dc->SelectObject(oldFont);
    }
}

void CFODropColorPaletteControl::DrawBorder(CDC* dc, const RECT& r, int style) {
    if (style == 2) {
        FramePalette(dc, r, kBorderGreen, 1);
    }
}

void CFODropColorPaletteControl::DrawCustomCell(CDC* dc, bool selected) {
    dc->FillSolidRect(&customHitRect, kPaletteGreen);
    customHitRect = customCellRect;
    const RECT& c = customCellRect;
    RECT textRect{c.left + 2, c.top + 2, c.right - 2, c.bottom - 2};
    if (selected) {
        // The current colour is none of the 48: a swatch of it at the right end, which the
        // clickable part leaves out.
        customHitRect.right = c.right - kSwatchWidth;
        textRect.right = c.right - 27;
        const RECT swatch{c.right - 23, c.top + 2, c.right - 1, c.bottom - 2};
        dc->FillSolidRect(&swatch, currentColor);
        FramePalette(dc, swatch, kFrameGreen, 1);
    }
    if (!customText.IsEmpty()) {
        const int oldMode = dc->SetBkMode(TRANSPARENT);
        const COLORREF oldColor = dc->SetTextColor(kWhite);
        dc->DrawText(customText, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        dc->SetTextColor(oldColor);
        dc->SetBkMode(oldMode);
    }
}

void CFODropColorPaletteControl::DrawCustomFocus(CDC* dc) {
    const RECT& h = customHitRect;
    FramePalette(dc, RECT{h.left + 1, h.top + 1, h.right - 1, h.bottom - 1}, kWhite, 2);
    FramePalette(dc, RECT{h.left - 1, h.top - 1, h.right + 1, h.bottom + 1}, kBlack, 1);
}

bool CFODropColorPaletteControl::HoldsCapture() const {
    return paletteWindow != nullptr && paletteWindow->m_hWnd != nullptr &&
           ::GetCapture() == paletteWindow->m_hWnd;
}

void CFODropColorPaletteControl::InvalidateCell(int index) {
    if (index < 0 || paletteWindow == nullptr || paletteWindow->m_hWnd == nullptr) {
        return;
    }
    const RECT r = cells[static_cast<size_t>(index)].Grown(2);
    paletteWindow->InvalidateRect(&r, FALSE);
}

void CFODropColorPaletteControl::InvalidateCustomCell() {
    if (paletteWindow == nullptr || paletteWindow->m_hWnd == nullptr) {
        return;
    }
    const RECT r{customCellRect.left - 2, customCellRect.top - 2, customCellRect.right + 2,
                 customCellRect.bottom + 2};
    paletteWindow->InvalidateRect(&r, FALSE);
}

CFOColorCellObj* CFODropColorPaletteControl::TrackPoint(int x, int y) {
    for (int k = 0; k < kCellCount; ++k) {
        CFOColorCellObj& cell = cells[static_cast<size_t>(k)];
        if (cell.HitTest(x, y)) {
            const int previous = CurrentCellIndex();
            currentColor = cell.color;
            InvalidateCell(k);
            InvalidateCell(previous);
            return &cell;
        }
    }
    return nullptr;
}

void CFODropColorPaletteControl::PressAt(int x, int y) {
    if (!HoldsCapture()) {
        return;
    }
    if (TrackPoint(x, y) == nullptr && Contains(customHitRect, x, y)) {
        customPressed = true;
        InvalidateCustomCell();
    }
}

void CFODropColorPaletteControl::OnLButtonDown(int x, int y) {
    if (paletteWindow != nullptr && paletteWindow->m_hWnd != nullptr) {
        paletteWindow->SetCapture();
        paletteWindow->SetFocus();
    }
    PressAt(x, y);
}

void CFODropColorPaletteControl::OnMouseMove(int x, int y) {
    PressAt(x, y);
}

void CFODropColorPaletteControl::OnLButtonUp(int x, int y) {
    if (HoldsCapture()) {
        ::ReleaseCapture();
    }
    if (customPressed) {
        customPressed = false;
        InvalidateCustomCell();
    }
    for (CFOColorCellObj& cell : cells) {
        if (cell.HitTest(x, y)) {
            NotifySelect(cell.color, 0);
            return;
        }
    }
    if (Contains(customHitRect, x, y)) {
        Post(WM_COLORPALETTE_CUSTOM, currentColor, 0);
        HideWindow();
    }
}

void CFODropColorPaletteControl::Post(UINT message, COLORREF colour, LPARAM lParam) {
    if (paletteWindow != nullptr && paletteWindow->m_hWnd != nullptr) {
        paletteWindow->PostMessage(message, static_cast<WPARAM>(colour), lParam);
    }
}

void CFODropColorPaletteControl::HideWindow() {
    if (paletteWindow != nullptr && paletteWindow->m_hWnd != nullptr) {
        paletteWindow->ShowWindow(SW_HIDE);
    }
}

void CFODropColorPaletteControl::NotifySelect(COLORREF colour, LPARAM lParam) {
    Post(WM_COLORPALETTE_SELECT, colour, lParam);
    InvalidateCustomCell();
    HideWindow();
}

void CFODropColorPaletteControl::NotifyCancel(COLORREF colour, LPARAM lParam) {
    Post(WM_COLORPALETTE_CANCEL, colour, lParam);
    InvalidateCustomCell();
    HideWindow();
}

void CFODropColorPaletteControl::MoveTo(int index) {
    const int previous = CurrentCellIndex();
    currentColor = cells[static_cast<size_t>(index)].color;
    InvalidateCell(index);
    InvalidateCell(previous);
    Post(WM_COLORPALETTE_SELECT, currentColor, kPreview);
}

void CFODropColorPaletteControl::OnKeyDown(UINT key) {
    const int current = CurrentCellIndex();
    const int position = current >= 0 ? current : 0;
    const int row = position / columns;
    const int column = position % columns;
    switch (static_cast<int>(key)) {
    case VK_ESCAPE:
    case VK_CANCEL:
        NotifyCancel(currentColor, 0);
        return;
    case VK_RETURN:
        NotifySelect(currentColor, 0);
        return;
    case VK_TAB:
        if (GetKeyState(VK_SHIFT) < 0) {
            CWnd* parentWnd = paletteWindow != nullptr && paletteWindow->m_hWnd != nullptr
                                  ? paletteWindow->GetParent()
                                  : nullptr;
            if (parentWnd != nullptr) {
                CWnd* previous = parentWnd->GetNextDlgTabItem(paletteWindow, TRUE);
                if (previous != nullptr) {
                    previous->SetFocus();
                }
            }
        } else {
            Post(WM_COLORPALETTE_CUSTOM, currentColor, 0);
            HideWindow();
        }
        return;
    case VK_LEFT:
        if (position > 0) {
            MoveTo(position - 1); // column 1 goes to column 8 of the row above
        }
        return;
    case VK_RIGHT:
        MoveTo((position + 1) % kCellCount); // the last cell goes to the first
        return;
    case VK_UP:
        MoveTo(((row + rows - 1) % rows) * columns + column);
        return;
    case VK_DOWN:
        MoveTo(((row + 1) % rows) * columns + column);
        return;
    default:
        return;
    }
}
