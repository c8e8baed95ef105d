#include "gui/GUIItem.h"

#include "platform/framework/CWnd.h"
#include "platform/ui/WinUser.h"

namespace {

// The window an item shows: its window object's, or the handle in its hwnd field for an item
// that is no window object.
HWND ItemWindow(CGUIItem* item) {
    if (const auto* window = dynamic_cast<CWnd*>(item)) {
        return window->GetSafeHwnd();
    }
    return item->hwnd;
}

} // namespace

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
    const HWND window = ItemWindow(item);
    if (window != nullptr && window != GUIITEM_NO_WINDOW) {
        ShowWindow(window, command);
    }
}

void ShowGUIItems(const CGUIItemList& list, bool show) {
    for (int i = 0; i < list.GetCount(); ++i) {
        ShowGUIItem(list.GetAt(i), show);
    }
}
