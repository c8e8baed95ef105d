#include "device/Mouse.h"

#include "device/MouseSupport.h"
#include "model/NameLookup.h"
#include "model/NameTables.h"
#include "platform/base/WideChar.h"

#include <cstring>

using namespace mousesupport;

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

CMouse::KnownState& CMouse::Known(const IMouseConfig* config) {
    if (m_known.config != config) {
        m_known = KnownState{};
        m_known.config = config;
    }
    return m_known;
}

BOOL CMouse::GetUnreadMacros(CStringArray& names) const {
    names.RemoveAll();
    for (INT_PTR i = 0; i < m_unreadMacros.GetSize(); ++i) {
        names.Add(m_unreadMacros[i]);
    }
    return names.IsEmpty() ? FALSE : TRUE;
}

// ---- files through the service -----------------------------------------------------------

namespace {

// True when a profile of the configuration other than `self`, or a profile of the device
// other than the one with identifier `selfGuid`, has exactly this name.
bool IsProfileNameTaken(const IMouseConfig* config, const IMouseProfile* self,
                        IProfileManager* manager, const GUID& selfGuid, const CString& name) {
    for (INT i = 0; i < config->GetProfileCount(); ++i) {
        const IMouseProfile* other = config->GetProfile(i);
        if (other != nullptr && other != self && name.Compare(other->GetName()) == 0) {
            return true;
        }
    }
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<IProfile> listed;
        if (FAILED(manager->GetProfile(index, &listed)) || !listed) {
            break;
        }
        GUID guid{};
        if (SUCCEEDED(listed->GetGuid(&guid)) && SameGuid(guid, selfGuid)) {
            continue;
        }
        const ServiceString other = NameOf(listed);
        if (other && name.Compare(other.get()) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool CMouse::GiveFreeName(IMouseConfig* config, IProfileManager* manager, IProfile* device,
                          IMouseProfile* profile) {
    // Two profiles of one name cannot be told apart where profiles are chosen by name (the
    // tray's per-program switching, a button naming a profile): an imported profile whose
    // name is taken is named as a copy would be, on the device and in the configuration.
    const GUID guid = GuidOf(profile);
    const CString imported = profile->GetName();
    auto taken = [&](const CString& name) {
        return IsProfileNameTaken(config, profile, manager, guid, name);
    };
    if (!taken(imported)) {
        return true;
    }
    const CString free = FreeProfileName(imported.GetString(), taken);
    if (free.IsEmpty() || FAILED(device->SetName(free.GetString()))) {
        return false;
    }
    profile->SetName(free.GetString());
    return true;
}

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
    Known(config).macros.insert(guid);
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
    if (ok) {
        ok = GiveFreeName(config, manager, device, profile);
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
    Known(config).profiles.insert(guid);
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
