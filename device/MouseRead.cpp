// The device object's reading: the profile list at initialisation and the sections of a
// section mask, on the UI thread inside a connection the caller opened.

#include "device/Mouse.h"

#include "device/MouseSupport.h"

#include <cstring>

using namespace mousesupport;

// ---- reading -----------------------------------------------------------------------------

bool CMouse::ReadDeviceVersions() {
    if (!m_device) {
        return false;
    }
    DeviceInfo info{};
    if (FAILED(m_device->GetInfo(&info))) {
        return false;
    }
    CoTaskMemFree(info.text);
    m_versionA.Format(u"%d.%02d", info.versionAMajor, info.versionAMinor);
    m_versionB.Format(u"%d.%02d", info.versionBMajor, info.versionBMinor);
    return true;
}

bool CMouse::ReadProfileList(IMouseConfig* config) {
    const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
    if (!manager) {
        return false;
    }
    config->DeleteAllProfiles();
    // The list is read afresh: the profiles known are those read now.
    KnownState& known = Known(config);
    known.profiles.clear();
    bool ok = true;
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<IProfile> device;
        if (FAILED(manager->GetProfile(index, &device)) || !device) {
            break;
        }
        const ServiceString name = NameOf(device);
        if (!name) {
            continue;
        }
        IMouseProfile* profile = config->AddProfile(name.get());
        if (profile == nullptr) {
            continue;
        }
        GUID guid{};
        if (SUCCEEDED(device->GetGuid(&guid))) {
            profile->SetGuid(guid);
            known.profiles.insert(guid);
            ok = ReadSensitivityLimits(config, device, profile);
        }
    }
    CComPtr<IProfile> active;
    if (SUCCEEDED(manager->GetActiveProfile(&active)) && active) {
        GUID activeGuid{};
        known.active = SUCCEEDED(active->GetGuid(&activeGuid)) ? activeGuid : GUID_NULL;
        if (ok) {
            ok = ReadButtonLayout(active);
        }
    }
    return ok;
}

bool CMouse::ReadSensitivityLimits(IMouseConfig* config, IProfile* device, IMouseProfile* profile) {
    const CComPtr<IDPI> dpi = ProfileFeature<IDPI>(device);
    if (!dpi) {
        return false;
    }
    INT minStages = 0;
    INT capacity = 0;
    if (FAILED(dpi->GetStageLimits(&minStages, &capacity))) {
        return false;
    }
    const BOOL capacitySet =
        config->SetStageCapacity(static_cast<UINT>(std::clamp(capacity, 0, kMaxStages)), profile);
    INT minimum = 0;
    INT maximum = 0;
    INT step = 0;
    if (FAILED(dpi->GetDpiRange(&minimum, &maximum, &step))) {
        return false;
    }
    config->SetDpiRange(minimum, maximum, step, profile);
    return capacitySet != FALSE;
}

bool CMouse::ReadButtonLayout(IProfile* device) {
    const CComPtr<IButtonAssignments> buttons = ProfileFeature<IButtonAssignments>(device);
    if (!buttons) {
        return false;
    }
    ButtonInfo info{};
    if (FAILED(buttons->GetButtonInfo(&info))) {
        return false;
    }
    const INT count = std::clamp(info.buttonCount, 0, kMaxButtons);
    m_buttonBits.clear();
    for (DWORD bit = 0x1; bit != 0 && bit <= kLastButtonBit; bit <<= 1) {
        if (m_buttonBits.size() >= static_cast<size_t>(count)) {
            break;
        }
        if (static_cast<DWORD>(info.buttonMask) & bit) {
            m_buttonBits.push_back(bit);
        }
    }
    return count != 0;
}

bool CMouse::ReadSupportedRates() {
    const CComPtr<IPollingRate> rate = DeviceFeature<IPollingRate>();
    if (!rate) {
        return false;
    }
    INT count = 0;
    INT* raw = nullptr;
    const HRESULT hr = rate->GetSupported(&count, &raw);
    const TaskMemPtr<INT> values(raw);
    if (FAILED(hr) || (count > 0 && !values)) {
        return false;
    }
    m_supportedRates.assign(values.get(), values.get() + std::clamp(count, 0, kMaxRates));
    return true;
}

bool CMouse::ReadAll(IMouseConfig* config, int sections) {
    if (!m_device) {
        return false;
    }
    const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
    if (!manager) {
        return false;
    }
    GUID activeGuid{};
    {
        CComPtr<IProfile> active;
        if (SUCCEEDED(manager->GetActiveProfile(&active)) && active) {
            if (FAILED(active->GetGuid(&activeGuid))) {
                activeGuid = GUID_NULL;
            }
        }
    }
    // The active profile as the configuration now has it from the mouse: a write changes it
    // only when the user chooses another one.
    KnownState& known = Known(config);
    known.active = activeGuid;
    UINT deviceProfiles = 0;
    UINT profilesRead = 0;
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<IProfile> device;
        if (FAILED(manager->GetProfile(index, &device)) || !device) {
            break;
        }
        ++deviceProfiles;
        GUID guid{};
        if (FAILED(device->GetGuid(&guid))) {
            continue;
        }
        IMouseProfile* profile = config->FindProfileByGuid(guid);
        if (profile == nullptr) {
            continue;
        }
        ++profilesRead;
        known.profiles.insert(guid);
        if (!SameGuid(activeGuid, GUID_NULL) && SameGuid(activeGuid, guid)) {
            config->SetActiveProfile(profile);
        }
        ReadProfileProperties(device, profile);
        bool ok = true;
        if (sections & SECTION_SENSITIVITY) {
            ok = ReadSensitivity(config, device, profile);
        }
        if (ok && (sections & SECTION_BUTTONS)) {
            ok = ReadButtons(config, profile, device);
        }
        if (ok && (sections & SECTION_LIGHTS)) {
            ReadLights(config, device, profile);
        }
    }
    bool result = true;
    if (sections & SECTION_ACCELERATION) {
        result = ReadAcceleration(config);
    }
    if (sections & SECTION_POLLING_RATE) {
        result = ReadPollingRate(config);
    }
    if (sections & SECTION_MACROS) {
        result = ReadMacroList(config);
    }
    // The mouse holds profiles but none of them is in the configuration (its profile list
    // was never read, as when the mouse was missing at Initialize): nothing of theirs was
    // read, and the read says so.
    if (deviceProfiles > 0 && profilesRead == 0) {
        return FALSE;
    }
    return result;
}

bool CMouse::ReadProfileProperties(IProfile* device, IMouseProfile* profile) {
    const ServiceString name = NameOf(device);
    GUID guid{};
    if (!name || FAILED(device->GetGuid(&guid))) {
        return false;
    }
    profile->SetName(name.get());
    profile->SetGuid(guid);
    const CComPtr<IProfileProperties> properties = ProfileFeature<IProfileProperties>(device);
    if (!properties) {
        return false;
    }
    // One more character than the buffer the service fills, so the text always ends.
    WCHAR program[kProgramBytes / sizeof(WCHAR) + 1] = {};
    DWORD size = kProgramBytes;
    if (FAILED(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, program, 0, &size))) {
        return false;
    }
    if (size != 0) {
        profile->SetExeName(program);
        WORD switches = 0;
        DWORD switchSize = sizeof switches;
        if (SUCCEEDED(
                properties->GetProperty(PROFILE_PROP_SWITCHES, 0, &switches, 0, &switchSize)) &&
            switchSize != 0) {
            profile->SetAutoSwitch((switches & PROFILE_SWITCH_AUTO) ? 1 : 0);
        }
    }
    WORD switches = 0;
    DWORD switchSize = sizeof switches;
    if (FAILED(properties->GetProperty(PROFILE_PROP_SWITCHES, 0, &switches, 0, &switchSize))) {
        return false;
    }
    if (switchSize != 0) {
        profile->SetShowDpiOsd((switches & PROFILE_SWITCH_DPI_OSD) ? 1 : 0);
        profile->SetShowProfileOsd((switches & PROFILE_SWITCH_NAME_OSD) ? 1 : 0);
    }
    return true;
}

bool CMouse::ReadSensitivity(IMouseConfig* config, IProfile* device, IMouseProfile* profile) {
    const CComPtr<IDPI> dpi = ProfileFeature<IDPI>(device);
    if (!dpi) {
        return false;
    }
    INT count = 0;
    DeviceDpiStage* raw = nullptr;
    const HRESULT hr = dpi->GetStages(&count, &raw);
    const TaskMemPtr<DeviceDpiStage> stages(raw);
    if (FAILED(hr) || count < 0 || (count > 0 && !stages)) {
        return false;
    }
    count = std::min(count, kMaxStages);
    INT x = 0;
    INT y = 0;
    const bool dpiRead = SUCCEEDED(dpi->GetDpi(&x, &y));
    for (INT s = 1; s <= count; ++s) {
        const DeviceDpiStage& stage = stages.get()[s - 1];
        if (stage.x != stage.y) {
            config->SetStageSeparateXY(s, 1, profile);
            config->SetStageDpiX(s, stage.x, profile);
            config->SetStageDpiY(s, stage.y, profile);
            config->SetStageDpi(s, std::min(stage.x, stage.y), profile);
        } else {
            config->SetStageSeparateXY(s, 0, profile);
            config->SetStageDpi(s, stage.x, profile);
            config->SetStageDpiX(s, stage.x, profile);
            config->SetStageDpiY(s, stage.x, profile);
        }
    }
    if (!dpiRead) {
        return false;
    }
    INT activeStage = 0;
    if (SUCCEEDED(dpi->GetActiveStage(&activeStage))) {
        config->SetActiveStage(activeStage, profile);
    }
    config->SetSeparateXY(x != y ? 1 : 0, profile);
    config->SetDpiX(x, profile);
    config->SetDpiY(y, profile);
    config->SetDpi(std::min(x, y), profile);
    config->SetStageCount(static_cast<UINT>(count), profile);
    return true;
}

bool CMouse::ReadButtons(IMouseConfig* config, IMouseProfile* profile, IProfile* device) {
    if (profile == nullptr || m_buttonBits.empty()) {
        return false;
    }
    const CComPtr<IButtonAssignments> buttons = ProfileFeature<IButtonAssignments>(device);
    if (!buttons) {
        return false;
    }
    const INT capacity = static_cast<INT>(m_buttonBits.size());
    const TaskMemPtr<DeviceButtonAssignment> records(static_cast<DeviceButtonAssignment*>(
        CoTaskMemAlloc(static_cast<SIZE_T>(capacity) * sizeof(DeviceButtonAssignment))));
    if (!records) {
        return false;
    }
    std::memset(records.get(), 0, static_cast<size_t>(capacity) * sizeof(DeviceButtonAssignment));
    INT count = capacity;
    if (SUCCEEDED(buttons->GetAssignments(&count, records.get()))) {
        count = std::clamp(count, 0, capacity);
        for (INT i = 0; i < count; ++i) {
            const DeviceButtonAssignment& record = records.get()[i];
            const ButtonId button = m_tables.FindButtonIdByIndex(record.button);
            if (button == 0) {
                continue;
            }
            config->SetButtonAssignment(button, m_tables.AssignmentFromDevice(record), profile);
        }
    }
    return true;
}

bool CMouse::ReadLights(IMouseConfig* config, IProfile* device, IMouseProfile* profile) {
    const CComPtr<ILightCollection> lights = ProfileFeature<ILightCollection>(device);
    if (!lights) {
        return false;
    }
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<ILight> light;
        if (FAILED(lights->GetItem(index, &light)) || !light) {
            break;
        }
        INT kind = 0;
        if (FAILED(light->GetKind(&kind))) {
            continue;
        }
        BOOL on = FALSE;
        const bool onRead = SUCCEEDED(light->IsOn(&on));
        CComPtr<ILightColor> color;
        if (FAILED(light.QueryInterface(&color)) || !color) {
            continue;
        }
        COLORREF value = 0;
        const bool colorRead = SUCCEEDED(color->GetColor(&value));
        if (kind == LIGHT_KIND_SCROLL) {
            if (onRead) {
                config->SetScrollLightOn(on ? 1 : 0, profile);
            }
            if (colorRead) {
                config->SetScrollLightColor(value, profile);
            }
        } else if (kind == LIGHT_KIND_LOGO) {
            if (onRead) {
                config->SetLogoLightOn(on ? 1 : 0, profile);
            }
            if (colorRead) {
                config->SetLogoLightColor(value, profile);
            }
        }
    }
    return true;
}

bool CMouse::ReadAcceleration(IMouseConfig* config) {
    const CComPtr<IAcceleration> acceleration = DeviceFeature<IAcceleration>();
    if (!acceleration) {
        return false;
    }
    INT level = 0;
    const bool levelRead = SUCCEEDED(acceleration->GetLevel(&level));
    if (levelRead) {
        config->SetAcceleration(static_cast<UINT>(std::max(level, 0)), nullptr);
    }
    BOOL enabled = FALSE;
    const bool enabledRead = SUCCEEDED(acceleration->IsEnabled(&enabled));
    if (enabledRead) {
        config->SetAccelerationEnabled(enabled ? 1 : 0, nullptr);
    }
    return levelRead && enabledRead;
}

bool CMouse::ReadPollingRate(IMouseConfig* config) {
    const CComPtr<IPollingRate> rate = DeviceFeature<IPollingRate>();
    if (!rate) {
        return false;
    }
    INT value = 0;
    if (FAILED(rate->Get(&value))) {
        return false;
    }
    LONG choice = -1;
    switch (value) {
    case 8:
        choice = 0;
        break;
    case 2:
        choice = 1;
        break;
    case 1:
        choice = 2;
        break;
    default:
        break;
    }
    config->SetPollingRate(choice, nullptr);
    return true;
}

bool CMouse::ReadMacroList(IMouseConfig* config) {
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    m_unreadMacros.RemoveAll();
    KnownState& known = Known(config);
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<IMacro> device;
        if (FAILED(manager->GetMacro(index, &device)) || !device) {
            break;
        }
        // Every macro is read, told apart by its identifier: two whose names differ only in
        // letter case (or that have no name) are two macros. One that cannot be read in full
        // is left out and reported; it is not known, so no write deletes it.
        const ServiceString name = NameOf(device);
        GUID guid{};
        const bool guidRead = SUCCEEDED(device->GetGuid(&guid)) && !SameGuid(guid, GUID_NULL);
        const StoredEvents stored =
            name && guidRead ? ReadStoredEvents(m_tables, device) : StoredEvents{};
        if (!stored.read) {
            CString which;
            if (name) {
                which = name.get();
            } else if (guidRead) {
                which = GuidToString(guid).c_str();
            } else {
                which.Format(u"#%u", index + 1); // its place in the mouse's list
            }
            m_unreadMacros.Add(which);
            continue;
        }
        // A macro the configuration already holds is not read again.
        if (config->FindMacroByGuid(guid, nullptr) != nullptr) {
            known.macros.insert(guid);
            continue;
        }
        CMacro* macro = config->AddStoredMacro(name.get(), guid);
        if (macro == nullptr) {
            continue;
        }
        known.macros.insert(guid);
        if (stored.converted) {
            macro->SetEvents(stored.events);
        }
    }
    return true;
}
