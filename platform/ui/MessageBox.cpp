// The message box: a dialog template made for the text and buttons, run modally.

#include "platform/ui/MessageBox.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Display.h"
#include "platform/ui/StandardText.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kIconId = 0xFFFE;
constexpr COLORREF kFace = RGB(0xF0, 0xF0, 0xF0);
constexpr COLORREF kButtonFace = RGB(0xE1, 0xE1, 0xE1);
constexpr COLORREF kButtonFrame = RGB(0xAD, 0xAD, 0xAD);
constexpr COLORREF kDefaultFrame = RGB(0x00, 0x78, 0xD7);

struct Button {
    int id;
    std::u16string text;
};

// The buttons in the program's language (platform/ui/StandardText.h).
std::vector<Button> ButtonsOf(UINT type) {
    using platform::StandardText;
    auto button = [](int id, StandardText text) {
        return Button{id, platform::GetStandardText(text)};
    };
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {button(IDOK, StandardText::Ok), button(IDCANCEL, StandardText::Cancel)};
    case MB_ABORTRETRYIGNORE:
        return {button(IDABORT, StandardText::Abort), button(IDRETRY, StandardText::Retry),
                button(IDIGNORE, StandardText::Ignore)};
    case MB_YESNOCANCEL:
        return {button(IDYES, StandardText::Yes), button(IDNO, StandardText::No),
                button(IDCANCEL, StandardText::Cancel)};
    case MB_YESNO:
        return {button(IDYES, StandardText::Yes), button(IDNO, StandardText::No)};
    case MB_RETRYCANCEL:
        return {button(IDRETRY, StandardText::Retry), button(IDCANCEL, StandardText::Cancel)};
    default:
        return {button(IDOK, StandardText::Ok)};
    }
}

struct BoxState {
    std::u16string text;
    UINT type = 0;
    std::vector<Button> buttons;
    int defaultId = IDOK;
    HBRUSH face = nullptr;
};

// The answer to Escape and the close box: Cancel where there is one, OK for a lone OK
// button, else none (0).
int CancelAnswer(const BoxState& s) {
    for (const Button& b : s.buttons) {
        if (b.id == IDCANCEL) {
            return IDCANCEL;
        }
    }
    return s.buttons.size() == 1 && s.buttons[0].id == IDOK ? IDOK : 0;
}

void DrawIcon(HDC dc, RECT r, UINT icon) {
    COLORREF fill = RGB(0x1E, 0x6F, 0xD9); // information, question
    if (icon == MB_ICONERROR) {
        fill = RGB(0xD8, 0x2C, 0x20);
    } else if (icon == MB_ICONWARNING) {
        fill = RGB(0xF2, 0xB1, 0x00);
    }
    // A filled disc, row by row.
    HBRUSH brush = CreateSolidBrush(fill);
    const double radius = static_cast<double>(r.right - r.left) / 2.0;
    const double cx = static_cast<double>(r.left) + radius;
    for (LONG y = r.top; y < r.bottom; ++y) {
        const double dy = static_cast<double>(y - r.top) + 0.5 - radius;
        const double half = std::sqrt(std::max(0.0, radius * radius - dy * dy));
        RECT row{static_cast<LONG>(std::lround(cx - half)), y,
                 static_cast<LONG>(std::lround(cx + half)), y + 1};
        FillRect(dc, &row, brush);
    }
    DeleteObject(brush);
    const char16_t* mark = icon == MB_ICONERROR      ? u"X"
                           : icon == MB_ICONWARNING  ? u"!"
                           : icon == MB_ICONQUESTION ? u"?"
                                                     : u"i";
    HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
    HGDIOBJ oldFont = SelectObject(dc, ToGdiObj(font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    DrawTextW(dc, mark, 1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

void DrawButton(const DRAWITEMSTRUCT& dis, const BoxState& s) {
    HDC dc = dis.hDC;
    RECT r = dis.rcItem;
    const bool isDefault =
        GetFocus() == dis.hwndItem || (static_cast<int>(dis.CtlID) == s.defaultId &&
                                       GetParent(GetFocus()) != GetParent(dis.hwndItem));
    HBRUSH frame = CreateSolidBrush(isDefault ? kDefaultFrame : kButtonFrame);
    HBRUSH face = CreateSolidBrush((dis.itemState & ODS_SELECTED) ? kButtonFrame : kButtonFace);
    FillRect(dc, &r, frame);
    const LONG inset = isDefault ? 2 : 1;
    RECT inner{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
    FillRect(dc, &inner, face);
    DeleteObject(frame);
    DeleteObject(face);
    const int length = GetWindowTextLengthW(dis.hwndItem);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    GetWindowTextW(dis.hwndItem, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    std::erase(text, u'&');
    auto font = reinterpret_cast<HFONT>(SendMessageW(dis.hwndItem, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, ToGdiObj(font)) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    if (oldFont) {
        SelectObject(dc, oldFont);
    }
}

void DrawText(const DRAWITEMSTRUCT& dis, const BoxState& s) {
    FillRect(dis.hDC, &dis.rcItem, s.face);
    auto font = reinterpret_cast<HFONT>(SendMessageW(dis.hwndItem, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dis.hDC, ToGdiObj(font)) : nullptr;
    SetBkMode(dis.hDC, TRANSPARENT);
    SetTextColor(dis.hDC, RGB(0, 0, 0));
    RECT r = dis.rcItem;
    DrawTextW(dis.hDC, s.text.c_str(), static_cast<int>(s.text.size()), &r,
              DT_WORDBREAK | DT_LEFT | DT_NOPREFIX);
    if (oldFont) {
        SelectObject(dis.hDC, oldFont);
    }
}

INT_PTR MessageBoxProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<BoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        s = reinterpret_cast<BoxState*>(lParam);
        if (HWND button = GetDlgItem(dialog, s->defaultId)) {
            SetFocus(button);
        }
        if (s->type & (MB_TOPMOST | MB_SYSTEMMODAL | MB_SETFOREGROUND)) {
            SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
        return FALSE; // the focus is set
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(dialog, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, s ? s->face : nullptr);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_DRAWITEM: {
        if (!s) {
            return FALSE;
        }
        const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis.CtlID == static_cast<UINT>(kIconId)) {
            FillRect(dis.hDC, &dis.rcItem, s->face);
            DrawIcon(dis.hDC, dis.rcItem, s->type & MB_ICONMASK);
        } else if (dis.CtlID == static_cast<UINT>(platform::kMessageBoxTextId)) {
            DrawText(dis, *s);
        } else {
            DrawButton(dis, *s);
        }
        return TRUE;
    }
    case WM_COMMAND: {
        if (!s) {
            return FALSE;
        }
        int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            // Escape, the close box or a Cancel button.
            id = CancelAnswer(*s);
        }
        auto isButton = [s](int candidate) {
            return std::any_of(s->buttons.begin(), s->buttons.end(),
                               [candidate](const Button& b) { return b.id == candidate; });
        };
        if (id == IDOK && !isButton(IDOK)) {
            // Return in a box without OK: the focused button, else the default one.
            const int focused = GetDlgCtrlID(GetFocus());
            id = isButton(focused) ? focused : s->defaultId;
        }
        const bool known = isButton(id);
        if (id != 0 && known) {
            EndDialog(dialog, id);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    BoxState s;
    s.text = text ? text : u"";
    s.type = type;
    s.buttons = ButtonsOf(type);
    const size_t defaultIndex = std::min<size_t>((type & MB_DEFMASK) >> 8, s.buttons.size() - 1);
    s.defaultId = s.buttons[defaultIndex].id;
    const bool icon = (type & MB_ICONMASK) != 0;
    if (owner && !IsWindow(owner)) {
        owner = nullptr;
    }

    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
    t.title = caption ? std::u16string(caption)
                      : platform::GetStandardText(platform::StandardText::ErrorCaption);
    const SIZE units = platform::DialogBaseUnitsFor(t.fontName, t.pointSize);
    auto toDluX = [&](int px) {
        return static_cast<short>((px * 4 + static_cast<int>(units.cx) - 1) / units.cx);
    };
    auto toDluY = [&](int px) {
        return static_cast<short>((px * 8 + static_cast<int>(units.cy) - 1) / units.cy);
    };

    // The text's size, wrapped at a third of the screen (at least 240 pixels).
    const SIZE screen = platform::ScreenSize();
    const int maxWidth = std::max(240, static_cast<int>(screen.cx) / 3);
    RECT textRect{0, 0, maxWidth, 0};
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = CreateFontW(-static_cast<int>(units.cy) + 2, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0,
                                 0, 0, 0, t.fontName.c_str());
        HGDIOBJ old = SelectObject(dc, ToGdiObj(font));
        DrawTextW(dc, s.text.empty() ? u" " : s.text.c_str(),
                  s.text.empty() ? 1 : static_cast<int>(s.text.size()), &textRect,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
    }
    // Pixels: margins 12, icon 32, buttons 75 x 23 six apart; a button whose text needs more
    // room (another language's) is as wide as its text and a margin of 8 each side.
    int buttonWidth = 75;
    for (const Button& b : s.buttons) {
        const int textWidth = platform::DialogTextWidth(t, b.text) * static_cast<int>(units.cx) / 4;
        buttonWidth = std::max(buttonWidth, textWidth + 16);
    }
    const int margin = 12;
    const int iconSize = icon ? 32 : 0;
    const int textLeft = margin + (icon ? iconSize + 12 : 0);
    const int textWidth = static_cast<int>(textRect.right - textRect.left) + 8;
    const int textHeight = std::max(static_cast<int>(textRect.bottom - textRect.top) + 4, iconSize);
    const int buttonsWidth = static_cast<int>(s.buttons.size()) * (buttonWidth + 6) - 6;
    const int width = std::max(textLeft + textWidth + margin, buttonsWidth + 2 * margin);
    const int buttonsTop = margin + textHeight + 16;
    const int height = buttonsTop + 23 + margin;

    t.cx = toDluX(width);
    t.cy = toDluY(height);
    if (icon) {
        t.items.push_back(DialogItemTemplate{u"Static", u"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW,
                                             0, toDluX(margin), toDluY(margin), toDluX(iconSize),
                                             toDluY(iconSize), static_cast<WORD>(kIconId)});
    }
    t.items.push_back(DialogItemTemplate{u"Static", s.text, WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0,
                                         toDluX(textLeft), toDluY(margin), toDluX(textWidth),
                                         toDluY(textHeight),
                                         static_cast<WORD>(platform::kMessageBoxTextId)});
    int x = width - margin - buttonsWidth;
    for (const Button& b : s.buttons) {
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
        t.items.push_back(DialogItemTemplate{u"Button", b.text, style, 0, toDluX(x),
                                             toDluY(buttonsTop), toDluX(buttonWidth), toDluY(23),
                                             static_cast<WORD>(b.id)});
        x += buttonWidth + 6;
    }
    s.face = CreateSolidBrush(kFace);
    const INT_PTR result =
        DialogBoxIndirectParamW(nullptr, &t, owner, MessageBoxProc, reinterpret_cast<LPARAM>(&s));
    DeleteObject(s.face);
    return result < 0 ? 0 : static_cast<int>(result);
}
