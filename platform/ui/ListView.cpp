#include "platform/ui/ListView.h"
#include "platform/ui/ListViewState.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/ScrollBar.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace platform::listview {

namespace {

constexpr LPCWSTR kStateProp = u"platform.listview.state";
constexpr int kDefaultRowHeight = 15;

} // namespace

ListState* StateOf(HWND hwnd) {
    return static_cast<ListState*>(GetPropW(hwnd, kStateProp));
}

// The row height follows the font: its height and one pixel of spacing; rows are at least as
// high as the small images.
int RowHeight(const ListState& s) {
    int height = kDefaultRowHeight;
    LOGFONTW font;
    if (s.font != nullptr && GetObjectW(s.font, sizeof(font), &font) != 0) {
        height = std::max<int>(
            1, static_cast<int>(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight) + 1);
    }
    int cx = 0;
    int cy = 0;
    if (ImageList_GetIconSize(s.images, &cx, &cy)) {
        height = std::max(height, cy);
    }
    return height;
}

int HeaderHeight(const ListState& s) {
    return s.header != nullptr ? kHeaderHeight : 0;
}

// Height of the area below the header, where the rows are.
int ClientHeight(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const ListState* s = StateOf(hwnd);
    return std::max(0, client.bottom - client.top - (s ? HeaderHeight(*s) : 0));
}

int RowsPerPage(HWND hwnd, const ListState& s) {
    return ClientHeight(hwnd) / RowHeight(s);
}

int Count(const ListState& s) {
    return static_cast<int>(s.rows.size());
}

int HighestTop(HWND hwnd, const ListState& s) {
    return std::max(0, Count(s) - RowsPerPage(hwnd, s));
}

void SyncScrollInfo(HWND hwnd, ListState& s) {
    s.top = std::clamp(s.top, 0, HighestTop(hwnd, s));
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, Count(s) - 1);
    info.nPage = static_cast<UINT>(RowsPerPage(hwnd, s));
    info.nPos = s.top;
    SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
}

void ScrollTo(HWND hwnd, ListState& s, int top) {
    const int before = s.top;
    s.top = top;
    SyncScrollInfo(hwnd, s);
    if (s.top != before) {
        InvalidateRect(hwnd, nullptr, TRUE);
    }
}

RECT RowRect(HWND hwnd, const ListState& s, int index) {
    RECT client{};
    GetClientRect(hwnd, &client);
    int width = 0;
    for (const Column& c : s.columns) {
        width += c.width;
    }
    if (s.columns.empty()) {
        width = client.right;
    }
    const int h = RowHeight(s);
    const int y = HeaderHeight(s) + (index - s.top) * h;
    return RECT{0, y, width, y + h};
}

// The cell of one column in a row; false for a column that does not exist.
bool SubItemRect(HWND hwnd, const ListState& s, int index, int column, RECT& out) {
    if (column < 0 || static_cast<size_t>(column) >= s.columns.size()) {
        return false;
    }
    out = RowRect(hwnd, s, index);
    int left = 0;
    for (int c = 0; c < column; ++c) {
        left += s.columns[static_cast<size_t>(c)].width;
    }
    out.left = left;
    out.right = left + s.columns[static_cast<size_t>(column)].width;
    return true;
}

int HitRow(HWND hwnd, const ListState& s, POINT p) {
    RECT client{};
    GetClientRect(hwnd, &client);
    if (p.x < client.left || p.x >= client.right || p.y < client.top + HeaderHeight(s) ||
        p.y >= client.bottom) {
        return -1;
    }
    for (int i = 0; i < Count(s); ++i) {
        const RECT r = RowRect(hwnd, s, i);
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
            return i;
        }
    }
    return -1;
}

void SetText(Row& row, int column, LPCWSTR text) {
    if (column < 0) {
        return;
    }
    const auto c = static_cast<size_t>(column);
    if (row.texts.size() <= c) {
        row.texts.resize(c + 1);
    }
    row.texts[c] = text ? std::u16string(text) : std::u16string();
}

int CopyText(const std::u16string& text, LPWSTR buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const int n = std::min(static_cast<int>(text.size()), size - 1);
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = 0;
    return n;
}

bool Valid(const ListState& s, WPARAM index) {
    return static_cast<LONG_PTR>(index) >= 0 && static_cast<size_t>(index) < s.rows.size();
}

void SendClick(HWND hwnd) {
    NMHDR header;
    header.hwndFrom = hwnd;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
    header.code = NM_CLICK;
    SendMessageW(GetParent(hwnd), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void DrawCellText(HDC dc, const ListState& s, const std::u16string& text, RECT rect,
                  COLORREF colour, int format) {
    HGDIOBJ oldFont = s.font ? SelectObject(dc, ToGdiObj(s.font)) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    const int justify = format & LVCFMT_JUSTIFYMASK;
    const UINT align = justify == LVCFMT_RIGHT    ? DT_RIGHT
                       : justify == LVCFMT_CENTER ? DT_CENTER
                                                  : DT_LEFT;
    DrawTextW(dc, text.c_str(), -1, &rect, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (oldFont != nullptr) {
        SelectObject(dc, oldFont);
    }
}

LRESULT Notify(HWND hwnd, NMLVCUSTOMDRAW& draw) {
    draw.nmcd.hdr.hwndFrom = hwnd;
    draw.nmcd.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    return SendMessageW(GetParent(hwnd), WM_NOTIFY, draw.nmcd.hdr.idFrom,
                        reinterpret_cast<LPARAM>(&draw));
}

void Paint(HWND hwnd, ListState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    NMLVCUSTOMDRAW draw;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    draw.nmcd.hdc = dc;
    draw.nmcd.rc = client;
    const LRESULT wanted = Notify(hwnd, draw);
    if ((wanted & CDRF_SKIPDEFAULT) == 0) {
        // Every row that shows, a partly shown last one included.
        const int h = RowHeight(s);
        const int last = std::min(Count(s), s.top + (ClientHeight(hwnd) + h - 1) / h);
        for (int i = s.top; i < last; ++i) {
            Row& row = s.rows[static_cast<size_t>(i)];
            NMLVCUSTOMDRAW item;
            item.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
            item.nmcd.hdc = dc;
            item.nmcd.rc = RowRect(hwnd, s, i);
            item.nmcd.dwItemSpec = static_cast<DWORD_PTR>(i);
            item.nmcd.uItemState = (row.state & LVIS_SELECTED) ? CDIS_SELECTED : 0;
            item.nmcd.lItemlParam = row.data;
            item.clrText = s.textColour;
            item.clrTextBk = s.backColour;
            const LRESULT itemWanted =
                (wanted & CDRF_NOTIFYITEMDRAW) != 0 ? Notify(hwnd, item) : CDRF_DODEFAULT;
            if (itemWanted & CDRF_SKIPDEFAULT) {
                continue;
            }
            const auto textOf = [&row](size_t c) {
                return c < row.texts.size() ? row.texts[c] : std::u16string();
            };
            if ((itemWanted & CDRF_NOTIFYSUBITEMDRAW) != 0 && !s.columns.empty()) {
                for (size_t c = 0; c < s.columns.size(); ++c) {
                    NMLVCUSTOMDRAW cell = item;
                    cell.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
                    cell.iSubItem = static_cast<int>(c);
                    SubItemRect(hwnd, s, i, static_cast<int>(c), cell.nmcd.rc);
                    if (Notify(hwnd, cell) & CDRF_SKIPDEFAULT) {
                        continue;
                    }
                    HBRUSH brush = CreateSolidBrush(cell.clrTextBk);
                    FillRect(dc, &cell.nmcd.rc, brush);
                    DeleteObject(brush);
                    DrawCellText(dc, s, textOf(c), cell.nmcd.rc, cell.clrText, s.columns[c].format);
                }
                continue;
            }
            HBRUSH brush = CreateSolidBrush(item.clrTextBk);
            FillRect(dc, &item.nmcd.rc, brush);
            DeleteObject(brush);
            DrawCellText(dc, s, textOf(0), item.nmcd.rc, item.clrText, LVCFMT_LEFT);
        }
    }
    EndPaint(hwnd, &ps);
}

// The header is made when it is first asked for or the first column goes in, so a list that
// never has columns keeps all its height for rows. None with LVS_NOCOLUMNHEADER.
HWND EnsureHeader(HWND hwnd, ListState& s) {
    if (s.header == nullptr &&
        (static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & LVS_NOCOLUMNHEADER) == 0) {
        InitHeaderControl();
        RECT client{};
        GetClientRect(hwnd, &client);
        s.header = CreateWindowExW(0, WC_HEADERW, u"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                   kHeaderHeight, hwnd, nullptr, nullptr, nullptr);
        for (size_t i = 0; s.header != nullptr && i < s.columns.size(); ++i) {
            HDITEMW heading;
            heading.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
            heading.pszText = s.columns[i].title.data();
            heading.cxy = s.columns[i].width;
            heading.fmt = s.columns[i].format & LVCFMT_JUSTIFYMASK;
            SendMessageW(s.header, HDM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&heading));
        }
        SyncScrollInfo(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    return s.header;
}

LRESULT ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ListState* s = StateOf(hwnd);
    if (s == nullptr && msg != WM_NCCREATE && msg != WM_CREATE) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_NCCREATE:
        SetPropW(hwnd, kStateProp, new ListState);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_DESTROY:
        s->edit = nullptr; // destroyed with the list, without a notification
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
        delete s;
        RemovePropW(hwnd, kStateProp);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_SIZE:
        if (s->header != nullptr) {
            MoveWindow(s->header, 0, 0, LOWORD(static_cast<DWORD_PTR>(lParam)), kHeaderHeight,
                       TRUE);
        }
        SyncScrollInfo(hwnd, *s);
        return 0;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        SyncScrollInfo(hwnd, *s);
        if (lParam) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (MoveByKey(hwnd, *s, wParam)) {
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_MOUSEWHEEL:
        ScrollByWheel(hwnd, *s, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(s->backColour);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        const int hit = HitRow(hwnd, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        for (size_t i = 0; i < s->rows.size(); ++i) {
            const bool chosen = static_cast<int>(i) == hit;
            s->rows[i].state = chosen ? (s->rows[i].state | LVIS_SELECTED | LVIS_FOCUSED)
                                      : (s->rows[i].state & ~(LVIS_SELECTED | LVIS_FOCUSED));
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        SendClick(hwnd);
        return 0;
    }
    case WM_VSCROLL: {
        const int page = std::max(1, RowsPerPage(hwnd, *s));
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
            ScrollTo(hwnd, *s, s->top - 1);
            break;
        case SB_LINEDOWN:
            ScrollTo(hwnd, *s, s->top + 1);
            break;
        case SB_PAGEUP:
            ScrollTo(hwnd, *s, s->top - page);
            break;
        case SB_PAGEDOWN:
            ScrollTo(hwnd, *s, s->top + page);
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            ScrollTo(hwnd, *s, static_cast<int>(HIWORD(wParam)));
            break;
        case SB_TOP:
            ScrollTo(hwnd, *s, 0);
            break;
        case SB_BOTTOM:
            ScrollTo(hwnd, *s, Count(*s));
            break;
        default:
            break;
        }
        return 0;
    }
    case LVM_SETBKCOLOR:
        s->backColour = static_cast<COLORREF>(lParam);
        return TRUE;
    case LVM_SETTEXTCOLOR:
        s->textColour = static_cast<COLORREF>(lParam);
        return TRUE;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        const DWORD earlier = s->extendedStyle;
        const DWORD mask = wParam == 0 ? ~DWORD{0} : static_cast<DWORD>(wParam);
        s->extendedStyle = (earlier & ~mask) | (static_cast<DWORD>(lParam) & mask);
        return static_cast<LRESULT>(earlier);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return static_cast<LRESULT>(s->extendedStyle);
    case LVM_SETOUTLINECOLOR: {
        const COLORREF earlier = s->outlineColour;
        s->outlineColour = static_cast<COLORREF>(lParam);
        return static_cast<LRESULT>(earlier);
    }
    case LVM_GETOUTLINECOLOR:
        return static_cast<LRESULT>(s->outlineColour);
    case LVM_GETITEMCOUNT:
        return Count(*s);
    case LVM_DELETEALLITEMS:
        s->rows.clear();
        s->top = 0;
        SyncScrollInfo(hwnd, *s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_DELETEITEM:
        if (!Valid(*s, wParam)) {
            return FALSE;
        }
        s->rows.erase(s->rows.begin() + static_cast<LONG_PTR>(wParam));
        SyncScrollInfo(hwnd, *s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_INSERTITEMW: {
        const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (item == nullptr || item->iSubItem != 0) {
            return -1;
        }
        Row row;
        if (item->mask & LVIF_TEXT) {
            SetText(row, 0, item->pszText);
        }
        if (item->mask & LVIF_PARAM) {
            row.data = item->lParam;
        }
        if (item->mask & LVIF_STATE) {
            row.state = item->state & item->stateMask;
        }
        const int at = std::clamp(item->iItem, 0, Count(*s));
        s->rows.insert(s->rows.begin() + at, std::move(row));
        SyncScrollInfo(hwnd, *s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return at;
    }
    case LVM_SETITEMW:
    case LVM_GETITEMW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        if (item == nullptr || !Valid(*s, static_cast<WPARAM>(item->iItem))) {
            return FALSE;
        }
        Row& row = s->rows[static_cast<size_t>(item->iItem)];
        if (msg == LVM_SETITEMW) {
            if (item->mask & LVIF_TEXT) {
                SetText(row, item->iSubItem, item->pszText);
            }
            if (item->mask & LVIF_PARAM) {
                row.data = item->lParam;
            }
            if (item->mask & LVIF_STATE) {
                row.state = (row.state & ~item->stateMask) | (item->state & item->stateMask);
            }
            InvalidateRect(hwnd, nullptr, TRUE);
            return TRUE;
        }
        if (item->mask & LVIF_TEXT) {
            const auto c = static_cast<size_t>(std::max(item->iSubItem, 0));
            CopyText(c < row.texts.size() ? row.texts[c] : std::u16string(), item->pszText,
                     item->cchTextMax);
        }
        if (item->mask & LVIF_PARAM) {
            item->lParam = row.data;
        }
        if (item->mask & LVIF_STATE) {
            item->state = row.state & item->stateMask;
        }
        return TRUE;
    }
    case LVM_SETITEMTEXTW:
    case LVM_GETITEMTEXTW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        if (item == nullptr || !Valid(*s, wParam)) {
            return 0;
        }
        Row& row = s->rows[static_cast<size_t>(wParam)];
        if (msg == LVM_SETITEMTEXTW) {
            SetText(row, item->iSubItem, item->pszText);
            InvalidateRect(hwnd, nullptr, TRUE);
            return TRUE;
        }
        const auto c = static_cast<size_t>(std::max(item->iSubItem, 0));
        return CopyText(c < row.texts.size() ? row.texts[c] : std::u16string(), item->pszText,
                        item->cchTextMax);
    }
    case LVM_SETITEMSTATE: {
        const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (item == nullptr) {
            return FALSE;
        }
        const auto apply = [&](Row& row) {
            row.state = (row.state & ~item->stateMask) | (item->state & item->stateMask);
        };
        if (static_cast<LONG_PTR>(wParam) == -1) {
            std::for_each(s->rows.begin(), s->rows.end(), apply);
        } else if (Valid(*s, wParam)) {
            apply(s->rows[static_cast<size_t>(wParam)]);
        } else {
            return FALSE;
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case LVM_GETITEMSTATE:
        return Valid(*s, wParam) ? static_cast<LRESULT>(s->rows[static_cast<size_t>(wParam)].state &
                                                        static_cast<UINT>(lParam))
                                 : 0;
    case LVM_GETNEXTITEM: {
        const auto start = static_cast<int>(static_cast<LONG_PTR>(wParam));
        for (int i = std::max(start + 1, 0); i < Count(*s); ++i) {
            if ((lParam & LVNI_SELECTED) == 0 ||
                (s->rows[static_cast<size_t>(i)].state & LVIS_SELECTED)) {
                return i;
            }
        }
        return -1;
    }
    case LVM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr || !Valid(*s, wParam)) {
            return FALSE;
        }
        *rect = RowRect(hwnd, *s, static_cast<int>(wParam));
        return TRUE;
    }
    case LVM_HITTEST: {
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (info == nullptr) {
            return -1;
        }
        info->iItem = HitRow(hwnd, *s, info->pt);
        info->flags = info->iItem >= 0 ? LVHT_ONITEM : LVHT_NOWHERE;
        return info->iItem;
    }
    case LVM_SUBITEMHITTEST: {
        // The row and the column under the point; -1 and flags LVHT_NOWHERE outside the cells.
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (info == nullptr) {
            return -1;
        }
        info->iItem = HitRow(hwnd, *s, info->pt);
        info->iSubItem = -1;
        for (int c = 0; info->iItem >= 0 && c < static_cast<int>(s->columns.size()); ++c) {
            RECT r{};
            SubItemRect(hwnd, *s, info->iItem, c, r);
            if (info->pt.x >= r.left && info->pt.x < r.right) {
                info->iSubItem = c;
                break;
            }
        }
        if (info->iSubItem < 0) {
            info->iItem = -1;
            info->iSubItem = 0;
        }
        info->flags = info->iItem >= 0 ? LVHT_ONITEM : LVHT_NOWHERE;
        return info->iItem;
    }
    case LVM_GETSUBITEMRECT: {
        // In: rect->top the column, rect->left LVIR_BOUNDS or LVIR_LABEL (the same cell here).
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr || !Valid(*s, wParam)) {
            return FALSE;
        }
        RECT cell{};
        if (!SubItemRect(hwnd, *s, static_cast<int>(wParam), rect->top, cell)) {
            return FALSE;
        }
        *rect = cell;
        return TRUE;
    }
    case LVM_ENSUREVISIBLE: {
        if (!Valid(*s, wParam)) {
            return FALSE;
        }
        const int row = static_cast<int>(wParam);
        const int page = std::max(1, RowsPerPage(hwnd, *s));
        if (row < s->top) {
            ScrollTo(hwnd, *s, row);
        } else if (row >= s->top + page) {
            ScrollTo(hwnd, *s, row - page + 1);
        }
        return TRUE;
    }
    case LVM_REDRAWITEMS:
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_EDITLABELW:
        return reinterpret_cast<LRESULT>(BeginLabelEdit(hwnd, *s, wParam));
    case LVM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(s->edit);
    case LVM_CANCELEDITLABEL:
        EndLabelEdit(hwnd, *s, false);
        return 0;
    case LVM_GETHEADER:
        return reinterpret_cast<LRESULT>(EnsureHeader(hwnd, *s));
    case LVM_SETIMAGELIST: {
        if (static_cast<int>(wParam) != LVSIL_SMALL) {
            return 0;
        }
        HIMAGELIST old = s->images;
        s->images = reinterpret_cast<HIMAGELIST>(lParam);
        SyncScrollInfo(hwnd, *s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETCOLUMNWIDTH:
        return wParam < s->columns.size() ? s->columns[wParam].width : 0;
    case LVM_GETCOLUMNW: {
        auto* column = reinterpret_cast<LVCOLUMNW*>(lParam);
        if (column == nullptr || wParam >= s->columns.size()) {
            return FALSE;
        }
        const Column& c = s->columns[wParam];
        if (column->mask & LVCF_FMT) {
            column->fmt = c.format;
        }
        if (column->mask & LVCF_WIDTH) {
            column->cx = c.width;
        }
        if (column->mask & LVCF_TEXT) {
            CopyText(c.title, column->pszText, column->cchTextMax);
        }
        return TRUE;
    }
    case LVM_SCROLL: {
        // dy in pixels; whole rows only.
        const int dy = static_cast<int>(static_cast<LONG_PTR>(lParam));
        ScrollTo(hwnd, *s, s->top + dy / RowHeight(*s));
        return TRUE;
    }
    case LVM_GETTOPINDEX:
        return s->top;
    case LVM_GETCOUNTPERPAGE:
        return RowsPerPage(hwnd, *s);
    case LVM_INSERTCOLUMNW: {
        const auto* column = reinterpret_cast<const LVCOLUMNW*>(lParam);
        if (column == nullptr) {
            return -1;
        }
        Column c;
        c.width = (column->mask & LVCF_WIDTH) ? column->cx : 0;
        c.format = (column->mask & LVCF_FMT) ? column->fmt : LVCFMT_LEFT;
        if ((column->mask & LVCF_TEXT) && column->pszText) {
            c.title = column->pszText;
        }
        const int at = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(s->columns.size()));
        if (EnsureHeader(hwnd, *s) != nullptr) {
            HDITEMW heading;
            heading.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
            heading.pszText = c.title.data();
            heading.cxy = c.width;
            heading.fmt = c.format & LVCFMT_JUSTIFYMASK;
            SendMessageW(s->header, HDM_INSERTITEMW, static_cast<WPARAM>(at),
                         reinterpret_cast<LPARAM>(&heading));
        }
        s->columns.insert(s->columns.begin() + at, std::move(c));
        return at;
    }
    case LVM_SETCOLUMNWIDTH:
        if (wParam >= s->columns.size()) {
            return FALSE;
        }
        s->columns[wParam].width = static_cast<int>(static_cast<LONG_PTR>(lParam));
        if (s->header != nullptr) {
            HDITEMW heading;
            heading.mask = HDI_WIDTH;
            heading.cxy = s->columns[wParam].width;
            SendMessageW(s->header, HDM_SETITEMW, wParam, reinterpret_cast<LPARAM>(&heading));
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_SORTITEMS: {
        auto compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
        if (compare == nullptr) {
            return FALSE;
        }
        const auto sortParam = static_cast<LPARAM>(wParam);
        std::stable_sort(s->rows.begin(), s->rows.end(), [&](const Row& a, const Row& b) {
            return compare(a.data, b.data, sortParam) < 0;
        });
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::listview

void InitListViewControl() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = platform::listview::ListViewProc;
        wc.lpszClassName = WC_LISTVIEWW;
        RegisterClassW(&wc);
    });
}

struct ImageListData {
    int cx = 0;
    int cy = 0;
};

HIMAGELIST ImageList_Create(int cx, int cy, UINT, int, int) {
    if (cx <= 0 || cy <= 0) {
        return nullptr;
    }
    return new ImageListData{cx, cy};
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    if (list == nullptr) {
        return FALSE;
    }
    delete list;
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
    if (list == nullptr || cx == nullptr || cy == nullptr) {
        return FALSE;
    }
    *cx = list->cx;
    *cy = list->cy;
    return TRUE;
}

BOOL InitializeFlatSB(HWND hwnd) {
    return IsWindow(hwnd);
}

BOOL FlatSB_EnableScrollBar(HWND hwnd, int, UINT) {
    return IsWindow(hwnd);
}
