#pragma once
// The list window of a list panel: one column without header, drawn row by row in the panel's
// colours, holding the mouse capture so that it sees clicks anywhere on the screen.

#include "gui/DropdownEntry.h"
#include "gui/VScrollBar.h"
#include "platform/framework/CListCtrl.h"

#include <memory>

class CListPanel;

class CListPanelList : public CListCtrl {
public:
    static constexpr UINT_PTR kCloseTimer = 1;
    static constexpr UINT kCloseDelayMs = 250;
    static constexpr int kDefaultRowHeight = 15;
    static constexpr int kMaxSubListRows = 5;

    CListPanelList() = default;
    ~CListPanelList() override;
    using CListCtrl::Create;

    // Creates the list window over the rectangle (panel client coordinates; the scroll strip
    // at the right is taken from it), fills it and captures the mouse.
    BOOL CreateList(CListPanel* owner, const DropdownEntryList* entryList, bool sortedRows,
                    int left, int top, int right, int bottom);
    // (Re)fills the rows; each row's item data is its entry's position in the entry list.
    void FillItems(CListCtrl* list, const DropdownEntryList* entryList);
    // Sort callback: the two entries' texts compared case-insensitively, ascending.
    static int CompareItemText(LPARAM first, LPARAM second, LPARAM entryList);

    // The height of the rows in that font: its height and one pixel, 15 without a font.
    static int RowHeightFor(CFont* font);
    // The entry position of a row, -1 for none.
    int RowId(int row) const;
    // Makes the row of that entry position the chosen one (highlighted, selected, in sight).
    void ShowEntry(int entry);
    // The hover row is chosen as a press on it would choose it: its second-level list opens
    // when it has one, and the close timer starts.
    void ChooseHoverRow();

    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnTimer(UINT_PTR id) override;
    void OnKillFocus(CWnd* newWnd) override;
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
    void OnKeyDown(UINT ch, UINT repeat, UINT flags) override;
    void OnKeyUp(UINT ch, UINT repeat, UINT flags) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnNcCalcSize(BOOL calcValidRects, NCCALCSIZE_PARAMS* params) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnNotifyReflect(NMHDR* header, LRESULT* result) override;
    void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;

    CListPanel* panel = nullptr;
    std::unique_ptr<CVScrollBar> scrollBar;
    bool pressed = false;
    int rowHeight = kDefaultRowHeight;
    int hoverRow = -1;
    int subChoice = -1;
    bool sorted = false;

private:
    // Posts a mouse message to the scroll bar when the point lies in its strip; true then.
    bool ForwardToScrollBar(UINT message, UINT flags, CPoint point);
    // The row in view under a point of the list, -1 for none.
    int RowAt(CPoint point) const;
    // Makes a row the hover row and the list's one selected row (none for -1), redrawing
    // when it changed: the row the mouse or the keys point at is the one highlighted.
    void SetHoverRow(int row);
    // The hover row follows a pointer resting over the list after the rows moved under it
    // (wheel, scroll bar).
    void HoverAtCursor();
    void RefreshScrollBar();
    LRESULT CustomDraw(NMLVCUSTOMDRAW* draw);

    const DropdownEntryList* m_entries = nullptr;
    POINT m_lastPointer{}; // screen point of the last mouse move
};
