#include "gui/XListCtrl.h"

#include "gui/FontItem.h"
#include "gui/ListPanelItem.h"
#include "gui/SkinResourceCache.h"
#include "platform/base/WideChar.h"
#include "platform/framework/CDC.h"
#include "platform/framework/CFileDialog.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>

namespace {

using Cells = std::vector<ListCellInfo>;

Cells* CellsOf(DWORD_PTR data) {
    return reinterpret_cast<Cells*>(data);
}

void FillColour(HDC dc, const RECT& box, COLORREF colour) {
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &box, brush);
    ::DeleteObject(brush);
}

bool Holds(const RECT& r, CPoint p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace

int GetFirstSelectedItem(const CListCtrl* list) {
    if (list == nullptr || list->GetSafeHwnd() == nullptr) {
        return -1;
    }
    return list->GetNextItem(-1, LVNI_SELECTED);
}

CXListCtrl::CXListCtrl() : m_editor(std::make_unique<CXListEdit>()) {
    type = GUIITEM_XLISTCTRL;
}

CXListCtrl::~CXListCtrl() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
    if (m_images != nullptr) {
        ImageList_Destroy(m_images);
    }
}

// Called on creation and on subclassing; the framework may subclass before the list has
// made its state, so the image list is handed over again each time (it sets the row height).
void CXListCtrl::AttachHeader() {
    if (m_images == nullptr) {
        m_images = ImageList_Create(18, 18, ILC_COLOR4, 10, 10);
    }
    SetImageList(m_images, LVSIL_SMALL);
    if (m_headerAttached) {
        return;
    }
    HWND headerWnd = GetHeaderCtrlHwnd();
    if (headerWnd != nullptr && header.SubclassWindow(headerWnd)) {
        m_headerAttached = true;
        header.textColor = textColor;
        header.backgroundColor = backgroundColor;
        header.borderColor = borderColor;
    }
}

int CXListCtrl::OnCreate(LPCREATESTRUCTW cs) {
    if (CListCtrl::OnCreate(cs) == -1) {
        return -1;
    }
    hwnd = m_hWnd;
    AttachHeader();
    return 0;
}

void CXListCtrl::PreSubclassWindow() {
    CListCtrl::PreSubclassWindow();
    hwnd = m_hWnd;
    AttachHeader();
}

int CXListCtrl::AddColumn(int columnId, int controlType, LPCWSTR heading, int width) {
    if (columnId == -1 || controlType == -1 || m_columns.count(columnId) != 0 ||
        GetColumnCount() >= kMaxColumns) {
        return -1;
    }
    const int index = GetColumnCount();
    m_columns[columnId] = ListColumnInfo{controlType, index};
    InsertColumn(index, heading != nullptr ? heading : u"", LVCFMT_LEFT, width);
    return index;
}

ListColumnInfo CXListCtrl::GetColumn(int columnId) const {
    const auto it = m_columns.find(columnId);
    return it == m_columns.end() ? ListColumnInfo{} : it->second;
}

int CXListCtrl::ColumnIdAt(int index) const {
    for (const auto& [columnId, column] : m_columns) {
        if (column.index == index) {
            return columnId;
        }
    }
    return -1;
}

int CXListCtrl::InsertItem(int index) {
    auto cells = std::make_unique<Cells>(static_cast<size_t>(CListCtrl::GetColumnCount()));
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(u"");
    item.lParam = reinterpret_cast<LPARAM>(cells.get());
    const auto at =
        static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at >= 0) {
        cells.release(); // owned by the row from now on
    }
    return at;
}

std::vector<ListCellInfo>* CXListCtrl::GetCells(int index) const {
    if (index < 0 || index >= GetItemCount()) {
        return nullptr;
    }
    return CellsOf(GetItemData(index));
}

BOOL CXListCtrl::DeleteAllItems() {
    if (IsEditing()) {
        EndEdit(false);
    }
    for (int i = 0; i < GetItemCount(); ++i) {
        delete CellsOf(GetItemData(i));
        SetItemData(i, 0);
    }
    return CListCtrl::DeleteAllItems();
}

BOOL CXListCtrl::DeleteItem(int index) {
    if (index < 0 || index >= GetItemCount()) {
        return FALSE;
    }
    if (IsEditing()) {
        EndEdit(false);
    }
    delete CellsOf(GetItemData(index));
    SetItemData(index, 0);
    return CListCtrl::DeleteItem(index);
}

void CXListCtrl::OnDestroy() {
    KillTimer(kComboWatchTimer);
    DestroyComboList();
    for (int i = 0; i < GetItemCount(); ++i) {
        delete CellsOf(GetItemData(i));
        SetItemData(i, 0);
    }
    CListCtrl::DeleteAllItems();
    CListCtrl::OnDestroy();
}

int CXListCtrl::RowIdAt(int index) const {
    const Cells* cells = GetCells(index);
    return cells != nullptr && !cells->empty() ? cells->front().rowId : -1;
}

int CXListCtrl::FindRow(int rowId) const {
    for (int i = 0; i < GetItemCount(); ++i) {
        if (RowIdAt(i) == rowId) {
            return i;
        }
    }
    return -1;
}

bool CXListCtrl::SetRowId(int index, int rowId) {
    Cells* cells = GetCells(index);
    if (cells == nullptr || cells->empty()) {
        return false;
    }
    cells->front().rowId = rowId;
    return true;
}

void CXListCtrl::RedrawCell(int row, int column) {
    RECT box{};
    if (GetSubItemRect(row, column, LVIR_BOUNDS, box)) {
        InvalidateRect(&box, FALSE);
    }
}

void CXListCtrl::RedrawRow(int index) {
    RECT box{};
    if (GetItemRect(index, &box, LVIR_BOUNDS)) {
        InvalidateRect(&box, FALSE);
    }
}

BOOL CXListCtrl::SetItemText(int columnId, LPCWSTR text, int rowId) {
    const int row = FindRow(rowId);
    const ListColumnInfo column = GetColumn(columnId);
    Cells* cells = GetCells(row);
    if (cells == nullptr || column.index < 0 ||
        static_cast<size_t>(column.index) >= cells->size()) {
        return 0;
    }
    (*cells)[static_cast<size_t>(column.index)].text = text != nullptr ? text : u"";
    CListCtrl::SetItemText(row, column.index, text != nullptr ? text : u"");
    RedrawCell(row, column.index);
    KeepSorted(column.index);
    return 1;
}

void CXListCtrl::KeepSorted(int changedColumn) {
    // Rows are found by their row id, so moving them changes nothing for the owner; an open
    // choice or edit keeps its row index until it ends.
    if (sorted && changedColumn == 0 && !m_comboOpen && !IsEditing()) {
        SortByColumn(0);
        Invalidate(FALSE);
    }
}

CString CXListCtrl::GetCellText(int rowId, int columnId) const {
    const Cells* cells = GetCells(FindRow(rowId));
    const ListColumnInfo column = GetColumn(columnId);
    if (cells == nullptr || column.index < 0 ||
        static_cast<size_t>(column.index) >= cells->size()) {
        return CString();
    }
    return (*cells)[static_cast<size_t>(column.index)].text;
}

int CXListCtrl::GetCheck(int rowId, int columnId) const {
    const Cells* cells = GetCells(FindRow(rowId));
    const ListColumnInfo column = GetColumn(columnId);
    if (cells == nullptr || column.index < 0 ||
        static_cast<size_t>(column.index) >= cells->size()) {
        return -1;
    }
    return (*cells)[static_cast<size_t>(column.index)].check;
}

int CXListCtrl::CountCheckedRows(int columnIndex) const {
    int count = 0;
    for (int i = 0; i < GetItemCount(); ++i) {
        const Cells* cells = GetCells(i);
        if (cells != nullptr && columnIndex >= 0 &&
            static_cast<size_t>(columnIndex) < cells->size() &&
            (*cells)[static_cast<size_t>(columnIndex)].check == 1) {
            ++count;
        }
    }
    return count;
}

int CXListCtrl::GetHeaderCheck(int columnIndex) const {
    if (!m_headerAttached) {
        return -1;
    }
    HDITEMW item;
    item.mask = HDI_IMAGE;
    if (!header.GetItem(columnIndex, &item)) {
        return -1;
    }
    return item.iImage;
}

void CXListCtrl::SetHeaderCheck(int columnIndex, int image) {
    if (!m_headerAttached) {
        return;
    }
    HDITEMW item;
    item.mask = HDI_IMAGE;
    item.iImage = image;
    header.SetItem(columnIndex, &item);
}

void CXListCtrl::UpdateHeaderMark(int columnIndex) {
    if (GetHeaderCheck(columnIndex) >= 0) {
        SetHeaderCheck(columnIndex, CountCheckedRows(columnIndex) == GetItemCount() ? 1 : 0);
    }
}

BOOL CXListCtrl::SetCheck(int rowId, int state) {
    const int row = FindRow(rowId);
    const ListColumnInfo column = GetColumn(kCheckColumnId);
    Cells* cells = GetCells(row);
    if (cells == nullptr || column.index < 0 ||
        static_cast<size_t>(column.index) >= cells->size()) {
        return FALSE;
    }
    (*cells)[static_cast<size_t>(column.index)].check = state;
    RedrawCell(row, column.index);
    UpdateHeaderMark(column.index);
    return TRUE;
}

int CXListCtrl::GetSelectedRow() const {
    return RowIdAt(GetFirstSelectedItem(this));
}

int CXListCtrl::CompareItems(LPARAM first, LPARAM second, LPARAM columnIndex) {
    const auto* a = reinterpret_cast<const Cells*>(first);
    const auto* b = reinterpret_cast<const Cells*>(second);
    const auto c = static_cast<size_t>(columnIndex);
    const WCHAR* ta = a != nullptr && c < a->size() ? (*a)[c].text.GetString() : u"";
    const WCHAR* tb = b != nullptr && c < b->size() ? (*b)[c].text.GetString() : u"";
    return _wcsicmp(ta, tb);
}

void CXListCtrl::SortByColumn(int columnIndex) {
    SortItems(&CXListCtrl::CompareItems, static_cast<DWORD_PTR>(columnIndex));
}

void CXListCtrl::SendNotify(UINT message, int rowId, int column, const WCHAR* text, bool* checked) {
    ListCtrlNotify notify;
    notify.row = rowId;
    notify.column = column;
    notify.text = text;
    notify.checked = checked;
    HWND parentWnd = ::GetParent(m_hWnd);
    if (parentWnd != nullptr) {
        ::SendMessageW(parentWnd, message, reinterpret_cast<WPARAM>(m_hWnd),
                       reinterpret_cast<LPARAM>(&notify));
    }
}

bool CXListCtrl::StartEdit(int row, int columnId) {
    const ListColumnInfo column = GetColumn(columnId);
    Cells* cells = GetCells(row);
    if (cells == nullptr || column.index < 0 ||
        static_cast<size_t>(column.index) >= cells->size()) {
        return false;
    }
    if (row == m_editRow && column.index == m_editColumn) {
        return true; // the same cell again: the edit goes on
    }
    if (IsEditing()) {
        EndEdit(true);
        cells = GetCells(row); // the commit went to the owner, who may have changed the rows
        if (cells == nullptr || static_cast<size_t>(column.index) >= cells->size()) {
            return false;
        }
    }
    m_editor->fontItem = fontItem;
    m_editor->textColor = textColor;
    m_editor->selectedTextColor = selectedTextColor;
    m_editor->backgroundColor = backgroundColor;
    m_editor->selectedBackgroundColor = selectedBackgroundColor;
    m_editor->borderColor = borderColor;
    RECT box{};
    GetSubItemRect(row, column.index, LVIR_LABEL, box);
    box.left += 5;
    box.right += 5;
    if (m_editor->GetSafeHwnd() == nullptr &&
        !m_editor->Create(WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, box, this, 0)) {
        return false;
    }
    m_editor->LimitText(kEditLimit);
    m_editor->MoveWindow(&box);
    m_editor->SetWindowText((*cells)[static_cast<size_t>(column.index)].text.GetString());
    m_editor->ShowWindow(SW_SHOW);
    m_editor->SetSel(0, -1);
    m_editor->SetFocus();
    m_editRow = row;
    m_editColumn = column.index;
    return true;
}

void CXListCtrl::EndEdit(bool commit) {
    if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
    }
    if (!IsEditing()) {
        return;
    }
    const int row = m_editRow;
    const int column = m_editColumn;
    // Cleared first: the owner's answer to the notification may start another edit.
    m_editRow = -1;
    m_editColumn = -1;
    CString text;
    m_editor->GetWindowText(text);
    m_editor->ShowWindow(SW_HIDE);
    Cells* cells = GetCells(row);
    if (commit && cells != nullptr && static_cast<size_t>(column) < cells->size() &&
        text != (*cells)[static_cast<size_t>(column)].text) {
        (*cells)[static_cast<size_t>(column)].text = text;
        CListCtrl::SetItemText(row, column, text.GetString());
        RedrawCell(row, column);
        SendNotify(WM_XLIST_EDITDONE, RowIdAt(row), column, text.GetString(), nullptr);
        KeepSorted(column);
    }
}

void CXListCtrl::RelayToCellTip(MSG* msg) {
    if (cellTip.GetSafeHwnd() == nullptr) {
        if (!cellTip.Create(this)) {
            return;
        }
        cellTip.Activate(TRUE);
    }
    if (msg->message == WM_MOUSEMOVE && msg->hwnd == m_hWnd) {
        const auto packed = static_cast<DWORD_PTR>(msg->lParam);
        const CPoint point(static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed)));
        RECT cell{};
        const int tool = ToolHitTest(point, &cell);
        if (tool != m_cellTipTool) {
            // Another cell: the previous cell's tool goes (and its tip with it).
            TOOLINFOW info;
            info.hwnd = m_hWnd;
            info.uId = static_cast<UINT_PTR>(m_cellTipTool);
            cellTip.SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
            m_cellTipTool = tool;
            const CString text = ToolTipText(tool);
            if (tool > 0 && !text.IsEmpty()) {
                cellTip.AddTool(this, text.GetString(), &cell, static_cast<UINT_PTR>(tool));
            }
        }
    }
    cellTip.RelayEvent(msg);
}

BOOL CXListCtrl::PreTranslateMessage(MSG* msg) {
    if (msg != nullptr && msg->hwnd == m_hWnd &&
        ((msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST) ||
         msg->message == WM_KEYDOWN)) {
        RelayToCellTip(msg);
    }
    if (msg != nullptr && msg->message == WM_KEYDOWN) {
        if (IsEditing()) {
            if (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE) {
                EndEdit(msg->wParam == VK_RETURN);
                return TRUE;
            }
        } else if (msg->wParam == VK_SPACE) {
            return TRUE;
        }
    }
    return CListCtrl::PreTranslateMessage(msg);
}

int CXListCtrl::ColumnAt(int row, CPoint point) const {
    const Cells* cells = GetCells(row);
    if (cells == nullptr) {
        return -1;
    }
    for (int c = 0; c < CListCtrl::GetColumnCount() && static_cast<size_t>(c) < cells->size();
         ++c) {
        RECT box{};
        if (!GetSubItemRect(row, c, LVIR_BOUNDS, box)) {
            continue;
        }
        if ((*cells)[static_cast<size_t>(c)].check >= 0) {
            const int cx = (box.left + box.right) / 2;
            const int cy = (box.top + box.bottom) / 2;
            box = RECT{cx - 6, cy - 6, cx + 6, cy + 6};
        }
        if (Holds(box, point)) {
            return c;
        }
    }
    return -1;
}

void CXListCtrl::OnLButtonDown(UINT flags, CPoint point) {
    EndEdit(true);
    const int row = HitTest(point);
    if (row < 0) {
        KillTimer(kComboWatchTimer);
    }
    if (row >= 0) {
        Cells* cells = GetCells(row);
        if (cells != nullptr && !cells->empty() && cells->front().enabled != 0) {
            const int column = ColumnAt(row, point);
            ListCellInfo* choice = column >= 0 && (*cells)[static_cast<size_t>(column)].choice != 0
                                       ? &(*cells)[static_cast<size_t>(column)]
                                       : nullptr;
            if (choice != nullptr) {
                // A choice open in another cell ends with its drop-down, so that no second
                // cell stays marked open and takes the next drop-down.
                if (m_comboOpen && (m_comboRow != row || m_comboColumn != column)) {
                    EndComboEdit(); // tells the owner nothing: the rows stay as they are
                }
                DestroyComboList();
                RECT box{};
                GetSubItemRect(row, column, LVIR_BOUNDS, box);
                const int arrow = box.bottom - box.top; // the arrow square at the right edge
                if (point.x >= box.right - arrow) {
                    choice->open = 1;
                    m_comboOpen = true;
                    m_pressOpenedCombo = true;
                    m_comboRow = row;
                    m_comboColumn = column;
                    RedrawCell(row, column);
                    SetTimer(kComboWatchTimer, 100);
                }
            } else if (m_combo) {
                KillTimer(kComboWatchTimer);
            }
            if (column >= 0 && (*cells)[static_cast<size_t>(column)].check >= 0) {
                ListCellInfo& cell = (*cells)[static_cast<size_t>(column)];
                cell.check = cell.check == 1 ? 0 : 1;
                RedrawCell(row, column);
                bool checked = cell.check == 1;
                SendNotify(WM_XLIST_CHECKCHANGED, RowIdAt(row), column, nullptr, &checked);
                UpdateHeaderMark(column);
            }
        }
    }
    HWND parentWnd = ::GetParent(m_hWnd);
    if (parentWnd != nullptr) {
        ::SendMessageW(parentWnd, WM_XLIST_ROWCLICK, static_cast<WPARAM>(RowIdAt(row)),
                       reinterpret_cast<LPARAM>(m_hWnd));
    }
    if (::IsWindow(m_hWnd)) {
        CListCtrl::OnLButtonDown(flags, point);
    }
    m_pressOpenedCombo = false;
}

void CXListCtrl::OnLButtonDblClk(UINT flags, CPoint point) {
    LVHITTESTINFO info;
    info.pt = point;
    const int row = SubItemHitTest(&info);
    if (row >= 0) {
        const int columnId = ColumnIdAt(info.iSubItem);
        switch (GetColumn(columnId).type) {
        case CELL_EDIT:
            StartEdit(row, columnId);
            return;
        case CELL_STATIC:
            SendNotify(WM_XLIST_ROWDBLCLK, RowIdAt(row), info.iSubItem, nullptr, nullptr);
            return;
        case CELL_FILEDIALOG:
            ChooseProgram(row, columnId);
            return;
        default:
            break;
        }
    }
    CListCtrl::OnLButtonDblClk(flags, point);
}

void CXListCtrl::OnRButtonDown(UINT flags, CPoint point) {
    EndEdit(true);
    CListCtrl::OnRButtonDown(flags, point);
    if (rowMenu == nullptr) {
        return;
    }
    LVHITTESTINFO info;
    info.pt = point;
    const int row = SubItemHitTest(&info);
    if (row < 0) {
        return;
    }
    const int chosen = rowMenu->ShowPopup(0, this, point.x, point.y);
    // The entry's text key; closing the list without a choice gives an empty key.
    const CString key =
        chosen >= 0 ? rowMenu->entries[static_cast<size_t>(chosen)].text : CString();
    RunRowCommand(row, key);
}

bool CXListCtrl::ChooseProgram(int row, int columnId) {
    // The chooser lists the files a process can be named after (programs, Windows programs,
    // scripts), and the name kept is the one the running program is known by.
    CFileDialog dialog(TRUE, nullptr, nullptr,
                       OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXECUTABLEONLY, u"Programs|*||",
                       this);
    if (dialog.DoModal() != IDOK) {
        return false;
    }
    const int rowId = RowIdAt(row);
    const CString path = dialog.GetPathName();
    SetItemText(columnId, dialog.GetFileName().GetString(), rowId);
    SendNotify(WM_XLIST_TEXTCHANGED, rowId, GetColumn(columnId).index, path.GetString(), nullptr);
    return true;
}

void CXListCtrl::RunRowCommand(int row, const CString& key) {
    const int rowId = RowIdAt(row);
    if (_wcsicmp(key.GetString(), u"$AssignApplication") == 0) {
        ChooseProgram(row, kProgramColumnId);
        return;
    }
    if (_wcsicmp(key.GetString(), u"$UnassignApplication") == 0) {
        if (GetColumn(kProgramColumnId).index >= 0) {
            SetItemText(kProgramColumnId, u"", rowId);
            SendNotify(WM_XLIST_TEXTCHANGED, rowId, kProgramColumnId, u"", nullptr);
        }
        Cells* cells = GetCells(FindRow(rowId));
        if (cells != nullptr && cells->size() > 3) {
            (*cells)[3].check = 0;
            RedrawCell(FindRow(rowId), 3);
            bool checked = false;
            SendNotify(WM_XLIST_CHECKCHANGED, rowId, 3, nullptr, &checked);
            UpdateHeaderMark(3);
        }
        return;
    }
    SendNotify(WM_XLIST_COMMAND, rowId, 0, key.GetString(), nullptr);
}

BOOL CXListCtrl::OnNotifyReflect(NMHDR* hdr, LRESULT* result) {
    if (hdr->code == NM_CLICK) {
        EndEdit(true);
        // A click anywhere else in the list ends an open choice, taking nothing; otherwise
        // the drop-down would stay over the list with nothing watching it, and the cell,
        // still marked open, would bring it back whenever its row is selected again.
        if (m_comboOpen && !m_pressOpenedCombo) {
            EndComboEdit();
        }
        *result = 0;
        return TRUE;
    }
    if (hdr->code != NM_CUSTOMDRAW) {
        return FALSE;
    }
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        *result = CDRF_NOTIFYITEMDRAW;
        return TRUE;
    case CDDS_ITEMPREPAINT:
        *result = CDRF_NOTIFYSUBITEMDRAW;
        return TRUE;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        DrawCell(draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec), draw->iSubItem,
                 draw->nmcd.rc);
        *result = CDRF_SKIPDEFAULT;
        return TRUE;
    default:
        *result = CDRF_DODEFAULT;
        return TRUE;
    }
}

int CXListCtrl::ToolHitTest(CPoint point, RECT* cell) const {
    LVHITTESTINFO info;
    info.pt = point;
    const int row = SubItemHitTest(&info);
    if (row < 0 || row < GetTopIndex() || row >= GetTopIndex() + GetCountPerPage() + 1) {
        return -1;
    }
    if (cell != nullptr) {
        GetSubItemRect(row, info.iSubItem, LVIR_BOUNDS, *cell);
    }
    return ((row << 10) | info.iSubItem) + 1;
}

CString CXListCtrl::ToolTipText(int toolId) const {
    if (toolId <= 0) {
        return CString();
    }
    const int row = (toolId - 1) >> 10;
    const int column = (toolId - 1) & 0x3FF;
    const int kind = GetColumn(ColumnIdAt(column)).type;
    const Cells* cells = GetCells(row);
    if ((kind != CELL_EDIT && kind != CELL_FILEDIALOG) || cells == nullptr ||
        static_cast<size_t>(column) >= cells->size()) {
        return CString();
    }
    const CString& text = (*cells)[static_cast<size_t>(column)].text;
    HDC dc = ::GetDC(m_hWnd);
    HFONT font = fontItem != nullptr ? reinterpret_cast<HFONT>(fontItem->GetSafeHandle())
                                     : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ old = font != nullptr ? ::SelectObject(dc, ToGdiObj(font)) : nullptr;
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.GetString(), text.GetLength(), &extent);
    if (old != nullptr) {
        ::SelectObject(dc, old);
    }
    ::ReleaseDC(m_hWnd, dc);
    if (extent.cx <= GetColumnWidth(column) - 8) {
        return CString();
    }
    return text.Left(kToolTipMax);
}

void CXListCtrl::DrawCell(HDC dc, int row, int column, RECT box) {
    FillColour(dc, box, backgroundColor);
    Cells* cells = GetCells(row);
    if (cells == nullptr || column < 0 || static_cast<size_t>(column) >= cells->size()) {
        return;
    }
    const ListCellInfo& cell = (*cells)[static_cast<size_t>(column)];
    const bool selected = row == GetFirstSelectedItem(this);
    if (cell.progressCell != 0) {
        DrawProgressCell(dc, cell, box);
    } else if (cell.choice != 0 && selected) {
        DrawTextCell(dc, row, column, (*cells)[static_cast<size_t>(column)], box);
    } else if (cell.check >= 0) {
        DrawCheckCell(dc, cell, box, selected);
    } else {
        int format = HDF_LEFT;
        if (m_headerAttached) {
            HDITEMW item;
            item.mask = HDI_FORMAT;
            if (header.GetItem(column, &item)) {
                format = item.fmt & HDF_JUSTIFYMASK;
            }
        }
        DrawPlainCell(dc, cell, box, selected, format);
    }
}

void CXListCtrl::DrawPlainCell(HDC dc, const ListCellInfo& cell, RECT box, bool selected,
                               int format) {
    FillColour(dc, box, selected ? selectedBackgroundColor : backgroundColor);
    HFONT base = fontItem != nullptr ? reinterpret_cast<HFONT>(fontItem->GetSafeHandle())
                                     : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    CFont bold;
    if (cell.bold != 0) {
        LOGFONTW logFont{};
        if (base != nullptr && ::GetObjectW(base, sizeof(logFont), &logFont) != 0) {
            logFont.lfWeight = 700;
            bold.CreateFontIndirect(&logFont);
        }
    }
    HFONT font =
        bold.GetSafeHandle() != nullptr ? reinterpret_cast<HFONT>(bold.GetSafeHandle()) : base;
    HGDIOBJ oldFont = font != nullptr ? ::SelectObject(dc, ToGdiObj(font)) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, selected ? selectedTextColor : textColor);
    RECT textRect = box;
    textRect.left += 8;
    const UINT align = format == HDF_RIGHT ? DT_RIGHT : format == HDF_CENTER ? DT_CENTER : DT_LEFT;
    ::DrawTextW(dc, cell.text.GetString(), -1, &textRect,
                align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (oldFont != nullptr) {
        ::SelectObject(dc, oldFont);
    }
}

void CXListCtrl::DrawCheckCell(HDC dc, const ListCellInfo& cell, RECT box, bool selected) {
    FillColour(dc, box, selected ? selectedBackgroundColor : backgroundColor);
    SkinResource* picture =
        SkinResourceCache::Find(cell.check == 1 ? u"checkbox4.bmp" : u"checkbox3.bmp", 1);
    if (picture == nullptr || picture->GetBitmap() == nullptr) {
        return;
    }
    const int x = (box.left + box.right - kCheckBoxSize) / 2;
    const int y = (box.top + box.bottom - kCheckBoxSize) / 2;
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, ToGdiObj(picture->GetBitmap()));
    ::BitBlt(dc, x, y, kCheckBoxSize, kCheckBoxSize, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}

void CXListCtrl::DrawProgressCell(HDC dc, const ListCellInfo& cell, RECT box) {
    const RECT frame{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    HBRUSH border = ::CreateSolidBrush(borderColor);
    ::FrameRect(dc, &frame, border);
    ::DeleteObject(border);
    const int percent = std::clamp(cell.progress, 0, 100);
    RECT bar{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    bar.right = bar.left + (bar.right - bar.left) * percent / 100;
    if (bar.right > bar.left) {
        FillColour(dc, bar, selectedBackgroundColor);
    }
    CString text;
    if (cell.text.IsEmpty()) {
        text.Format(u"%d%%", cell.progress);
    } else {
        text.Format(cell.text.GetString(), cell.progress);
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, textColor);
    RECT textBox = frame;
    ::DrawTextW(dc, text.GetString(), -1, &textBox, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
}

void CXListCtrl::DrawTextCell(HDC dc, int row, int column, ListCellInfo& cell, RECT box) {
    if (cell.text.IsEmpty() && cell.choices != nullptr && cell.choices->GetSize() > 0) {
        cell.text = cell.choices->GetAt(cell.defaultChoice); // empty outside the entries
        CListCtrl::SetItemText(row, column, cell.text.GetString());
    }
    FillColour(dc, box, selectedBackgroundColor);
    HFONT font = fontItem != nullptr ? reinterpret_cast<HFONT>(fontItem->GetSafeHandle())
                                     : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ oldFont = font != nullptr ? ::SelectObject(dc, ToGdiObj(font)) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, selectedTextColor);
    RECT textBox = box;
    textBox.left += 2;
    ::DrawTextW(dc, cell.text.GetString(), -1, &textBox,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (oldFont != nullptr) {
        ::SelectObject(dc, oldFont);
    }
    if (cell.open == 0) {
        return;
    }
    HBRUSH frame = ::CreateSolidBrush(borderColor);
    ::FrameRect(dc, &box, frame);
    // A small downward triangle (5, 3 and 1 pixels) in the arrow square.
    const int arrow = box.bottom - box.top;
    const int cx = box.right - arrow / 2;
    const int cy = (box.top + box.bottom) / 2 - 1;
    for (int line = 0; line < 3; ++line) {
        const RECT stroke{cx - 2 + line, cy + line, cx + 3 - line, cy + line + 1};
        ::FillRect(dc, &stroke, frame);
    }
    ::DeleteObject(frame);
    if (!m_combo) {
        OpenComboList(row, column, box);
    }
}

void CXListCtrl::OpenComboList(int row, int column, const RECT& cell) {
    Cells* cells = GetCells(row);
    if (m_combo || cells == nullptr || column < 0 || static_cast<size_t>(column) >= cells->size()) {
        return;
    }
    ListCellInfo& info = (*cells)[static_cast<size_t>(column)];
    RECT popup{cell.left, cell.bottom - 1, cell.right - 1, 0};
    popup.bottom = popup.top + (cell.bottom - cell.top - 2) * std::max(info.visibleEntries, 1);
    POINT topLeft{popup.left, popup.top};
    POINT bottomRight{popup.right, popup.bottom};
    ::ClientToScreen(m_hWnd, &topLeft);
    ::ClientToScreen(m_hWnd, &bottomRight);
    m_comboRect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    if (!m_comboFontMade) {
        LOGFONTW logFont{};
        HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        if (font != nullptr && ::GetObjectW(font, sizeof(logFont), &logFont) != 0) {
            m_comboFont.CreateFontIndirect(&logFont);
        }
        m_comboFontMade = true;
    }
    m_combo = std::make_unique<CXComboList>(this);
    if (!m_combo->CreatePopup(m_comboRect, this)) {
        m_combo.reset();
        return;
    }
    if (m_comboFont.GetSafeHandle() != nullptr) {
        m_combo->list.SetFont(&m_comboFont, FALSE);
    }
    int current = 0;
    if (info.choices != nullptr) {
        for (INT_PTR i = 0; i < info.choices->GetSize(); ++i) {
            const CString& entry = info.choices->GetAt(i);
            if (entry.IsEmpty()) {
                continue;
            }
            const int at = m_combo->list.AddString(entry.GetString());
            if (entry == info.text) {
                current = at;
            }
        }
    }
    m_combo->list.SetCurSel(current);
    m_chosenText = m_combo->list.GetText(current);
    if (info.text.IsEmpty()) {
        info.text = m_chosenText;
    }
    m_combo->ShowList();
}

void CXListCtrl::DestroyComboList() {
    if (m_combo) {
        std::unique_ptr<CXComboList> closing = std::move(m_combo);
        closing->DestroyWindow();
    }
}

namespace {
// The choice ends from timers and from messages the drop-down sends while it closes.
bool g_endingComboEdit = false;
} // namespace

void CXListCtrl::EndComboEdit() {
    if (g_endingComboEdit) {
        return;
    }
    g_endingComboEdit = true;
    KillTimer(kComboWatchTimer);
    Cells* cells = GetCells(m_comboRow);
    if (cells != nullptr && m_comboColumn >= 0 &&
        static_cast<size_t>(m_comboColumn) < cells->size()) {
        (*cells)[static_cast<size_t>(m_comboColumn)].open = 0;
        RedrawRow(m_comboRow);
    }
    // The drop-down goes with the choice, so it does not stay behind on the screen.
    DestroyComboList();
    m_comboOpen = false;
    g_endingComboEdit = false;
}

void CXListCtrl::TakeComboEntry() {
    if (!m_combo) {
        return;
    }
    const int current = m_combo->list.GetCurSel();
    m_chosenText = m_combo->list.GetText(current);
    Cells* cells = GetCells(m_comboRow);
    if (current >= 0 && cells != nullptr && m_comboColumn >= 0 &&
        static_cast<size_t>(m_comboColumn) < cells->size()) {
        (*cells)[static_cast<size_t>(m_comboColumn)].text = m_chosenText;
        CListCtrl::SetItemText(m_comboRow, m_comboColumn, m_chosenText.GetString());
        RedrawCell(m_comboRow, m_comboColumn);
    }
}

void CXListCtrl::OnTimer(UINT_PTR timerId) {
    switch (timerId) {
    case kComboWatchTimer: {
        if (!m_combo) {
            KillTimer(kComboWatchTimer);
            return;
        }
        POINT cursor{};
        ::GetCursorPos(&cursor);
        const bool inside = cursor.x >= m_comboRect.left && cursor.x < m_comboRect.right &&
                            cursor.y >= m_comboRect.top && cursor.y < m_comboRect.bottom;
        // A thumb being dragged keeps the choice open wherever the mouse goes.
        if (inside || m_combo->IsDraggingThumb()) {
            m_combo->ShowList();
        } else {
            EndComboEdit();
        }
        return;
    }
    case kComboCloseTimer:
        KillTimer(kComboCloseTimer);
        DestroyComboList();
        return;
    case kComboTakeTimer:
        KillTimer(kComboTakeTimer);
        TakeComboEntry();
        EndComboEdit();
        return;
    case kComboFollowTimer:
        KillTimer(kComboFollowTimer);
        TakeComboEntry();
        return;
    case kComboEscapeTimer:
        KillTimer(kComboEscapeTimer);
        EndComboEdit();
        return;
    default:
        CListCtrl::OnTimer(timerId);
    }
}

BOOL CXListCtrl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message != 0 &&
        (message == WM_XCOMBOLIST_VK_RETURN || message == WM_XCOMBOLIST_LBUTTONUP)) {
        KillTimer(kComboWatchTimer);
        SetTimer(kComboTakeTimer, 50);
        *result = 0;
        return TRUE;
    }
    if (message != 0 && message == WM_XCOMBOLIST_KEYDOWN) {
        SetTimer(kComboFollowTimer, 50);
        *result = 0;
        return TRUE;
    }
    if (message != 0 && message == WM_XCOMBOLIST_VK_ESCAPE) {
        // Escape (or the drop-down losing the focus for good) closes it without taking the
        // entry under the selection; closed from a timer, not inside the drop-down's own
        // key handling.
        KillTimer(kComboWatchTimer);
        SetTimer(kComboEscapeTimer, 50);
        *result = 0;
        return TRUE;
    }
    return CListCtrl::OnWndMsg(message, wParam, lParam, result);
}

void CXListCtrl::OnPaint() {
    const int rows = GetItemCount();
    if (rows > 0) {
        SetBkColor(backgroundColor);
    }
    CListCtrl::OnPaint();
    // The area below the last row is the list's too: filled here, so that it never shows what
    // a closed popup left there when the repaint came without an erase.
    RECT last{};
    if (rows > 0 && GetItemRect(rows - 1, &last, LVIR_BOUNDS)) {
        RECT client{};
        GetClientRect(&client);
        if (last.bottom < client.bottom) {
            const RECT below{client.left, last.bottom, client.right, client.bottom};
            const HDC dc = ::GetDC(m_hWnd);
            FillColour(dc, below, backgroundColor);
            ::ReleaseDC(m_hWnd, dc);
        }
    }
}

BOOL CXListCtrl::OnEraseBkgnd(CDC* dc) {
    RECT client{};
    GetClientRect(&client);
    FillColour(dc->GetSafeHdc(), client, backgroundColor);
    return TRUE;
}
