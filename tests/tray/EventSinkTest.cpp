// The sinks on their own (interfaces, reference counts, forwarding) and the reading of the
// values the service hands out, with a service that lies about sizes.

#include "TrayTestSupport.h"

#include "tray/DpiEventConnection.h"
#include "tray/EventSinks.h"
#include "tray/ServiceValues.h"

#include <cstring>
#include <functional>

using namespace traytest;

namespace {

// Answers every GetProperty through a test-given function; lives on the stack.
class FakeProperties final : public IProfileProperties {
public:
    using Answer = std::function<HRESULT(DWORD id, void* buffer, DWORD* size)>;
    explicit FakeProperties(Answer answer) : m_answer(std::move(answer)) {}
    virtual ~FakeProperties() = default;
    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT GetProperty(DWORD id, DWORD, void* buffer, DWORD, DWORD* size) override {
        capacity = *size;
        return m_answer(id, buffer, size);
    }
    HRESULT SetProperty(DWORD, const void*, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    DWORD capacity = 0;

private:
    Answer m_answer;
};

// A sensitivity feature without connection points that reports a given range.
class FakeDpi final : public IDPI {
public:
    FakeDpi(HRESULT hr, INT minimum, INT maximum, INT step)
        : m_hr(hr), m_min(minimum), m_max(maximum), m_step(step) {}
    virtual ~FakeDpi() = default;
    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }
    HRESULT GetDpi(INT*, INT*) override { return E_NOTIMPL; }
    HRESULT SetDpi(INT, INT) override { return E_NOTIMPL; }
    HRESULT GetStageLimits(INT*, INT*) override { return E_NOTIMPL; }
    HRESULT GetActiveStage(INT*) override { return E_NOTIMPL; }
    HRESULT SetActiveStage(INT) override { return E_NOTIMPL; }
    HRESULT GetStages(INT*, DeviceDpiStage**) override { return E_NOTIMPL; }
    HRESULT SetStages(INT, const DeviceDpiStage*) override { return E_NOTIMPL; }
    HRESULT GetDpiRange(INT* minimum, INT* maximum, INT* step) override {
        *minimum = m_min;
        *maximum = m_max;
        *step = m_step;
        return m_hr;
    }
    int refs = 1;

private:
    HRESULT m_hr;
    INT m_min, m_max, m_step;
};

template <class Sink, class Itf> void ExpectOnlyItsInterfaces(Sink* sink, REFIID own) {
    for (const IID& asked : {IID_IUnknown, own}) {
        void* out = nullptr;
        ASSERT_EQ(sink->QueryInterface(asked, &out), S_OK);
        EXPECT_EQ(out, static_cast<Itf*>(sink));
        static_cast<Itf*>(sink)->Release();
    }
    for (const IID& other : {DIID_IDPIEvents, DIID_IProfileEvents, DIID_IProfileManagerEvents2,
                             IID_IConnectionPoint, IID_IProfile}) {
        if (IsEqualGUID(other, own)) {
            continue;
        }
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(sink->QueryInterface(other, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(sink->QueryInterface(own, nullptr), E_POINTER);
    // The count started at 1: one more reference, then both released deletes the sink.
    EXPECT_EQ(sink->AddRef(), 2u);
    EXPECT_EQ(sink->Release(), 1u);
}

} // namespace

TEST_F(TrayTest, SinksAnswerOnlyTheirInterfacesAndForwardToTheHandler) {
    RecordingHandler handler;
    auto* dpi = new CDpiEventSink(&handler);
    auto* manager = new CProfileManagerEventSink2(&handler);
    auto* profile = new CProfileEventSink(&handler);
    EXPECT_EQ(ComObjectBase::LiveObjects(), m_objects + 3);
    ExpectOnlyItsInterfaces<CDpiEventSink, _IDPIEvents>(dpi, DIID_IDPIEvents);
    ExpectOnlyItsInterfaces<CProfileManagerEventSink2, _IProfileManagerEvents2>(
        manager, DIID_IProfileManagerEvents2);
    ExpectOnlyItsInterfaces<CProfileEventSink, _IProfileEvents>(profile, DIID_IProfileEvents);

    EXPECT_EQ(dpi->OnDpiChanged(800, 1600), S_OK);
    EXPECT_EQ(manager->OnProfileManagerEvent(0x1, 2, 3, 4, 5), S_OK);
    EXPECT_EQ(profile->OnProfileEvent(0x4, 1, 7, 8, 9), S_OK);
    EXPECT_EQ(handler.events, (std::vector<Event>{{'d', 800, 1600}, {'m', 0x1, 2}, {'p', 0x4, 1}}));

    // Without a handler an event is answered and goes nowhere.
    dpi->SetHandler(nullptr);
    manager->SetHandler(nullptr);
    profile->SetHandler(nullptr);
    EXPECT_EQ(dpi->OnDpiChanged(1, 1), S_OK);
    EXPECT_EQ(manager->OnProfileManagerEvent(1, 0, 0, 0, 0), S_OK);
    EXPECT_EQ(profile->OnProfileEvent(1, 0, 0, 0, 0), S_OK);
    EXPECT_EQ(handler.events.size(), 3u);

    EXPECT_EQ(dpi->Release(), 0u);
    EXPECT_EQ(manager->Release(), 0u);
    EXPECT_EQ(profile->Release(), 0u);
    EXPECT_EQ(ComObjectBase::LiveObjects(), m_objects);
}

TEST_F(TrayTest, AdvisingNeedsASourceWithTheEventInterface) {
    RecordingHandler handler;
    CComPtr<CDpiEventSink> sink;
    sink.Attach(new CDpiEventSink(&handler));
    DWORD cookie = 5;
    CComPtr<IConnectionPoint> point;
    EXPECT_FALSE(AdviseEventSink(nullptr, DIID_IDPIEvents, static_cast<_IDPIEvents*>(sink.Get()),
                                 &cookie, &point));
    // A source without connection points (the sink itself).
    EXPECT_FALSE(AdviseEventSink(static_cast<_IDPIEvents*>(sink.Get()), DIID_IDPIEvents,
                                 static_cast<_IDPIEvents*>(sink.Get()), &cookie, &point));
    EXPECT_EQ(cookie, 5u);
    EXPECT_EQ(point.Get(), nullptr);
    EXPECT_FALSE(UnadviseEventSink(nullptr, DIID_IDPIEvents, 0));
}

TEST_F(TrayTest, ProgramsAreHeldToTheBufferWhateverSizeTheServiceClaims) {
    // 128 letters with no terminator and a size far past the buffer.
    FakeProperties liar([](DWORD id, void* buffer, DWORD* size) {
        EXPECT_EQ(id, PROFILE_PROP_PROGRAM);
        auto* text = static_cast<WCHAR*>(buffer);
        for (DWORD i = 0; i < *size / sizeof(WCHAR); ++i) {
            text[i] = u'a';
        }
        *size = 0x7FFFFFFF;
        return S_OK;
    });
    CString program(u"old");
    ASSERT_TRUE(ReadProgram(&liar, program));
    EXPECT_EQ(liar.capacity, 256u);
    EXPECT_EQ(program.view(), std::u16string(DEVICE_MAX_PROGRAM, u'a'));

    // The text ends at its terminator even when the size says more; an odd size is cut to
    // whole characters; size 0 means no program.
    FakeProperties shortText([](DWORD, void* buffer, DWORD* size) {
        std::memcpy(buffer, u"go.exe\0junk", 12 * sizeof(WCHAR));
        *size = 200;
        return S_OK;
    });
    ASSERT_TRUE(ReadProgram(&shortText, program));
    EXPECT_EQ(program.view(), u"go.exe");
    FakeProperties odd([](DWORD, void* buffer, DWORD* size) {
        std::memcpy(buffer, u"abcdef", 7 * sizeof(WCHAR));
        *size = 5;
        return S_OK;
    });
    ASSERT_TRUE(ReadProgram(&odd, program));
    EXPECT_EQ(program.view(), u"ab");
    FakeProperties empty([](DWORD, void* buffer, DWORD* size) {
        std::memcpy(buffer, u"ghost", 6 * sizeof(WCHAR));
        *size = 0;
        return S_OK;
    });
    ASSERT_TRUE(ReadProgram(&empty, program));
    EXPECT_TRUE(program.IsEmpty());
    FakeProperties failing([](DWORD, void*, DWORD*) { return E_FAIL; });
    program = u"old";
    EXPECT_FALSE(ReadProgram(&failing, program));
    EXPECT_TRUE(program.IsEmpty());
}

TEST_F(TrayTest, SwitchesAreMaskedAndMissingValuesReadAsOff) {
    _Profile_Setting_ record;
    FakeProperties all([](DWORD id, void* buffer, DWORD* size) {
        EXPECT_EQ(id, PROFILE_PROP_SWITCHES);
        EXPECT_EQ(*size, 2u);
        const WORD bits = 0xFFFF;
        std::memcpy(buffer, &bits, sizeof bits);
        *size = 64; // more than was asked for
        return S_OK;
    });
    ASSERT_TRUE(ReadSwitches(&all, record));
    EXPECT_EQ(record.autoSwitch, 0x1);
    EXPECT_EQ(record.showDpiOsd, 0x2);
    EXPECT_EQ(record.showProfileOsd, 0x4);

    FakeProperties none([](DWORD, void* buffer, DWORD* size) {
        const WORD bits = 0x7;
        std::memcpy(buffer, &bits, sizeof bits);
        *size = 0;
        return S_OK;
    });
    ASSERT_TRUE(ReadSwitches(&none, record));
    EXPECT_EQ(record.autoSwitch + record.showDpiOsd + record.showProfileOsd, 0);

    FakeProperties oneByte([](DWORD, void* buffer, DWORD* size) {
        const WORD bits = 0x0502; // only the first byte was given
        std::memcpy(buffer, &bits, sizeof bits);
        *size = 1;
        return S_OK;
    });
    ASSERT_TRUE(ReadSwitches(&oneByte, record));
    EXPECT_EQ(record.showDpiOsd, 0x2);
    EXPECT_EQ(record.showProfileOsd, 0);

    record.autoSwitch = 1;
    FakeProperties failing([](DWORD, void*, DWORD*) { return E_ACCESSDENIED; });
    EXPECT_FALSE(ReadSwitches(&failing, record));
    EXPECT_EQ(record.autoSwitch, 0);
}

TEST_F(TrayTest, ServiceStringsAreFreedAndBounded) {
    auto make = [](const std::u16string& s) {
        auto* text = static_cast<WCHAR*>(CoTaskMemAlloc((s.size() + 1) * sizeof(WCHAR)));
        std::memcpy(text, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
        return text;
    };
    CString out(u"before");
    EXPECT_TRUE(TakeServiceText(S_OK, make(std::u16string(400, u'n')), out));
    EXPECT_EQ(out.GetLength(), static_cast<int>(DEVICE_MAX_NAME));
    EXPECT_FALSE(TakeServiceText(E_FAIL, make(u"failed but gave text"), out));
    EXPECT_FALSE(TakeServiceText(S_OK, nullptr, out));
    EXPECT_EQ(out.GetLength(), static_cast<int>(DEVICE_MAX_NAME));
    EXPECT_TRUE(TakeServiceText(S_OK, make(u""), out));
    EXPECT_TRUE(out.IsEmpty());
    // TearDown checks that every block was freed.
}

TEST_F(TrayTest, ASensitivitySourceWithoutEventsOrUsableRangeGivesNoLevels) {
    RecordingHandler handler;
    struct Case {
        HRESULT hr;
        INT minimum, maximum, step;
        int keptMaximum;
    } cases[] = {{S_OK, 100, 5600, 100, 5600},
                 {S_OK, 0, 0, 0, 0},
                 {S_OK, 100, -5600, 100, 0},
                 {S_OK, 600, 500, 100, 0},
                 {E_FAIL, 100, 5600, 100, 0}};
    for (const auto& c : cases) {
        FakeDpi dpi(c.hr, c.minimum, c.maximum, c.step);
        {
            CDpiEventConnection connection(&dpi, &handler);
            EXPECT_FALSE(connection.IsAdvised()); // nothing to advise on
            EXPECT_FALSE(connection.Unadvise());
            EXPECT_EQ(dpi.refs, 2); // the connection's reference
            EXPECT_EQ(connection.GetDpiMaximum(), c.keptMaximum);
            EXPECT_EQ(connection.ScaleToLevel(1800, 20), c.keptMaximum ? 6u : 0u);
        }
        EXPECT_EQ(dpi.refs, 1);
    }
}
