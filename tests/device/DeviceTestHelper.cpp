// Another program on the same mouse, for the device client's tests: it changes the mouse
// through the service's interfaces from a process of its own while the test's device object
// holds what it read.
//
//   device_test_helper import-profile PATH   import a profile file
//   device_test_helper create-macro NAME     make a macro of that name with one delay event
//   device_test_helper delete-profile NAME   delete the first profile of exactly that name
//   device_test_helper delete-macro NAME     delete the first macro of exactly that name
//
// Exit code 0 on success, 1 when the service refused, 2 for a wrong command line.

#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjBase.h"
#include "service/DeviceService.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

template <class T> CComPtr<T> Feature() {
    CComPtr<IDeviceService> service;
    CComPtr<IDevice> device;
    CComPtr<T> feature;
    if (SUCCEEDED(CoCreateInstance(CLSID_DeviceService, nullptr, CLSCTX_ALL, IID_IDeviceService,
                                   reinterpret_cast<void**>(&service))) &&
        SUCCEEDED(service->GetDevice(0, &device))) {
        device->GetFeature(uuidof<T>(), reinterpret_cast<void**>(&feature));
    }
    return feature;
}

template <class Object> bool HasName(Object* object, const std::u16string& name) {
    WCHAR* text = nullptr;
    if (FAILED(object->GetName(&text)) || text == nullptr) {
        return false;
    }
    const bool same = name == text;
    CoTaskMemFree(text);
    return same;
}

int ImportProfile(const std::u16string& path) {
    CComPtr<IProfileManager> manager = Feature<IProfileManager>();
    CComPtr<IProfile> imported;
    return manager && SUCCEEDED(manager->ImportProfile(path.c_str(), &imported)) ? 0 : 1;
}

int CreateMacro(const std::u16string& name) {
    CComPtr<IMacroManager> manager = Feature<IMacroManager>();
    CComPtr<IMacro> macro;
    if (!manager || FAILED(manager->CreateMacro(&macro))) {
        return 1;
    }
    std::vector<BYTE> block(sizeof(MacroEventBlockHeader) + sizeof(MacroDeviceEvent), 0);
    const MacroEventBlockHeader header{0, 1};
    std::memcpy(block.data(), &header, sizeof header);
    MacroDeviceEvent delay{DEVICE_MACRO_EVENT_DELAY, {}};
    const INT milliseconds = 25;
    std::memcpy(delay.data, &milliseconds, sizeof milliseconds);
    std::memcpy(block.data() + sizeof header, &delay, sizeof delay);
    return SUCCEEDED(macro->SetEvents(block.data())) && SUCCEEDED(macro->SetName(name.c_str())) ? 0
                                                                                                : 1;
}

int DeleteProfile(const std::u16string& name) {
    CComPtr<IProfileManager> manager = Feature<IProfileManager>();
    for (UINT index = 0; manager; ++index) {
        CComPtr<IProfile> profile;
        if (FAILED(manager->GetProfile(index, &profile))) {
            break;
        }
        if (HasName(profile.Get(), name)) {
            return SUCCEEDED(manager->DeleteProfile(profile)) ? 0 : 1;
        }
    }
    return 1;
}

int DeleteMacro(const std::u16string& name) {
    CComPtr<IMacroManager> manager = Feature<IMacroManager>();
    for (UINT index = 0; manager; ++index) {
        CComPtr<IMacro> macro;
        if (FAILED(manager->GetMacro(index, &macro))) {
            break;
        }
        if (HasName(macro.Get(), name)) {
            return SUCCEEDED(manager->DeleteMacro(macro)) ? 0 : 1;
        }
    }
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    const std::string command = argv[1];
    const std::u16string argument = FromUtf8(argv[2]);
    if (command == "import-profile") {
        return ImportProfile(FromNativePath(std::filesystem::path(argv[2])).GetString());
    }
    if (command == "create-macro") {
        return CreateMacro(argument);
    }
    if (command == "delete-profile") {
        return DeleteProfile(argument);
    }
    if (command == "delete-macro") {
        return DeleteMacro(argument);
    }
    return 2;
}
