#pragma once
// The skin item base: every object a skin file creates (bitmap, font, language table, widget)
// is also a CGUIItem, found by its skin item id in the item list of the window that loaded it.

#include "platform/base/WinTypes.h"

#include <memory>
#include <vector>

class CWnd;

// Type code of the concrete item class (-1 = not set).
enum GUIItemType : int {
    GUIITEM_NONE = -1,
    GUIITEM_PANELBITMAP = 0,     // CPanelBitmap: BACKGROUND and MASK
    GUIITEM_BITMAPITEM = 1,      // CBitmapItem
    GUIITEM_BITMAPBTN = 2,       // CBitmapBtn
    GUIITEM_AVIBUTTON = 3,       // CAVIButton
    GUIITEM_PROFILEBTN = 4,      // CProfileBtn
    GUIITEM_VERTSLIDER = 5,      // CVertSlider
    GUIITEM_PHSLIDER = 6,        // CPHSlider, a thumb owned by its slider; never in a list
    GUIITEM_DMARKER = 7,         // CDMarker
    GUIITEM_SLIDERHMULTI = 8,    // CSliderHMulti
    GUIITEM_APMSLIDER = 9,       // CAPMSlider
    GUIITEM_MACRODISPLAY = 10,   // CMacroDisplayItem, with its own scroll bar window
    GUIITEM_TEXTITEM = 11,       // CTextItem
    GUIITEM_FONTITEM = 12,       // CFontItem
    GUIITEM_LANGTABLE = 13,      // CLangTable
    GUIITEM_DROPDOWNLIST = 14,   // CDropdownListItem
    GUIITEM_DROPDOWNCOLOR = 15,  // CDropdownColorButton
    GUIITEM_LISTPANELITEM = 16,  // CListPanelItem
    GUIITEM_BITMAPWINDOW = 17,   // CBitmapWindow
    GUIITEM_XLISTCTRL = 18,      // CXListCtrl
    GUIITEM_EDITITEM = 19,       // CEditItem
    GUIITEM_EDITSINGLEKEY = 20,  // CEditItemSingleKeyInput
    GUIITEM_DPISTAGEWINDOW = 21, // CDPIStageWindow
};

// origin + extent of skin coordinates, computed wide and held within the range of LONG, so
// that extreme skin values (a RECT of right='2147483647') never overflow.
LONG AddSkinExtent(LONG origin, LONG extent);

// The handle value of an item that has no window of its own yet.
inline HWND const GUIITEM_NO_WINDOW = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

class CGUIItem {
public:
    virtual ~CGUIItem() = default;
    CGUIItem(const CGUIItem&) = delete;
    CGUIItem& operator=(const CGUIItem&) = delete;

    // Allocates the rectangle: left = x, top = y, right = x + width, bottom = y + height,
    // the sums held within the range of LONG (AddSkinExtent).
    void SetRect(int x, int y, int width, int height);

    // The window that shows and hides together with the item's own (a macro display's scroll
    // bar); none for other items.
    virtual HWND GetCompanionWindow() const { return nullptr; }

    int id = -1;
    int type = GUIITEM_NONE;
    HWND hwnd = GUIITEM_NO_WINDOW;
    CWnd* parent = nullptr;
    std::unique_ptr<RECT> rect;

protected:
    CGUIItem() = default;
};

// The items one skin created, in skin-file order. The list owns its items and deletes them
// last first.
class CGUIItemList {
public:
    CGUIItemList() = default;
    ~CGUIItemList();
    CGUIItemList(const CGUIItemList&) = delete;
    CGUIItemList& operator=(const CGUIItemList&) = delete;

    // Appends an item; a null item is not added.
    void Add(std::unique_ptr<CGUIItem> item);
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    // Item i; null when out of range.
    CGUIItem* GetAt(int i) const;
    // Deletes the last item.
    void DeleteLast();

private:
    std::vector<std::unique_ptr<CGUIItem>> m_items;
};

// First item in list order with that id; null when there is none.
CGUIItem* FindGUIItemById(const CGUIItemList& list, int id);
// First item whose window is hwnd. Null and the "no window" value -1 find nothing, so fonts,
// language tables and bitmap items are never taken for a message's sender.
CGUIItem* FindGUIItemByHwnd(const CGUIItemList& list, HWND hwnd);
// The first item with that id when it is a bitmap item (type 1); null otherwise.
CGUIItem* FindBitmapItemById(int id, const CGUIItemList& list);
// The BMP bitmap (resource kind 1) of that key from the skin resource cache; null when the
// file loads nothing. The cache keeps the bitmap.
HBITMAP LoadSkinBitmapByName(const WCHAR* key);
// Shows or hides an item's window (SW_SHOW / SW_HIDE): the window of the item's window
// object when it is one (the creators leave the hwnd field of bitmap items, edit fields and
// macro displays unfilled), else the window in its hwnd field. Panel bitmaps, the track
// slider (type 9), fonts, language tables and list-panel items are left alone; a macro
// display's scroll bar goes first.
void ShowGUIItem(CGUIItem* item, bool show);
void ShowGUIItems(const CGUIItemList& list, bool show);
// Deletes every item, last first, leaving the list empty.
void DeleteGUIItems(CGUIItemList& list);
// DeleteGUIItems, then frees the list itself.
void DestroyGUIItemList(CGUIItemList* list);
