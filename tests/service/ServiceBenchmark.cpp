// One full read of the mouse (every section of every profile and the device-wide settings)
// and one full write, both through the service's interfaces.

#include "platform/com/ComPtr.h"
#include "platform/com/ObjBase.h"
#include "service/DeviceService.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Fixture {
    Fixture() {
        dir = std::filesystem::temp_directory_path() /
              ("borvanta-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        ::setenv("BORVANTA_SERVICE_DB", (dir / "mouse.db").c_str(), 1);
        ::setenv("BORVANTA_REGISTRY", (dir / "registry.txt").c_str(), 1);
        CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                         reinterpret_cast<void**>(&service));
        service->GetDevice(0, &device);
        device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager));
        device->GetFeature(IID_IMacroManager, reinterpret_cast<void**>(&macros));
        for (int i = 0; i < 4; ++i) {
            CComPtr<IProfile> p;
            manager->CreateProfile(&p);
        }
        for (int i = 0; i < 5; ++i) {
            CComPtr<IMacro> m;
            macros->CreateMacro(&m);
        }
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
    CComPtr<IProfileManager> manager;
    CComPtr<IMacroManager> macros;
};

template <class T> CComPtr<T> Get(IProfile* p) {
    CComPtr<T> out;
    p->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&out));
    return out;
}

void FullRead(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        for (UINT i = 0;; ++i) {
            CComPtr<IProfile> p;
            if (FAILED(f.manager->GetProfile(i, &p))) {
                break;
            }
            GUID g;
            p->GetGuid(&g);
            WCHAR* name = nullptr;
            p->GetName(&name);
            CoTaskMemFree(name);
            BYTE buf[256];
            DWORD size = 256;
            auto props = Get<IProfileProperties>(p);
            props->GetProperty(PROFILE_PROP_PROGRAM, 0, buf, 0, &size);
            size = 2;
            props->GetProperty(PROFILE_PROP_SWITCHES, 0, buf, 0, &size);
            auto dpi = Get<IDPI>(p);
            INT count = 0;
            DeviceDpiStage* stages = nullptr;
            dpi->GetStages(&count, &stages);
            CoTaskMemFree(stages);
            INT x, y, s;
            dpi->GetDpi(&x, &y);
            dpi->GetActiveStage(&s);
            DeviceButtonAssignment records[11];
            INT n = 11;
            Get<IButtonAssignments>(p)->GetAssignments(&n, records);
            auto lights = Get<ILightCollection>(p);
            for (UINT l = 0; l < 2; ++l) {
                CComPtr<ILight> light;
                lights->GetItem(l, &light);
                INT kind;
                BOOL on;
                light->GetKind(&kind);
                light->IsOn(&on);
                CComPtr<ILightColor> color;
                light.QueryInterface(&color);
                COLORREF c;
                color->GetColor(&c);
            }
        }
        for (UINT i = 0;; ++i) {
            CComPtr<IMacro> m;
            if (FAILED(f.macros->GetMacro(i, &m))) {
                break;
            }
            BYTE* block = nullptr;
            m->GetEvents(&block);
            CoTaskMemFree(block);
        }
    }
}
BENCHMARK(FullRead)->Unit(benchmark::kMillisecond);

void FullWrite(benchmark::State& state) {
    Fixture f;
    INT v = 100;
    for (auto _ : state) {
        v = v % 5000 + 100;
        for (UINT i = 0;; ++i) {
            CComPtr<IProfile> p;
            if (FAILED(f.manager->GetProfile(i, &p))) {
                break;
            }
            p->SetName(u"Bench");
            auto props = Get<IProfileProperties>(p);
            BYTE program[256] = {};
            props->SetProperty(PROFILE_PROP_PROGRAM, program, 0, 256, 0);
            const ProfileSwitchWrite w{0x2, static_cast<WORD>(v % 2)};
            props->SetProperty(PROFILE_PROP_SWITCHES, &w, 0, 4, 0);
            auto dpi = Get<IDPI>(p);
            const DeviceDpiStage stages[5] = {{v, v}, {v, v}, {v, v}, {v, v}, {v, v}};
            dpi->SetStages(5, stages);
            dpi->SetActiveStage(1);
            dpi->SetDpi(v, v);
            DeviceButtonAssignment records[11];
            INT n = 11;
            auto buttons = Get<IButtonAssignments>(p);
            buttons->GetAssignments(&n, records);
            for (INT b = 0; b < n; ++b) {
                buttons->SetAssignments(1, &records[b]);
            }
            auto lights = Get<ILightCollection>(p);
            for (UINT l = 0; l < 2; ++l) {
                CComPtr<ILight> light;
                lights->GetItem(l, &light);
                light->TurnOn();
                CComPtr<ILightColor> color;
                light.QueryInterface(&color);
                color->SetColor(static_cast<COLORREF>(v));
            }
        }
        CComPtr<IAcceleration> accel;
        f.device->GetFeature(IID_IAcceleration, reinterpret_cast<void**>(&accel));
        accel->SetLevel(5);
        accel->Enable();
        CComPtr<IPollingRate> rate;
        f.device->GetFeature(IID_IPollingRate, reinterpret_cast<void**>(&rate));
        rate->Set(1);
    }
}
BENCHMARK(FullWrite)->Unit(benchmark::kMillisecond);

} // namespace

#ifdef SERVICE_TEST_HELPER
// Several processes on one mouse at once: three that open it afresh and read it again and
// again (as programs starting and `mousectl show` do) and two that write without pause. The
// counters give the longest wait of one read (open included) and of one write, and the
// failures, which must stay 0.
void ConcurrentProcesses(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("borvanta-bench-procs-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("BORVANTA_SERVICE_DB", (dir / "mouse.db").c_str(), 1);
    ::setenv("BORVANTA_REGISTRY", (dir / "registry.txt").c_str(), 1);
    {
        CComPtr<IDeviceService> service; // creates the database before the race starts
        CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                         reinterpret_cast<void**>(&service));
    }
    const int ms = static_cast<int>(state.range(0));
    double readMax = 0;
    double writeMax = 0;
    double failures = 0;
    double reads = 0;
    double writes = 0;
    for (auto _ : state) {
        struct Child {
            FILE* out;
            bool reader;
        };
        std::vector<Child> children;
        for (const char* kind :
             {"bench-read", "bench-read", "bench-read", "bench-write", "bench-write"}) {
            const std::string command =
                std::string(SERVICE_TEST_HELPER) + " " + kind + " " + std::to_string(ms);
            children.push_back({::popen(command.c_str(), "r"), kind[6] == 'r'});
        }
        for (const Child& child : children) {
            long count = 0;
            long long longest = 0;
            long failed = 0;
            if (child.out == nullptr ||
                std::fscanf(child.out, "%ld %lld %ld", &count, &longest, &failed) != 3) {
                failures += 1;
            }
            if (child.out != nullptr) {
                ::pclose(child.out);
            }
            const double longestMs = static_cast<double>(longest) / 1000.0;
            failures += static_cast<double>(failed);
            if (child.reader) {
                readMax = std::max(readMax, longestMs);
                reads += static_cast<double>(count);
            } else {
                writeMax = std::max(writeMax, longestMs);
                writes += static_cast<double>(count);
            }
        }
    }
    state.counters["read_longest_ms"] = readMax;
    state.counters["write_longest_ms"] = writeMax;
    state.counters["reads"] = reads;
    state.counters["writes"] = writes;
    state.counters["failures"] = failures;
    std::filesystem::remove_all(dir);
}
BENCHMARK(ConcurrentProcesses)->Arg(3000)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif
