// A profile's sensitivity: current value, stages and limits, with its events.

#include "platform/com/ObjBase.h"
#include "service/ServiceObjects.h"

#include <algorithm>

namespace service {

namespace {

class CDPI final : public IDPI,
                   public IConnectionPointContainer,
                   public ComObjectBase,
                   private ProfileBound {
public:
    CDPI(std::shared_ptr<Store> store, INT generation, const GUID& guid)
        : ProfileBound(std::move(store), generation, guid),
          m_cp(static_cast<IDPI*>(this), DIID_IDPIEvents, EventKind::Dpi, guid) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDPI) {
            return ComAnswer(static_cast<IDPI*>(this), out);
        }
        if (riid == IID_IConnectionPointContainer) {
            return ComAnswer(static_cast<IConnectionPointContainer*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return InternalAddRef(); }
    ULONG Release() override { return InternalRelease(); }

    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        return m_cp.Find(*m_store, iid, out);
    }

    HRESULT GetDpi(INT* x, INT* y) override {
        if (!x || !y) {
            return E_POINTER;
        }
        INT rx = 0;
        INT ry = 0;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            rx = p.dpiX;
            ry = p.dpiY;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *x = rx;
            *y = ry;
        }
        return hr;
    }

    HRESULT SetDpi(INT x, INT y) override {
        const auto cx = CheckDpi(x);
        const auto cy = CheckDpi(y);
        if (!cx || !cy) {
            return E_INVALIDARG;
        }
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            SetCurrent(tx, p, *cx, *cy);
            return S_OK;
        });
    }

    HRESULT GetStageLimits(INT* minStages, INT* capacity) override {
        if (!minStages || !capacity) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *minStages = 1;
            *capacity = DEVICE_STAGE_CAPACITY;
        }
        return hr;
    }

    HRESULT GetActiveStage(INT* stage) override {
        if (!stage) {
            return E_POINTER;
        }
        INT s = 0;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            s = p.activeStage;
            return S_OK;
        });
        if (SUCCEEDED(hr)) {
            *stage = s;
        }
        return hr;
    }

    HRESULT SetActiveStage(INT stage) override {
        return Modify([&](Transaction& tx, ProfileState& p) -> HRESULT {
            if (stage < 1 || stage > static_cast<INT>(p.stages.size())) {
                return E_INVALIDARG;
            }
            p.activeStage = stage;
            const DeviceDpiStage& s = p.stages[static_cast<size_t>(stage - 1)];
            SetCurrent(tx, p, s.x, s.y);
            return S_OK;
        });
    }

    HRESULT GetStages(INT* count, DeviceDpiStage** stages) override {
        if (!stages) {
            return E_POINTER;
        }
        *stages = nullptr;
        if (!count) {
            return E_POINTER;
        }
        std::vector<DeviceDpiStage> copy;
        const HRESULT hr = Inspect([&](const ProfileState& p) {
            copy = p.stages;
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        auto* array = static_cast<DeviceDpiStage*>(
            CoTaskMemAlloc(std::max<size_t>(copy.size(), 1) * sizeof(DeviceDpiStage)));
        if (!array) {
            return E_OUTOFMEMORY;
        }
        std::copy(copy.begin(), copy.end(), array);
        *stages = array;
        *count = static_cast<INT>(copy.size());
        return S_OK;
    }

    HRESULT SetStages(INT count, const DeviceDpiStage* stages) override {
        if (!stages) {
            return E_POINTER;
        }
        if (count < 1 || count > DEVICE_STAGE_CAPACITY) {
            return E_INVALIDARG;
        }
        std::vector<DeviceDpiStage> checked;
        for (INT i = 0; i < count; ++i) {
            const auto x = CheckDpi(stages[i].x);
            const auto y = CheckDpi(stages[i].y);
            if (!x || !y) {
                return E_INVALIDARG;
            }
            checked.push_back({*x, *y});
        }
        return Modify([&](Transaction&, ProfileState& p) -> HRESULT {
            p.stages = checked;
            p.activeStage = std::min(std::max(p.activeStage, 1), count);
            return S_OK;
        });
    }

    HRESULT GetDpiRange(INT* minimum, INT* maximum, INT* step) override {
        if (!minimum || !maximum || !step) {
            return E_POINTER;
        }
        const HRESULT hr = Inspect([](const ProfileState&) { return S_OK; });
        if (SUCCEEDED(hr)) {
            *minimum = DEVICE_DPI_MIN;
            *maximum = DEVICE_DPI_MAX;
            *step = DEVICE_DPI_STEP;
        }
        return hr;
    }

private:
    void SetCurrent(Transaction& tx, ProfileState& p, INT x, INT y) {
        if (p.dpiX != x || p.dpiY != y) {
            p.dpiX = x;
            p.dpiY = y;
            tx.AddEvent(EventKind::Dpi, m_guid, x, y);
        }
    }
    LazyConnectionPoint m_cp;
};

} // namespace

HRESULT NewDpi(std::shared_ptr<Store> store, INT generation, const GUID& guid, REFIID riid,
               void** out) {
    return HandOutNew<IDPI>(new CDPI(std::move(store), generation, guid), riid, out);
}

} // namespace service
