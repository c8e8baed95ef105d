#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/ObjBase.h"
#include "platform/ui/Clock.h"
#include "platform/ui/ThreadQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// {6A1F0C10-2B4E-4F7A-9D21-0C5E3B7A9F01}
constexpr IID IID_ITestEvents{
    0x6A1F0C10, 0x2B4E, 0x4F7A, {0x9D, 0x21, 0x0C, 0x5E, 0x3B, 0x7A, 0x9F, 0x01}};
// {6A1F0C10-2B4E-4F7A-9D21-0C5E3B7A9F02}
constexpr IID IID_ICounter{
    0x6A1F0C10, 0x2B4E, 0x4F7A, {0x9D, 0x21, 0x0C, 0x5E, 0x3B, 0x7A, 0x9F, 0x02}};
// {6A1F0C10-2B4E-4F7A-9D21-0C5E3B7A9F03}
constexpr CLSID CLSID_Counter{
    0x6A1F0C10, 0x2B4E, 0x4F7A, {0x9D, 0x21, 0x0C, 0x5E, 0x3B, 0x7A, 0x9F, 0x03}};

struct ITestEvents : IUnknown {
    virtual HRESULT OnValue(int value) = 0;

protected:
    ~ITestEvents() = default;
};

struct ICounter : IUnknown {
    virtual HRESULT Next(int* value) = 0;

protected:
    ~ICounter() = default;
};

class Sink final : public ITestEvents, public ComObjectBase {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_ITestEvents) {
            return ComAnswer(static_cast<ITestEvents*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }
    HRESULT OnValue(int value) override {
        seen.push_back(value);
        threads.push_back(GetCurrentThreadId());
        return S_OK;
    }
    std::vector<int> seen;
    std::vector<DWORD> threads;
};

class Counter final : public ICounter, public ComObjectBase {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_ICounter) {
            return ComAnswer(static_cast<ICounter*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }
    HRESULT Next(int* value) override {
        *value = ++m_value;
        return S_OK;
    }

private:
    int m_value = 0;
};

class CounterFactory final : public IClassFactory, public ComObjectBase {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            return ComAnswer(static_cast<IClassFactory*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* counter = new Counter;
        const HRESULT hr = counter->QueryInterface(riid, out);
        counter->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

// Runs the calling thread's queued callbacks until pred holds or two seconds pass.
template <class Pred> bool PumpUntil(Pred pred) {
    auto queue = platform::ThreadQueue::Current();
    for (int i = 0; i < 200; ++i) {
        const std::uint64_t wakeups = queue->WakeCount();
        queue->RunIncoming();
        if (pred()) {
            return true;
        }
        queue->Wait(platform::GetClock().NowMs() + 10, wakeups);
    }
    return pred();
}

} // namespace

BORVANTA_INTERFACE_ID(ICounter, IID_ICounter);

TEST(ComTest, ResultCodesAndInitialisation) {
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(FAILED(E_ACCESSDENIED));
    EXPECT_EQ(static_cast<DWORD>(E_ACCESSDENIED), 0x80070005u);

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    EXPECT_EQ(CoGetInitializeCount(), 2);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoGetInitializeCount(), 0);
    CoUninitialize(); // unbalanced: harmless
    EXPECT_EQ(CoGetInitializeCount(), 0);
}

TEST(ComTest, CreateInstanceByClassAndInterface) {
    const long before = ComObjectBase::LiveObjects();
    auto* factory = new CounterFactory;
    DWORD reg = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &reg),
              S_OK);
    factory->Release(); // the registration keeps it

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(GUID_NULL, nullptr, CLSCTX_ALL, IID_ICounter, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_ITestEvents, &out),
              E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_LOCAL_SERVER, IID_ICounter, &out),
              REGDB_E_CLASSNOTREG);

    {
        CComPtr<ICounter> counter;
        ASSERT_EQ(CoCreateInstance(CLSID_Counter, nullptr, 0x17, IID_ICounter,
                                   reinterpret_cast<void**>(&counter)),
                  S_OK);
        int v = 0;
        counter->Next(&v);
        counter->Next(&v);
        EXPECT_EQ(v, 2);
        CComPtr<IUnknown> unk;
        EXPECT_EQ(counter.QueryInterface(&unk), S_OK);
        CComPtr<ICounter> copy = counter;
        CComPtr<ICounter> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(moved.Get(), counter.Get());
        // Move and copy assignment hand the reference over without leaking or dropping it.
        CComPtr<ICounter> target;
        target = std::move(moved);
        EXPECT_FALSE(moved);
        EXPECT_EQ(target.Get(), counter.Get());
        target = counter;
        EXPECT_EQ(target.Get(), counter.Get());
    }
    EXPECT_EQ(CoRevokeClassObject(reg), S_OK);
    EXPECT_EQ(CoRevokeClassObject(reg), E_INVALIDARG);
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_ICounter, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ComObjectBase::LiveObjects(), before);
}

TEST(ComTest, TaskAllocatorCountsBlocks) {
    const long before = CoTaskMemOutstanding();
    void* a = CoTaskMemAlloc(16);
    void* b = CoTaskMemAlloc(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    static_cast<char*>(a)[15] = 'x';
    a = CoTaskMemRealloc(a, 4096);
    EXPECT_EQ(static_cast<char*>(a)[15], 'x');
    EXPECT_EQ(CoTaskMemOutstanding(), before + 2);
    CoTaskMemFree(a);
    CoTaskMemFree(b);
    CoTaskMemFree(nullptr);
    EXPECT_EQ(CoTaskMemOutstanding(), before);
}

namespace {
// A source object with one connection point over a shared list.
class Source final : public IConnectionPointContainer, public ComObjectBase {
public:
    explicit Source(std::shared_ptr<ConnectionList> list)
        : m_cp(static_cast<IConnectionPointContainer*>(this), IID_ITestEvents, std::move(list)) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IConnectionPointContainer) {
            return ComAnswer(static_cast<IConnectionPointContainer*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        *out = nullptr;
        if (iid != IID_ITestEvents) {
            return CONNECT_E_NOCONNECTION;
        }
        return ComAnswer(static_cast<IConnectionPoint*>(&m_cp), reinterpret_cast<void**>(out));
    }

private:
    CConnectionPoint m_cp;
};
} // namespace

TEST(ComTest, EventsRunOnTheAdvisingThreadInOrderAndOnlyWhileAdvised) {
    auto list = std::make_shared<ConnectionList>();
    auto* sink = new Sink;
    DWORD cookie = 0;
    {
        auto* source = new Source(list);
        CComPtr<IConnectionPoint> cp;
        ASSERT_EQ(source->FindConnectionPoint(IID_ITestEvents, &cp), S_OK);
        CComPtr<IConnectionPointContainer> container;
        EXPECT_EQ(cp->GetConnectionPointContainer(&container), S_OK);
        EXPECT_EQ(container.Get(), static_cast<IConnectionPointContainer*>(source));
        IID iid{};
        EXPECT_EQ(cp->GetConnectionInterface(&iid), S_OK);
        EXPECT_EQ(iid, IID_ITestEvents);
        ASSERT_EQ(cp->Advise(sink, &cookie), S_OK);
        EXPECT_NE(cookie, 0u);
        // A second advise on the same sink gets another cookie.
        DWORD cookie2 = 0;
        ASSERT_EQ(cp->Advise(sink, &cookie2), S_OK);
        EXPECT_NE(cookie2, cookie);
        EXPECT_EQ(cp->Unadvise(cookie2), S_OK);
        EXPECT_EQ(cp->Unadvise(cookie2), CONNECT_E_NOCONNECTION);
        // An object that lacks the event interface cannot connect.
        auto* counter = new Counter;
        DWORD none = 5;
        EXPECT_EQ(cp->Advise(counter, &none), CONNECT_E_CANNOTCONNECT);
        EXPECT_EQ(none, 0u);
        counter->Release();
        cp.Release();
        container.Release();
        source->Release(); // the connection outlives the object it was made on
    }
    EXPECT_EQ(list->Count(), 1u);

    // Fired from another thread: nothing runs until this thread pumps, then all in order.
    std::thread other([&] {
        for (int i = 1; i <= 5; ++i) {
            list->Fire([i](IUnknown* s) { static_cast<ITestEvents*>(s)->OnValue(i); });
        }
    });
    other.join();
    EXPECT_TRUE(sink->seen.empty());
    ASSERT_TRUE(PumpUntil([&] { return sink->seen.size() == 5; }));
    EXPECT_EQ(sink->seen, (std::vector<int>{1, 2, 3, 4, 5}));
    for (DWORD t : sink->threads) {
        EXPECT_EQ(t, GetCurrentThreadId());
    }

    // Queued, then unadvised before the loop runs: never delivered.
    list->Fire([](IUnknown* s) { static_cast<ITestEvents*>(s)->OnValue(99); });
    EXPECT_TRUE(list->Remove(cookie));
    platform::ThreadQueue::Current()->RunIncoming();
    EXPECT_EQ(sink->seen.size(), 5u);
    sink->Release(); // the list released its references on unadvise
}

TEST(ComTest, EventsBeforeTheAdviseAreNotDelivered) {
    auto list = std::make_shared<ConnectionList>();
    auto* sink = new Sink;
    list->Add(sink, 10);
    list->Fire([](IUnknown* s) { static_cast<ITestEvents*>(s)->OnValue(10); }, 10);
    list->Fire([](IUnknown* s) { static_cast<ITestEvents*>(s)->OnValue(11); }, 11);
    ASSERT_TRUE(PumpUntil([&] { return !sink->seen.empty(); }));
    platform::ThreadQueue::Current()->RunIncoming();
    EXPECT_EQ(sink->seen, std::vector<int>{11});
    list->RevokeAll();
    sink->Release();
}

TEST(ComTest, CookiesAreUniqueAcrossThreads) {
    std::vector<DWORD> cookies(4000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 1000; ++i) {
                cookies[static_cast<size_t>(t * 1000 + i)] = CoNewConnectionCookie();
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    std::sort(cookies.begin(), cookies.end());
    EXPECT_EQ(std::adjacent_find(cookies.begin(), cookies.end()), cookies.end());
    EXPECT_NE(cookies.front(), 0u);
}
