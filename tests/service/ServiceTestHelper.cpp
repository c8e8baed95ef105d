// A second process for the service tests: it works on the same mouse through the service's
// interfaces (or presses its buttons) while the test process watches.
//
//   service_test_helper macros N         create N macros
//   service_test_helper switch BIT N     toggle a switch of the active profile N times, end on
//   service_test_helper setdpi X Y       set the active profile's current sensitivity
//   service_test_helper stage-count N    exit 0 when the active profile has N stages, else 1
//   service_test_helper stages-loop      rewrite the stages for ever (killed by the test)
//   service_test_helper dpi-up           press the stage-up button
//   service_test_helper profile-up       press the profile-up button
//   service_test_helper bench-read MS    for MS milliseconds open the mouse afresh and read the
//                                        active profile's name, as a program's start does
//   service_test_helper bench-write MS   for MS milliseconds set the sensitivity without pause
//   (both print "operations longest-wait-in-microseconds failures")

#include "platform/com/ComPtr.h"
#include "platform/com/ObjBase.h"
#include "service/DeviceService.h"
#include "service/MouseControl.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

CComPtr<IProfileManager> Manager() {
    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
    CComPtr<IProfileManager> manager;
    if (FAILED(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                reinterpret_cast<void**>(&service))) ||
        FAILED(service->GetDevice(0, &device)) ||
        FAILED(device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager)))) {
        std::exit(3);
    }
    return manager;
}

template <class T> CComPtr<T> ActiveFeature() {
    CComPtr<IProfile> profile;
    CComPtr<T> out;
    if (FAILED(Manager()->GetActiveProfile(&profile)) ||
        FAILED(profile->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&out)))) {
        std::exit(3);
    }
    return out;
}

using BenchClock = std::chrono::steady_clock;

// Runs op until the time is up; prints how often it ran, its longest run and its failures.
template <class Op> int Measure(int ms, Op op) {
    const auto end = BenchClock::now() + std::chrono::milliseconds(ms);
    long count = 0;
    long failures = 0;
    long long longest = 0;
    while (BenchClock::now() < end) {
        const auto start = BenchClock::now();
        failures += op() ? 0 : 1;
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(BenchClock::now() - start)
                .count();
        longest = us > longest ? us : longest;
        ++count;
    }
    std::printf("%ld %lld %ld\n", count, longest, failures);
    return 0;
}

bool OpenAndRead() {
    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
    CComPtr<IProfileManager> manager;
    CComPtr<IProfile> profile;
    WCHAR* name = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                reinterpret_cast<void**>(&service))) ||
        FAILED(service->GetDevice(0, &device)) ||
        FAILED(device->GetFeature(IID_IProfileManager, reinterpret_cast<void**>(&manager))) ||
        FAILED(manager->GetActiveProfile(&profile)) || FAILED(profile->GetName(&name))) {
        return false;
    }
    CoTaskMemFree(name);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    const std::string cmd = argv[1];
    auto arg = [&](int i) { return i < argc ? std::atoi(argv[i]) : 0; };
    if (cmd == "macros") {
        CComPtr<IDeviceService> service;
        CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                         reinterpret_cast<void**>(&service));
        CComPtr<IDevice> device;
        CComPtr<IMacroManager> macros;
        if (!service || FAILED(service->GetDevice(0, &device)) ||
            FAILED(device->GetFeature(IID_IMacroManager, reinterpret_cast<void**>(&macros)))) {
            return 3;
        }
        for (int i = 0; i < arg(2); ++i) {
            CComPtr<IMacro> m;
            if (FAILED(macros->CreateMacro(&m))) {
                return 1;
            }
        }
        return 0;
    }
    if (cmd == "switch") {
        auto props = ActiveFeature<IProfileProperties>();
        const WORD bit = static_cast<WORD>(arg(2));
        const int n = arg(3);
        for (int i = 0; i <= n; ++i) {
            const ProfileSwitchWrite w{bit, static_cast<WORD>(i == n ? 1 : i % 2)};
            if (FAILED(props->SetProperty(PROFILE_PROP_SWITCHES, &w, 0, 4, 0))) {
                return 1;
            }
        }
        return 0;
    }
    if (cmd == "setdpi") {
        return SUCCEEDED(ActiveFeature<IDPI>()->SetDpi(arg(2), arg(3))) ? 0 : 1;
    }
    if (cmd == "stage-count") {
        INT count = -1;
        DeviceDpiStage* stages = nullptr;
        if (FAILED(ActiveFeature<IDPI>()->GetStages(&count, &stages))) {
            return 3;
        }
        CoTaskMemFree(stages);
        return count == arg(2) ? 0 : 1;
    }
    if (cmd == "bench-read") {
        return Measure(arg(2), OpenAndRead);
    }
    if (cmd == "bench-write") {
        auto dpi = ActiveFeature<IDPI>();
        int i = 0;
        return Measure(arg(2), [&] {
            ++i;
            return SUCCEEDED(dpi->SetDpi(400 + 100 * (i % 8), 400));
        });
    }
    if (cmd == "stages-loop") {
        auto dpi = ActiveFeature<IDPI>();
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        for (int i = 0;; ++i) {
            const INT v = 100 * (i % 56 + 1);
            const DeviceDpiStage stages[5] = {{v, v}, {v, v}, {v, v}, {v, v}, {v, v}};
            dpi->SetStages(5, stages);
        }
    }
    service::MouseControl mouse;
    if (cmd == "dpi-up") {
        return SUCCEEDED(mouse.PressDpi(true)) ? 0 : 1;
    }
    if (cmd == "profile-up") {
        return SUCCEEDED(mouse.PressProfile(true)) ? 0 : 1;
    }
    if (cmd == "unplug" || cmd == "plug") {
        return SUCCEEDED(mouse.SetPlugged(cmd == "plug")) ? 0 : 1;
    }
    return 2;
}
