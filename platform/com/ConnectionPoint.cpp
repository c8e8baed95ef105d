#include "platform/com/ConnectionPoint.h"

#include "platform/ui/ThreadQueue.h"

#include <algorithm>
#include <atomic>
#include <utility>

DWORD CoNewConnectionCookie() {
    static std::atomic<DWORD> next{1};
    DWORD cookie = next.fetch_add(1, std::memory_order_relaxed);
    if (cookie == 0) { // after wrap-around
        cookie = next.fetch_add(1, std::memory_order_relaxed);
    }
    return cookie;
}

EventSubscription::EventSubscription(IUnknown* sink, DWORD cookie, DWORD threadId,
                                     std::uint64_t since)
    : m_sink(sink), m_cookie(cookie), m_threadId(threadId), m_since(since) {
    m_sink->AddRef();
}

EventSubscription::~EventSubscription() {
    Revoke();
}

bool EventSubscription::IsAdvised() const {
    std::lock_guard lock(m_mutex);
    return m_sink != nullptr;
}

bool EventSubscription::Post(std::function<void(IUnknown* sink)> call) {
    if (!IsAdvised()) {
        return false;
    }
    std::weak_ptr<EventSubscription> weak = weak_from_this();
    return PostThreadCallback(m_threadId, [weak, call = std::move(call)] {
               auto self = weak.lock();
               if (!self) {
                   return;
               }
               IUnknown* sink = nullptr;
               {
                   std::lock_guard lock(self->m_mutex);
                   sink = self->m_sink;
                   if (sink) {
                       sink->AddRef();
                   }
               }
               if (sink) {
                   call(sink);
                   sink->Release();
               }
           }) != FALSE;
}

void EventSubscription::Revoke() {
    IUnknown* sink = nullptr;
    {
        std::lock_guard lock(m_mutex);
        sink = std::exchange(m_sink, nullptr);
    }
    if (sink) {
        sink->Release();
    }
}

ConnectionList::~ConnectionList() {
    RevokeAll();
}

DWORD ConnectionList::Add(IUnknown* sink, std::uint64_t since) {
    EnsureMessageQueue();
    const DWORD cookie = CoNewConnectionCookie();
    auto sub = std::make_shared<EventSubscription>(sink, cookie, GetCurrentThreadId(), since);
    std::lock_guard lock(m_mutex);
    m_subs.push_back(std::move(sub));
    return cookie;
}

bool ConnectionList::Remove(DWORD cookie) {
    std::shared_ptr<EventSubscription> gone;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_subs.begin(), m_subs.end(),
                               [cookie](const auto& s) { return s->Cookie() == cookie; });
        if (it == m_subs.end()) {
            return false;
        }
        gone = std::move(*it);
        m_subs.erase(it);
    }
    gone->Revoke();
    return true;
}

void ConnectionList::RevokeAll() {
    std::vector<std::shared_ptr<EventSubscription>> gone;
    {
        std::lock_guard lock(m_mutex);
        gone.swap(m_subs);
    }
    for (auto& sub : gone) {
        sub->Revoke();
    }
}

size_t ConnectionList::Count() const {
    std::lock_guard lock(m_mutex);
    return m_subs.size();
}

void ConnectionList::Fire(const std::function<void(IUnknown* sink)>& call, std::uint64_t seq) {
    std::vector<std::shared_ptr<EventSubscription>> subs;
    {
        std::lock_guard lock(m_mutex);
        subs = m_subs;
    }
    for (auto& sub : subs) {
        if (seq > sub->Since()) {
            sub->Post(call);
        }
    }
}

CConnectionPoint::CConnectionPoint(IUnknown* owner, REFIID eventIid,
                                   std::shared_ptr<ConnectionList> list,
                                   std::function<std::uint64_t()> sinceFn,
                                   std::function<bool(DWORD cookie)> unadviseElsewhere)
    : m_owner(owner), m_iid(eventIid), m_list(std::move(list)), m_sinceFn(std::move(sinceFn)),
      m_unadviseElsewhere(std::move(unadviseElsewhere)) {}

HRESULT CConnectionPoint::QueryInterface(REFIID riid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) {
        return E_POINTER;
    }
    *iid = m_iid;
    return S_OK;
}

HRESULT CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return m_owner->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(out));
}

HRESULT CConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) {
        return E_POINTER;
    }
    *cookie = 0;
    if (!sink) {
        return E_POINTER;
    }
    void* eventItf = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, &eventItf)) || !eventItf) {
        return CONNECT_E_CANNOTCONNECT;
    }
    IUnknown* itf = static_cast<IUnknown*>(eventItf);
    const std::uint64_t since = m_sinceFn ? m_sinceFn() : 0;
    *cookie = m_list->Add(itf, since);
    itf->Release(); // the subscription holds its own reference
    return S_OK;
}

HRESULT CConnectionPoint::Unadvise(DWORD cookie) {
    if (cookie != 0 &&
        (m_list->Remove(cookie) || (m_unadviseElsewhere && m_unadviseElsewhere(cookie)))) {
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}
