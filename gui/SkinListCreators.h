#pragma once
// The skin element creators of the cell list (LISTCTRL), the drop-downs (COMBO, COMBOCOLOR),
// the pop-up lists (LISTPANEL), the edit fields (EDITCTRL, EDITCTRLSK) and the macro event
// list (MACRODISPLAY). The loader calls them
// through its creator table; each reads its element by the shared attribute rules, makes the
// widget, fills in the item fields and returns it, or returns nothing when the element cannot be
// made.

#include "gui/SkinFile.h"

#include <memory>

// LISTCTRL: a CXListCtrl (type 18) with one column per LISTCOLUMN; nothing when it has no
// column or a column cannot be read.
std::unique_ptr<CGUIItem> CreateSkinListCtrl(const SkinElementContext& context);
// COMBO: a CDropdownListItem (type 14) on the field rectangle of its CBOX, with the list
// height of its CLIST and one entry per COMBOITEM; nothing without CBOX or CLIST.
std::unique_ptr<CGUIItem> CreateSkinCombo(const SkinElementContext& context);
// COMBOCOLOR: a CDropdownColorButton (type 15); as COMBO without text colours and entries.
std::unique_ptr<CGUIItem> CreateSkinColorCombo(const SkinElementContext& context);
// LISTPANEL: a windowless CListPanelItem (type 16) as wide and high as its rectangle.
std::unique_ptr<CGUIItem> CreateSkinListPanel(const SkinElementContext& context);
// EDITCTRL: a left-aligned CEditItem (type 19).
std::unique_ptr<CGUIItem> CreateSkinEdit(const SkinElementContext& context);
// EDITCTRLSK: a centred CEditItemSingleKeyInput (type 20) registered for raw keyboard input.
std::unique_ptr<CGUIItem> CreateSkinKeyEdit(const SkinElementContext& context);
// MACRODISPLAY: a CMacroDisplayItem (type 10) with its row pictures, its columns and, for a
// VSCROLL thumb at least 10 pixels wide, a skinned scroll bar beside it; nothing when it has no
// column or a column cannot be read.
std::unique_ptr<CGUIItem> CreateSkinMacroDisplay(const SkinElementContext& context);
