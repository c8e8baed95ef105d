#include "gui/BitmapWindow.h"

#include "gui/BitmapBtn.h"
#include "gui/BitmapRegion.h"
#include "gui/FontItem.h"
#include "gui/SkinText.h"
#include "gui/WidgetMessages.h"
#include "platform/framework/CPaintDC.h"

#include <algorithm>

namespace {

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr ||
        GetObjectW(ToGdiObj(bitmap), static_cast<int>(sizeof(info)), &info) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}

} // namespace

CBitmapWindow::CBitmapWindow() {
    type = GUIITEM_BITMAPWINDOW;
}

// The skin font is shared by every widget of the skin: its item in the list frees it.
CBitmapWindow::~CBitmapWindow() = default;

void CBitmapWindow::SetBitmaps(HBITMAP contentSource, HBITMAP normal, HBITMAP over,
                               HBITMAP activeSource, HBITMAP mask, int left, int top, int right,
                               int bottom) {
    if (contentSource == nullptr) {
        return;
    }
    if (normal != nullptr) {
        const SIZE contentSize = SizeOf(contentSource);
        const SIZE frameSize = SizeOf(normal);
        insetX = std::max(0, (frameSize.cx - contentSize.cx) / 2);
        insetY = std::max(0, (frameSize.cy - contentSize.cy) / 2);
        CutSkinBitmap(content, this, contentSource, 0, 0, contentSize.cx, contentSize.cy);
        const int width = right - left;
        const int height = bottom - top;
        CutSkinBitmap(normalFrame, this, normal, 0, 0, width, height);
        CutSkinBitmap(overFrame, this, over, 0, 0, width, height);
        CutSkinBitmap(activeFrame, this, activeSource, 0, 0, width, height);
    }
    if (mask != nullptr) {
        if (HRGN region = BitmapToRegion(mask)) {
            SetWindowRgn(region, TRUE); // the window owns it from here on
        }
    }
}

void CBitmapWindow::SetToolTip(const WCHAR* text) {
    if (text != nullptr) {
        SetSkinToolTip(tooltip, this, SkinToolTipText(text));
    }
}

UINT CBitmapWindow::AssignedKeyCode(UINT key, UINT flags) {
    const bool extended = (flags & 0x100) != 0;
    const UINT scanCode = flags & 0xFF;
    switch (key) {
    case VK_RETURN:
        return extended ? 108 : VK_RETURN; // the keypad Enter
    case VK_SHIFT:
        return scanCode == 0x2A ? 160 : scanCode == 0x36 ? 161 : VK_SHIFT;
    case VK_CONTROL:
        return extended ? 163 : 162;
    case VK_MENU:
        return extended ? 165 : 164;
    default:
        return key;
    }
}

void CBitmapWindow::PostAssignedKey(UINT key, UINT flags) {
    if (HWND parentWnd = ::GetParent(m_hWnd)) {
        ::PostMessageW(parentWnd, WM_ASSIGNKEY_KEY, AssignedKeyCode(key, flags),
                       reinterpret_cast<LPARAM>(m_hWnd));
    }
}

RECT CBitmapWindow::InnerRect() const {
    RECT client{};
    GetClientRect(&client);
    return RECT{client.left + insetX, client.top + insetY, client.right - insetX,
                client.bottom - insetY};
}

BOOL CBitmapWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
    // As a bitmap item: hosted widgets' notifications go on to the parent as well.
    if (HWND parentWnd = ::GetParent(m_hWnd)) {
        ::PostMessageW(parentWnd, WM_COMMAND, wParam, lParam);
    }
    return CWnd::OnCommand(wParam, lParam);
}

BOOL CBitmapWindow::PreTranslateMessage(MSG* msg) {
    EnsureSkinToolTip(tooltip, this);
    if (tooltip.GetSafeHwnd() != nullptr) {
        tooltip.RelayEvent(msg);
    }
    return CWnd::PreTranslateMessage(msg);
}

void CBitmapWindow::OnLButtonUp(UINT flags, CPoint point) {
    CWnd::OnLButtonUp(flags, point);
    const bool wasActive = active != 0;
    active = wasActive ? 0 : 1;
    if (wasActive) {
        HWND back = previousFocus;
        previousFocus = nullptr;
        if (back != nullptr && ::IsWindow(back)) {
            ::SetFocus(back);
        }
    } else {
        const HWND had = ::SetFocus(m_hWnd);
        previousFocus = had != m_hWnd ? had : nullptr;
    }
    Invalidate();
}

void CBitmapWindow::OnKeyDown(UINT, UINT, UINT) {
    // Swallowed: the key is reported when it is released.
}

void CBitmapWindow::OnKeyUp(UINT key, UINT, UINT flags) {
    PostAssignedKey(key, flags);
}

void CBitmapWindow::OnSysKeyUp(UINT key, UINT repeat, UINT flags) {
    // Alt and keys released while Alt is held arrive as system keys.
    PostAssignedKey(key, flags);
    CWnd::OnSysKeyUp(key, repeat, flags);
}

void CBitmapWindow::OnMouseMove(UINT flags, CPoint point) {
    CWnd::OnMouseMove(flags, point);
    const bool leftDown = (flags & MK_LBUTTON) != 0;
    if (leftDown && !hover) {
        return;
    }
    const HWND ownerWnd = GetOwner() != nullptr ? GetOwner()->m_hWnd : ::GetParent(m_hWnd);
    if (::GetCapture() != m_hWnd && ::GetActiveWindow() != nullptr && ownerWnd != nullptr) {
        hover = 1;
        SetCapture();
        Invalidate();
        return;
    }
    POINT screen{point.x, point.y};
    ClientToScreen(&screen);
    const HWND under = ::WindowFromPoint(screen);
    if (under == nullptr || under == m_hWnd) {
        return;
    }
    if (hover) {
        hover = 0;
        Invalidate();
    }
    if (!leftDown) {
        ::ReleaseCapture();
    }
}

void CBitmapWindow::OnPaint() {
    CPaintDC dc(this);
    RECT client{};
    GetClientRect(&client);
    // Composed off-screen on a copy of the state's frame, so the frame itself stays clean.
    CDC composeDC;
    composeDC.CreateCompatibleDC(&dc);
    CBitmap composed;
    composed.CreateCompatibleBitmap(&dc, client.right, client.bottom);
    CBitmap* oldComposed = composeDC.SelectObject(&composed);

    CBitmap* frame = nullptr;
    if (active && activeFrame.GetSafeHandle() != nullptr) {
        frame = &activeFrame;
    } else if (!active && hover && overFrame.GetSafeHandle() != nullptr) {
        frame = &overFrame;
    } else if (normalFrame.GetSafeHandle() != nullptr) {
        frame = &normalFrame;
    }
    CDC sourceDC;
    sourceDC.CreateCompatibleDC(&dc);
    if (frame != nullptr) {
        CBitmap* old = sourceDC.SelectObject(frame);
        composeDC.BitBlt(0, 0, client.right, client.bottom, &sourceDC, 0, 0, SRCCOPY);
        sourceDC.SelectObject(old);
    }

    RECT inner = InnerRect();
    composeDC.FillSolidRect(&inner, RGB(0, 0, 0));
    if (caption.IsEmpty()) {
        if (content.GetSafeHandle() != nullptr) {
            CBitmap* old = sourceDC.SelectObject(&content);
            composeDC.BitBlt(inner.left, inner.top, inner.right - inner.left,
                             inner.bottom - inner.top, &sourceDC, 0, 0, SRCCOPY);
            sourceDC.SelectObject(old);
        }
    } else {
        composeDC.SetBkMode(TRANSPARENT);
        composeDC.SetTextColor(SkinTextColor(textColor));
        CFont fallback;
        CFont* oldFont = nullptr;
        if (font != nullptr && font->GetSafeHandle() != nullptr) {
            oldFont = composeDC.SelectObject(font);
        } else if (CreateFallbackFont(fallback)) {
            oldFont = composeDC.SelectObject(&fallback);
        }
        CString text = caption;
        composeDC.DrawText(text, &inner, textFormat);
        if (oldFont != nullptr) {
            composeDC.SelectObject(oldFont);
        }
    }
    dc.BitBlt(0, 0, client.right, client.bottom, &composeDC, 0, 0, SRCCOPY);
    composeDC.SelectObject(oldComposed);
}

BOOL CBitmapWindow::OnEraseBkgnd(CDC*) {
    return FALSE;
}

void CBitmapWindow::OnKillFocus(CWnd* newWnd) {
    CWnd::OnKillFocus(newWnd);
    hover = 0;
    active = 0;
    previousFocus = nullptr;
    Invalidate();
}

void CBitmapWindow::OnCaptureChanged(CWnd* wnd) {
    if (hover) {
        // Released only while still held: the capture may have gone to the window that
        // just took it, which must keep it.
        if (::GetCapture() == m_hWnd) {
            ::ReleaseCapture();
        }
        Invalidate();
    }
    CWnd::OnCaptureChanged(wnd);
}
