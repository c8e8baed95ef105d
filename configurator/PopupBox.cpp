#include "configurator/PopupBox.h"

#include "platform/ui/DialogTemplate.h"

void RegisterPopupDialogTemplates() {
    for (const UINT id : {IDD_WARNING_POPUP, IDD_NAME_ENTRY_POPUP}) {
        DialogTemplate popup;
        popup.style = WS_POPUP | DS_CENTER;
        popup.cx = 160;
        popup.cy = 80;
        RegisterDialogTemplate(id, popup);
    }
}

BOOL RoutePopupCommand(CPopupBox& popup, WPARAM wParam, LPARAM lParam) {
    const CGUIItem* item = FindGUIItemByHwnd(popup.items, reinterpret_cast<HWND>(lParam));
    if (item == nullptr) {
        return FALSE;
    }
    if (item->id == BUTTON_POPUP_OK) {
        popup.OnOK();
        return TRUE;
    }
    if (item->id == BUTTON_POPUP_CANCEL) {
        popup.OnCancel();
        return FALSE;
    }
    return popup.CWnd::OnCommand(wParam, lParam);
}
