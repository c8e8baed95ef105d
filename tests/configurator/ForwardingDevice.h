#pragma once
// A device object for the configurator's tests that forwards every call to the real one;
// a test derives from it and answers the few calls it wants answered otherwise.

#include "device/IMouseDevice.h"

namespace apptest {

class ForwardingDevice : public IMouseDevice {
public:
    explicit ForwardingDevice(IMouseDevice* real) : m_real(real) {}

    BOOL Initialize(IMouseConfig* c, const WORD* id) override { return m_real->Initialize(c, id); }
    BOOL ReservedDevice1(void* u) override { return m_real->ReservedDevice1(u); }
    void Close() override { m_real->Close(); }
    UINT GetSupportedRateCount() const override { return m_real->GetSupportedRateCount(); }
    INT GetSupportedRate(UINT i) const override { return m_real->GetSupportedRate(i); }
    UINT GetMaxProfiles() const override { return m_real->GetMaxProfiles(); }
    UINT GetDeviceProfileCount() override { return m_real->GetDeviceProfileCount(); }
    BOOL IsWriting() const override { return m_real->IsWriting(); }
    BOOL WriteMacro(CMacro* m) override { return m_real->WriteMacro(m); }
    BOOL ReadMacro(GUID g, CMacro* m) override { return m_real->ReadMacro(g, m); }
    BOOL DeleteAllMacros() override { return m_real->DeleteAllMacros(); }
    BOOL ImportMacro(const CString& p, IMouseConfig* c) override {
        return m_real->ImportMacro(p, c);
    }
    BOOL ExportMacro(const CString& p, CMacro* m) override { return m_real->ExportMacro(p, m); }
    BOOL HasMacro(CMacro* m) override { return m_real->HasMacro(m); }
    BOOL ImportProfile(const CString& p, IMouseConfig* c) override {
        return m_real->ImportProfile(p, c);
    }
    BOOL ExportProfile(const CString& p, IMouseProfile* pr) override {
        return m_real->ExportProfile(p, pr);
    }
    BOOL HasProfile(IMouseProfile* p) override { return m_real->HasProfile(p); }
    BOOL SyncDevice(IMouseConfig* c, int mode, int sections) override {
        return m_real->SyncDevice(c, mode, sections);
    }
    BOOL ReservedDevice18(void* a, void* b) override { return m_real->ReservedDevice18(a, b); }
    BOOL IsDeviceFound() const override { return m_real->IsDeviceFound(); }
    BOOL GetVersionA(CString& out) override { return m_real->GetVersionA(out); }
    BOOL GetVersionB(CString& out) override { return m_real->GetVersionB(out); }
    WORD GetProductId() const override { return m_real->GetProductId(); }
    BOOL GetLastWriteResult() const override { return m_real->GetLastWriteResult(); }
    HRESULT GetServiceResult() const override { return m_real->GetServiceResult(); }
    BOOL GetUnreadMacros(CStringArray& names) const override {
        return m_real->GetUnreadMacros(names);
    }

protected:
    IMouseDevice* m_real;
};

} // namespace apptest
