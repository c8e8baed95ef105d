#include "configurator/BorvantaNameEntryPopup.h"

#include "gui/EditItem.h"

CBorvantaNameEntryPopup::CBorvantaNameEntryPopup(CWnd* parentWnd, const WCHAR* skinFileName,
                                                 CString* resultName)
    : CPopupBox(skinFileName, IDD_NAME_ENTRY_POPUP, parentWnd), result(resultName) {}

CBorvantaNameEntryPopup::~CBorvantaNameEntryPopup() = default;

BOOL CBorvantaNameEntryPopup::OnInitDialog() {
    BindItems();
    // The dialog's own initialisation; CPopupBox's would bind the items again.
    CDialog::OnInitDialog();
    CenterWindow();
    if (edit != nullptr && edit->GetSafeHwnd() != nullptr) {
        edit->SetFocus();
        edit->SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(kMaxNameLength));
    }
    return FALSE;
}

void CBorvantaNameEntryPopup::BindItems() {
    CGUIItem* item = FindGUIItemById(items, EDITCTRL_POPUP_NAMEENTRY);
    edit = item != nullptr && item->type == GUIITEM_EDITITEM ? dynamic_cast<CEditItem*>(item)
                                                             : nullptr;
}

BOOL CBorvantaNameEntryPopup::OnCommand(WPARAM wParam, LPARAM lParam) {
    return RoutePopupCommand(*this, wParam, lParam);
}

void CBorvantaNameEntryPopup::OnOK() {
    if (result != nullptr) {
        *result = PopupEditLine(edit);
    }
    CDialog::OnOK();
}
