#include "configurator/BorvantaWarningDlg.h"

#include "gui/TextItem.h"

CBorvantaWarningDlg::CBorvantaWarningDlg(CWnd* parentWnd, const WCHAR* skinFileName,
                                         const WCHAR* extraText)
    : CPopupBox(skinFileName, IDD_WARNING_POPUP, parentWnd), extra(extraText) {}

CBorvantaWarningDlg::~CBorvantaWarningDlg() = default;

BOOL CBorvantaWarningDlg::OnInitDialog() {
    // The dialog's own initialisation, not CPopupBox's, which would bind the items (and
    // append the extra text) a second time.
    const BOOL result = CDialog::OnInitDialog();
    BindItems();
    if (!text.IsEmpty() && heading != nullptr) {
        heading->SetText(text);
    }
    CGUIItem* body = FindGUIItemById(items, TEXT_WARNDLG_MESSAGE);
    if (!message.IsEmpty() && body != nullptr && body->type == GUIITEM_TEXTITEM) {
        if (auto* messageItem = dynamic_cast<CTextItem*>(body)) {
            messageItem->SetText(message);
        }
    }
    CenterWindow();
    return result;
}

void CBorvantaWarningDlg::BindItems() {
    CGUIItem* item = FindGUIItemById(items, TEXT_WARNDLG_HEADING);
    heading = item != nullptr && item->type == GUIITEM_TEXTITEM ? dynamic_cast<CTextItem*>(item)
                                                                : nullptr;
    if (heading == nullptr || extra == nullptr || m_extraAppended) {
        return;
    }
    // Appended as given: a name the user typed is neither translated nor has its "\n" turned
    // into a line break.
    heading->text += extra;
    heading->RedrawParentArea();
    m_extraAppended = true;
}

BOOL CBorvantaWarningDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    return RoutePopupCommand(*this, wParam, lParam, holdOpen);
}

void CBorvantaWarningDlg::OnSysCommand(UINT id, LPARAM) {
    // Swallowed rather than given the default handling, which would close or move the popup;
    // a popup that nothing else could close still ends on the close command.
    if ((id & 0xFFF0) == SC_CLOSE &&
        PopupEndsWithoutItems(*this, IDCANCEL, BUTTON_POPUP_OK, BUTTON_POPUP_CANCEL, holdOpen)) {
        OnCancel();
    }
}
