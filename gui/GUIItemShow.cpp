#include "gui/GUIItem.h"

#include "platform/ui/WinUser.h"

void ShowGUIItem(CGUIItem* item, bool show) {
    if (item == nullptr || item->type < GUIITEM_BITMAPITEM || item->type > GUIITEM_DPISTAGEWINDOW ||
        item->type == GUIITEM_APMSLIDER || item->type == GUIITEM_FONTITEM ||
        item->type == GUIITEM_LANGTABLE || item->type == GUIITEM_LISTPANELITEM) {
        return;
    }
    const int command = show ? SW_SHOW : SW_HIDE;
    if (item->type == GUIITEM_MACRODISPLAY && item->GetCompanionWindow() != nullptr) {
        ShowWindow(item->GetCompanionWindow(), command);
    }
    if (item->hwnd != nullptr && item->hwnd != GUIITEM_NO_WINDOW) {
        ShowWindow(item->hwnd, command);
    }
}

void ShowGUIItems(const CGUIItemList& list, bool show) {
    for (int i = 0; i < list.GetCount(); ++i) {
        ShowGUIItem(list.GetAt(i), show);
    }
}
