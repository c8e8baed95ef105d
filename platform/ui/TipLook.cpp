#include "platform/ui/TipLook.h"

#include "platform/gdi/Gdi.h"

namespace platform::tiplook {

namespace {

constexpr COLORREF kBackground = RGB(0xFF, 0xFF, 0xE1);
constexpr COLORREF kBorder = RGB(0x40, 0x40, 0x40);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr int kPadding = 4;
// One line, shown as it stands ("&" is no mnemonic), measured as it is drawn.
constexpr UINT kTextFormat = DT_SINGLELINE | DT_NOPREFIX;

HFONT TipFont() {
    return CreateFontW(14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");
}

} // namespace

SIZE TipSize(const std::u16string& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = TipFont();
    HGDIOBJ old = SelectObject(dc, ToGdiObj(font));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | kTextFormat);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return SIZE{r.right - r.left + 2 * kPadding, r.bottom - r.top + 2 * kPadding};
}

void PaintTip(HWND window, const std::u16string& text) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH back = CreateSolidBrush(kBackground);
    FillRect(dc, &client, back);
    DeleteObject(back);
    HBRUSH border = CreateSolidBrush(kBorder);
    FrameRect(dc, &client, border);
    DeleteObject(border);
    HFONT font = TipFont();
    HGDIOBJ old = SelectObject(dc, ToGdiObj(font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
    RECT inner{client.left + kPadding, client.top + kPadding, client.right - kPadding,
               client.bottom - kPadding};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner,
              kTextFormat | DT_VCENTER | DT_LEFT);
    SelectObject(dc, old);
    DeleteObject(font);
    EndPaint(window, &ps);
}

} // namespace platform::tiplook
