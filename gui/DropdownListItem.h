#pragma once
// The skinned drop-down: a flat field with a border, the current text and a small arrow. A
// click opens a modal list panel directly below the field; the chosen entry (with, for an
// entry that opens a second-level list, that list's chosen text) becomes the current text and
// the parent is told with WM_DROPDOWN_SELECT. The current text persists between openings and
// is matched against the entries by exact text.

#include "gui/DropdownEntry.h"
#include "gui/GUIItem.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CStatic.h"
#include "platform/ui/ListView.h"

class CListPanelItem;

class CDropdownListItem : public CStatic, public CGUIItem {
public:
    // The skin item whose border stays closed while its list is open.
    static constexpr int kGlobalMacroListId = 332;

    CDropdownListItem();
    ~CDropdownListItem() override = default;
    using CStatic::Create;

    // Creates the field: a visible notifying child static without text on the rectangle
    // (parent client coordinates), control id = id; keeps the list height and takes the
    // field rectangle as the first list rectangle.
    BOOL Create(const RECT& fieldRect, CWnd* parentWnd, UINT controlId, int dropHeight);

    // Appends an entry; its index.
    int AddString(const WCHAR* text, CListPanelItem* subList = nullptr);
    // Inserts an entry without a second-level list before index (0..count); false for an
    // index outside that range.
    bool InsertString(int index, const WCHAR* text);
    // Removes every entry; the current text stays.
    void ResetContent() { entries.clear(); }
    int GetCount() const { return static_cast<int>(entries.size()); }
    // The entry's text; empty outside 0..count - 1.
    CString GetText(int index) const;
    // With LVFI_STRING: the first entry whose text equals the string exactly; else -1.
    int FindString(const LVFINDINFOW* findInfo) const;
    // -1 when the current text is empty, else the first entry whose text equals it exactly.
    int GetCurSel() const;
    // As GetCurSel; when an entry is found and a sub-text is current, copies it out.
    int GetCurSelAndSubText(CString& subText) const;
    // Makes the entry current with the given second-level text (or none); 0 and no change
    // outside 0..count - 1, else 1.
    int SetCurSel(int index, const WCHAR* subText = nullptr);

    // The text the field shows: the translated current text, then ": " and the sub-text.
    CString DisplayText() const;

    void OnPaint() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;

    BYTE disabled = 0;
    BYTE open = 0;
    CString currentText;
    CString currentSubText;
    DropdownEntryList entries;
    RECT listRect{};
    int listHeight = 0;
    CFont* font = nullptr;
    COLORREF textColor = 0;
    COLORREF hoverTextColor = 0;
    COLORREF backgroundColor = 0;
    COLORREF hoverBackgroundColor = 0;
    COLORREF borderColor = 0;
    COLORREF disabledBackgroundColor = 0;
    COLORREF disabledBorderColor = 0;
    int borderWidth = 1;
    HBITMAP scrollThumb = nullptr;
    HBITMAP scrollTop = nullptr;
    HBITMAP scrollBottom = nullptr;
    HBITMAP scrollArrowUp = nullptr;
    HBITMAP scrollArrowDown = nullptr;
    HBITMAP scrollSpin = nullptr;
    int scrollBarWidth = 0; // 0: no skinned scroll bar
    BYTE sorted = 0;

protected:
    // Runs the list panel below the field; the chosen entry or -1.
    int RunList();
    // Applies the list's choice and tells the parent; false when nothing was applied.
    bool ApplyChoice(int index);
};
