#pragma once
// The tray's connection to the profile events: a manager sink advised on IProfileManager
// (active profile and profile list changes) and a profile sink advised on the profile that was
// active when the connection was made (switch changes). Nothing re-advises the profile sink
// when another profile becomes active.

#include "platform/com/ComPtr.h"
#include "service/DeviceService.h"
#include "tray/EventHandlers.h"
#include "tray/EventSinks.h"

class CProfileEventConnection {
public:
    // Takes a reference on manager, makes both sinks for handler, advises the manager sink
    // and the profile sink on the active profile. Events reach handler on the calling thread's
    // message loop.
    CProfileEventConnection(IProfileManager* manager, IProfileEventHandler* handler);
    // Unadvises both sinks (the profile sink through the profile active now), stops them
    // forwarding and lets go of them and of the manager.
    virtual ~CProfileEventConnection();
    CProfileEventConnection(const CProfileEventConnection&) = delete;
    CProfileEventConnection& operator=(const CProfileEventConnection&) = delete;

    bool AdviseManager();
    bool UnadviseManager();
    // Advises the profile sink on profile (any interface of a profile object). False when the
    // profile sink is advised already. connection, when given, receives the connection point.
    bool AdviseProfile(IUnknown* profile, IConnectionPoint** connection = nullptr);
    // Ends the profile sink's connection through profile's connection point; the cookie is
    // set to 0 on success.
    bool UnadviseProfile(IUnknown* profile, IConnectionPoint** connection = nullptr);

    // Moves the profile sink to profile (the profile that became active): ends its
    // connection on the profile it listened to, then advises it on profile. True when it
    // listens to profile afterwards.
    bool MoveProfileSink(IUnknown* profile);

    bool IsManagerAdvised() const { return m_managerCookie != 0; }
    bool IsProfileAdvised() const { return m_profileCookie != 0; }
    CProfileManagerEventSink2* GetManagerSink() const { return m_managerSink.Get(); }
    CProfileEventSink* GetProfileSink() const { return m_profileSink.Get(); }

private:
    IProfileEventHandler* m_handler;
    CComPtr<CProfileManagerEventSink2> m_managerSink;
    CComPtr<CProfileEventSink> m_profileSink;
    CComPtr<IProfileManager> m_manager;
    DWORD m_managerCookie = 0;
    DWORD m_profileCookie = 0;
    // The profile object the profile sink was advised on: the way to end the connection when
    // the active profile cannot be had (the mouse went away).
    CComPtr<IUnknown> m_profileSource;
};
