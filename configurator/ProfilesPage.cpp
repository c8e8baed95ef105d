// The profiles page: the profile list, its row menu and the profile buttons.

#include "configurator/BorvantaAppDlg.h"

void CBorvantaAppDlg::FillProfileList() {}

void CBorvantaAppDlg::OnNewProfile() {}

void CBorvantaAppDlg::OnImportProfile() {}

void CBorvantaAppDlg::OnExportProfile() {}

void CBorvantaAppDlg::OnDeleteProfile() {}

void CBorvantaAppDlg::OnProfileOsdSwitch() {}

LRESULT CBorvantaAppDlg::OnProfileNameEdited(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileProgramChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileAutoSwitchChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileListCommand(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileSelected(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}
