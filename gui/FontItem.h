#pragma once
// A skin font: a GDI font that is also a skin item (FONT elements of a skin file). Widgets
// keep a pointer to the font item of their skin and never delete it: the item list owns the
// font item, which frees its GDI font after the widgets (fonts are read first and the list
// deletes last first).

#include "gui/GUIItem.h"
#include "platform/framework/CGdiObject.h"

class CFontItem : public CFont, public CGUIItem {
public:
    CFontItem() {
        type = GUIITEM_FONTITEM;
        hwnd = nullptr;
    }
};
