// The lighting and maintenance page: the two lights, their colours and the version texts.

#include "configurator/BorvantaAppDlg.h"
#include "device/IMouseDevice.h"
#include "gui/BitmapBtn.h"
#include "gui/DropdownColorButton.h"
#include "gui/FODropColorPaletteControl.h"
#include "gui/TextItem.h"
#include "model/IMouseConfig.h"

namespace {

void SetPair(CBitmapBtn* on, CBitmapBtn* off, bool lit) {
    if (on != nullptr) {
        on->SetCheck(lit ? 1 : 0);
    }
    if (off != nullptr) {
        off->SetCheck(lit ? 0 : 1);
    }
}

// "<skin text>: <version>", only for a version that was read.
void ShowVersion(CTextItem* item, BOOL read, const CString& version) {
    if (item == nullptr || !read || version.IsEmpty()) {
        return;
    }
    CString text;
    text.Format(u"%s: %s", item->GetText().GetString(), version.GetString());
    item->SetText(text.GetString());
}

} // namespace

void CBorvantaAppDlg::UpdateLightingControls() {
    SetPair(scrollLedOn, scrollLedOff, config->GetScrollLightOn(nullptr) != 0);
    SetPair(glowLedOn, glowLedOff, config->GetLogoLightOn(nullptr) != 0);
    if (scrollColor != nullptr) {
        scrollColor->SetColor(config->GetScrollLightColor(nullptr));
    }
    if (logoColor != nullptr) {
        logoColor->SetColor(config->GetLogoLightColor(nullptr));
    }
    // The colours a cancelled palette puts back.
    scrollColorChosen = config->GetScrollLightColor(nullptr);
    logoColorChosen = config->GetLogoLightColor(nullptr);
}

void CBorvantaAppDlg::OnScrollLight(bool on) {
    SetPair(scrollLedOn, scrollLedOff, on);
    config->SetScrollLightOn(on ? 1 : 0, nullptr);
}

void CBorvantaAppDlg::OnLogoLight(bool on) {
    SetPair(glowLedOn, glowLedOff, on);
    config->SetLogoLightOn(on ? 1 : 0, nullptr);
}

void CBorvantaAppDlg::ShowVersionTexts() {
    if (device == nullptr) {
        return;
    }
    CString version;
    BOOL read = device->GetVersionA(version);
    ShowVersion(firmwareVersionText, read, version);
    version.Empty();
    read = device->GetVersionB(version);
    ShowVersion(driverVersionText, read, version);
}

void CBorvantaAppDlg::StoreLightColors() {
    if (scrollColor != nullptr) {
        config->SetScrollLightColor(scrollColor->GetColor(), nullptr);
    }
    if (logoColor != nullptr) {
        config->SetLogoLightColor(logoColor->GetColor(), nullptr);
    }
}

LRESULT CBorvantaAppDlg::OnColorChanged(WPARAM wParam, LPARAM /*lParam*/) {
    if (config->GetActiveProfile() == nullptr) {
        return 0;
    }
    // Previews and choices alike: both buttons' colours are the lights' colours.
    StoreLightColors();
    if (wParam != static_cast<WPARAM>(CFODropColorPaletteControl::kPreview)) {
        scrollColorChosen = config->GetScrollLightColor(nullptr);
        logoColorChosen = config->GetLogoLightColor(nullptr);
    }
    MarkPending(PENDING_LIGHTING);
    return 0;
}

LRESULT CBorvantaAppDlg::OnColorCancelled(WPARAM /*wParam*/, LPARAM lParam) {
    if (config->GetActiveProfile() == nullptr) {
        return 0;
    }
    // A palette closed without a choice takes back what its previews changed.
    if (scrollColor != nullptr && lParam == SCROLL_COLOR) {
        scrollColor->SetColor(scrollColorChosen);
    }
    if (logoColor != nullptr && lParam == LOGO_COLOR) {
        logoColor->SetColor(logoColorChosen);
    }
    StoreLightColors();
    return 0;
}
