#pragma once
// The list panel: a small borderless modal popup holding a one-column list in the owner's
// colours and font, optionally with the skinned vertical scroll bar. It ends with the chosen
// entry's position in the owner's entry list, or -1 when the user clicks outside or the list
// loses the focus.

#include "gui/DropdownEntry.h"
#include "gui/GUIPanel.h"

#include <memory>

class CListPanelList;
class CListPanelItem;

class CListPanel : public CPopupBox {
public:
    // rect is in screen coordinates; entries stay the owner's.
    CListPanel(CWnd* parentWnd, UINT dialogTemplateId, bool sortedRows,
               const DropdownEntryList* entryList, const RECT& screenRect);
    ~CListPanel() override;

    // Runs the list of a list-panel item (its entries and look) modally over the given
    // screen rectangle, with parentWnd as the popup's parent; the chosen entry or -1.
    static int RunForItem(CListPanelItem& item, CWnd* parentWnd, const RECT& screenRect);

    BOOL OnInitDialog() override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnPaint() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Enter chooses the highlighted row, as a click on it would (nothing without one).
    void OnOK() override;
    // Escape and closing the window end the panel with nothing chosen (-1).
    void OnCancel() override;
    // WM_LISTPANEL_SELECT: ends the panel with lParam as its result.
    void OnListSelection(WPARAM subChoice, LPARAM rowId);

    // The dialog template the application sets at start-up for every list panel.
    static UINT& DefaultTemplateId();

    std::unique_ptr<CListPanelList> list;
    HBITMAP scrollThumb = nullptr;
    HBITMAP scrollTop = nullptr;
    HBITMAP scrollBottom = nullptr;
    HBITMAP scrollArrowUp = nullptr;
    HBITMAP scrollArrowDown = nullptr;
    HBITMAP scrollSpin = nullptr;
    const DropdownEntryList* entries = nullptr;
    CFont* font = nullptr;
    COLORREF textColor = 0xFFFFFF;
    COLORREF hoverTextColor = 0;
    COLORREF backgroundColor = 0;
    COLORREF hoverBackgroundColor = 0xFFFFFF;
    COLORREF borderColor = 0xFFFFFF;
    int borderWidth = 1;
    int scrollBarWidth = 0;
    bool sorted = false;
    // The entry (position in the entry list) shown chosen when the list opens: highlighted
    // and scrolled into view; -1 for none.
    int currentEntry = -1;

private:
    void EndWith(INT_PTR result);
    bool m_ending = false;
};
