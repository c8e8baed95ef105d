#pragma once
// The windowless list-panel item: a named, skinned list of entries shown as a pop-up list,
// also the second-level list of a drop-down entry. It holds its entries, its current entry
// and its look; the list panel reads them when it opens the list.

#include "gui/DropdownEntry.h"
#include "gui/GUIItem.h"
#include "platform/framework/CGdiObject.h"

class CListPanelItem : public CGUIItem {
public:
    CListPanelItem(int listWidth, int listDefaultHeight);
    ~CListPanelItem() override = default;

    // Replaces all entries by copies of the given ones.
    void SetEntries(const DropdownEntryList& newEntries) { entries = newEntries; }
    // The entry's text; empty outside 0..count - 1.
    CString GetEntryText(int index) const;
    // -1 when the current text is empty, else the first entry whose text equals it exactly.
    int FindCurrentEntry() const;
    // Makes the entry's text the current text; false outside 0..count - 1.
    bool SelectEntry(int index);
    int GetCount() const { return static_cast<int>(entries.size()); }
    // Shows the entries as a modal list panel whose top left corner is the point (x, y) of
    // the window's client area (of the screen when window is null), the item's width wide
    // and height high (the default height when 0); the popup's parent is the item's parent.
    // The chosen entry's index, or -1 when the user cancelled.
    int ShowPopup(int height, CWnd* window, int x, int y);

    CString currentText;
    int width = 0;
    int defaultHeight = 0;
    DropdownEntryList entries;
    CFont* font = nullptr;
    COLORREF textColor = 0xFFFFFF;
    COLORREF hoverTextColor = 0;
    COLORREF backgroundColor = 0;
    COLORREF hoverBackgroundColor = 0xFFFFFF;
    COLORREF borderColor = 0xFFFFFF;
    int borderWidth = 1;
    BYTE hasScrollBitmaps = 0;
    HBITMAP scrollThumb = nullptr;
    HBITMAP scrollTop = nullptr;
    HBITMAP scrollBottom = nullptr;
    HBITMAP scrollArrowUp = nullptr;
    HBITMAP scrollArrowDown = nullptr;
    HBITMAP scrollSpin = nullptr;
    BYTE sorted = 0;
};
