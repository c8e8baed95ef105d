// The built-in "Edit" control: a one-line field as a desktop's. A blinking caret at the
// insertion point while it has the focus, the selection drawn, the caret keys with and
// without Shift (Ctrl: by words), Backspace and Delete, Ctrl+A, the clipboard (Ctrl+C, Ctrl+X,
// Ctrl+V; Ctrl+Insert, Shift+Delete, Shift+Insert), clicks and drags placing the caret and
// selecting, double clicks selecting a word; ES_CENTER and ES_RIGHT; text wider than the field
// scrolls so that the caret stays in sight; the text limit holds for every way text comes in.
//
// As in the system's edit field, the clipboard shortcuts with Ctrl come as the control
// characters TranslateMessage makes of them (WM_CHAR 1, 3, 22 and 24), so a subclass that
// keeps characters out (digits only, a key field) keeps them out too.

#include "platform/gdi/Gdi.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/EditText.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace platform::wm {

namespace {

constexpr LPCWSTR kStateProp = u"platform.edit.state";
constexpr UINT_PTR kCaretTimer = 0xEDC0;
constexpr UINT kCaretBlinkMs = 530;
// Room left of and right of the text, so that the caret shows at either end.
constexpr int kMargin = 1;
// Without EM_SETLIMITTEXT a field takes this many code units.
constexpr size_t kDefaultLimit = 30000;
// The selection in the desktop's highlight colours.
constexpr COLORREF kHighlight = RGB(0, 120, 215);
constexpr COLORREF kHighlightText = RGB(255, 255, 255);

struct EditState {
    EditText edit;
    size_t limit = 0; // 0: kDefaultLimit
    int scroll = 0;   // pixels of the text scrolled out at the left
    bool focused = false;
    bool caretOn = false;     // the blink's phase
    bool selecting = false;   // the left button went down in the field and is held
    char16_t pendingHigh = 0; // the first half of a surrogate pair typed as two characters
};

EditState* StateOf(HWND hwnd) {
    auto* s = static_cast<EditState*>(GetPropW(hwnd, kStateProp));
    if (s == nullptr) {
        s = new EditState;
        SetPropW(hwnd, kStateProp, s);
    }
    // The window text is the field's text; one set past the field (DefWindowProc) is taken.
    std::u16string text;
    {
        Lock lock(S().mutex);
        if (Window* w = Get(hwnd)) {
            text = w->text;
        }
    }
    if (text != s->edit.Text()) {
        s->edit.SetText(std::move(text));
        s->scroll = 0;
    }
    return s;
}

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
}

void Notify(HWND hwnd, WORD code) {
    SendMessageW(GetParent(hwnd), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                 reinterpret_cast<LPARAM>(hwnd));
}

void CaretBlink(HWND hwnd, UINT, UINT_PTR, DWORD) {
    auto* s = static_cast<EditState*>(GetPropW(hwnd, kStateProp));
    if (s == nullptr || !s->focused) {
        KillTimer(hwnd, kCaretTimer);
        return;
    }
    s->caretOn = !s->caretOn;
    InvalidateRect(hwnd, nullptr, FALSE);
}

// After typing or moving, the caret shows at once and blinks from then on.
void ShowCaretNow(HWND hwnd, EditState& s) {
    if (s.focused) {
        s.caretOn = true;
        SetTimer(hwnd, kCaretTimer, kCaretBlinkMs, CaretBlink);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
}

// The text's place in the field: where each position is drawn.
struct Layout {
    RECT area{};        // the client area less the margins
    int origin = 0;     // x of the text's start (scrolled or aligned)
    int top = 0;        // y of the text's top
    int height = 0;     // the font's height
    std::vector<int> x; // x of each position from the text's start (size = length + 1)
};

HFONT FontOf(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

// Measures the text with the field's font on dc and places it: aligned as the style says when
// it fits, else scrolled so that the caret is in sight (the scroll is kept in the state).
Layout PlaceText(HWND hwnd, EditState& s, HDC dc) {
    Layout l;
    RECT client{};
    GetClientRect(hwnd, &client);
    l.area = RECT{client.left + kMargin, client.top, client.right - kMargin, client.bottom};
    HFONT font = FontOf(hwnd);
    HGDIOBJ old = font ? SelectObject(dc, ToGdiObj(font)) : nullptr;
    const std::u16string& text = s.edit.Text();
    l.x.assign(text.size() + 1, 0);
    for (size_t i = 1; i <= text.size(); ++i) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(i), &size);
        l.x[i] = size.cx;
    }
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    if (old) {
        SelectObject(dc, old);
    }
    l.height = tm.tmHeight;
    l.top = client.top + (client.bottom - client.top - l.height) / 2;
    const int width = std::max<int>(l.area.right - l.area.left, 1);
    const int total = l.x.back() + 1; // the caret after the last character takes a pixel
    if (total <= width) {
        s.scroll = 0;
        const DWORD style = StyleOf(hwnd);
        if (style & ES_CENTER) {
            l.origin = l.area.left + (width - total) / 2;
        } else if (style & ES_RIGHT) {
            l.origin = l.area.right - total;
        } else {
            l.origin = l.area.left;
        }
        return l;
    }
    const int caret = l.x[s.edit.Caret()];
    if (caret < s.scroll) {
        // Going left out of sight: a quarter of the field comes back into view with it.
        s.scroll = std::max(0, caret - width / 4);
    } else if (caret >= s.scroll + width) {
        s.scroll = caret - width + 1;
    }
    s.scroll = std::clamp(s.scroll, 0, total - width);
    l.origin = l.area.left - s.scroll;
    return l;
}

Layout PlaceText(HWND hwnd, EditState& s) {
    HDC dc = GetDC(hwnd);
    Layout l = PlaceText(hwnd, s, dc);
    ReleaseDC(hwnd, dc);
    return l;
}

// The position nearest to a point of the client area.
size_t PositionAt(HWND hwnd, EditState& s, int x) {
    const Layout l = PlaceText(hwnd, s);
    size_t best = 0;
    int bestDistance = -1;
    for (size_t i = 0; i < l.x.size(); i = s.edit.CharAfter(i)) {
        const int distance = std::abs(l.origin + l.x[i] - x);
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
        if (i == s.edit.Length()) {
            break;
        }
    }
    return best;
}

void Paint(HWND hwnd, EditState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) {
        return;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    SetTextColor(dc, RGB(0, 0, 0));
    HWND parent = GetParent(hwnd);
    auto brush = reinterpret_cast<HBRUSH>(parent ? SendMessageW(parent, WM_CTLCOLOREDIT,
                                                                reinterpret_cast<WPARAM>(dc),
                                                                reinterpret_cast<LPARAM>(hwnd))
                                                 : 0);
    if (!brush) {
        brush = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
    FillRect(dc, &client, brush);
    const COLORREF textColor = GetTextColor(dc);
    const Layout l = PlaceText(hwnd, s, dc);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, l.area.left - kMargin, l.area.top, l.area.right + kMargin, l.area.bottom);
    HFONT font = FontOf(hwnd);
    if (font) {
        SelectObject(dc, ToGdiObj(font));
    }
    SetBkMode(dc, TRANSPARENT);
    const std::u16string& text = s.edit.Text();
    const bool showSelection = s.focused || (StyleOf(hwnd) & ES_NOHIDESEL) != 0;
    const size_t selStart = showSelection ? s.edit.SelectionStart() : 0;
    const size_t selEnd = showSelection ? s.edit.SelectionEnd() : 0;
    auto run = [&](size_t from, size_t to, bool selected) {
        if (from >= to) {
            return;
        }
        if (selected) {
            const RECT box{l.origin + l.x[from], l.top, l.origin + l.x[to], l.top + l.height};
            HBRUSH highlight = CreateSolidBrush(kHighlight);
            FillRect(dc, &box, highlight);
            DeleteObject(highlight);
        }
        SetTextColor(dc, selected ? kHighlightText : textColor);
        TextOutW(dc, l.origin + l.x[from], l.top, text.c_str() + from, static_cast<int>(to - from));
    };
    run(0, selStart, false);
    run(selStart, selEnd, true);
    run(selEnd, text.size(), false);
    if (s.focused && s.caretOn) {
        const int x = l.origin + l.x[s.edit.Caret()];
        const RECT caret{x, l.top, x + 1, l.top + l.height};
        HBRUSH pen = CreateSolidBrush(textColor);
        FillRect(dc, &caret, pen);
        DeleteObject(pen);
    }
    RestoreDC(dc, saved);
    EndPaint(hwnd, &ps);
}

size_t LimitOf(const EditState& s) {
    return s.limit != 0 ? s.limit : kDefaultLimit;
}

// The text changed: the window text follows, the parent hears of it.
void Changed(HWND hwnd, EditState& s) {
    DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.edit.Text().c_str()));
    ShowCaretNow(hwnd, s);
    Notify(hwnd, EN_CHANGE);
}

bool ReadOnly(HWND hwnd) {
    return (StyleOf(hwnd) & ES_READONLY) != 0;
}

// Replaces the selection by text within the limit, as typing and pasting do.
void Insert(HWND hwnd, EditState& s, std::u16string_view text) {
    bool full = false;
    if (s.edit.ReplaceSelection(text, LimitOf(s), &full)) {
        Changed(hwnd, s);
    }
    if (full) {
        Notify(hwnd, EN_MAXTEXT);
    }
}

void Copy(EditState& s) {
    if (s.edit.HasSelection()) {
        SetClipboardText(s.edit.SelectedText());
    }
}

void Cut(HWND hwnd, EditState& s) {
    if (!s.edit.HasSelection() || ReadOnly(hwnd)) {
        return;
    }
    Copy(s);
    s.edit.DeleteForward();
    Changed(hwnd, s);
}

void Paste(HWND hwnd, EditState& s) {
    if (ReadOnly(hwnd)) {
        return;
    }
    const std::optional<std::u16string> clip = GetClipboardText();
    if (!clip) {
        return;
    }
    // One line: up to the first line break, without control characters.
    std::u16string line;
    for (const char16_t c : *clip) {
        if (c == u'\r' || c == u'\n') {
            break;
        }
        if (c == u'\t') {
            line.push_back(u' ');
        } else if (c >= 0x20 && c != 0x7F) {
            line.push_back(c);
        }
    }
    if ((StyleOf(hwnd) & ES_NUMBER) &&
        !std::all_of(line.begin(), line.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
        return; // a digits-only field takes no other text
    }
    Insert(hwnd, s, line);
}

void OnKeyDown(HWND hwnd, EditState& s, WPARAM vk) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const size_t caret = s.edit.Caret();
    auto move = [&](size_t to) {
        s.edit.MoveTo(to, shift);
        ShowCaretNow(hwnd, s);
    };
    switch (vk) {
    case VK_LEFT:
        if (!shift && !control && s.edit.HasSelection()) {
            move(s.edit.SelectionStart());
        } else {
            move(control ? s.edit.WordBefore(caret) : s.edit.CharBefore(caret));
        }
        break;
    case VK_RIGHT:
        if (!shift && !control && s.edit.HasSelection()) {
            move(s.edit.SelectionEnd());
        } else {
            move(control ? s.edit.WordAfter(caret) : s.edit.CharAfter(caret));
        }
        break;
    case VK_HOME:
        move(0);
        break;
    case VK_END:
        move(s.edit.Length());
        break;
    case VK_DELETE:
        if (shift && !control) {
            Cut(hwnd, s);
        } else if (!ReadOnly(hwnd) && s.edit.DeleteForward()) {
            Changed(hwnd, s);
        }
        break;
    case VK_INSERT:
        if (control && !shift) {
            Copy(s);
        } else if (shift && !control) {
            Paste(hwnd, s);
        }
        break;
    default:
        break;
    }
}

void OnChar(HWND hwnd, EditState& s, char16_t c) {
    switch (c) {
    case 0x01: // Ctrl+A
        s.edit.SetSelection(0, -1);
        ShowCaretNow(hwnd, s);
        return;
    case 0x03: // Ctrl+C
        Copy(s);
        return;
    case 0x16: // Ctrl+V
        Paste(hwnd, s);
        return;
    case 0x18: // Ctrl+X
        Cut(hwnd, s);
        return;
    default:
        break;
    }
    if (ReadOnly(hwnd)) {
        return;
    }
    if (c == 0x08) {
        if (s.edit.DeleteBackward()) {
            Changed(hwnd, s);
        }
        return;
    }
    if (c < 0x20 || c == 0x7F) {
        return;
    }
    // A character beyond the first plane comes as its two halves, one message each.
    if (c >= 0xD800 && c <= 0xDBFF) {
        s.pendingHigh = c;
        return;
    }
    const char16_t high = std::exchange(s.pendingHigh, char16_t{0});
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (high != 0) {
            const char16_t pair[2] = {high, c};
            Insert(hwnd, s, std::u16string_view(pair, 2));
        }
        return;
    }
    if ((StyleOf(hwnd) & ES_NUMBER) && (c < u'0' || c > u'9')) {
        return;
    }
    Insert(hwnd, s, std::u16string_view(&c, 1));
}

LRESULT LineMessage(HWND hwnd, EditState& s, UINT msg, WPARAM wParam, LPARAM lParam) {
    // The field holds one line: its length, or a copy of it into the caller's buffer, whose
    // first WORD gives its room in characters; no terminating NUL is added.
    const std::u16string& text = s.edit.Text();
    (void)hwnd;
    if (msg == EM_LINELENGTH) {
        return static_cast<LRESULT>(text.size());
    }
    auto* buffer = reinterpret_cast<WCHAR*>(lParam);
    if (wParam != 0 || buffer == nullptr) {
        return 0;
    }
    const size_t room = static_cast<WORD>(buffer[0]);
    const size_t copied = std::min(room, text.size());
    std::copy_n(text.begin(), copied, buffer);
    return static_cast<LRESULT>(copied);
}

} // namespace

LRESULT EditControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCDESTROY) {
        delete static_cast<EditState*>(RemovePropW(hwnd, kStateProp));
        KillTimer(hwnd, kCaretTimer);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCCREATE) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    EditState& s = *StateOf(hwnd);
    switch (msg) {
    case EM_SETSEL:
        s.edit.SetSelection(static_cast<long>(static_cast<int>(wParam)),
                            static_cast<long>(static_cast<int>(lParam)));
        ShowCaretNow(hwnd, s);
        return 0;
    case EM_GETSEL: {
        const auto start = static_cast<DWORD>(s.edit.SelectionStart());
        const auto end = static_cast<DWORD>(s.edit.SelectionEnd());
        if (auto* out = reinterpret_cast<DWORD*>(wParam)) {
            *out = start;
        }
        if (auto* out = reinterpret_cast<DWORD*>(lParam)) {
            *out = end;
        }
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end)));
    }
    case EM_SETLIMITTEXT:
        s.limit = static_cast<size_t>(wParam);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(LimitOf(s));
    case EM_SCROLLCARET:
        InvalidateRect(hwnd, nullptr, FALSE); // placed in sight when drawn
        return 0;
    case EM_LINELENGTH:
    case EM_GETLINE:
        return LineMessage(hwnd, s, msg, wParam, lParam);
    case EM_REPLACESEL: {
        const auto* text = reinterpret_cast<LPCWSTR>(lParam);
        Insert(hwnd, s, text ? std::u16string_view(text) : std::u16string_view());
        return 0;
    }
    case WM_KEYDOWN:
        OnKeyDown(hwnd, s, wParam);
        return 0;
    case WM_CHAR:
        OnChar(hwnd, s, static_cast<char16_t>(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != hwnd) {
            SetFocus(hwnd);
        }
        const bool shift = (wParam & MK_SHIFT) != 0;
        s.edit.MoveTo(PositionAt(hwnd, s, GET_X_LPARAM(lParam)), shift);
        s.selecting = true;
        SetCapture(hwnd);
        ShowCaretNow(hwnd, s);
        return 0;
    }
    case WM_LBUTTONDBLCLK: {
        const auto [start, end] = s.edit.WordAround(PositionAt(hwnd, s, GET_X_LPARAM(lParam)));
        s.edit.SetSelection(static_cast<long>(start), static_cast<long>(end));
        ShowCaretNow(hwnd, s);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s.selecting && GetCapture() == hwnd) {
            const size_t at = PositionAt(hwnd, s, GET_X_LPARAM(lParam));
            if (at != s.edit.Caret()) {
                s.edit.MoveTo(at, true);
                ShowCaretNow(hwnd, s);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        s.selecting = false;
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        s.selecting = false;
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        s.focused = msg == WM_SETFOCUS;
        s.pendingHigh = 0;
        if (s.focused) {
            ShowCaretNow(hwnd, s);
        } else {
            KillTimer(hwnd, kCaretTimer);
            s.caretOn = false;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        Notify(hwnd, msg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
        return 0;
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
        const auto* text = reinterpret_cast<LPCWSTR>(lParam);
        s.edit.SetText(text ? std::u16string(text) : std::u16string()); // the caret at its start
        s.scroll = 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_SETFONT:
    case WM_ENABLE:
    case WM_SIZE: {
        const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    case WM_PAINT:
        Paint(hwnd, s);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::wm
