#pragma once
// CDeviceManager: the tray's client of the device service. It connects when it is made and
// stays connected for its life: it lists and reads the mouse's profiles, activates profiles by
// name and makes the event connections. Profile names are compared exactly (case-sensitive);
// the first profile in the device's order with an equal name is the one used.
//
// All calls belong on the thread that made the object (it initialises COM there).

#include "platform/base/CString.h"
#include "platform/base/CStringArray.h"
#include "platform/com/ComPtr.h"
#include "service/DeviceService.h"
#include "tray/DpiEventConnection.h"
#include "tray/EventHandlers.h"
#include "tray/ProfileEventConnection.h"
#include "tray/ProfileSetting.h"

#include <memory>
#include <vector>

class CDeviceManager {
public:
    // The mouse's product id among the service's devices.
    static constexpr int kProductId = 0x001E;

    // Initialises COM for the thread, creates the service and chooses the first device whose
    // product id is kProductId.
    CDeviceManager();
    virtual ~CDeviceManager();
    CDeviceManager(const CDeviceManager&) = delete;
    CDeviceManager& operator=(const CDeviceManager&) = delete;

    // Every profile with its program and switches (the GUID is not filled). True when the
    // profile manager was reached.
    virtual bool LoadProfiles(CProfileSettingArray& profiles);
    // Every profile's name in the device's order. True when the profile manager was reached.
    virtual bool GetProfileNames(CStringArray& names);
    // The same, with each named profile's identifier at the same place of guids.
    bool GetProfileNames(CStringArray& names, std::vector<GUID>& guids);
    // The record of the first profile named name. True when both properties were read.
    virtual bool GetProfileSetting(const CString& name, _Profile_Setting_& out);
    // The active profile's IProfileEx (a new reference in *out).
    virtual bool QueryActiveProfile(void** out);
    virtual bool GetActiveProfileName(CString& out);
    // Replaces the cached active profile; null clears the cache. Always true.
    virtual bool SetActiveProfileObject(IProfile* profile);
    // Makes the first profile named name the active one.
    virtual bool ActivateProfile(const CString& name);
    // Makes the profile with that identifier the active one, and its record (as
    // GetProfileSetting reads it) into out; the record stays empty when it cannot be read.
    bool ActivateProfile(const GUID& guid, _Profile_Setting_& out);
    virtual bool GetProfileByGuid(GUID guid, IProfile** out);
    // The sensitivity events of the profile active now; none when any step fails.
    virtual std::unique_ptr<CDpiEventConnection> ConnectDpiEvents(IDpiEventHandler* handler);
    // The profile manager's and the active profile's events; none when any step fails.
    virtual std::unique_ptr<CProfileEventConnection>
    ConnectProfileEvents(IProfileEventHandler* handler);
    // Binds *program (at most DEVICE_MAX_PROGRAM characters; null *program clears it).
    virtual bool SetProfileProgram(const CString& name, const WCHAR** program);
    virtual bool SetProfileAutoSwitch(const CString& name, int value);
    // Writes the three switches in order, each only after the one before was written.
    virtual bool SetProfileSwitches(const CString& name, int autoSwitch, int showDpiOsd,
                                    int showProfileOsd);
    // A mouse was chosen. One plugged in after this object was made is chosen by the next
    // profile operation.
    virtual bool IsConnected() const { return static_cast<bool>(m_device); }

    int GetProductId() const { return m_productId; }

private:
    // The first device of the service with kProductId, or null.
    CComPtr<IDevice> FindMouse() const;
    // Chooses the mouse when none is chosen yet; true when one is.
    bool ChooseMouse();
    // The chosen mouse's profile manager. When the chosen device no longer answers (the
    // mouse was unplugged and came back as a new device) the mouse is chosen again.
    CComPtr<IProfileManager> Manager();
    // The profile at index, or null past the end.
    static CComPtr<IProfile> ProfileAt(IProfileManager* manager, UINT index);
    // Calls fn(profile) for each profile named name in device order until fn answers true.
    template <class Fn>
    static void ForEachNamed(IProfileManager* manager, const CString& name, Fn fn);
    // Writes one switch bit of the first profile named name that has properties.
    bool WriteSwitch(const CString& name, WORD mask, int value);
    bool CacheActiveProfile();

    int m_productId = 0;
    CComPtr<IDeviceService> m_service;
    CComPtr<IDevice> m_device;
    CComPtr<IProfile> m_activeProfile;
    bool m_comInitialized = false;
};
