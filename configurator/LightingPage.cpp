// The lighting and maintenance page: the two lights, their colours and the version texts.

#include "configurator/BorvantaAppDlg.h"

void CBorvantaAppDlg::UpdateLightingControls() {}

void CBorvantaAppDlg::OnScrollLight(bool /*on*/) {}

void CBorvantaAppDlg::OnLogoLight(bool /*on*/) {}

void CBorvantaAppDlg::ShowVersionTexts() {}

LRESULT CBorvantaAppDlg::OnColorChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}
