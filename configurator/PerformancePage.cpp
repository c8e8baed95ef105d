// The performance page: sensitivity sliders and stages, acceleration, polling rate.

#include "configurator/BorvantaAppDlg.h"
#include "configurator/DPIStagesPopup.h"
#include "device/IMouseDevice.h"
#include "gui/BitmapBtn.h"
#include "gui/BitmapItem.h"
#include "gui/PHSlider.h"
#include "gui/SliderHMulti.h"
#include "gui/TextItem.h"
#include "model/DpiStage.h"
#include "model/IMouseConfig.h"

#include <algorithm>

namespace {

// The first thumb's position, 0 for a slider without thumbs.
int FirstThumbPosition(const CSliderHMulti* slider) {
    const CPHSlider* thumb = slider != nullptr ? slider->GetThumb(0) : nullptr;
    return thumb != nullptr ? thumb->GetPos() : 0;
}

void SetFirstThumbPosition(CSliderHMulti* slider, LONG position) {
    CPHSlider* thumb = slider != nullptr ? slider->GetThumb(0) : nullptr;
    if (thumb == nullptr) {
        return;
    }
    thumb->SetPos(static_cast<int>(position));
    if (slider->m_hWnd != nullptr) {
        slider->Invalidate();
    }
}

void SetButtonCheck(CBitmapBtn* button, bool checked) {
    if (button != nullptr) {
        button->SetCheck(checked ? 1 : 0);
    }
}

} // namespace

LONG CBorvantaAppDlg::DpiStep() const {
    LONG min = 0;
    LONG max = 0;
    LONG step = 0;
    config->GetDpiRange(min, max, step, nullptr);
    // A range without a step would divide by zero: one unit per position instead.
    return std::max<LONG>(step, 1);
}

void CBorvantaAppDlg::SetDpiSliderPositions(LONG dpi, LONG dpiX, LONG dpiY) {
    const LONG step = DpiStep();
    SetFirstThumbPosition(dpiSlider, dpi / step);
    SetFirstThumbPosition(dpiSliderX, dpiX / step);
    SetFirstThumbPosition(dpiSliderY, dpiY / step);
}

void CBorvantaAppDlg::InitPerformanceControls() {
    LONG min = 0;
    LONG max = 0;
    LONG step = 0;
    config->GetDpiRange(min, max, step, nullptr);
    step = std::max<LONG>(step, 1);
    // The ranges before the positions: a thumb keeps to its range.
    for (CSliderHMulti* slider : {dpiSlider, dpiSliderX, dpiSliderY}) {
        if (slider != nullptr) {
            slider->SetRange(static_cast<int>(min / step), static_cast<int>(max / step));
        }
    }
    for (CSliderHMulti* slider : {accelSlider, accelSliderDisabled}) {
        if (slider != nullptr) {
            slider->SetRange(static_cast<int>(config->GetAccelerationMin()),
                             static_cast<int>(config->GetAccelerationMax()));
        }
    }
    ShowPerformanceValues();
}

void CBorvantaAppDlg::InitSeparateXYView() {
    const bool separate = config->GetSeparateXY(nullptr) != 0;
    SetButtonCheck(enableXYButton, separate);
    SetSeparateXY(separate);
}

void CBorvantaAppDlg::UpdatePerformanceControls() {
    InitSeparateXYView();
    ShowPerformanceValues();
}

void CBorvantaAppDlg::ShowPerformanceValues() {
    SetDpiSliderPositions(config->GetDpi(nullptr), config->GetDpiX(nullptr),
                          config->GetDpiY(nullptr));
    UpdateDpiTexts();
    const bool accelerationOn = config->GetAccelerationEnabled(nullptr) != 0;
    SetButtonCheck(enableAccelButton, accelerationOn);
    SetAccelerationEnabled(accelerationOn);
    SetFirstThumbPosition(accelSlider, static_cast<LONG>(config->GetAcceleration(nullptr)));
    SetFirstThumbPosition(accelSliderDisabled, static_cast<LONG>(config->GetAcceleration(nullptr)));
    ShowPollingRates();
}

void CBorvantaAppDlg::ShowPollingRates() {
    CBitmapBtn* buttons[] = {rateButton1, rateButton2, rateButton3};
    // The skin's captions (the unit) are kept at the first fill, so that a refresh builds
    // the caption from them again instead of appending the unit to the last caption.
    if (!rateCaptionsKept) {
        for (size_t k = 0; k < 3; ++k) {
            if (buttons[k] != nullptr) {
                rateSkinCaptions[k] = buttons[k]->caption;
            }
        }
        rateCaptionsKept = true;
    }
    const UINT count = device != nullptr ? device->GetSupportedRateCount() : 0;
    const LONG choice = config->GetPollingRate(nullptr);
    for (UINT k = 1; k <= 3; ++k) {
        CBitmapBtn* button = buttons[k - 1];
        if (button == nullptr) {
            continue;
        }
        if (k > count) {
            // A rate the mouse does not report: the skin's caption, the state as it is.
            if (button->caption != rateSkinCaptions[k - 1]) {
                button->SetCaption(rateSkinCaptions[k - 1].GetString(), 0);
                if (button->m_hWnd != nullptr) {
                    button->Invalidate();
                }
            }
            continue;
        }
        // Button k shows supported rate n - k: the first button the last value.
        CString text;
        text.Format(u"%d%s", device->GetSupportedRate(count - k),
                    rateSkinCaptions[k - 1].GetString());
        button->SetCaption(text.GetString(), 0);
        button->SetCheck(choice == static_cast<LONG>(k) - 1 ? 1 : 0);
        if (button->m_hWnd != nullptr) {
            button->Invalidate();
        }
    }
}

void CBorvantaAppDlg::SetSeparateXY(bool state) {
    const bool changed = (config->GetSeparateXY(nullptr) != 0) != state;
    if (changed) {
        config->SetSeparateXY(state ? 1 : 0, nullptr);
    }
    LONG dpi = config->GetDpi(nullptr);
    LONG dpiX = config->GetDpiX(nullptr);
    LONG dpiY = config->GetDpiY(nullptr);
    if (currentPage != &performancePage) {
        return;
    }
    if (state) {
        if (changed) {
            dpiX = dpi;
            dpiY = dpi;
        }
    } else if (changed) {
        dpi = dpiX;
    }
    for (CGUIItem* item : {static_cast<CGUIItem*>(dpiSlider), static_cast<CGUIItem*>(dpiTrackXY),
                           static_cast<CGUIItem*>(dpiText1)}) {
        ShowGUIItem(item, !state);
    }
    for (CGUIItem* item :
         {static_cast<CGUIItem*>(dpiSliderX), static_cast<CGUIItem*>(dpiSliderY),
          static_cast<CGUIItem*>(dpiTrackX), static_cast<CGUIItem*>(dpiTrackY),
          static_cast<CGUIItem*>(sensWindow2), static_cast<CGUIItem*>(headingXText),
          static_cast<CGUIItem*>(headingYText), static_cast<CGUIItem*>(dpiText2),
          static_cast<CGUIItem*>(dpiValueText2)}) {
        ShowGUIItem(item, state);
    }
    if (changed) {
        config->SetDpi(dpi, nullptr);
        config->SetDpiX(dpiX, nullptr);
        config->SetDpiY(dpiY, nullptr);
    }
    SetDpiSliderPositions(dpi, dpiX, dpiY);
    UpdateDpiTexts();
}

void CBorvantaAppDlg::UpdateDpiTexts() {
    const LONG step = DpiStep();
    CString text;
    if (dpiValueText1 != nullptr) {
        const CSliderHMulti* first = config->GetSeparateXY(nullptr) != 0 ? dpiSliderX : dpiSlider;
        text.Format(u"%d", static_cast<int>(step * FirstThumbPosition(first)));
        dpiValueText1->SetText(text.GetString());
    }
    if (dpiValueText2 != nullptr) {
        text.Format(u"%d", static_cast<int>(step * FirstThumbPosition(dpiSliderY)));
        dpiValueText2->SetText(text.GetString());
    }
}

void CBorvantaAppDlg::SetAccelerationEnabled(bool state) {
    const bool changed = (config->GetAccelerationEnabled(nullptr) != 0) != state;
    if (changed) {
        config->SetAccelerationEnabled(state ? 1 : 0, nullptr);
    }
    if (currentPage != &performancePage) {
        return;
    }
    ShowGUIItem(accelSlider, state);
    ShowGUIItem(accelTrack, state);
    ShowGUIItem(accelSliderDisabled, !state);
    ShowGUIItem(accelTrackDisabled, !state);
    if (changed && accelSlider != nullptr) {
        config->SetAcceleration(static_cast<UINT>(FirstThumbPosition(accelSlider)), nullptr);
    }
    const auto level = static_cast<LONG>(config->GetAcceleration(nullptr));
    SetFirstThumbPosition(accelSlider, level);
    SetFirstThumbPosition(accelSliderDisabled, level);
    Invalidate(TRUE);
}

void CBorvantaAppDlg::SetPollingRateButtons(int clickedId) {
    CBitmapBtn* buttons[] = {rateButton1, rateButton2, rateButton3};
    for (CBitmapBtn* button : buttons) {
        if (button != nullptr) {
            button->SetCheck(button->id == clickedId ? 1 : 0);
        }
    }
}

void CBorvantaAppDlg::OnPollingRate(int choice) {
    config->SetPollingRate(choice, nullptr);
    SetPollingRateButtons(BUTTON_RATE1 + choice);
}

void CBorvantaAppDlg::OnSeparateXY() {
    if (enableXYButton != nullptr) {
        SetSeparateXY(enableXYButton->checked != 0);
    }
}

void CBorvantaAppDlg::OnAccelerationSwitch() {
    if (enableAccelButton != nullptr) {
        SetAccelerationEnabled(enableAccelButton->checked != 0);
    }
}

void CBorvantaAppDlg::OnPerformanceTab() {
    OnSeparateXY();
    OnAccelerationSwitch();
}

void CBorvantaAppDlg::OnSensitivityStages() {
    ShowDpiStagesPopup();
}

void CBorvantaAppDlg::ShowDpiStagesPopup() {
    DpiStageSet set;
    config->GetDpiRange(set.min, set.max, set.step, nullptr);
    set.stageCount = static_cast<LONG>(config->GetStageCount(nullptr));
    set.activeStage = config->GetActiveStage(nullptr);
    const auto capacity = static_cast<LONG>(config->GetStageCapacity(nullptr));
    for (LONG n = 1; n <= capacity; ++n) {
        DpiStageEntry entry;
        entry.dpi = config->GetStageDpi(n, nullptr);
        entry.dpiX = config->GetStageDpiX(n, nullptr);
        entry.dpiY = config->GetStageDpiY(n, nullptr);
        entry.selected = n == set.activeStage ? 1 : 0;
        entry.enabled = n - 1 < set.stageCount ? 1 : 0;
        entry.separateXY = config->GetStageSeparateXY(n, nullptr);
        set.stages.push_back(entry);
    }
    set.ResetUnusedStages();

    CBorvantaDPIStagesPopup popup(this, &set);
    if (popup.DoModal() != IDOK) {
        return;
    }
    config->SetStageCount(static_cast<UINT>(set.stageCount), nullptr);
    for (size_t i = 0; i < set.stages.size(); ++i) {
        const DpiStageEntry& entry = set.stages[i];
        const auto n = static_cast<LONG>(i) + 1;
        config->SetStageDpi(n, entry.dpi, nullptr);
        config->SetStageDpiX(n, entry.dpiX, nullptr);
        config->SetStageDpiY(n, entry.dpiY, nullptr);
        config->SetStageSeparateXY(n, entry.separateXY, nullptr);
        if (entry.selected != 0) {
            config->SetActiveStage(n, nullptr);
            config->SetDpi(entry.dpi, nullptr);
            config->SetDpiX(entry.dpiX, nullptr);
            config->SetDpiY(entry.dpiY, nullptr);
            config->SetSeparateXY(entry.separateXY, nullptr);
        }
    }
    UpdateControls();
}

void CBorvantaAppDlg::OnDpiOsdSwitch() {
    if (dpiOsdButton != nullptr) {
        config->SetShowDpiOsd(dpiOsdButton->checked != 0 ? 1 : 0, nullptr);
    }
}

LRESULT CBorvantaAppDlg::OnSliderChanged(WPARAM wParam, LPARAM lParam) {
    // The current sensitivity lives in the active profile: nothing to change without one.
    if (config->GetActiveProfile() == nullptr) {
        return 0;
    }
    const int position = static_cast<int>(static_cast<unsigned int>(wParam));
    const auto thumb = static_cast<int>(lParam);
    const LONG value = static_cast<LONG>(position) * DpiStep();
    if (thumb >= SLIDER_DPI_MULTI_STAGE1 && thumb <= SLIDER_DPI_MULTI_STAGE5) {
        config->SetDpi(value, nullptr);
    } else if (thumb >= SLIDER_DPI_MULTI_X_STAGE1 && thumb <= SLIDER_DPI_MULTI_X_STAGE5) {
        config->SetDpiX(value, nullptr);
    } else if (thumb >= SLIDER_DPI_MULTI_Y_STAGE1 && thumb <= SLIDER_DPI_MULTI_Y_STAGE5) {
        config->SetDpiY(value, nullptr);
    } else if (thumb == SLIDER_ACCEL_STAGE1) {
        config->SetAcceleration(static_cast<UINT>(std::max(position, 0)), nullptr);
        MarkPending(PENDING_ACCELERATION);
        return 0;
    } else {
        return 0;
    }
    UpdateDpiTexts();
    MarkPending(PENDING_SENSITIVITY);
    return 0;
}
