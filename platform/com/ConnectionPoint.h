#pragma once
// Building blocks for event sources.
//
// A ConnectionList holds the sinks advised for one event interface of one source. Events are
// delivered the way apartment-threaded objects deliver them: each call is posted to the
// message loop of the thread that advised the sink, runs after the causing call has
// returned, in the order fired, and only when the sink is still advised at that moment.
// A list can be shared by several objects that stand for one source (the connection stays
// when the object it was made on is released).
//
// CConnectionPoint is the IConnectionPoint of an object; it forwards its reference counting
// to the object that contains it.

#include "platform/com/OCIdl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// A new connection cookie, unique in the process and never 0.
DWORD CoNewConnectionCookie();

// One advised sink. Keeps a reference to the sink until revoked.
class EventSubscription : public std::enable_shared_from_this<EventSubscription> {
public:
    // sink is the event interface (already queried); one reference is taken.
    EventSubscription(IUnknown* sink, DWORD cookie, DWORD threadId, std::uint64_t since);
    ~EventSubscription();
    EventSubscription(const EventSubscription&) = delete;
    EventSubscription& operator=(const EventSubscription&) = delete;

    DWORD Cookie() const { return m_cookie; }
    DWORD ThreadId() const { return m_threadId; }
    // Events up to this sequence number happened before the sink was advised.
    std::uint64_t Since() const { return m_since; }
    bool IsAdvised() const;

    // Posts call to the advising thread; it runs there only while still advised.
    bool Post(std::function<void(IUnknown* sink)> call);
    // Stops delivery and releases the sink.
    void Revoke();

private:
    mutable std::mutex m_mutex;
    IUnknown* m_sink;
    const DWORD m_cookie;
    const DWORD m_threadId;
    const std::uint64_t m_since;
};

class ConnectionList {
public:
    ConnectionList() = default;
    ~ConnectionList();
    ConnectionList(const ConnectionList&) = delete;
    ConnectionList& operator=(const ConnectionList&) = delete;

    // Adds a subscription for the calling thread; returns its cookie.
    DWORD Add(IUnknown* sink, std::uint64_t since = 0);
    // False when no subscription has that cookie.
    bool Remove(DWORD cookie);
    void RevokeAll();
    size_t Count() const;

    // Posts call to every sink advised before event sequence number seq.
    void Fire(const std::function<void(IUnknown* sink)>& call, std::uint64_t seq = UINT64_MAX);

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<EventSubscription>> m_subs;
};

class CConnectionPoint final : public IConnectionPoint {
public:
    // owner: the object that contains this connection point (answers
    // IConnectionPointContainer). sinceFn, when set, gives the current event sequence
    // number at Advise time. unadviseElsewhere, when set, is asked for a cookie that is not
    // in this point's list: cookies are unique in the process, so a source may let a client
    // end a connection through another of its points for the same event interface.
    CConnectionPoint(IUnknown* owner, REFIID eventIid, std::shared_ptr<ConnectionList> list,
                     std::function<std::uint64_t()> sinceFn = {},
                     std::function<bool(DWORD cookie)> unadviseElsewhere = {});
    virtual ~CConnectionPoint() = default;
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;

    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return m_owner->AddRef(); }
    ULONG Release() override { return m_owner->Release(); }
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    const IID& EventIid() const { return m_iid; }
    ConnectionList& List() { return *m_list; }

private:
    IUnknown* m_owner;
    IID m_iid;
    std::shared_ptr<ConnectionList> m_list;
    std::function<std::uint64_t()> m_sinceFn;
    std::function<bool(DWORD cookie)> m_unadviseElsewhere;
};
