#pragma once
// The cell list: a report list whose cells hold plain text, in-place edited text, a check box
// or a progress bar, all drawn by the list in the skin's colours. Every edit is reported to
// the parent window with a ListCtrlNotify record (WidgetMessages.h).

#include "gui/GUIItem.h"
#include "gui/WidgetMessages.h"
#include "gui/XComboList.h"
#include "gui/XHeaderCtrl.h"
#include "gui/XListEdit.h"
#include "platform/base/CString.h"
#include "platform/base/CStringArray.h"
#include "platform/framework/CListCtrl.h"
#include "platform/framework/CToolTipCtrl.h"

#include <map>
#include <memory>
#include <vector>

class CFontItem;
class CListPanelItem;

// Cell control types of a column.
enum CellControlType : int {
    CELL_ICON = 0,
    CELL_STATIC = 1,
    CELL_EDIT = 2,
    CELL_COMBO = 3,
    CELL_CHECKBOX = 4,
    CELL_FILEDIALOG = 5,
};

// One cell of a row.
struct ListCellInfo {
    int enabled = 1; // read from the row's first cell: a row with 0 takes no clicks
    int bold = 0;
    int choice = 0;
    int open = 0;
    CStringArray* choices = nullptr; // not owned
    int visibleEntries = 10;
    int defaultChoice = 0;
    int progressCell = 0;
    int progress = 0;
    CString text;
    int reserved1 = 1;
    int check = -1; // -1 no check box, 0 unchecked, 1 checked
    int rowId = -1; // in the first cell: the owner's identifier of the row
    int reserved2 = 0;
};

// A column: its control type and its position in the list.
struct ListColumnInfo {
    int type = -1;
    int index = -1;
};

// The first selected row of a list control, or -1.
int GetFirstSelectedItem(const CListCtrl* list);

class CXListCtrl : public CListCtrl, public CGUIItem {
public:
    static constexpr int kMaxColumns = 10;
    static constexpr int kEditLimit = 20;
    // The column id whose check the owner sets with SetCheck (the automatic-switch column).
    static constexpr int kCheckColumnId = 3;
    static constexpr int kCheckBoxSize = 13;
    // The column id of the program path the row menu assigns and unassigns.
    static constexpr int kProgramColumnId = 2;

    CXListCtrl();
    ~CXListCtrl() override;

    // Files a column and inserts it (heading, left-aligned, width); -1 when the id or the type
    // is -1, the id is present or all columns are in use; otherwise the column index.
    int AddColumn(int columnId, int controlType, LPCWSTR heading, int width);
    // The column of that id; {-1, -1} when absent.
    ListColumnInfo GetColumn(int columnId) const;
    // Column id at a column index; -1 when none.
    int ColumnIdAt(int index) const;

    // Inserts an empty row with fresh cells, one per column; the row index or -1.
    int InsertItem(int index);
    // Frees every row's cells, then deletes the rows.
    BOOL DeleteAllItems();
    // Frees the row's cells, then deletes the row.
    BOOL DeleteItem(int index);
    // The cells of a row; null when the row does not exist.
    std::vector<ListCellInfo>* GetCells(int index) const;

    // Sets the text of a cell of the row with that id and redraws it; 0 when either is absent.
    BOOL SetItemText(int columnId, LPCWSTR text, int rowId);
    CString GetCellText(int rowId, int columnId) const;
    // Sets the row id kept in the row's first cell; false when the row does not exist.
    bool SetRowId(int index, int rowId);
    // Sets the check of the check column in that row; the header mark follows.
    BOOL SetCheck(int rowId, int state);
    int GetCheck(int rowId, int columnId) const;
    int CountCheckedRows(int columnIndex) const;
    // The image index of a column's header item (its mark; -1 shows none).
    int GetHeaderCheck(int columnIndex) const;
    void SetHeaderCheck(int columnIndex, int image);
    int GetSelectedRow() const;
    int FindRow(int rowId) const;
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    void RedrawRow(int index);
    // Sort callback: case-insensitive comparison of the cell texts of column index data.
    static int CompareItems(LPARAM first, LPARAM second, LPARAM columnIndex);
    void SortByColumn(int columnIndex);

    // In-place editing of a cell (row index, column id); false when refused.
    bool StartEdit(int row, int columnId);
    void EndEdit(bool commit);
    bool IsEditing() const { return m_editRow >= 0; }
    CXListEdit* GetEditor() const { return m_editor.get(); }

    // Choice cells: the timers of the open drop-down.
    static constexpr UINT_PTR kComboWatchTimer =
        1; // 100 ms: ends the choice when the cursor leaves
    static constexpr UINT_PTR kComboCloseTimer = 2;  // destroys the drop-down
    static constexpr UINT_PTR kComboTakeTimer = 3;   // 50 ms: takes the entry, closes
    static constexpr UINT_PTR kComboFollowTimer = 4; // 50 ms: takes the entry, stays open
    static constexpr UINT_PTR kComboEscapeTimer = 5; // 50 ms: ends the choice, takes nothing
    // Opens the drop-down of the open choice cell when none exists (drawing calls this).
    void OpenComboList(int row, int column, const RECT& cell);
    void EndComboEdit();
    void DestroyComboList();
    CXComboList* GetComboList() const { return m_combo.get(); }
    bool IsComboOpen() const { return m_comboOpen; }

    // Tool tips: the tool under a point among the shown rows ((row << 10 | column) + 1, with
    // the cell in *cell), or -1; and its text: for EDIT and FILEDIALOG columns only, the cell
    // text (80 characters at most) when it is wider than the column less 8 pixels.
    static constexpr int kToolTipMax = 80;
    int ToolHitTest(CPoint point, RECT* cell) const;
    // The tool tip of cut-off cell texts: one tool, the cell under the mouse (its tool id
    // from ToolHitTest), with that cell's ToolTipText.
    CToolTipCtrl cellTip;
    CString ToolTipText(int toolId) const;

    // Drawing of one cell into dc; box in client coordinates.
    void DrawCell(HDC dc, int row, int column, RECT box);

    int OnCreate(LPCREATESTRUCTW cs) override;
    void PreSubclassWindow() override;
    void OnDestroy() override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnTimer(UINT_PTR timerId) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnNotifyReflect(NMHDR* header, LRESULT* result) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CXHeaderCtrl header;
    CFontItem* fontItem = nullptr;
    COLORREF textColor = 0xFFFFFF;
    COLORREF selectedTextColor = 0;
    COLORREF backgroundColor = 0;
    COLORREF selectedBackgroundColor = 0xFFFFFF;
    COLORREF borderColor = 0xFFFFFF;
    CListPanelItem* rowMenu = nullptr;
    // The skin's `sorted` flag: the rows are kept in the order of their first column's text
    // (ignoring case), re-sorted whenever a text of that column is set or edited.
    bool sorted = false;

private:
    void AttachHeader();
    void KeepSorted(int changedColumn);
    // Points the cell tip's tool at the cell under a mouse move, then relays the message.
    void RelayToCellTip(MSG* msg);
    int m_cellTipTool = 0;
    void SendNotify(UINT message, int rowId, int column, const WCHAR* text, bool* checked);
    int RowIdAt(int index) const;
    void RedrawCell(int row, int column);
    void UpdateHeaderMark(int columnIndex);
    // The column whose cell (for a check box: the box around the centre) holds the point.
    int ColumnAt(int row, CPoint point) const;
    void DrawPlainCell(HDC dc, const ListCellInfo& cell, RECT box, bool selected, int format);
    void DrawCheckCell(HDC dc, const ListCellInfo& cell, RECT box, bool selected);
    void DrawProgressCell(HDC dc, const ListCellInfo& cell, RECT box);
    void DrawTextCell(HDC dc, int row, int column, ListCellInfo& cell, RECT box);
    void TakeComboEntry();
    void RunRowCommand(int row, const CString& key);
    // Asks for a program; on OK the cell shows its file name and the owner hears the full path.
    bool ChooseProgram(int row, int columnId);

    std::map<int, ListColumnInfo> m_columns;
    std::unique_ptr<CXListEdit> m_editor;
    HIMAGELIST m_images = nullptr;
    bool m_headerAttached = false;
    int m_editRow = -1;
    int m_editColumn = -1;
    bool m_comboOpen = false;
    // Set while the press that has just opened a choice is handled, so the click it also
    // reports does not end that choice again.
    bool m_pressOpenedCombo = false;
    int m_comboRow = -1;
    int m_comboColumn = -1;
    RECT m_comboRect{};
    std::unique_ptr<CXComboList> m_combo;
    CFont m_comboFont;
    bool m_comboFontMade = false;
    CString m_chosenText;
};
