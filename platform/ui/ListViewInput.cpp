// The list-view control's input: the keys that move the selection, the wheel, and label
// editing.

#include "platform/ui/ListViewState.h"

#include <algorithm>
#include <string>

namespace platform::listview {

namespace {

LRESULT NotifyLabel(HWND hwnd, UINT code, int row, LPWSTR text) {
    NMLVDISPINFOW info;
    info.hdr.hwndFrom = hwnd;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
    info.hdr.code = code;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = row;
    info.item.pszText = text;
    return SendMessageW(GetParent(hwnd), WM_NOTIFY, info.hdr.idFrom,
                        reinterpret_cast<LPARAM>(&info));
}

constexpr LPCWSTR kEditProcProp = u"platform.listview.editproc";

// The label editor's procedure: Enter, Escape and the loss of the focus end the edit (it asks
// the dialog manager for every key, so that they reach it); all
// else goes to the edit field's own procedure (kept on the field, which may outlive the
// list's state while both are destroyed).
LRESULT LabelEditProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto own =
        reinterpret_cast<WNDPROC>(reinterpret_cast<LONG_PTR>(GetPropW(edit, kEditProcProp)));
    if (own == nullptr) {
        return DefWindowProcW(edit, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        RemovePropW(edit, kEditProcProp);
        return CallWindowProcW(own, edit, msg, wParam, lParam);
    }
    HWND list = GetParent(edit);
    ListState* s = list != nullptr ? StateOf(list) : nullptr;
    if (s == nullptr || s->edit != edit) {
        return CallWindowProcW(own, edit, msg, wParam, lParam);
    }
    if (msg == WM_GETDLGCODE) {
        // Enter and Escape end the edit here: the dialog around the list never sees them.
        return CallWindowProcW(own, edit, msg, wParam, lParam) | DLGC_WANTALLKEYS;
    }
    if (msg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        EndLabelEdit(list, *s, wParam == VK_RETURN);
        return 0;
    }
    if (msg == WM_KILLFOCUS) {
        const LRESULT result = CallWindowProcW(own, edit, msg, wParam, lParam);
        EndLabelEdit(list, *s, true);
        return result;
    }
    return CallWindowProcW(own, edit, msg, wParam, lParam);
}

} // namespace

// Ends a label edit: tells the parent (with the text unless cancelled) and removes the field.
void EndLabelEdit(HWND hwnd, ListState& s, bool commit) {
    if (s.edit == nullptr || s.ending) {
        return;
    }
    s.ending = true;
    const int length = GetWindowTextLengthW(s.edit);
    std::u16string text(static_cast<size_t>(std::max(length, 0)) + 1, u'\0');
    GetWindowTextW(s.edit, text.data(), length + 1);
    const LRESULT take =
        NotifyLabel(hwnd, LVN_ENDLABELEDITW, s.editRow, commit ? text.data() : nullptr);
    if (commit && take != 0 && s.editRow >= 0 && static_cast<size_t>(s.editRow) < s.rows.size()) {
        SetText(s.rows[static_cast<size_t>(s.editRow)], 0, text.c_str());
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    HWND edit = s.edit;
    s.edit = nullptr;
    s.editRow = -1;
    DestroyWindow(edit);
    s.ending = false;
}

HWND BeginLabelEdit(HWND hwnd, ListState& s, WPARAM index) {
    EndLabelEdit(hwnd, s, true);
    if (!Valid(s, index)) {
        return nullptr;
    }
    const int row = static_cast<int>(index);
    const RECT r = RowRect(hwnd, s, row);
    HWND edit =
        CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.left,
                        r.top, r.right - r.left, r.bottom - r.top, hwnd, nullptr, nullptr, nullptr);
    if (edit == nullptr) {
        return nullptr;
    }
    const Row& item = s.rows[index];
    SetWindowTextW(edit, item.texts.empty() ? u"" : item.texts[0].c_str());
    if (s.font != nullptr) {
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), 0);
    }
    s.edit = edit;
    s.editRow = row;
    const LONG_PTR own =
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LabelEditProc));
    SetPropW(edit, kEditProcProp, reinterpret_cast<HANDLE>(own));
    if (NotifyLabel(hwnd, LVN_BEGINLABELEDITW, row, nullptr) != 0) {
        s.edit = nullptr;
        s.editRow = -1;
        DestroyWindow(edit);
        return nullptr;
    }
    if (s.edit == edit) {
        if (GetFocus() != edit) {
            SetFocus(edit);
        }
        // The label shows selected, as the owner left it: typing replaces it.
        SendMessageW(edit, EM_SETSEL, 0, -1);
    }
    return s.edit;
}

bool MoveByKey(HWND hwnd, ListState& s, WPARAM vk) {
    if (vk != VK_UP && vk != VK_DOWN && vk != VK_PRIOR && vk != VK_NEXT && vk != VK_HOME &&
        vk != VK_END) {
        return false;
    }
    const int count = Count(s);
    if (count == 0) {
        return true;
    }
    // From the focused row, else the first selected one.
    int current = -1;
    for (int i = 0; i < count && current < 0; ++i) {
        if (s.rows[static_cast<size_t>(i)].state & LVIS_FOCUSED) {
            current = i;
        }
    }
    for (int i = 0; i < count && current < 0; ++i) {
        if (s.rows[static_cast<size_t>(i)].state & LVIS_SELECTED) {
            current = i;
        }
    }
    const int page = std::max(1, RowsPerPage(hwnd, s));
    const int lastShown = std::min(count, s.top + page) - 1;
    int next = current;
    switch (vk) {
    case VK_UP:
        next = current < 0 ? 0 : current - 1;
        break;
    case VK_DOWN:
        next = current + 1;
        break;
    case VK_PRIOR: // to the first row in view, then a page at a time
        next = current > s.top ? s.top : current - std::max(1, page - 1);
        break;
    case VK_NEXT: // to the last row in view, then a page at a time
        next = current >= 0 && current < lastShown ? lastShown : current + std::max(1, page - 1);
        break;
    case VK_HOME:
        next = 0;
        break;
    default: // VK_END
        next = count - 1;
        break;
    }
    next = std::clamp(next, 0, count - 1);
    for (int i = 0; i < count; ++i) {
        UINT& state = s.rows[static_cast<size_t>(i)].state;
        state = i == next ? (state | LVIS_SELECTED | LVIS_FOCUSED)
                          : (state & ~(LVIS_SELECTED | LVIS_FOCUSED));
    }
    if (next < s.top) {
        ScrollTo(hwnd, s, next);
    } else if (next >= s.top + page) {
        ScrollTo(hwnd, s, next - page + 1);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    return true;
}

void ScrollByWheel(HWND hwnd, ListState& s, int delta) {
    constexpr int kRowsPerNotch = 3;
    s.wheelRest += delta * kRowsPerNotch;
    const int rows = s.wheelRest / WHEEL_DELTA; // towards zero: the rest waits for more
    s.wheelRest -= rows * WHEEL_DELTA;
    if (rows != 0) {
        ScrollTo(hwnd, s, s.top - rows);
    }
}

} // namespace platform::listview
