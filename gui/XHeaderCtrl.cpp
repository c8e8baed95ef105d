#include "gui/XHeaderCtrl.h"

#include "gui/LangTable.h"
#include "platform/framework/CPaintDC.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>

void CXHeaderCtrl::PreSubclassWindow() {
    CHeaderCtrl::PreSubclassWindow();
    ModifyStyle(0, kSubclassStyle);
    extra.assign(static_cast<size_t>(std::max(GetItemCount(), 0)), _HDITEMEX{});
}

void CXHeaderCtrl::SetImageSize(int cx, int cy) {
    imageWidth = cx;
    imageHeight = cy;
}

BOOL CXHeaderCtrl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_SETCURSOR:
        // No sizing cursor: the columns keep their widths.
        *result = TRUE;
        return TRUE;
    case HDM_INSERTITEMW: {
        *result = Default();
        const auto at = static_cast<LONG_PTR>(*result);
        if (at >= 0 && static_cast<size_t>(at) <= extra.size()) {
            extra.insert(extra.begin() + at, _HDITEMEX{});
        }
        return TRUE;
    }
    case HDM_DELETEITEM:
        *result = Default();
        if (*result != 0 && wParam < extra.size()) {
            extra.erase(extra.begin() + static_cast<LONG_PTR>(wParam));
        }
        return TRUE;
    default:
        return CHeaderCtrl::OnWndMsg(message, wParam, lParam, result);
    }
}

void CXHeaderCtrl::DrawItems(HDC dc) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    HBRUSH back = ::CreateSolidBrush(backgroundColor);
    ::FillRect(dc, &client, back);
    ::DeleteObject(back);
    HGDIOBJ oldFont = font ? ::SelectObject(dc, ToGdiObj(font)) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, textColor);
    HBRUSH frame = ::CreateSolidBrush(borderColor);
    for (int i = 0; i < GetItemCount(); ++i) {
        RECT r{};
        GetItemRect(i, &r);
        ::FrameRect(dc, &r, frame);
        WCHAR text[128]{};
        HDITEMW item;
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE | HDI_BITMAP;
        item.pszText = text;
        item.cchTextMax = 128;
        GetItem(i, &item);
        RECT textRect = r;
        if (item.iImage >= 0) {
            const int top = r.top + (r.bottom - r.top - imageHeight) / 2;
            const size_t which = item.iImage > 0 ? 1u : 0u;
            if (images[which] != nullptr) {
                HDC memory = ::CreateCompatibleDC(dc);
                HGDIOBJ old = ::SelectObject(memory, ToGdiObj(images[which]));
                ::BitBlt(dc, r.left + 2, top, imageWidth, imageHeight, memory, 0, 0, SRCCOPY);
                ::SelectObject(memory, old);
                ::DeleteDC(memory);
            }
            textRect.left = r.left + 2 + imageWidth + 6;
        } else {
            textRect.left += 4;
        }
        BITMAP picture{};
        if (item.hbm != nullptr && ::GetObjectW(item.hbm, sizeof(picture), &picture) != 0) {
            // The item's own bitmap at the right, vertically centred, 6 pixels after the text.
            const int left = r.right - 2 - picture.bmWidth;
            const int top = r.top + (r.bottom - r.top - picture.bmHeight) / 2;
            HDC memory = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(memory, ToGdiObj(item.hbm));
            ::BitBlt(dc, left, top, picture.bmWidth, picture.bmHeight, memory, 0, 0, SRCCOPY);
            ::SelectObject(memory, old);
            ::DeleteDC(memory);
            textRect.right = left - 6;
        }
        const CString shown = TranslateText(text);
        const int justify = item.fmt & HDF_JUSTIFYMASK;
        const UINT align = justify == HDF_RIGHT    ? DT_RIGHT
                           : justify == HDF_CENTER ? DT_CENTER
                                                   : DT_LEFT;
        ::DrawTextW(dc, shown.GetString(), -1, &textRect,
                    align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    ::DeleteObject(frame);
    if (oldFont != nullptr) {
        ::SelectObject(dc, oldFont);
    }
}

void CXHeaderCtrl::OnPaint() {
    CPaintDC dc(this);
    DrawItems(dc.GetSafeHdc());
}
