#include "model/BorvantaConfig.h"

#include "model/ButtonAssignment.h"
#include "model/DpiStage.h"
#include "platform/base/Path.h"

namespace {

constexpr LONG FACTORY_POLLING_RATE = 1;
constexpr UINT FACTORY_ACCELERATION = 5;
constexpr COLORREF FACTORY_LIGHT_COLOR = 0x00FF0000;

} // namespace

CBorvantaConfig::CBorvantaConfig() {
    m_settingsFilePath.Format(u"%s%s%s.%s", ExeFolder, u"save\\", u"Borvanta", u"qmc");
    m_profileFolder.Format(u"%s%s", ExeFolder, u"save\\");
    m_macroFolder.Format(u"%s%s", ExeFolder, u"save\\");
    BuildDefaultAssignments();
}

IMouseProfile* CBorvantaConfig::AddProfile(const WCHAR* name) {
    IMouseProfile* profile = CMouseConfig::AddProfile(name);
    if (profile != nullptr) {
        SetStageCapacity(FACTORY_STAGE_CAPACITY, profile);
        SetDefaults(profile);
    }
    return profile;
}

void CBorvantaConfig::SetDefaults(IMouseProfile* profile) {
    // Assignments exist only in profiles: without one (given or active) they are left out.
    if (Target(profile) != nullptr) {
        for (ButtonId button = BUTTON_FIRST; button <= BUTTON_LAST; ++button) {
            SetButtonAssignment(button, GetDefaultAssignment(button), profile);
        }
    }
    SetDpiRange(FACTORY_DPI_MIN, FACTORY_DPI_MAX, FACTORY_DPI_STEP, profile);
    SetActiveStage(FACTORY_ACTIVE_STAGE, profile);
    for (LONG stage = 1; stage <= static_cast<LONG>(FACTORY_STAGE_DPI.size()); ++stage) {
        SetStageDpi(stage, FACTORY_STAGE_DPI[static_cast<size_t>(stage - 1)], profile);
        SetStageSeparateXY(stage, 0, profile);
    }
    SetStageCount(FACTORY_STAGE_COUNT, profile);
    SetSeparateXY(0, profile);
    SetDpi(FACTORY_DPI, profile);
    // The polling rate and the acceleration belong to the mouse, not to a profile: only the
    // factory settings of the whole mouse (no profile named) reset them.
    if (profile == nullptr) {
        ResetDeviceWideDefaults();
    }
    SetScrollLightOn(1, profile);
    SetLogoLightOn(1, profile);
    SetScrollLightColor(FACTORY_LIGHT_COLOR, profile);
    SetLogoLightColor(FACTORY_LIGHT_COLOR, profile);
    SetShowDpiOsd(1, profile);
    // The show-profile-name switch acts as one setting for all profiles: a profile's
    // defaults take the active profile's value (off without one), the defaults of "no
    // profile" switch it on everywhere.
    SetShowProfileOsdAll(profile == nullptr ? 1 : GetShowProfileOsd(nullptr));
}

void CBorvantaConfig::ResetDeviceWideDefaults() {
    SetPollingRate(FACTORY_POLLING_RATE, nullptr);
    SetAcceleration(FACTORY_ACCELERATION, nullptr);
    SetAccelerationEnabled(0, nullptr);
}
