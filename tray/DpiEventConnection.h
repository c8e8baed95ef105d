#pragma once
// The tray's connection to the sensitivity events of one profile: advises a CDpiEventSink on
// the profile's IDPI for its whole life and keeps the sensitivity range the service reported
// when it was made.

#include "platform/com/ComPtr.h"
#include "service/DeviceService.h"
#include "tray/EventHandlers.h"
#include "tray/EventSinks.h"

class CDpiEventConnection {
public:
    // Takes a reference on dpi, makes the sink for handler, advises it and reads the range.
    // Events reach handler on the calling thread's message loop.
    CDpiEventConnection(IDPI* dpi, IDpiEventHandler* handler);
    // Unadvises, stops the sink forwarding and lets go of the sink and of IDPI.
    virtual ~CDpiEventConnection();
    CDpiEventConnection(const CDpiEventConnection&) = delete;
    CDpiEventConnection& operator=(const CDpiEventConnection&) = delete;

    // True when the sink is advised (also when it already was).
    bool Advise();
    // True when the advised sink was disconnected; the cookie is then forgotten.
    bool Unadvise();
    bool IsAdvised() const { return m_cookie != 0; }

    // The sensitivity range from GetDpiRange at creation (all 0 when the service gave none
    // or an unusable one).
    int GetDpiMinimum() const { return m_dpiMinimum; }
    int GetDpiMaximum() const { return m_dpiMaximum; }
    int GetDpiStep() const { return m_dpiStep; }
    // value * levels / maximum, held to 0..levels; 0 when there is no usable maximum.
    UINT ScaleToLevel(int value, UINT levels) const;

    CDpiEventSink* GetSink() const { return m_sink.Get(); }

private:
    IDpiEventHandler* m_handler;
    CComPtr<CDpiEventSink> m_sink;
    CComPtr<IDPI> m_dpi;
    DWORD m_cookie = 0;
    int m_dpiMinimum = 0;
    int m_dpiMaximum = 0;
    int m_dpiStep = 0;
};
