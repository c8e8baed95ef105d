#include "gui/BitmapItem.h"

#include "gui/BitmapBtn.h"
#include "gui/BitmapRegion.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"

CBitmapItem::CBitmapItem() {
    type = GUIITEM_BITMAPITEM;
}

void CBitmapItem::SetBitmap(HBITMAP source, int left, int top, int right, int bottom) {
    CutSkinBitmap(bitmap, this, source, 0, 0, right - left, bottom - top);
}

void CBitmapItem::SetRegion(HBITMAP mask, HBITMAP source, int left, int top, int right,
                            int bottom) {
    if (mask != nullptr) {
        if (HRGN region = BitmapToRegion(mask)) {
            SetWindowRgn(region, TRUE); // the window owns it from here on
        }
    }
    SetBitmap(source, left, top, right, bottom);
}

BOOL CBitmapItem::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HWND parentWnd = ::GetParent(m_hWnd)) {
        ::PostMessageW(parentWnd, WM_COMMAND, wParam, lParam);
    }
    return CWnd::OnCommand(wParam, lParam);
}

BOOL CBitmapItem::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_ASSIGNKEY_KEY) {
        if (HWND parentWnd = ::GetParent(m_hWnd)) {
            ::PostMessageW(parentWnd, message, wParam, lParam);
        }
        if (result != nullptr) {
            *result = 0;
        }
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

void CBitmapItem::OnPaint() {
    CPaintDC dc(this);
    if (bitmap.GetSafeHandle() == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(&client);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(&bitmap);
    dc.BitBlt(0, 0, client.right, client.bottom, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}
