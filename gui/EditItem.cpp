#include "gui/EditItem.h"

#include "gui/FontItem.h"

namespace {

constexpr UINT kVkBack = 0x08;
constexpr UINT kVkLeft = 0x25;
constexpr UINT kVkRight = 0x27;
constexpr UINT kVkDelete = 0x2E;
constexpr UINT kVkNumpad0 = 0x60;
constexpr UINT kVkNumpad9 = 0x69;

} // namespace

CEditItem::CEditItem() {
    type = GUIITEM_EDITITEM;
}

CEditItem::~CEditItem() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

bool CEditItem::IsNumericKey(UINT virtualKey) {
    return virtualKey == kVkBack || virtualKey == kVkLeft || virtualKey == kVkRight ||
           virtualKey == kVkDelete || (virtualKey >= '0' && virtualKey <= '9') ||
           (virtualKey >= kVkNumpad0 && virtualKey <= kVkNumpad9);
}

bool CEditItem::IsNumericChar(UINT ch) {
    return ch == kVkBack || (ch >= '0' && ch <= '9');
}

BOOL CEditItem::PreTranslateMessage(MSG* msg) {
    if (numericOnly && msg != nullptr) {
        switch (msg->message) {
        case WM_KEYDOWN:
            return IsNumericKey(static_cast<UINT>(msg->wParam)) ? CEdit::PreTranslateMessage(msg)
                                                                : TRUE;
        case WM_CHAR:
            return IsNumericChar(static_cast<UINT>(msg->wParam)) ? CEdit::PreTranslateMessage(msg)
                                                                 : TRUE;
        case WM_CONTEXTMENU:
            return TRUE;
        default:
            break;
        }
    }
    return CEdit::PreTranslateMessage(msg);
}

int CEditItem::OnCreate(LPCREATESTRUCTW cs) {
    const int result = CEdit::OnCreate(cs);
    hwnd = m_hWnd;
    backgroundBrush.DeleteObject();
    backgroundBrush.CreateSolidBrush(backgroundColor);
    Invalidate();
    if (fontItem != nullptr) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(*fontItem)), TRUE);
    }
    return result;
}

BOOL CEditItem::OnEraseBkgnd(CDC*) {
    return FALSE;
}

HBRUSH CEditItem::CtlColor(CDC* dc, UINT) {
    dc->SetTextColor(textColor);
    dc->SetBkColor(backgroundColor);
    dc->SetDCPenColor(borderColor);
    dc->SetDCBrushColor(borderColor);
    return backgroundBrush;
}

void CEditItem::OnRButtonDown(UINT, CPoint) {}

// The release is swallowed too: its default processing would ask for a context menu.
void CEditItem::OnRButtonUp(UINT, CPoint) {}
