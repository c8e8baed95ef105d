#pragma once
// CMouse: the device object. Every operation opens its own short-lived connection to the
// device service, finds the mouse by product id, and closes the connection before it
// returns; a write keeps its connection for the write thread, which closes it when done.
//
// Threads: the object is used from the UI thread. The only other thread is the write
// thread. The busy flag (atomic) is the hand-over: while it is set the write thread alone
// touches the connection, and every UI operation that would connect refuses at once. The
// write thread clears the flag only after it has closed the connection.

#include "device/DeviceCodeTables.h"
#include "device/DeviceServiceApi.h"
#include "device/IMouseDevice.h"
#include "model/IMouseConfig.h"
#include "model/Macro.h"
#include "platform/base/CStringArray.h"
#include "platform/com/ComPtr.h"

#include <atomic>
#include <set>
#include <thread>
#include <vector>

class CMouse final : public IMouseDevice {
public:
    CMouse() = default;
    CMouse(const CMouse&) = delete;
    CMouse& operator=(const CMouse&) = delete;
    ~CMouse() override;

    BOOL Initialize(IMouseConfig* config, const WORD* productId) override;
    BOOL ReservedDevice1(void*) override { return FALSE; }
    void Close() override;
    UINT GetSupportedRateCount() const override;
    INT GetSupportedRate(UINT index) const override;
    UINT GetMaxProfiles() const override { return 5; }
    UINT GetDeviceProfileCount() override;
    BOOL IsWriting() const override;
    BOOL WriteMacro(CMacro* macro) override;
    BOOL ReadMacro(GUID guid, CMacro* macro) override;
    BOOL DeleteAllMacros() override;
    BOOL ImportMacro(const CString& path, IMouseConfig* config) override;
    BOOL ExportMacro(const CString& path, CMacro* macro) override;
    BOOL HasMacro(CMacro* macro) override;
    BOOL ImportProfile(const CString& path, IMouseConfig* config) override;
    BOOL ExportProfile(const CString& path, IMouseProfile* profile) override;
    BOOL HasProfile(IMouseProfile* profile) override;
    BOOL SyncDevice(IMouseConfig* config, int mode, int sections) override;
    BOOL ReservedDevice18(void*, void*) override { return FALSE; }
    BOOL IsDeviceFound() const override;
    BOOL GetVersionA(CString& out) override;
    BOOL GetVersionB(CString& out) override;
    WORD GetProductId() const override { return m_productId; }
    BOOL GetLastWriteResult() const override;
    HRESULT GetServiceResult() const override { return m_serviceResult.load(); }
    BOOL GetUnreadMacros(CStringArray& names) const override;

    // The single-bit button identifiers the device reported (read at initialisation).
    const std::vector<DWORD>& GetButtonBits() const { return m_buttonBits; }
    const CDeviceCodeTables& GetCodeTables() const { return m_tables; }

private:
    // Opens a connection for one operation and closes it on every path, unless the
    // connection was handed to the write thread.
    class Connection {
    public:
        explicit Connection(CMouse& mouse) : m_mouse(mouse), m_open(mouse.Connect()) {}
        ~Connection() {
            if (m_open) {
                m_mouse.Disconnect();
            }
        }
        Connection(const Connection&) = delete;
        Connection& operator=(const Connection&) = delete;
        explicit operator bool() const { return m_open; }
        void HandOver() { m_open = false; }

    private:
        CMouse& m_mouse;
        bool m_open;
    };

    bool Connect();
    void Disconnect();
    // Joins a write thread that has finished (the busy flag is clear).
    void JoinFinishedWriteThread();
    // Waits for a running write to end and joins its thread.
    void WaitForWrite();

    // What one configuration took from the mouse and put there: the profiles and macros a
    // write may delete once the configuration no longer holds them (the user deleted them),
    // and the active profile as the configuration last had it from the mouse or gave it.
    // Anything else on the mouse (made or switched by another program, or never read) is
    // left alone by a write.
    struct KnownState {
        const IMouseConfig* config = nullptr;
        std::set<GUID> profiles;
        std::set<GUID> macros;
        GUID active{};
    };
    // The known state of this configuration; a configuration other than the last one starts
    // with nothing known.
    KnownState& Known(const IMouseConfig* config);

    template <class T> CComPtr<T> DeviceFeature() const;
    template <class T> static CComPtr<T> ProfileFeature(IProfile* profile);
    // Inside a connection of its own, finds the stored macro or profile with this identifier
    // and hands it to use; FALSE when the identifier is null, nothing is stored under it or
    // use fails.
    template <class Manager, class Object, class Use>
    BOOL WithStoredObject(const GUID& guid, Use use);

    // An imported profile whose name another profile has exactly gets a free name, the way a
    // copy is named, on the device and in the configuration. False when it cannot.
    bool GiveFreeName(IMouseConfig* config, IProfileManager* manager, IProfile* device,
                      IMouseProfile* profile);

    // Reading (UI thread, inside an open connection).
    bool ReadDeviceVersions();
    bool ReadProfileList(IMouseConfig* config);
    bool ReadSensitivityLimits(IMouseConfig* config, IProfile* device, IMouseProfile* profile);
    bool ReadButtonLayout(IProfile* device);
    bool ReadSupportedRates();
    bool ReadAll(IMouseConfig* config, int sections);
    bool ReadProfileProperties(IProfile* device, IMouseProfile* profile);
    bool ReadSensitivity(IMouseConfig* config, IProfile* device, IMouseProfile* profile);
    bool ReadButtons(IMouseConfig* config, IMouseProfile* profile, IProfile* device);
    bool ReadLights(IMouseConfig* config, IProfile* device, IMouseProfile* profile);
    bool ReadAcceleration(IMouseConfig* config);
    bool ReadPollingRate(IMouseConfig* config);
    bool ReadMacroList(IMouseConfig* config);

    // Writing (write thread, inside the connection SyncDevice opened).
    void WriteThreadProc(IMouseConfig* config, int sections);
    bool WriteAll(IMouseConfig* config, int sections);
    // Deletes the known profiles the configuration no longer holds; true when the device's
    // active profile had to give way for that.
    bool DeleteProfilesNotIn(IMouseConfig* config, IProfileManager* manager);
    void DeleteMacrosNotIn(IMouseConfig* config, IMacroManager* manager);
    // The profile's device twin: made for a profile without identifier, stored anew for one
    // another program removed from the mouse (buttons naming it follow it), else found.
    CComPtr<IProfile> TwinOf(IMouseConfig* config, IProfileManager* manager,
                             IMouseProfile* profile);
    // Stores the profile as a new device profile named like it; its identifier, the buttons
    // that named the old one and the known state follow. Null when the device refused.
    CComPtr<IProfile> StoreProfile(IMouseConfig* config, IProfileManager* manager,
                                   IMouseProfile* profile);
    // The identifier under which the mouse holds the profile, storing it first when it has
    // none or the mouse no longer holds it; GUID_NULL when that failed.
    GUID StoredProfileGuid(IMouseConfig* config, IMouseProfile* profile);
    // The same for a macro (a macro without events is never stored: GUID_NULL).
    GUID StoredMacroGuid(IMouseConfig* config, CMacro* macro);
    bool WriteProfileProperties(IProfile* device, IMouseProfile* profile);
    bool WriteSensitivity(IMouseConfig* config, IMouseProfile* profile, IProfile* device);
    // Writes the profile's buttons; with onlyMacrosToStore, only those that name a recorded
    // macro the mouse does not hold yet.
    bool WriteButtons(IMouseConfig* config, IMouseProfile* profile, IProfile* device,
                      bool onlyMacrosToStore);
    // A kind-24 or kind-5 assignment naming a profile or macro of the configuration, with
    // the identifier under which the mouse holds it now; false when it cannot be stored.
    bool FollowStoredTarget(IMouseConfig* config, ButtonAssignment& assignment);
    bool ResolveProfileAssignment(IMouseConfig* config, ButtonAssignment& assignment);
    bool ResolveMacroAssignment(IMouseConfig* config, ButtonAssignment& assignment);
    bool WriteLights(IMouseConfig* config, IMouseProfile* profile, IProfile* device);
    bool WriteAcceleration(IMouseConfig* config);
    bool WritePollingRate(IMouseConfig* config);
    bool SyncMacros(IMouseConfig* config);
    bool UpdateDeviceMacro(IMacro* device, const CMacro& macro);

    bool WriteMacroNow(CMacro* macro);
    bool ReadMacroNow(GUID guid, CMacro* macro);
    bool DeleteAllMacrosNow();

    CDeviceCodeTables m_tables;
    CComPtr<IDeviceService> m_service;
    CComPtr<IDevice> m_device;
    WORD m_productId = 0;
    std::atomic<bool> m_found{false};
    std::atomic<HRESULT> m_serviceResult{S_OK};
    std::vector<DWORD> m_buttonBits;
    std::vector<INT> m_supportedRates;
    KnownState m_known;
    // The macros the last read of the macro list could not read, by name (or identifier).
    CStringArray m_unreadMacros;
    CString m_versionA;
    CString m_versionB;

    std::thread m_writeThread;
    std::atomic<bool> m_writing{false};
    std::atomic<bool> m_lastWriteResult{true};
    // Set by the write thread when a part of the write failed that the overall result rules
    // would not count (a profile that could not be made, a section that failed).
    bool m_writeIncomplete = false;
};
