#include "gui/DPIStageWindow.h"

#include "gui/BitmapCut.h"
#include "gui/LangTable.h"
#include "gui/MemDC.h"
#include "gui/SkinResourceCache.h"
#include "gui/WidgetMessages.h"
#include "platform/base/WideChar.h"
#include "platform/framework/CPaintDC.h"

namespace {

constexpr COLORREF kDefaultTextColor = 0xFEFEFE;
constexpr const WCHAR* kSelectedPicture = u"stageSelected.bmp";

RECT Shrunk(RECT r, int dx, int dy) {
    r.left += dx;
    r.right -= dx;
    r.top += dy;
    r.bottom -= dy;
    return r;
}

// Draws a text through the language table; an empty text draws nothing.
void DrawLabel(CDC& dc, const CString& text, RECT rect, UINT format) {
    if (text.IsEmpty()) {
        return;
    }
    const CString shown = TranslateText(text.GetString());
    dc.DrawText(shown, &rect, format);
}

} // namespace

CDPIStageWindow::CDPIStageWindow(int stageIndex) : m_stageIndex(stageIndex) {
    type = GUIITEM_DPISTAGEWINDOW;
}

CDPIStageWindow::~CDPIStageWindow() {
    if (m_toolTip.m_hWnd != nullptr) {
        m_toolTip.DestroyWindow();
    }
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CDPIStageWindow::LoadSkin(CWnd* parentWnd, const RECT& place,
                               const std::vector<DpiStageTextArea>& texts,
                               const std::vector<DpiStageBitmap>& bitmaps) {
    if (!CStatic::Create(u"", WS_CHILD | WS_VISIBLE, place, parentWnd, static_cast<UINT>(id))) {
        return FALSE;
    }
    m_frameRect = RECT{0, 0, place.right - place.left, place.bottom - place.top};

    static constexpr const WCHAR* kAreaNames[AREA_COUNT] = {u"HEADING", u"X",    u"Y",
                                                            u"DPI",     u"DPIX", u"DPIY"};
    for (const DpiStageTextArea& record : texts) {
        for (int area = 0; area < AREA_COUNT; ++area) {
            if (_wcsicmp(record.name.GetString(), kAreaNames[area]) == 0) {
                m_areas[area].text = record.textKey;
                m_areas[area].rect = record.rect;
                break;
            }
        }
    }
    for (const DpiStageBitmap& record : bitmaps) {
        const WCHAR* name = record.name.GetString();
        CBitmap* slot = nullptr;
        RECT* slotRect = nullptr;
        if (_wcsicmp(name, u"DPIFRAME") == 0) {
            slot = &m_frame;
            slotRect = &m_frameRect;
        } else if (_wcsicmp(name, u"DPIFRAMESELECTED") == 0) {
            slot = &m_frameSelected;
            slotRect = &m_frameRect;
        } else if (_wcsicmp(name, u"DPIWIN") == 0) {
            slot = &m_single.bitmap;
            slotRect = &m_single.rect;
        } else if (_wcsicmp(name, u"DPIWINX") == 0) {
            slot = &m_x.bitmap;
            slotRect = &m_x.rect;
        } else if (_wcsicmp(name, u"DPIWINY") == 0) {
            slot = &m_y.bitmap;
            slotRect = &m_y.rect;
        } else {
            continue;
        }
        CutBitmapSection(*slot, m_hWnd, record.picture, 0, 0, record.rect.right - record.rect.left,
                         record.rect.bottom - record.rect.top);
        *slotRect = record.rect;
    }
    return TRUE;
}

void CDPIStageWindow::SetText(const WCHAR* textOrKey) {
    CString text(textOrKey != nullptr ? textOrKey : u"");
    CString found;
    if (CurrentLangTable != nullptr && CLangTable::Lookup(CurrentLangTable, found, text)) {
        text = found;
    }
    // The line break first: upper case would make "\\n" a "\\N" that is no break.
    const int lineBreak = text.Find(u"\\n");
    if (lineBreak >= 0) {
        text = text.Left(lineBreak) + u"\r\n" + text.Mid(lineBreak + 2);
    }
    if (caps == 1) {
        text.MakeUpper();
    } else if (caps == 2) {
        text.MakeLower();
    }
    m_heading = text;
    if (m_hWnd != nullptr) {
        Invalidate();
    }
}

BOOL CDPIStageWindow::PreTranslateMessage(MSG* msg) {
    if (m_toolTip.m_hWnd == nullptr && m_toolTip.Create(this)) {
        m_toolTip.Activate(FALSE);
    }
    if (m_toolTip.m_hWnd != nullptr) {
        m_toolTip.RelayEvent(msg);
    }
    return CStatic::PreTranslateMessage(msg);
}

BOOL CDPIStageWindow::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_SETFONT) {
        font = reinterpret_cast<HFONT>(wParam);
        if (lParam != 0) {
            Invalidate();
        }
        *result = 0;
        return TRUE;
    }
    if (message == WM_GETFONT) {
        *result = reinterpret_cast<LRESULT>(font);
        return TRUE;
    }
    return CStatic::OnWndMsg(message, wParam, lParam, result);
}

LRESULT CDPIStageWindow::OnNcHitTest(CPoint) {
    return HTCLIENT;
}

BOOL CDPIStageWindow::OnEraseBkgnd(CDC* dc) {
    if (selected == 0 && dc != nullptr) {
        dc->FillSolidRect(&m_frameRect, RGB(0, 0, 0));
    }
    return TRUE;
}

void CDPIStageWindow::OnLButtonUp(UINT, CPoint) {
    Default();
    if (clickable == 0 || selected != 0) {
        return;
    }
    selected = 1;
    if (HWND parentHwnd = ::GetParent(m_hWnd); parentHwnd != nullptr) {
        ::SendMessageW(parentHwnd, WM_DPISTAGE_CLICKED, static_cast<WPARAM>(m_stageIndex),
                       static_cast<LPARAM>(id));
    }
    // The parent may have destroyed the tile on the notification.
    if (m_hWnd == nullptr) {
        return;
    }
    m_previousFocus = ::SetFocus(m_hWnd);
    Invalidate();
}

void CDPIStageWindow::OnKillFocus(CWnd*) {
    Default();
    Invalidate();
}

void CDPIStageWindow::DrawBox(CDC& dc, const Box& box, HBITMAP selectedPicture) const {
    HBITMAP picture = selected != 0 ? selectedPicture : static_cast<HBITMAP>(box.bitmap);
    if (picture == nullptr) {
        return;
    }
    CDC source;
    source.CreateCompatibleDC(&dc);
    HGDIOBJ old = source.SelectObject(ToGdiObj(picture));
    dc.BitBlt(box.rect.left, box.rect.top, box.rect.right - box.rect.left,
              box.rect.bottom - box.rect.top, &source, 0, 0, SRCCOPY);
    source.SelectObject(old);
}

void CDPIStageWindow::DrawStages() {
    CPaintDC dc(this);
    if (ready == 0) {
        return;
    }
    const int width = m_frameRect.right - m_frameRect.left;
    const int height = m_frameRect.bottom - m_frameRect.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    CDC canvasDC;
    canvasDC.CreateCompatibleDC(&dc);
    CBitmap canvas;
    canvas.CreateCompatibleBitmap(&dc, width, height);
    CBitmap* oldCanvas = canvasDC.SelectObject(&canvas);

    CBitmap* background = &m_frame;
    if (selected != 0 && m_frameSelected.GetSafeHandle() != nullptr) {
        background = &m_frameSelected;
    }
    if (background->GetSafeHandle() != nullptr) {
        CDC source;
        source.CreateCompatibleDC(&dc);
        CBitmap* old = source.SelectObject(background);
        canvasDC.BitBlt(0, 0, width, height, &source, 0, 0, SRCCOPY);
        source.SelectObject(old);
    }

    const COLORREF color = textColor != 0 ? textColor : kDefaultTextColor;
    canvasDC.SetBkMode(TRANSPARENT);
    canvasDC.SetTextColor(color);
    CFont temporary;
    HFONT textFont = font;
    if (textFont == nullptr) {
        temporary.CreateFont(14, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");
        textFont = static_cast<HFONT>(temporary);
    }
    HGDIOBJ oldFont = canvasDC.SelectObject(ToGdiObj(textFont));

    RECT headingRect = m_areas[AREA_HEADING].rect;
    canvasDC.DrawText(m_heading, &headingRect, textFormat | DT_CENTER);

    HBITMAP selectedPicture = nullptr;
    if (selected != 0) {
        if (SkinResource* entry = SkinResourceCache::Find(kSelectedPicture, SKINRES_PICTURE)) {
            selectedPicture = entry->GetBitmap();
        }
    }

    if (twoAxis != 0) {
        DrawLabel(canvasDC, m_areas[AREA_DPIX].text, m_areas[AREA_DPIX].rect, textFormat);
        DrawLabel(canvasDC, m_areas[AREA_DPIY].text, m_areas[AREA_DPIY].rect, textFormat);
        DrawLabel(canvasDC, m_areas[AREA_X].text, m_areas[AREA_X].rect, textFormat | DT_CENTER);
        DrawLabel(canvasDC, m_areas[AREA_Y].text, m_areas[AREA_Y].rect, textFormat | DT_CENTER);
        const Box* boxes[2] = {&m_x, &m_y};
        const int values[2] = {xValue, yValue};
        for (int i = 0; i < 2; ++i) {
            DrawBox(canvasDC, *boxes[i], selectedPicture);
            CString& number = m_numbers[i + 1];
            number.Format(u"%d", values[i]);
            RECT inner = Shrunk(boxes[i]->rect, 3, 2);
            if (inner.right <= inner.left || inner.bottom <= inner.top) {
                continue;
            }
            // The number stands on black inside the box's border.
            CMemDC box(&canvasDC, &inner);
            box.FillSolidRect(&inner, RGB(0, 0, 0));
            box.SetBkMode(TRANSPARENT);
            box.SetTextColor(color);
            HGDIOBJ oldBoxFont = box.SelectObject(ToGdiObj(textFont));
            box.DrawText(number, &inner, textFormat | DT_CENTER);
            box.SelectObject(oldBoxFont);
        }
    } else {
        DrawLabel(canvasDC, m_areas[AREA_DPI].text, m_areas[AREA_DPI].rect, textFormat);
        DrawBox(canvasDC, m_single, selectedPicture);
        m_numbers[0].Format(u"%d", value);
        RECT inner = Shrunk(m_single.rect, 3, 2);
        canvasDC.DrawText(m_numbers[0], &inner, textFormat | DT_CENTER);
    }

    canvasDC.SelectObject(oldFont);
    dc.BitBlt(0, 0, width, height, &canvasDC, 0, 0, SRCCOPY);
    canvasDC.SelectObject(oldCanvas);
}
