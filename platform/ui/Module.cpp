#include "platform/ui/Module.h"

#include "platform/base/WideChar.h"
#include "platform/ui/WinUser.h"

#include <cstring>
#include <string>

namespace {

// Distinct non-null pseudo handles.
HMODULE ProgramModule() {
    return reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x400000));
}
HMODULE WindowSystemModule() {
    return reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x77000000));
}

} // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    if (!moduleName) {
        return ProgramModule();
    }
    std::u16string name;
    for (const WCHAR* p = moduleName; *p; ++p) {
        name.push_back(FoldCase(*p));
    }
    std::u16string user32;
    for (const WCHAR* p = u"user32"; *p; ++p) {
        user32.push_back(FoldCase(*p));
    }
    std::u16string user32dll = user32;
    for (const WCHAR* p = u".dll"; *p; ++p) {
        user32dll.push_back(FoldCase(*p));
    }
    return name == user32 || name == user32dll ? WindowSystemModule() : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module != WindowSystemModule() || !name) {
        return nullptr;
    }
    if (std::strcmp(name, "SetLayeredWindowAttributes") == 0) {
        return reinterpret_cast<FARPROC>(&SetLayeredWindowAttributes);
    }
    if (std::strcmp(name, "GetLayeredWindowAttributes") == 0) {
        return reinterpret_cast<FARPROC>(&GetLayeredWindowAttributes);
    }
    return nullptr;
}
