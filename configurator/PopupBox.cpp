#include "configurator/PopupBox.h"

#include "platform/ui/DialogTemplate.h"

#include <algorithm>
#include <vector>

void RegisterPopupDialogTemplates() {
    for (const UINT id : {IDD_WARNING_POPUP, IDD_NAME_ENTRY_POPUP}) {
        DialogTemplate popup;
        popup.style = WS_POPUP | DS_CENTER;
        popup.cx = 160;
        popup.cy = 80;
        RegisterDialogTemplate(id, popup);
    }
}

bool PopupHasClosingItem(const CGUIPanel& popup, int okId, int cancelId) {
    return FindGUIItemById(popup.items, okId) != nullptr ||
           FindGUIItemById(popup.items, cancelId) != nullptr;
}

bool PopupEndsWithoutItems(const CGUIPanel& popup, WPARAM wParam, int okId, int cancelId,
                           bool heldOpen) {
    return LOWORD(wParam) == IDCANCEL && !heldOpen && !PopupHasClosingItem(popup, okId, cancelId);
}

BOOL RoutePopupCommand(CPopupBox& popup, WPARAM wParam, LPARAM lParam, bool heldOpen) {
    const CGUIItem* item = FindGUIItemByHwnd(popup.items, reinterpret_cast<HWND>(lParam));
    if (item == nullptr) {
        if (PopupEndsWithoutItems(popup, wParam, BUTTON_POPUP_OK, BUTTON_POPUP_CANCEL, heldOpen)) {
            popup.OnCancel();
        }
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

CString PopupEditLine(CWnd* edit) {
    if (edit == nullptr || edit->GetSafeHwnd() == nullptr) {
        return CString();
    }
    const auto length = static_cast<int>(edit->SendMessage(EM_LINELENGTH, 0));
    if (length <= 0) {
        return CString();
    }
    // EM_GETLINE takes the buffer's room in its first character and adds no NUL; the buffer
    // holds one more, zeroed, and the line ends at its first NUL.
    const int room = std::min(length, 0xFFFF);
    std::vector<WCHAR> line(static_cast<size_t>(room) + 1, u'\0');
    line[0] = static_cast<WCHAR>(room);
    const auto copied = static_cast<size_t>(std::clamp<LRESULT>(
        edit->SendMessage(EM_GETLINE, 0, reinterpret_cast<LPARAM>(line.data())), 0, room));
    line[copied] = u'\0';
    return CString(line.data());
}
