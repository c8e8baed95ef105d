#include "tray/DpiEventConnection.h"

CDpiEventConnection::CDpiEventConnection(IDPI* dpi, IDpiEventHandler* handler)
    : m_handler(handler), m_dpi(dpi) {
    m_sink.Attach(new CDpiEventSink(m_handler));
    Advise();
    if (!m_dpi) {
        return;
    }
    INT minimum = 0;
    INT maximum = 0;
    INT step = 0;
    // A range the service cannot have meant (negative, or upside down) is not kept: the
    // tray divides by the maximum.
    if (SUCCEEDED(m_dpi->GetDpiRange(&minimum, &maximum, &step)) && minimum >= 0 && maximum > 0 &&
        minimum <= maximum && step >= 0) {
        m_dpiMinimum = minimum;
        m_dpiMaximum = maximum;
        m_dpiStep = step;
    }
}

CDpiEventConnection::~CDpiEventConnection() {
    Unadvise();
    m_sink->SetHandler(nullptr);
    m_sink.Release();
    m_dpi.Release();
}

bool CDpiEventConnection::Advise() {
    if (m_cookie != 0) {
        return true;
    }
    return AdviseEventSink(m_dpi, DIID_IDPIEvents, static_cast<_IDPIEvents*>(m_sink.Get()),
                           &m_cookie);
}

bool CDpiEventConnection::Unadvise() {
    if (!UnadviseEventSink(m_dpi, DIID_IDPIEvents, m_cookie)) {
        return false;
    }
    m_cookie = 0;
    return true;
}

UINT CDpiEventConnection::ScaleToLevel(int value, UINT levels) const {
    if (m_dpiMaximum <= 0 || value <= 0) {
        return 0;
    }
    const unsigned long long scaled = static_cast<unsigned long long>(value) * levels /
                                      static_cast<unsigned long long>(m_dpiMaximum);
    return scaled > levels ? levels : static_cast<UINT>(scaled);
}
