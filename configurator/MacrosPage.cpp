// The macros page: the macro list, the event display and the recorder.

#include "configurator/BorvantaAppDlg.h"

void CBorvantaAppDlg::FillMacroList() {}

void CBorvantaAppDlg::InitMacroPage() {}

void CBorvantaAppDlg::OnMacroCreate() {}

void CBorvantaAppDlg::OnMacroExport() {}

void CBorvantaAppDlg::OnMacroImport() {}

void CBorvantaAppDlg::OnMacroDelete() {}

void CBorvantaAppDlg::OnMacroRecord() {}

void CBorvantaAppDlg::OnMacroAdvanced() {}

void CBorvantaAppDlg::OnMacroDelayOption(int /*id*/) {}

LRESULT CBorvantaAppDlg::OnMacroEventsChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

LRESULT CBorvantaAppDlg::OnMacroEventEdit(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

LRESULT CBorvantaAppDlg::OnMacroRecordDone(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}
