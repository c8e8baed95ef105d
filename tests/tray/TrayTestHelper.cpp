// Another program on the mouse, for the tray tests. Commands act on the active profile:
//   dpi X Y          set its current sensitivity
//   switch MASK V    write one switch bit (PROFILE_PROP_SWITCHES)
//   create NAME      add a profile
// Exit code 0 on success.

#include "platform/base/CString.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjBase.h"
#include "service/DeviceService.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

template <class T, class Source> CComPtr<T> Feature(Source* source) {
    CComPtr<T> out;
    if (source && FAILED(source->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&out)))) {
        out.Release();
    }
    return out;
}

int Run(const std::vector<std::string>& args) {
    CComPtr<IDeviceService> service;
    if (FAILED(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                reinterpret_cast<void**>(&service)))) {
        return 3;
    }
    CComPtr<IDevice> device;
    if (FAILED(service->GetDevice(0, &device))) {
        return 3;
    }
    auto manager = Feature<IProfileManager>(device.Get());
    CComPtr<IProfile> active;
    if (!manager || FAILED(manager->GetActiveProfile(&active))) {
        return 3;
    }
    auto number = [&](size_t i) { return std::atoi(args.at(i).c_str()); };
    if (args.size() == 3 && args[0] == "dpi") {
        auto dpi = Feature<IDPI>(active.Get());
        return dpi && SUCCEEDED(dpi->SetDpi(number(1), number(2))) ? 0 : 1;
    }
    if (args.size() == 3 && args[0] == "switch") {
        auto props = Feature<IProfileProperties>(active.Get());
        const ProfileSwitchWrite w{static_cast<WORD>(number(1)), static_cast<WORD>(number(2))};
        return props && SUCCEEDED(props->SetProperty(PROFILE_PROP_SWITCHES, &w, 0, sizeof w, 0))
                   ? 0
                   : 1;
    }
    if (args.size() == 2 && args[0] == "create") {
        CComPtr<IProfile> added;
        if (FAILED(manager->CreateProfile(&added))) {
            return 1;
        }
        const CString name(args[1].c_str());
        return SUCCEEDED(added->SetName(name.GetString())) ? 0 : 1;
    }
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
