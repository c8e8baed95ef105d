#include "configurator/PredefinedMacroPopup.h"

#include "configurator/PopupBox.h"
#include "gui/DropdownListItem.h"
#include "gui/WidgetMessages.h"
#include "model/PredefinedMacroList.h"
#include "platform/base/CStringArray.h"

namespace {

CDropdownListItem* FindDropdown(const CGUIItemList& items, int id) {
    CGUIItem* item = FindGUIItemById(items, id);
    return item != nullptr && item->type == GUIITEM_DROPDOWNLIST
               ? dynamic_cast<CDropdownListItem*>(item)
               : nullptr;
}

bool IsListWindow(const CDropdownListItem* list, LPARAM lParam) {
    return list != nullptr && list->m_hWnd != nullptr &&
           list->m_hWnd == reinterpret_cast<HWND>(lParam);
}

} // namespace

CPredefinedMacroPopup::CPredefinedMacroPopup(CWnd* parentWnd)
    : CGUIPanel(u"AdvancedMacroPopup.xml", IDD_WIDE_POPUP, parentWnd) {
    EnsureWidePopupTemplate();
}

CPredefinedMacroPopup::~CPredefinedMacroPopup() = default;

BOOL CPredefinedMacroPopup::OnInitDialog() {
    BindItems();
    const BOOL result = CGUIPanel::OnInitDialog();
    CenterWindow();
    return result;
}

void CPredefinedMacroPopup::BindItems() {
    basicList = FindDropdown(items, LIST_GLOBAL_BASIC_COMMANDS);
    additionalList = FindDropdown(items, LIST_GLOBAL_ADDITIONAL_COMMANDS);
}

LRESULT CPredefinedMacroPopup::OnDropdownOpening(WPARAM, LPARAM lParam) {
    CDropdownListItem* list = nullptr;
    CStringArray names;
    if (IsListWindow(basicList, lParam)) {
        list = basicList;
        PredefinedMacros().GetEditCommandNames(names);
    } else if (IsListWindow(additionalList, lParam)) {
        list = additionalList;
        PredefinedMacros().GetWindowCommandNames(names);
    } else {
        return 0;
    }
    list->ResetContent();
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        list->AddString(names.GetAt(i).GetString());
    }
    return 0;
}

LRESULT CPredefinedMacroPopup::OnDropdownSelect(WPARAM wParam, LPARAM lParam) {
    const auto index = static_cast<int>(wParam);
    if (IsListWindow(basicList, lParam)) {
        basicChoice = index;
    } else if (IsListWindow(additionalList, lParam)) {
        additionalChoice = index;
    }
    return 0;
}

BOOL CPredefinedMacroPopup::OnCommand(WPARAM wParam, LPARAM lParam) {
    const CGUIItem* item = FindGUIItemByHwnd(items, reinterpret_cast<HWND>(lParam));
    if (item == nullptr) {
        // Escape and closing come without a skin item; they end the popup only when its skin
        // gave no Cancel item, which would otherwise leave it open for good.
        if (LOWORD(wParam) == IDCANCEL && FindGUIItemById(items, BUTTON_POPUP_CANCEL) == nullptr) {
            EndDialog(IDCANCEL);
        }
        return FALSE;
    }
    switch (item->id) {
    case BUTTON_POPUP_CANCEL:
        OnCancel();
        break;
    case BUTTON_ADD_BASIC_MACRO_CMDS:
        chosenCommand = basicList != nullptr ? basicList->GetText(basicChoice) : CString();
        OnOK();
        break;
    case BUTTON_ADD_ADV_MACRO_CMDS:
        chosenCommand =
            additionalList != nullptr ? additionalList->GetText(additionalChoice) : CString();
        OnOK();
        break;
    default:
        break;
    }
    return FALSE;
}

BOOL CPredefinedMacroPopup::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_DROPDOWN_OPENING) {
        *result = OnDropdownOpening(wParam, lParam);
        return TRUE;
    }
    if (message == WM_DROPDOWN_SELECT) {
        *result = OnDropdownSelect(wParam, lParam);
        return TRUE;
    }
    return CGUIPanel::OnWndMsg(message, wParam, lParam, result);
}

CBorvantaPredefinedMacroPopup::~CBorvantaPredefinedMacroPopup() = default;
