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
#include "platform/com/ComPtr.h"

#include <atomic>
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

    template <class T> CComPtr<T> DeviceFeature() const;
    template <class T> static CComPtr<T> ProfileFeature(IProfile* profile);
    // Inside a connection of its own, finds the stored macro or profile with this identifier
    // and hands it to use; FALSE when the identifier is null, nothing is stored under it or
    // use fails.
    template <class Manager, class Object, class Use>
    BOOL WithStoredObject(const GUID& guid, Use use);

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
    void DeleteProfilesNotIn(IMouseConfig* config, IProfileManager* manager);
    // True when a complete listing of the mouse's profiles lacks the identifier.
    bool IsGoneFromDevice(IProfileManager* manager, const GUID& guid);
    void DeleteMacrosNotIn(IMouseConfig* config, IMacroManager* manager);
    bool WriteProfileProperties(IProfile* device, IMouseProfile* profile);
    bool WriteSensitivity(IMouseConfig* config, IMouseProfile* profile, IProfile* device);
    bool WriteButtons(IMouseConfig* config, IMouseProfile* profile, IProfile* device);
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
    CString m_versionA;
    CString m_versionB;

    std::thread m_writeThread;
    std::atomic<bool> m_writing{false};
    std::atomic<bool> m_lastWriteResult{true};
    // Set by the write thread when a part of the write failed that the overall result rules
    // would not count (a profile that could not be made, a section that failed).
    bool m_writeIncomplete = false;
};
