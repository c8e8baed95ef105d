#include "tray/EventSinks.h"

#include "platform/com/ComPtr.h"

namespace {

// The common QueryInterface of a sink: IUnknown and its own event interface, nothing else.
template <class Itf> HRESULT AnswerSink(Itf* self, REFIID riid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, uuidof<Itf>())) {
        return ComAnswer(self, out);
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

// The connection point of source for eventIid, or null.
CComPtr<IConnectionPoint> FindPoint(IUnknown* source, REFIID eventIid) {
    CComPtr<IConnectionPoint> point;
    if (!source) {
        return point;
    }
    CComPtr<IConnectionPointContainer> container;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(&container))) ||
        !container) {
        return point;
    }
    if (FAILED(container->FindConnectionPoint(eventIid, &point))) {
        point.Release();
    }
    return point;
}

void HandOut(CComPtr<IConnectionPoint>& point, IConnectionPoint** connection) {
    if (connection) {
        *connection = point.Detach();
    }
}

} // namespace

HRESULT CDpiEventSink::QueryInterface(REFIID riid, void** out) {
    return AnswerSink<_IDPIEvents>(this, riid, out);
}

HRESULT CDpiEventSink::OnDpiChanged(INT x, INT y) {
    if (m_handler) {
        m_handler->OnDpiChanged(x, y);
    }
    return S_OK;
}

HRESULT CProfileManagerEventSink2::QueryInterface(REFIID riid, void** out) {
    return AnswerSink<_IProfileManagerEvents2>(this, riid, out);
}

HRESULT CProfileManagerEventSink2::OnProfileManagerEvent(INT flags, INT a, INT b, INT c, INT d) {
    if (m_handler) {
        m_handler->OnProfileManagerEvent(flags, a, b, c, d);
    }
    return S_OK;
}

HRESULT CProfileEventSink::QueryInterface(REFIID riid, void** out) {
    return AnswerSink<_IProfileEvents>(this, riid, out);
}

HRESULT CProfileEventSink::OnProfileEvent(INT flags, INT value, INT a, INT b, INT c) {
    if (m_handler) {
        m_handler->OnProfileEvent(flags, value, a, b, c);
    }
    return S_OK;
}

bool AdviseEventSink(IUnknown* source, REFIID eventIid, IUnknown* sink, DWORD* cookie,
                     IConnectionPoint** connection) {
    if (connection) {
        *connection = nullptr;
    }
    if (!sink || !cookie) {
        return false;
    }
    CComPtr<IConnectionPoint> point = FindPoint(source, eventIid);
    if (!point) {
        return false;
    }
    DWORD made = 0;
    if (FAILED(point->Advise(sink, &made)) || made == 0) {
        return false;
    }
    *cookie = made;
    HandOut(point, connection);
    return true;
}

bool UnadviseEventSink(IUnknown* source, REFIID eventIid, DWORD cookie,
                       IConnectionPoint** connection) {
    if (connection) {
        *connection = nullptr;
    }
    if (cookie == 0) {
        return false;
    }
    CComPtr<IConnectionPoint> point = FindPoint(source, eventIid);
    if (!point || FAILED(point->Unadvise(cookie))) {
        return false;
    }
    HandOut(point, connection);
    return true;
}
