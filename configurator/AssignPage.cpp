// The button assignment page: the eleven assignment drop-downs and their sub-menus.

#include "configurator/BorvantaAppDlg.h"

void CBorvantaAppDlg::MapButtonItems() {}

void CBorvantaAppDlg::FillAssignmentLists() {}

void CBorvantaAppDlg::UpdateAssignmentLists() {}

LRESULT CBorvantaAppDlg::OnAssignmentSelected(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

LRESULT CBorvantaAppDlg::OnAssignmentListEvent(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}
