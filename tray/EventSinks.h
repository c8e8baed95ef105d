#pragma once
// The COM objects that receive the device service's events for the tray and hand them on to
// the tray dialog's handler interfaces, and the helpers that connect them to an event source.
//
// Each sink starts with one reference (its connection's). The service takes references of
// its own while the sink is advised, and may drop them on another thread, so the counts are
// atomic. A connection clears the sink's handler before it lets go of the sink: an event the
// service still holds for a sink that could not be unadvised then does nothing.

#include "platform/com/ComObject.h"
#include "platform/com/OCIdl.h"
#include "service/DeviceService.h"
#include "tray/EventHandlers.h"

class CDpiEventSink final : public _IDPIEvents, public ComObjectBase {
public:
    explicit CDpiEventSink(IDpiEventHandler* handler) : m_handler(handler) {}

    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }
    HRESULT OnDpiChanged(INT x, INT y) override;

    void SetHandler(IDpiEventHandler* handler) { m_handler = handler; }

private:
    IDpiEventHandler* m_handler;
};

class CProfileManagerEventSink2 final : public _IProfileManagerEvents2, public ComObjectBase {
public:
    explicit CProfileManagerEventSink2(IProfileEventHandler* handler) : m_handler(handler) {}

    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }
    HRESULT OnProfileManagerEvent(INT flags, INT a, INT b, INT c, INT d) override;

    void SetHandler(IProfileEventHandler* handler) { m_handler = handler; }

private:
    IProfileEventHandler* m_handler;
};

class CProfileEventSink final : public _IProfileEvents, public ComObjectBase {
public:
    explicit CProfileEventSink(IProfileEventHandler* handler) : m_handler(handler) {}

    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }
    HRESULT OnProfileEvent(INT flags, INT value, INT a, INT b, INT c) override;

    void SetHandler(IProfileEventHandler* handler) { m_handler = handler; }

private:
    IProfileEventHandler* m_handler;
};

// Advises sink on the connection point of source for eventIid (through the source's
// IConnectionPointContainer). True on success, with *cookie set; connection, when given,
// receives the connection point used (with a reference) on success and null otherwise.
bool AdviseEventSink(IUnknown* source, REFIID eventIid, IUnknown* sink, DWORD* cookie,
                     IConnectionPoint** connection = nullptr);
// Ends the connection cookie through source's connection point for eventIid.
bool UnadviseEventSink(IUnknown* source, REFIID eventIid, DWORD cookie,
                       IConnectionPoint** connection = nullptr);
