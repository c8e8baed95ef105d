#pragma once
// Framework list control over the list-view control ("SysListView32").

#include "platform/framework/CWnd.h"
#include "platform/ui/ListView.h"

class CListCtrl : public CWnd {
public:
    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        InitListViewControl();
        return CWnd::Create(WC_LISTVIEWW, u"", style, rect, parent, id);
    }

    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    BOOL DeleteItem(int item) {
        return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(item)));
    }
    int InsertItem(int item, LPCWSTR text) {
        LVITEMW lv;
        lv.mask = LVIF_TEXT;
        lv.iItem = item;
        lv.pszText = const_cast<LPWSTR>(text);
        return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    }
    BOOL SetItemText(int item, int subItem, LPCWSTR text) {
        LVITEMW lv;
        lv.iSubItem = subItem;
        lv.pszText = const_cast<LPWSTR>(text);
        return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                                             reinterpret_cast<LPARAM>(&lv)));
    }
    CString GetItemText(int item, int subItem) const {
        WCHAR buffer[512]{};
        LVITEMW lv;
        lv.iSubItem = subItem;
        lv.pszText = buffer;
        lv.cchTextMax = 512;
        SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
        return CString(buffer);
    }
    BOOL SetItemData(int item, DWORD_PTR data) {
        LVITEMW lv;
        lv.mask = LVIF_PARAM;
        lv.iItem = item;
        lv.lParam = static_cast<LPARAM>(data);
        return static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    }
    DWORD_PTR GetItemData(int item) const {
        LVITEMW lv;
        lv.mask = LVIF_PARAM;
        lv.iItem = item;
        SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
        return static_cast<DWORD_PTR>(lv.lParam);
    }
    UINT GetItemState(int item, UINT mask) const {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
    }
    BOOL SetItemState(int item, UINT state, UINT mask) {
        LVITEMW lv;
        lv.state = state;
        lv.stateMask = mask;
        return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                                             reinterpret_cast<LPARAM>(&lv)));
    }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
    }
    BOOL GetItemRect(int item, LPRECT rect, UINT code) const {
        if (rect == nullptr) {
            return FALSE;
        }
        rect->left = static_cast<LONG>(code);
        return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item),
                                             reinterpret_cast<LPARAM>(rect)));
    }
    int HitTest(CPoint point, UINT* flags = nullptr) const {
        LVHITTESTINFO info;
        info.pt = point;
        const auto item =
            static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
        if (flags != nullptr) {
            *flags = info.flags;
        }
        return item;
    }
    int InsertColumn(int column, LPCWSTR title, int format = LVCFMT_LEFT, int width = -1) {
        LVCOLUMNW lv;
        lv.mask = LVCF_FMT | LVCF_TEXT | (width >= 0 ? LVCF_WIDTH : 0u);
        lv.fmt = format;
        lv.cx = width;
        lv.pszText = const_cast<LPWSTR>(title);
        return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                                            reinterpret_cast<LPARAM>(&lv)));
    }
    BOOL SetColumnWidth(int column, int width) {
        return static_cast<BOOL>(
            SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width));
    }
    BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR data) {
        return static_cast<BOOL>(
            SendMessage(LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare)));
    }
    // Scrolls by whole rows; size.cy is in pixels.
    BOOL Scroll(CSize size) {
        return static_cast<BOOL>(SendMessage(LVM_SCROLL, static_cast<WPARAM>(size.cx), size.cy));
    }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
    int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
    BOOL SetTextColor(COLORREF colour) {
        return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(colour)));
    }
    // The header control's window; null for a list without column headings.
    HWND GetHeaderCtrlHwnd() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
    int GetColumnCount() const {
        HWND header = GetHeaderCtrlHwnd();
        return header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    }
    BOOL GetColumn(int column, LVCOLUMNW* info) const {
        return static_cast<BOOL>(SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                                             reinterpret_cast<LPARAM>(info)));
    }
    int GetColumnWidth(int column) const {
        return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
    }
    // The cell of a column in a row (code LVIR_BOUNDS or LVIR_LABEL).
    BOOL GetSubItemRect(int item, int subItem, int code, RECT& rect) const {
        rect.top = subItem;
        rect.left = code;
        return static_cast<BOOL>(SendMessage(LVM_GETSUBITEMRECT, static_cast<WPARAM>(item),
                                             reinterpret_cast<LPARAM>(&rect)));
    }
    // Row under info->pt (or -1), with the column in info->iSubItem.
    int SubItemHitTest(LVHITTESTINFO* info) const {
        return static_cast<int>(SendMessage(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(info)));
    }
    BOOL EnsureVisible(int item, BOOL = FALSE) {
        return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item)));
    }
    BOOL RedrawItems(int first, int last) {
        return static_cast<BOOL>(
            SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last)));
    }
    // Sets the small image list (its height sets the row height); answers the previous one.
    HIMAGELIST SetImageList(HIMAGELIST list, int kind) {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(kind),
                                                        reinterpret_cast<LPARAM>(list)));
    }
    BOOL SetBkColor(COLORREF colour) {
        return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour)));
    }
    // Replaces the whole extended style; answers the earlier one.
    DWORD SetExtendedStyle(DWORD style) {
        return static_cast<DWORD>(
            SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
    }
    DWORD GetExtendedStyle() const {
        return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
    }
    // Answers the earlier outline colour.
    COLORREF SetOutlineColor(COLORREF colour) {
        return static_cast<COLORREF>(
            SendMessage(LVM_SETOUTLINECOLOR, 0, static_cast<LPARAM>(colour)));
    }
    COLORREF GetOutlineColor() const {
        return static_cast<COLORREF>(SendMessage(LVM_GETOUTLINECOLOR));
    }
};
