// The performance page: sensitivity sliders and stages, acceleration, polling rate.

#include "configurator/BorvantaAppDlg.h"

void CBorvantaAppDlg::InitPerformanceControls() {}

void CBorvantaAppDlg::UpdatePerformanceControls() {}

void CBorvantaAppDlg::OnPollingRate(int /*choice*/) {}

void CBorvantaAppDlg::OnSeparateXY() {}

void CBorvantaAppDlg::OnAccelerationSwitch() {}

void CBorvantaAppDlg::OnSensitivityStages() {}

void CBorvantaAppDlg::OnDpiOsdSwitch() {}

LRESULT CBorvantaAppDlg::OnSliderChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}
