#include "tray/DeviceManager.h"

#include "platform/base/WideChar.h"
#include "platform/com/ObjBase.h"
#include "tray/ServiceValues.h"

#include <cstring>

namespace {

// Enumerations stop at the first failure; these bounds stop a service that never fails.
constexpr UINT kMaxDevices = 64;
constexpr UINT kMaxProfiles = 1024;

bool NameOf(IProfile* profile, CString& out) {
    WCHAR* text = nullptr;
    const HRESULT hr = profile->GetName(&text);
    return TakeServiceText(hr, text, out);
}

bool HasName(IProfile* profile, const CString& name) {
    CString actual;
    return NameOf(profile, actual) && actual.view() == name.view();
}

CComPtr<IProfileProperties> PropertiesOf(IProfile* profile) {
    CComPtr<IProfileProperties> props;
    if (FAILED(profile->GetFeature(IID_IProfileProperties, reinterpret_cast<void**>(&props)))) {
        props.Release();
    }
    return props;
}

} // namespace

CDeviceManager::CDeviceManager() {
    m_comInitialized = SUCCEEDED(CoInitialize(nullptr));
    if (FAILED(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                reinterpret_cast<void**>(&m_service))) ||
        !m_service) {
        m_service.Release();
        return;
    }
    m_productId = kProductId;
    m_device = FindMouse();
}

CDeviceManager::~CDeviceManager() {
    m_service.Release();
    m_device.Release();
    m_activeProfile.Release();
    if (m_comInitialized) {
        CoUninitialize();
    }
}

CComPtr<IDevice> CDeviceManager::FindMouse() const {
    CComPtr<IDevice> found;
    if (!m_service) {
        return found;
    }
    for (UINT index = 0; index < kMaxDevices; ++index) {
        CComPtr<IDevice> device;
        if (FAILED(m_service->GetDevice(index, &device)) || !device) {
            break;
        }
        CComPtr<IDeviceIdentity> identity;
        if (FAILED(device.QueryInterface(&identity)) || !identity) {
            continue;
        }
        INT firstValue = 0;
        INT productId = 0;
        if (SUCCEEDED(identity->GetIds(&firstValue, &productId)) && productId == m_productId) {
            found = device;
            break;
        }
    }
    return found;
}

bool CDeviceManager::ChooseMouse() {
    // A mouse that was not there when this object was made (plugged in later) is chosen
    // once the service lists it.
    if (!m_device) {
        m_device = FindMouse();
    }
    return static_cast<bool>(m_device);
}

CComPtr<IProfileManager> CDeviceManager::Manager() {
    CComPtr<IProfileManager> manager;
    if (!ChooseMouse()) {
        return manager;
    }
    if (SUCCEEDED(m_device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager))) &&
        manager) {
        return manager;
    }
    manager.Release();
    // The chosen mouse may have been unplugged and plugged in again: its old objects stay
    // dead, so take the device the service lists now (the mouse stays chosen while none is).
    CComPtr<IDevice> again = FindMouse();
    if (!again) {
        return manager;
    }
    m_device = again;
    m_activeProfile.Release();
    if (FAILED(m_device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager)))) {
        manager.Release();
    }
    return manager;
}

CComPtr<IProfile> CDeviceManager::ProfileAt(IProfileManager* manager, UINT index) {
    CComPtr<IProfile> profile;
    if (index >= kMaxProfiles || FAILED(manager->GetProfile(index, &profile))) {
        profile.Release();
    }
    return profile;
}

template <class Fn>
void CDeviceManager::ForEachNamed(IProfileManager* manager, const CString& name, Fn fn) {
    for (UINT index = 0;; ++index) {
        CComPtr<IProfile> profile = ProfileAt(manager, index);
        if (!profile) {
            return;
        }
        if (HasName(profile, name) && fn(profile.Get())) {
            return;
        }
    }
}

bool CDeviceManager::LoadProfiles(CProfileSettingArray& profiles) {
    profiles.RemoveAll();
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    for (UINT index = 0;; ++index) {
        CComPtr<IProfile> profile = ProfileAt(manager, index);
        if (!profile) {
            break;
        }
        _Profile_Setting_ record;
        if (!NameOf(profile, record.name)) {
            continue;
        }
        CComPtr<IProfileProperties> props = PropertiesOf(profile);
        if (!props) {
            continue;
        }
        ReadProgram(props, record.program);
        ReadSwitches(props, record);
        profiles.Add(record);
    }
    return true;
}

bool CDeviceManager::GetProfileNames(CStringArray& names) {
    std::vector<GUID> guids;
    return GetProfileNames(names, guids);
}

bool CDeviceManager::GetProfileNames(CStringArray& names, std::vector<GUID>& guids) {
    names.RemoveAll();
    guids.clear();
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    for (UINT index = 0;; ++index) {
        CComPtr<IProfile> profile = ProfileAt(manager, index);
        if (!profile) {
            break;
        }
        CString name;
        if (NameOf(profile, name)) {
            GUID guid = GUID_NULL;
            if (FAILED(profile->GetGuid(&guid))) {
                guid = GUID_NULL;
            }
            names.Add(name);
            guids.push_back(guid);
        }
    }
    return true;
}

bool CDeviceManager::GetProfileSetting(const CString& name, _Profile_Setting_& out) {
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    bool result = false;
    ForEachNamed(manager, name, [&](IProfile* profile) {
        GUID guid = GUID_NULL;
        if (FAILED(profile->GetGuid(&guid))) {
            guid = GUID_NULL;
        }
        CComPtr<IProfileProperties> props = PropertiesOf(profile);
        if (!props) {
            return false; // the next profile of that name
        }
        out.guid = guid;
        out.name = name;
        if (!ReadProgram(props, out.program)) {
            // Nothing of the record's earlier profile stays behind.
            out.autoSwitch = out.showDpiOsd = out.showProfileOsd = 0;
            return true;
        }
        result = ReadSwitches(props, out);
        return true;
    });
    return result;
}

bool CDeviceManager::CacheActiveProfile() {
    if (m_activeProfile) {
        return true;
    }
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    CComPtr<IProfile> active;
    if (FAILED(manager->GetActiveProfile(&active)) || !active) {
        return false;
    }
    m_activeProfile = active;
    return true;
}

bool CDeviceManager::GetActiveProfileName(CString& out) {
    if (!ChooseMouse()) {
        return false;
    }
    // A cached profile that no longer answers (deleted, or the mouse came back as a new
    // device) is dropped and the active profile asked for once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!CacheActiveProfile()) {
            return false;
        }
        if (NameOf(m_activeProfile, out)) {
            return true;
        }
        m_activeProfile.Release();
    }
    return false;
}

bool CDeviceManager::QueryActiveProfile(void** out) {
    if (!out) {
        return false;
    }
    *out = nullptr;
    if (!ChooseMouse()) {
        return false;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!CacheActiveProfile()) {
            return false;
        }
        // The interface query answers even for a profile that is gone; its GUID does not.
        GUID guid = GUID_NULL;
        if (SUCCEEDED(m_activeProfile->GetGuid(&guid)) &&
            SUCCEEDED(m_activeProfile->QueryInterface(IID_IProfileEx, out)) && *out) {
            return true;
        }
        *out = nullptr;
        m_activeProfile.Release();
    }
    return false;
}

bool CDeviceManager::SetActiveProfileObject(IProfile* profile) {
    m_activeProfile = profile;
    return true;
}

bool CDeviceManager::ActivateProfile(const CString& name) {
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    bool result = false;
    bool found = false;
    ForEachNamed(manager, name, [&](IProfile* profile) {
        found = true;
        if (SUCCEEDED(manager->SetActiveProfile(profile))) {
            m_activeProfile = profile;
            result = true;
        }
        return true;
    });
    return found && result;
}

bool CDeviceManager::ActivateProfile(const GUID& guid, _Profile_Setting_& out) {
    out = _Profile_Setting_{};
    CComPtr<IProfile> profile;
    if (!GetProfileByGuid(guid, &profile)) {
        return false;
    }
    CComPtr<IProfileManager> manager = Manager();
    if (!manager || FAILED(manager->SetActiveProfile(profile))) {
        return false;
    }
    m_activeProfile = profile;
    out.guid = guid;
    if (NameOf(profile, out.name)) {
        if (CComPtr<IProfileProperties> props = PropertiesOf(profile)) {
            if (ReadProgram(props, out.program)) {
                ReadSwitches(props, out);
            }
        }
    }
    return true;
}

bool CDeviceManager::GetProfileByGuid(GUID guid, IProfile** out) {
    if (!out) {
        return false;
    }
    *out = nullptr;
    if (IsEqualGUID(guid, GUID_NULL)) {
        return false;
    }
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    if (FAILED(manager->GetProfileByGuid(guid, out)) || !*out) {
        *out = nullptr;
        return false;
    }
    return true;
}

std::unique_ptr<CDpiEventConnection> CDeviceManager::ConnectDpiEvents(IDpiEventHandler* handler) {
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return nullptr;
    }
    CComPtr<IProfile> active;
    if (FAILED(manager->GetActiveProfile(&active)) || !active) {
        return nullptr;
    }
    CComPtr<IDPI> dpi;
    if (FAILED(active->GetFeature(IID_IDPI, reinterpret_cast<void**>(&dpi))) || !dpi) {
        return nullptr;
    }
    auto connection = std::make_unique<CDpiEventConnection>(dpi, handler);
    // A connection whose sink is not advised would never report anything.
    if (!connection->IsAdvised()) {
        return nullptr;
    }
    return connection;
}

std::unique_ptr<CProfileEventConnection>
CDeviceManager::ConnectProfileEvents(IProfileEventHandler* handler) {
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return nullptr;
    }
    auto connection = std::make_unique<CProfileEventConnection>(manager, handler);
    if (!connection->IsManagerAdvised() || !connection->IsProfileAdvised()) {
        return nullptr;
    }
    return connection;
}

bool CDeviceManager::SetProfileProgram(const CString& name, const WCHAR** program) {
    if (!program) {
        return false;
    }
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    WCHAR buffer[kProgramChars] = {};
    if (*program) {
        const size_t chars = wcsnlen(*program, DEVICE_MAX_PROGRAM);
        std::memcpy(buffer, *program, chars * sizeof(WCHAR));
    }
    bool result = false;
    ForEachNamed(manager, name, [&](IProfile* profile) {
        CComPtr<IProfileProperties> props = PropertiesOf(profile);
        if (!props) {
            return false;
        }
        result = SUCCEEDED(props->SetProperty(PROFILE_PROP_PROGRAM, buffer, 0, kProgramBytes, 0));
        return true;
    });
    return result;
}

bool CDeviceManager::WriteSwitch(const CString& name, WORD mask, int value) {
    CComPtr<IProfileManager> manager = Manager();
    if (!manager) {
        return false;
    }
    // The service takes 0 or 1; any non-zero value sets the switch.
    const ProfileSwitchWrite record{mask, static_cast<WORD>(value != 0 ? 1 : 0)};
    bool result = false;
    ForEachNamed(manager, name, [&](IProfile* profile) {
        CComPtr<IProfileProperties> props = PropertiesOf(profile);
        if (!props) {
            return false;
        }
        result = SUCCEEDED(props->SetProperty(PROFILE_PROP_SWITCHES, &record, 0, sizeof record, 0));
        return true;
    });
    return result;
}

bool CDeviceManager::SetProfileAutoSwitch(const CString& name, int value) {
    return WriteSwitch(name, PROFILE_SWITCH_AUTO, value);
}

bool CDeviceManager::SetProfileSwitches(const CString& name, int autoSwitch, int showDpiOsd,
                                        int showProfileOsd) {
    return WriteSwitch(name, PROFILE_SWITCH_AUTO, autoSwitch) &&
           WriteSwitch(name, PROFILE_SWITCH_DPI_OSD, showDpiOsd) &&
           WriteSwitch(name, PROFILE_SWITCH_NAME_OSD, showProfileOsd);
}
