#include "configurator/BorvantaNameEntryPopup.h"

#include "gui/EditItem.h"

#include <algorithm>
#include <vector>

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
        result->Empty();
        if (edit != nullptr && edit->GetSafeHwnd() != nullptr) {
            const auto length = static_cast<int>(edit->SendMessage(EM_LINELENGTH, 0));
            if (length > 0) {
                // EM_GETLINE takes the buffer's room in its first character and adds no NUL;
                // the buffer holds one more, zeroed, and the name ends at its first NUL.
                const int room = std::min(length, 0xFFFF);
                std::vector<WCHAR> line(static_cast<size_t>(room) + 1, u'\0');
                line[0] = static_cast<WCHAR>(room);
                const auto copied = static_cast<size_t>(std::clamp<LRESULT>(
                    edit->SendMessage(EM_GETLINE, 0, reinterpret_cast<LPARAM>(line.data())), 0,
                    room));
                line[copied] = u'\0';
                *result = CString(line.data());
            }
        }
    }
    CDialog::OnOK();
}
