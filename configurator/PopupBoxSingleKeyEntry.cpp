#include "configurator/PopupBoxSingleKeyEntry.h"

#include "gui/EditItemSingleKeyInput.h"
#include "platform/ui/DialogTemplate.h"

CPopupBoxSingleKeyEntry::CPopupBoxSingleKeyEntry(CWnd* parentWnd, SingleKeyResult* keyResult)
    : CPopupBox(u"SingleKeyPopup.xml", IDD_NAME_ENTRY_POPUP, parentWnd), result(keyResult) {
    if (FindDialogTemplate(IDD_NAME_ENTRY_POPUP) == nullptr) {
        RegisterPopupDialogTemplates();
    }
}

CPopupBoxSingleKeyEntry::~CPopupBoxSingleKeyEntry() = default;

BOOL CPopupBoxSingleKeyEntry::OnInitDialog() {
    BindItems();
    // The dialog's own initialisation; CPopupBox's would bind the items again.
    CDialog::OnInitDialog();
    CenterWindow();
    if (!dialogKey && edit != nullptr && edit->GetSafeHwnd() != nullptr) {
        edit->SetFocus();
    }
    return FALSE;
}

void CPopupBoxSingleKeyEntry::BindItems() {
    CGUIItem* item = FindGUIItemById(items, EDITCTRL_POPUP_SINGLEKEYENTRY);
    edit = item != nullptr && item->type == GUIITEM_EDITSINGLEKEY
               ? dynamic_cast<CEditItemSingleKeyInput*>(item)
               : nullptr;
}

BOOL CPopupBoxSingleKeyEntry::PreTranslateMessage(MSG* msg) {
    if (msg != nullptr) {
        if (msg->message == WM_KEYDOWN) {
            dialogKey = msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN;
        } else if (msg->message == WM_LBUTTONDOWN) {
            dialogKey = false;
        }
    }
    return CPopupBox::PreTranslateMessage(msg);
}

bool CPopupBoxSingleKeyEntry::HasCloseItems() const {
    return FindGUIItemById(items, BUTTON_POPUP_OK) != nullptr &&
           FindGUIItemById(items, BUTTON_POPUP_CANCEL) != nullptr;
}

BOOL CPopupBoxSingleKeyEntry::OnCommand(WPARAM wParam, LPARAM lParam) {
    // A broken skin must not leave a popup that nothing can close: without its OK or Cancel
    // item, Escape and closing the window end it as a cancel.
    if (LOWORD(wParam) == IDCANCEL &&
        FindGUIItemByHwnd(items, reinterpret_cast<HWND>(lParam)) == nullptr && !HasCloseItems()) {
        if (result != nullptr) {
            result->keyName.Empty();
        }
        EndDialog(IDCANCEL);
        return TRUE;
    }
    return RoutePopupCommand(*this, wParam, lParam);
}

void CPopupBoxSingleKeyEntry::OnOK() {
    if (result != nullptr) {
        result->keyName = PopupEditLine(edit);
        if (!result->keyName.IsEmpty()) {
            result->scanCode = edit->currentKey.scanCodeReceived;
            result->virtualKey = edit->currentKey.virtualKeyReceived;
            result->flags = edit->currentKey.flags;
        }
    }
    if (!dialogKey) {
        CDialog::OnOK();
    }
}

void CPopupBoxSingleKeyEntry::OnCancel() {
    if (dialogKey) {
        return;
    }
    if (result != nullptr) {
        result->keyName.Empty();
    }
    CDialog::OnCancel();
}
