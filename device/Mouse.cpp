#include "device/Mouse.h"

#include "model/NameTables.h"
#include "model/ProfileNames.h"
#include "platform/base/WideChar.h"
#include "platform/ui/Clock.h"

#include <algorithm>
#include <cstring>

namespace {

// What the service answers for an index past the end of a list (the system's "element not
// found" as an HRESULT).
constexpr HRESULT kListEnd = static_cast<HRESULT>(0x80070490u);

// Bounds on what the service may report, so that a misbehaving service can neither make an
// enumeration run for ever nor make the client allocate without limit.
constexpr UINT kMaxDevices = 64;
constexpr INT kMaxEnumeration = 1024;
constexpr INT kMaxButtons = 32;
constexpr INT kMaxStages = 10;
constexpr INT kMaxRates = 32;
constexpr DWORD kLastButtonBit = 0x400000;
constexpr DWORD kProgramBytes = 256;
constexpr DWORD kSettleMs = 500;

using ServiceString = TaskMemPtr<WCHAR>;

// The name of a profile or macro; null when the call failed or gave no string.
template <class P> ServiceString NameOf(const P& object) {
    WCHAR* text = nullptr;
    const HRESULT hr = object->GetName(&text);
    ServiceString owned(text);
    if (FAILED(hr)) {
        owned.reset();
    }
    return owned;
}

// The events the device takes of a macro (it holds at most DEVICE_MAX_MACRO_EVENTS).
INT DeviceEventCount(const CMacro& macro) {
    return static_cast<INT>(
        std::min<size_t>(macro.GetEvents().size(), static_cast<size_t>(DEVICE_MAX_MACRO_EVENTS)));
}

bool SameGuid(const GUID& a, const GUID& b) {
    return IsEqualGUID(a, b);
}

// Whether a by-name macro assignment names a macro that the configuration holds but that has
// neither events nor a device identifier (it has never been recorded).
bool NamesUnrecordedMacro(const IMouseConfig* config, const ButtonAssignment& assignment) {
    const CString name = assignment.GetName();
    const CMacro* macro = config->FindMacroByName(name.GetString(), nullptr);
    return macro != nullptr && macro->GetEvents().empty() && SameGuid(macro->GetGuid(), GUID_NULL);
}

GUID GuidOf(const IMouseProfile* profile) {
    GUID guid{};
    profile->GetGuid(guid);
    return guid;
}

// A feature of the device or of one of its profiles; null when the source is null or the
// service does not give it.
template <class T, class Source> CComPtr<T> FeatureOf(Source* source) {
    CComPtr<T> feature;
    if (source) {
        void* out = nullptr;
        if (SUCCEEDED(source->GetFeature(uuidof<T>(), &out)) && out) {
            feature.Attach(static_cast<T*>(out));
        }
    }
    return feature;
}

// A stored macro's events in the configuration's form.
struct StoredEvents {
    bool read = false;      // the service gave a valid event block
    bool converted = false; // and its events were converted
    MacroEventList events;
};

StoredEvents ReadStoredEvents(const CDeviceCodeTables& tables, IMacro* device) {
    StoredEvents stored;
    BYTE* rawBlock = nullptr;
    const HRESULT hr = device->GetEvents(&rawBlock);
    const MacroEventBlock block(rawBlock);
    std::span<const MacroDeviceEvent> events;
    stored.read = SUCCEEDED(hr) && GetMacroEventBlockEvents(block.get(), events);
    stored.converted = stored.read && tables.ConvertMacroEventsFromDevice(events, stored.events);
    return stored;
}

// The stored macro or profile with this identifier, through its manager.
HRESULT GetByGuid(IMacroManager* manager, const GUID& guid, IMacro** out) {
    return manager->GetMacroByGuid(guid, out);
}
HRESULT GetByGuid(IProfileManager* manager, const GUID& guid, IProfile** out) {
    return manager->GetProfileByGuid(guid, out);
}

bool WriteSwitch(IProfileProperties* properties, WORD mask, BYTE value) {
    const ProfileSwitchWrite record{mask, static_cast<WORD>(value != 0 ? 1 : 0)};
    return SUCCEEDED(properties->SetProperty(PROFILE_PROP_SWITCHES, &record, 0, sizeof record, 0));
}

} // namespace

// ---- lifetime ----------------------------------------------------------------------------

CMouse::~CMouse() {
    // A write is finite: wait for it, so the thread never outlives what it uses.
    WaitForWrite();
    Close();
    m_device.Release();
    m_service.Release();
    m_tables.Clear();
}

void CMouse::WaitForWrite() {
    if (m_writeThread.joinable()) {
        m_writeThread.join();
    }
}

void CMouse::JoinFinishedWriteThread() {
    if (!m_writing.load(std::memory_order_acquire) && m_writeThread.joinable()) {
        m_writeThread.join();
    }
}

// ---- connection --------------------------------------------------------------------------

bool CMouse::Connect() {
    // A refused connection touches nothing: not the busy write's connection, not the flag.
    if (m_writing.load(std::memory_order_acquire) || m_productId == 0) {
        return false;
    }
    if (m_device || m_service) {
        return false; // a connection is open; connections do not nest
    }
    JoinFinishedWriteThread();

    CComPtr<IDeviceService> service;
    const HRESULT created =
        CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                         reinterpret_cast<void**>(&service));
    m_serviceResult.store(SUCCEEDED(created) && !service ? E_FAIL : created);
    if (FAILED(created) || !service) {
        return false;
    }
    CComPtr<IDevice> found;
    for (UINT index = 0; index < kMaxDevices; ++index) {
        CComPtr<IDevice> device;
        if (FAILED(service->GetDevice(index, &device)) || !device) {
            break;
        }
        DeviceInfo info{};
        if (SUCCEEDED(device->GetInfo(&info))) {
            CoTaskMemFree(info.text);
            if (info.productId == static_cast<INT>(m_productId)) {
                found = device;
                break;
            }
        }
    }
    m_found.store(static_cast<bool>(found));
    if (!found) {
        return false;
    }
    // The tables are built when the mouse is first found, which may be after Initialize
    // (a mouse plugged in later): every later read and write converts through them.
    if (!m_tables.IsBuilt()) {
        m_tables.BuildCodeTables();
    }
    m_service.Attach(service.Detach());
    m_device.Attach(found.Detach());
    return true;
}

void CMouse::Disconnect() {
    m_device.Release();
    m_service.Release();
}

template <class T> CComPtr<T> CMouse::DeviceFeature() const {
    return FeatureOf<T>(m_device.Get());
}

template <class T> CComPtr<T> CMouse::ProfileFeature(IProfile* profile) {
    return FeatureOf<T>(profile);
}

// ---- the plain slots ---------------------------------------------------------------------

BOOL CMouse::Initialize(IMouseConfig* config, const WORD* productId) {
    if (m_writing.load(std::memory_order_acquire)) {
        return FALSE; // the running write owns the connection and the tables it reads
    }
    m_productId = productId != nullptr ? *productId : 0;
    Connection connection(*this);
    if (!connection) {
        return FALSE;
    }
    bool ok = ReadDeviceVersions();
    ok = config != nullptr && ReadProfileList(config) && ok;
    if (config != nullptr) {
        config->SetAccelerationRange(DEVICE_ACCEL_MIN, DEVICE_ACCEL_MAX);
    }
    ok = ReadSupportedRates() && ok;
    return ok && m_device;
}

void CMouse::Close() {
    // Only the owner of a connection closes it: a running write finishes first.
    WaitForWrite();
    Disconnect();
    m_found.store(false);
    m_buttonBits.clear();
    m_supportedRates.clear();
}

UINT CMouse::GetSupportedRateCount() const {
    return static_cast<UINT>(m_supportedRates.size());
}

INT CMouse::GetSupportedRate(UINT index) const {
    return index < m_supportedRates.size() ? m_supportedRates[index] : 0;
}

UINT CMouse::GetDeviceProfileCount() {
    Connection connection(*this);
    if (!connection) {
        return 0;
    }
    const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
    if (!manager) {
        return 0;
    }
    UINT count = 0;
    for (; count < static_cast<UINT>(kMaxEnumeration); ++count) {
        CComPtr<IProfile> profile;
        if (FAILED(manager->GetProfile(count, &profile)) || !profile) {
            break;
        }
    }
    return count;
}

BOOL CMouse::IsWriting() const {
    return m_writing.load(std::memory_order_acquire);
}

BOOL CMouse::IsDeviceFound() const {
    return m_found.load();
}

BOOL CMouse::GetVersionA(CString& out) {
    out = m_versionA;
    return TRUE;
}

BOOL CMouse::GetVersionB(CString& out) {
    out = m_versionB;
    return TRUE;
}

BOOL CMouse::GetLastWriteResult() const {
    return m_lastWriteResult.load(std::memory_order_acquire);
}

BOOL CMouse::SyncDevice(IMouseConfig* config, int mode, int sections) {
    if (config == nullptr) {
        return FALSE;
    }
    Connection connection(*this);
    if (!connection) {
        return FALSE;
    }
    if (mode == SYNC_READ) {
        return ReadAll(config, sections);
    }
    if (mode != SYNC_WRITE) {
        return FALSE;
    }
    m_writing.store(true, std::memory_order_release);
    try {
        m_writeThread = std::thread(&CMouse::WriteThreadProc, this, config, sections);
    } catch (...) {
        m_writing.store(false, std::memory_order_release);
        return FALSE; // the connection closes with the guard
    }
    connection.HandOver();
    return TRUE;
}

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
            ok = ReadSensitivityLimits(config, device, profile);
        }
    }
    CComPtr<IProfile> active;
    if (SUCCEEDED(manager->GetActiveProfile(&active)) && active && ok) {
        ok = ReadButtonLayout(active);
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
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<IMacro> device;
        if (FAILED(manager->GetMacro(index, &device)) || !device) {
            break;
        }
        const ServiceString name = NameOf(device);
        if (!name) {
            continue;
        }
        CMacro* macro = config->CreateMacro(name.get(), nullptr);
        if (macro == nullptr) {
            continue;
        }
        GUID guid{};
        if (FAILED(device->GetGuid(&guid))) {
            config->DeleteMacro(macro, nullptr);
            continue;
        }
        macro->SetGuid(guid);
        const StoredEvents stored = ReadStoredEvents(m_tables, device);
        if (!stored.read) {
            config->DeleteMacro(macro, nullptr);
            continue;
        }
        if (stored.converted) {
            macro->SetEvents(stored.events);
        }
    }
    return true;
}

// ---- writing -----------------------------------------------------------------------------

void CMouse::WriteThreadProc(IMouseConfig* config, int sections) {
    m_writeIncomplete = false;
    const bool written = m_found.load() && WriteAll(config, sections) && !m_writeIncomplete;
    // Let the device settle before the connection closes.
    Sleep(kSettleMs);
    m_lastWriteResult.store(written, std::memory_order_release);
    Disconnect();
    m_writing.store(false, std::memory_order_release);
}

bool CMouse::WriteAll(IMouseConfig* config, int sections) {
    if (!m_device) {
        return false;
    }
    const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
    if (!manager) {
        return false;
    }
    // The device always holds a profile, so a configuration without any was never read from
    // it: writing that would only strip the device of its profiles.
    if (config->GetProfileCount() <= 0) {
        return false;
    }
    DeleteProfilesNotIn(config, manager);

    CComPtr<IProfile> activeTwin;
    IMouseProfile* const activeProfile = config->GetActiveProfile();
    const INT profileCount = config->GetProfileCount();
    for (INT index = 0; index < profileCount; ++index) {
        IMouseProfile* profile = config->GetProfile(index);
        if (profile == nullptr) {
            continue;
        }
        CComPtr<IProfile> twin;
        HRESULT hr = E_FAIL;
        const GUID guid = GuidOf(profile);
        // A profile that another program removed from the mouse is stored anew, as a new
        // profile would be: the configuration still holds it, and without this every later
        // write would fail on it. A profile that is listed but cannot be opened stays a
        // failure of this write.
        if (!SameGuid(guid, GUID_NULL) && IsGoneFromDevice(manager, guid)) {
            profile->SetGuid(GUID_NULL);
        }
        if (SameGuid(GuidOf(profile), GUID_NULL)) {
            hr = manager->CreateProfile(&twin);
            if (SUCCEEDED(hr) && twin) {
                GUID created{};
                hr = twin->GetGuid(&created);
                if (SUCCEEDED(hr)) {
                    profile->SetGuid(created);
                    hr = twin->SetName(profile->GetName());
                }
            }
        } else {
            hr = manager->GetProfileByGuid(guid, &twin);
            if (SUCCEEDED(hr) && twin) {
                const ServiceString name = NameOf(twin);
                hr = name ? S_OK : E_FAIL;
                if (name && wcsicmp(name.get(), profile->GetName()) != 0) {
                    hr = twin->SetName(profile->GetName());
                }
            }
        }
        if (!twin || FAILED(hr)) {
            m_writeIncomplete = true; // this profile's changes did not reach the device
            continue;
        }
        if (!WriteProfileProperties(twin, profile)) {
            m_writeIncomplete = true;
        }
        if (profile == activeProfile) {
            activeTwin = twin;
        }
        if ((sections & SECTION_SENSITIVITY) && !WriteSensitivity(config, profile, twin)) {
            m_writeIncomplete = true;
        }
        if ((sections & SECTION_BUTTONS) && !WriteButtons(config, profile, twin)) {
            m_writeIncomplete = true;
        }
        if ((sections & SECTION_LIGHTS) && !WriteLights(config, profile, twin)) {
            m_writeIncomplete = true;
        }
    }

    // Each device-wide section sets the result in turn; a failed one also marks the write
    // incomplete, so that a later section's success does not hide it.
    bool result = true;
    if (sections & SECTION_ACCELERATION) {
        result = WriteAcceleration(config);
        m_writeIncomplete = m_writeIncomplete || !result;
    }
    if (sections & SECTION_POLLING_RATE) {
        result = WritePollingRate(config);
        m_writeIncomplete = m_writeIncomplete || !result;
    }

    const CComPtr<IMacroManager> macros = DeviceFeature<IMacroManager>();
    if (!macros) {
        return false;
    }
    DeleteMacrosNotIn(config, macros);
    if (sections & SECTION_MACROS) {
        result = SyncMacros(config);
    }

    if (!activeTwin) {
        return false;
    }
    if (FAILED(manager->SetActiveProfile(activeTwin))) {
        result = false;
    }
    return result;
}

bool CMouse::IsGoneFromDevice(IProfileManager* manager, const GUID& guid) {
    // Only a complete listing that lacks the identifier counts as gone.
    for (INT index = 0; index < kMaxEnumeration; ++index) {
        CComPtr<IProfile> listed;
        const HRESULT hr = manager->GetProfile(static_cast<UINT>(index), &listed);
        if (FAILED(hr) || !listed) {
            // The end of the list (past the last index) ends a complete listing; any other
            // failure leaves it unknown.
            return SUCCEEDED(hr) || hr == kListEnd;
        }
        GUID listedGuid{};
        if (FAILED(listed->GetGuid(&listedGuid))) {
            return false; // cannot tell
        }
        if (SameGuid(listedGuid, guid)) {
            return false;
        }
    }
    return false;
}

void CMouse::DeleteProfilesNotIn(IMouseConfig* config, IProfileManager* manager) {
    CComPtr<IProfile> first;
    INT steps = 0;
    for (INT index = 0; index >= 0 && steps < kMaxEnumeration; ++index, ++steps) {
        CComPtr<IProfile> profile;
        if (FAILED(manager->GetProfile(static_cast<UINT>(index), &profile)) || !profile) {
            break;
        }
        if (index == 0) {
            first = profile;
        }
        GUID guid{};
        if (FAILED(profile->GetGuid(&guid)) || config->FindProfileByGuid(guid) != nullptr) {
            continue;
        }
        HRESULT hr = manager->DeleteProfile(profile);
        if (hr == E_ACCESSDENIED) {
            // The active profile cannot go: make another one active, then delete it once
            // more. The first profile serves, unless it is this one; then the next.
            CComPtr<IProfile> stand = first;
            if (index == 0) {
                stand.Release();
                manager->GetProfile(1, &stand);
            }
            if (stand && SUCCEEDED(manager->SetActiveProfile(stand))) {
                hr = manager->DeleteProfile(profile);
            }
        }
        if (SUCCEEDED(hr)) {
            --index; // the next profile moved to this index
        } else {
            m_writeIncomplete = true; // the device keeps a profile the configuration dropped
        }
    }
}

void CMouse::DeleteMacrosNotIn(IMouseConfig* config, IMacroManager* manager) {
    INT steps = 0;
    for (INT index = 0; index >= 0 && steps < kMaxEnumeration; ++index, ++steps) {
        CComPtr<IMacro> macro;
        if (FAILED(manager->GetMacro(static_cast<UINT>(index), &macro)) || !macro) {
            break;
        }
        GUID guid{};
        if (FAILED(macro->GetGuid(&guid)) || config->FindMacroByGuid(guid, nullptr) != nullptr) {
            continue;
        }
        if (SUCCEEDED(manager->DeleteMacro(macro))) {
            --index;
        } else {
            m_writeIncomplete = true; // the device keeps a macro the configuration dropped
        }
    }
}

bool CMouse::WriteProfileProperties(IProfile* device, IMouseProfile* profile) {
    device->SetName(profile->GetName());
    const CComPtr<IProfileProperties> properties = ProfileFeature<IProfileProperties>(device);
    if (!properties) {
        return false;
    }
    WCHAR current[kProgramBytes / sizeof(WCHAR) + 1] = {};
    DWORD currentSize = kProgramBytes;
    const bool gate =
        SUCCEEDED(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, current, 0, &currentSize));

    // The program name, terminated in the record. A name longer than the record holds is
    // not written cut (that would bind the profile to another program): the mouse keeps its
    // program and this profile is not written in full.
    WCHAR program[kProgramBytes / sizeof(WCHAR)] = {};
    const WCHAR* exeName = profile->GetExeName();
    static_assert(PROFILE_PROGRAM_MAX_CHARS == DEVICE_MAX_PROGRAM, "one limit for the name");
    const bool fits = IsStorableProgramName(exeName);
    const bool hasProgram = exeName != nullptr && exeName[0] != 0;
    if (hasProgram && fits) {
        wcsncpy_s(program, std::size(program), exeName, DEVICE_MAX_PROGRAM);
    }
    bool last = false;
    bool made = false;
    const bool programWritten =
        fits &&
        SUCCEEDED(properties->SetProperty(PROFILE_PROP_PROGRAM, program, 0, kProgramBytes, 0));
    if (programWritten) {
        if (gate) {
            // A profile without a program never switches automatically.
            last = WriteSwitch(properties, PROFILE_SWITCH_AUTO,
                               hasProgram ? profile->GetAutoSwitch() : 0);
            made = true;
        }
    } else {
        last = gate;
        made = gate;
    }
    if (made && last) {
        last = WriteSwitch(properties, PROFILE_SWITCH_DPI_OSD, profile->GetShowDpiOsd());
        if (last) {
            last = WriteSwitch(properties, PROFILE_SWITCH_NAME_OSD, profile->GetShowProfileOsd());
        }
    }
    // The switches may have gone through without the program: the profile is then not
    // written in full.
    return made && last && programWritten;
}

bool CMouse::WriteSensitivity(IMouseConfig* config, IMouseProfile* profile, IProfile* device) {
    const CComPtr<IDPI> dpi = ProfileFeature<IDPI>(device);
    if (!dpi) {
        return false;
    }
    const UINT count = std::min<UINT>(config->GetStageCount(profile), kMaxStages);
    std::vector<DeviceDpiStage> stages(count);
    for (UINT i = 0; i < count; ++i) {
        const LONG s = static_cast<LONG>(i + 1);
        if (config->GetStageSeparateXY(s, profile)) {
            stages[i] = {config->GetStageDpiX(s, profile), config->GetStageDpiY(s, profile)};
        } else {
            const LONG value = config->GetStageDpi(s, profile);
            stages[i] = {value, value};
        }
    }
    const bool stagesWritten = SUCCEEDED(
        dpi->SetStages(static_cast<INT>(count), stages.empty() ? nullptr : stages.data()));
    const LONG wanted = config->GetActiveStage(profile);
    INT deviceStage = 0;
    bool activeWritten = true;
    if (SUCCEEDED(dpi->GetActiveStage(&deviceStage)) && deviceStage != wanted) {
        activeWritten = SUCCEEDED(dpi->SetActiveStage(wanted));
    }
    INT x = 0;
    INT y = 0;
    if (config->GetSeparateXY(profile)) {
        x = config->GetDpiX(profile);
        y = config->GetDpiY(profile);
    } else {
        x = y = config->GetDpi(profile);
    }
    return SUCCEEDED(dpi->SetDpi(x, y)) && stagesWritten && activeWritten;
}

bool CMouse::WriteButtons(IMouseConfig* config, IMouseProfile* profile, IProfile* device) {
    if (config == nullptr || profile == nullptr || device == nullptr) {
        return false;
    }
    const CComPtr<IButtonAssignments> buttons = ProfileFeature<IButtonAssignments>(device);
    if (!buttons) {
        return true;
    }
    bool result = true;
    for (const DWORD bit : m_buttonBits) {
        const ButtonId button = m_tables.FindButtonIdByBit(bit);
        ButtonAssignment assignment;
        config->GetButtonAssignment(assignment, button, profile);
        if (assignment.kind == ASSIGNMENT_PROFILE_NAME &&
            !ResolveProfileAssignment(config, assignment)) {
            result = false;
            continue;
        }
        if (assignment.kind == ASSIGNMENT_MACRO_NAME &&
            !ResolveMacroAssignment(config, assignment)) {
            // A macro with no events yet is never put on the device, so a button naming it
            // keeps its previous function there until the macro is recorded. That is no
            // failed write: writing again could not change it.
            if (!NamesUnrecordedMacro(config, assignment)) {
                result = false;
            }
            continue;
        }
        const DeviceButtonAssignment record = m_tables.AssignmentToDevice(assignment, button);
        if (FAILED(buttons->SetAssignments(1, &record))) {
            result = false;
        }
    }
    return result;
}

bool CMouse::ResolveProfileAssignment(IMouseConfig* config, ButtonAssignment& assignment) {
    const CString name = assignment.GetName();
    IMouseProfile* target = config->FindProfileByName(name.GetString());
    if (target == nullptr) {
        return false;
    }
    GUID guid = GuidOf(target);
    if (SameGuid(guid, GUID_NULL)) {
        const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
        if (!manager) {
            return false;
        }
        CComPtr<IProfile> created;
        if (FAILED(manager->CreateProfile(&created)) || !created) {
            return false;
        }
        if (FAILED(created->GetGuid(&guid))) {
            return false;
        }
        target->SetGuid(guid);
        created->SetName(target->GetName());
    }
    assignment = ButtonAssignment::WithGuid(ASSIGNMENT_PROFILE, guid);
    return true;
}

bool CMouse::ResolveMacroAssignment(IMouseConfig* config, ButtonAssignment& assignment) {
    const CString name = assignment.GetName();
    CMacro* macro = config->FindMacroByName(name.GetString(), nullptr);
    if (macro == nullptr) {
        return false;
    }
    if (SameGuid(macro->GetGuid(), GUID_NULL) &&
        (!WriteMacroNow(macro) || SameGuid(macro->GetGuid(), GUID_NULL))) {
        return false;
    }
    assignment = ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, macro->GetGuid());
    return true;
}

bool CMouse::WriteLights(IMouseConfig* config, IMouseProfile* profile, IProfile* device) {
    if (config == nullptr || profile == nullptr || device == nullptr) {
        return false;
    }
    const CComPtr<ILightCollection> lights = ProfileFeature<ILightCollection>(device);
    if (!lights) {
        return false;
    }
    // A light the device would not set leaves the write incomplete.
    bool result = true;
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<ILight> light;
        if (FAILED(lights->GetItem(index, &light)) || !light) {
            break;
        }
        INT kind = 0;
        if (FAILED(light->GetKind(&kind))) {
            continue;
        }
        CComPtr<ILightColor> color;
        if (FAILED(light.QueryInterface(&color)) || !color) {
            continue;
        }
        // The colour is written whether the light is on or off: the reading takes it either
        // way, so an unlit light's colour would otherwise be lost.
        bool on = false;
        COLORREF colour = 0;
        if (kind == LIGHT_KIND_SCROLL) {
            on = config->GetScrollLightOn(profile) != 0;
            colour = config->GetScrollLightColor(profile);
        } else if (kind == LIGHT_KIND_LOGO) {
            on = config->GetLogoLightOn(profile) != 0;
            colour = config->GetLogoLightColor(profile);
        } else {
            continue;
        }
        const bool colourWritten = SUCCEEDED(color->SetColor(colour));
        const bool switched = SUCCEEDED(on ? light->TurnOn() : light->TurnOff());
        result = result && colourWritten && switched;
    }
    return result;
}

bool CMouse::WriteAcceleration(IMouseConfig* config) {
    const CComPtr<IAcceleration> acceleration = DeviceFeature<IAcceleration>();
    if (!acceleration) {
        return false;
    }
    if (FAILED(acceleration->SetLevel(static_cast<INT>(config->GetAcceleration(nullptr))))) {
        return false;
    }
    const HRESULT hr =
        config->GetAccelerationEnabled(nullptr) ? acceleration->Enable() : acceleration->Disable();
    return SUCCEEDED(hr);
}

bool CMouse::WritePollingRate(IMouseConfig* config) {
    INT value = 0;
    switch (config->GetPollingRate(nullptr)) {
    case 0:
        value = 8;
        break;
    case 1:
        value = 2;
        break;
    case 2:
        value = 1;
        break;
    default:
        return false;
    }
    const CComPtr<IPollingRate> rate = DeviceFeature<IPollingRate>();
    return rate && SUCCEEDED(rate->Set(value));
}

bool CMouse::SyncMacros(IMouseConfig* config) {
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    const INT count = config->GetMacroCount();
    for (INT index = 0; index < count; ++index) {
        CMacro* macro = config->GetMacro(index, nullptr);
        if (macro == nullptr) {
            continue;
        }
        // A macro the device still holds is updated in place, so that buttons pointing at
        // its identifier keep pointing at it; only a macro the device lacks is created.
        CComPtr<IMacro> device;
        if (SameGuid(macro->GetGuid(), GUID_NULL) ||
            FAILED(manager->GetMacroByGuid(macro->GetGuid(), &device)) || !device) {
            if (!macro->GetEvents().empty() && !WriteMacroNow(macro)) {
                m_writeIncomplete = true;
            }
            continue;
        }
        CMacro stored;
        const bool same = ReadMacroNow(macro->GetGuid(), &stored) && stored.IsSame(*macro) &&
                          std::u16string_view(stored.GetName()) == macro->GetName();
        if (!same && !UpdateDeviceMacro(device, *macro)) {
            m_writeIncomplete = true;
        }
    }
    return true; // failures of single macros count as an incomplete write
}

bool CMouse::UpdateDeviceMacro(IMacro* device, const CMacro& macro) {
    bool ok = true;
    const ServiceString name = NameOf(device);
    // Names are compared exactly, so that a change of letter case is written too.
    if (!name || std::u16string_view(name.get()) != macro.GetName()) {
        ok = SUCCEEDED(device->SetName(macro.GetName()));
    }
    const INT count = DeviceEventCount(macro);
    const MacroEventBlock block = AllocateMacroEventBlock(count);
    if (!block) {
        return false;
    }
    if (count != 0) {
        m_tables.ConvertMacroEventsToDevice(macro.GetEvents(), MacroEventBlockEvents(block.get()));
    }
    return SUCCEEDED(device->SetEvents(block.get())) && ok;
}

// ---- macro slots (inside the caller's connection) ----------------------------------------

BOOL CMouse::WriteMacro(CMacro* macro) {
    // The write thread's connection is its own while it runs.
    if (IsWriting()) {
        return FALSE;
    }
    return WriteMacroNow(macro);
}

BOOL CMouse::ReadMacro(GUID guid, CMacro* macro) {
    if (IsWriting()) {
        return FALSE;
    }
    return ReadMacroNow(guid, macro);
}

BOOL CMouse::DeleteAllMacros() {
    if (IsWriting()) {
        return FALSE;
    }
    return DeleteAllMacrosNow();
}

bool CMouse::WriteMacroNow(CMacro* macro) {
    if (macro == nullptr || macro->GetEvents().empty()) {
        return false; // an empty macro is never created on the device
    }
    const INT count = DeviceEventCount(*macro);
    const MacroEventBlock block = AllocateMacroEventBlock(count);
    if (!block) {
        return false;
    }
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    CComPtr<IMacro> created;
    if (FAILED(manager->CreateMacro(&created)) || !created) {
        return false;
    }
    GUID guid{};
    m_tables.ConvertMacroEventsToDevice(macro->GetEvents(), MacroEventBlockEvents(block.get()));
    if (FAILED(created->GetGuid(&guid)) || FAILED(created->SetEvents(block.get())) ||
        FAILED(created->SetName(macro->GetName()))) {
        // Nothing half-made stays behind on the device.
        manager->DeleteMacro(created);
        return false;
    }
    macro->SetGuid(guid);
    return true;
}

bool CMouse::ReadMacroNow(GUID guid, CMacro* macro) {
    if (macro == nullptr) {
        return false;
    }
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    CComPtr<IMacro> device;
    if (FAILED(manager->GetMacroByGuid(guid, &device)) || !device) {
        return false;
    }
    GUID stored{};
    if (FAILED(device->GetGuid(&stored))) {
        return false;
    }
    macro->SetGuid(stored);
    const ServiceString name = NameOf(device);
    if (!name) {
        return false;
    }
    macro->SetName(name.get());
    const StoredEvents events = ReadStoredEvents(m_tables, device);
    if (!events.read) {
        return false;
    }
    if (events.converted) {
        macro->SetEvents(events.events);
    }
    return true;
}

bool CMouse::DeleteAllMacrosNow() {
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    INT steps = 0;
    for (UINT index = 0; steps < kMaxEnumeration; ++steps) {
        CComPtr<IMacro> macro;
        if (FAILED(manager->GetMacro(index, &macro)) || !macro) {
            break;
        }
        if (FAILED(manager->DeleteMacro(macro))) {
            ++index;
        }
    }
    return true;
}

// ---- files through the service -----------------------------------------------------------

template <class Manager, class Object, class Use>
BOOL CMouse::WithStoredObject(const GUID& guid, Use use) {
    if (SameGuid(guid, GUID_NULL)) {
        return FALSE;
    }
    Connection connection(*this);
    if (!connection) {
        return FALSE;
    }
    const CComPtr<Manager> manager = DeviceFeature<Manager>();
    CComPtr<Object> device;
    if (!manager || FAILED(GetByGuid(manager.Get(), guid, &device)) || !device) {
        return FALSE;
    }
    return use(device.Get()) ? TRUE : FALSE;
}

BOOL CMouse::ImportMacro(const CString& path, IMouseConfig* config) {
    if (config == nullptr) {
        return FALSE;
    }
    Connection connection(*this);
    if (!connection) {
        return FALSE;
    }
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return FALSE;
    }
    CComPtr<IMacro> device;
    if (FAILED(manager->ImportMacro(path.GetString(), &device)) || !device) {
        return FALSE;
    }
    // Everything is read from the device before the configuration changes; any failure
    // removes the imported macro again, so neither side keeps half an import.
    const ServiceString name = NameOf(device);
    GUID guid{};
    StoredEvents stored;
    if (name && SUCCEEDED(device->GetGuid(&guid))) {
        stored = ReadStoredEvents(m_tables, device);
    }
    CMacro* macro = nullptr;
    if (stored.converted) {
        macro = config->CreateMacro(name.get(), nullptr);
    }
    if (macro == nullptr) {
        manager->DeleteMacro(device);
        return FALSE;
    }
    macro->SetFilePath(path.GetString());
    macro->SetGuid(guid);
    macro->SetEvents(stored.events);
    return TRUE;
}

BOOL CMouse::ExportMacro(const CString& path, CMacro* macro) {
    if (macro == nullptr) {
        return FALSE;
    }
    return WithStoredObject<IMacroManager, IMacro>(macro->GetGuid(), [&](IMacro* device) {
        return SUCCEEDED(device->ExportToFile(path.GetString()));
    });
}

BOOL CMouse::HasMacro(CMacro* macro) {
    if (macro == nullptr) {
        return FALSE;
    }
    return WithStoredObject<IMacroManager, IMacro>(macro->GetGuid(), [](IMacro*) { return true; });
}

BOOL CMouse::ImportProfile(const CString& path, IMouseConfig* config) {
    if (config == nullptr) {
        return FALSE;
    }
    Connection connection(*this);
    if (!connection) {
        return FALSE;
    }
    const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
    if (!manager) {
        return FALSE;
    }
    CComPtr<IProfile> device;
    if (FAILED(manager->ImportProfile(path.GetString(), &device)) || !device) {
        return FALSE;
    }
    const ServiceString name = NameOf(device);
    GUID guid{};
    IMouseProfile* profile = nullptr;
    if (name && SUCCEEDED(device->GetGuid(&guid))) {
        profile = config->AddProfile(name.get());
    }
    bool ok = profile != nullptr;
    if (ok) {
        profile->SetGuid(guid);
        ok = ReadSensitivityLimits(config, device, profile) &&
             ReadProfileProperties(device, profile) && ReadSensitivity(config, device, profile) &&
             ReadButtons(config, profile, device) && ReadLights(config, device, profile);
    }
    if (!ok) {
        // All or nothing: the half-read profile leaves the configuration and the imported
        // one leaves the device.
        if (profile != nullptr) {
            config->DeleteProfile(profile);
        }
        manager->DeleteProfile(device);
        return FALSE;
    }
    return TRUE;
}

BOOL CMouse::ExportProfile(const CString& path, IMouseProfile* profile) {
    if (profile == nullptr) {
        return FALSE;
    }
    return WithStoredObject<IProfileManager, IProfile>(GuidOf(profile), [&](IProfile* device) {
        return SUCCEEDED(device->ExportToFile(path.GetString()));
    });
}

BOOL CMouse::HasProfile(IMouseProfile* profile) {
    if (profile == nullptr) {
        return FALSE;
    }
    return WithStoredObject<IProfileManager, IProfile>(GuidOf(profile),
                                                       [](IProfile*) { return true; });
}

// ---- the process's device object ---------------------------------------------------------

namespace {
IMouseDevice* g_mouseDevice = nullptr;
}

BOOL CreateMouseDevice(IMouseConfig* config, IMouseDevice** device) {
    // One device object per process: a second creation replaces the first.
    DestroyMouseDevice();
    auto* mouse = new CMouse();
    g_mouseDevice = mouse;
    if (device != nullptr) {
        *device = mouse;
    }
    const WORD productId = BORVANTA_PRODUCT_ID;
    const BOOL result = mouse->Initialize(config, &productId);
    if (config != nullptr) {
        config->SetDevice(mouse);
    }
    InitNameTables();
    return result;
}

void DestroyMouseDevice() {
    delete g_mouseDevice;
    g_mouseDevice = nullptr;
}

IMouseDevice* GetMouseDevice() {
    return g_mouseDevice;
}
