#include "tray/ProfileEventConnection.h"

CProfileEventConnection::CProfileEventConnection(IProfileManager* manager,
                                                 IProfileEventHandler* handler)
    : m_handler(handler), m_manager(manager) {
    m_managerSink.Attach(new CProfileManagerEventSink2(m_handler));
    m_profileSink.Attach(new CProfileEventSink(m_handler));
    AdviseManager();
    if (m_manager) {
        CComPtr<IProfile> active;
        if (SUCCEEDED(m_manager->GetActiveProfile(&active)) && active) {
            AdviseProfile(active);
        }
    }
}

CProfileEventConnection::~CProfileEventConnection() {
    UnadviseManager();
    if (m_profileCookie != 0 && m_manager) {
        CComPtr<IProfile> active;
        if (SUCCEEDED(m_manager->GetActiveProfile(&active)) && active) {
            UnadviseProfile(active);
        }
    }
    if (m_profileCookie != 0 && m_profileSource) {
        UnadviseProfile(m_profileSource);
    }
    m_profileSource.Release();
    m_managerSink->SetHandler(nullptr);
    m_profileSink->SetHandler(nullptr);
    m_managerSink.Release();
    m_profileSink.Release();
    m_manager.Release();
}

bool CProfileEventConnection::AdviseManager() {
    if (m_managerCookie != 0) {
        return true;
    }
    return AdviseEventSink(m_manager, DIID_IProfileManagerEvents2,
                           static_cast<_IProfileManagerEvents2*>(m_managerSink.Get()),
                           &m_managerCookie);
}

bool CProfileEventConnection::UnadviseManager() {
    if (!UnadviseEventSink(m_manager, DIID_IProfileManagerEvents2, m_managerCookie)) {
        return false;
    }
    m_managerCookie = 0;
    return true;
}

bool CProfileEventConnection::AdviseProfile(IUnknown* profile, IConnectionPoint** connection) {
    if (m_profileCookie != 0) {
        if (connection) {
            *connection = nullptr;
        }
        return false;
    }
    if (!AdviseEventSink(profile, DIID_IProfileEvents,
                         static_cast<_IProfileEvents*>(m_profileSink.Get()), &m_profileCookie,
                         connection)) {
        return false;
    }
    m_profileSource = profile;
    return true;
}

bool CProfileEventConnection::UnadviseProfile(IUnknown* profile, IConnectionPoint** connection) {
    if (!UnadviseEventSink(profile, DIID_IProfileEvents, m_profileCookie, connection)) {
        return false;
    }
    m_profileCookie = 0;
    m_profileSource.Release();
    return true;
}

bool CProfileEventConnection::MoveProfileSink(IUnknown* profile) {
    if (!profile) {
        return false;
    }
    if (m_profileCookie != 0) {
        if (m_profileSource && !UnadviseProfile(m_profileSource)) {
            // The old profile cannot be told (deleted, or the mouse came back as a new
            // device): its connection is dead anyway, so the sink is free to move.
            m_profileCookie = 0;
            m_profileSource.Release();
        }
    }
    return AdviseProfile(profile);
}
