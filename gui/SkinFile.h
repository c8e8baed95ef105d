#pragma once
// The skin file loader: parses one skin XML file, reads its frame (a GUIPANEL with BACKGROUND
// and MASK, or an ITEMLIST) and hands every item element to the creator registered for its
// name, in a fixed order of list elements, appending the items made to the caller's list.

#include "gui/GUIItem.h"
#include "gui/xml/PugXmlBranch.h"
#include "platform/base/CString.h"

#include <functional>
#include <memory>

// What a creator is given for one item element.
struct SkinElementContext {
    pug::CPugXmlBranch element;
    // The window that loads the skin.
    CWnd* parent = nullptr;
    // The list being filled, for creators that refer to items made before them.
    CGUIItemList* items = nullptr;
    // The first RECT below the element (empty when there is none).
    pug::CPugXmlBranch firstRect;
    // 1-based position among the elements of its name (DPISTAGEWINDOW); 0 otherwise.
    int position = 0;
};

// Makes the item of one element, or nothing.
using SkinElementCreator = std::function<std::unique_ptr<CGUIItem>(const SkinElementContext&)>;

// Registers the creator of an item element name (case-sensitive), replacing any earlier one;
// returns the earlier one. An empty creator removes the registration.
SkinElementCreator RegisterSkinElementCreator(const WCHAR* elementName, SkinElementCreator creator);
// The registered creator, or an empty one.
SkinElementCreator FindSkinElementCreator(const WCHAR* elementName);

// Loads program folder + "xml\" + file name into list.
bool LoadSkinFile(CGUIItemList& list, const WCHAR* fileName, CWnd* parent);
// The same, telling which file failed: the skin file itself when it cannot be read or holds
// no whole frame (a GUIPANEL with its BACKGROUND and MASK, or an ITEMLIST), else the first
// picture the skin names that could not be read (its BACKGROUND or MASK included); empty when
// nothing failed. The path is the one the file was looked for at.
bool LoadSkinFile(CGUIItemList& list, const WCHAR* fileName, CWnd* parent, CString& failedFile);
// Starts reading a skin file's panel pictures (its BACKGROUND and MASK, the largest of a skin)
// on helper threads (SkinResourceCache::LoadPictureAhead), for a window whose skin it is that
// will be made a moment later: loading that skin then finds them in the resource cache.
// DropSkinPicturesAhead waits for and frees pictures loaded ahead that were never asked for.
void LoadSkinPicturesAhead(const WCHAR* fileName);
void DropSkinPicturesAhead();
// Loads the skin at path into list. True when the frame was complete (both panel bitmaps, or
// an ITEMLIST) and at least one item was made; callers may ignore the result and search the
// list.
bool LoadSkinPanel(const WCHAR* path, CGUIItemList& list, CWnd* parent);
// Makes the BACKGROUND or MASK item from the element of that name below frame; true when made.
bool LoadSkinPanelBitmap(pug::CPugXmlBranch frame, CWnd* parent, const WCHAR* elementName,
                         CGUIItemList& list);

// The integer attributes top, left, right and bottom (missing ones are added as ""). Mode 0:
// as they stand; mode 1: right and bottom become left + right and top + bottom.
RECT ReadSkinRect(pug::CPugXmlBranch element, int mode);
// The integer attributes width and height.
SIZE ReadSkinSize(pug::CPugXmlBranch element);
// The element's text (at most 512 characters), trimmed of white space at both ends.
CString ReadSkinText(pug::CPugXmlBranch element);
// The skin item id of the element's name attribute; -1 when it is not a skin item name.
int ReadSkinItemId(pug::CPugXmlBranch element);
// The picture (kind 0) of the resource key in the text of the child of that name; null when
// the child is missing or the key loads nothing. The cache keeps the picture.
HBITMAP LoadSkinPictureOfChild(pug::CPugXmlBranch element, const WCHAR* childName);

// The item rectangle of an element: its RECT read as it stands (mode 0), replaced by the
// current language's override of (item id, "RECT") when there is one. right and bottom are
// width and height, ready for CGUIItem::SetRect.
RECT ReadSkinItemRect(pug::CPugXmlBranch rectElement, int itemId);
// The window a widget is created on: the window of the BITMAPITEM that the attribute
// ("windowid", "trackid") names in the list being filled; the loading window when the
// attribute is absent, names no known item, or names an item that is not a bitmap item.
CWnd* ResolveSkinParentWindow(const SkinElementContext& context, const WCHAR* attributeName);

// The bitmaps of a VSCROLL element. Returns the thumb's width, or 0 (and reads nothing else)
// when there is no thumb picture.
int LoadSkinScrollBitmaps(pug::CPugXmlBranch vscroll, HBITMAP* thumb, HBITMAP* top, HBITMAP* bottom,
                          HBITMAP* arrowUp, HBITMAP* arrowDown, HBITMAP* spin);
// One state picture of a button: none when disabled or when the child is missing; the
// child's fontclr (when known) goes to colour; the current language's override of (item id,
// child name) wins when its key loads a picture.
HBITMAP LoadSkinStateBitmap(pug::CPugXmlBranch element, const WCHAR* childName, int itemId,
                            bool enabled, COLORREF* colour);
