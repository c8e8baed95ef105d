#pragma once
// Looking up window-system functions by name, for code that checks at run time whether the
// system offers a call (for example layered-window attributes) before using it.

#include "platform/base/WinTypes.h"

// A generic function pointer (cast it to the real type before calling).
using FARPROC = void (*)();

// The running program (null name) or the window system's own module ("USER32.DLL", any case,
// with or without ".DLL"); null for any other module.
HMODULE GetModuleHandleW(LPCWSTR moduleName);
// A function of the window system's module by name ("SetLayeredWindowAttributes",
// "GetLayeredWindowAttributes"); null when there is no such function. Cast the result to the
// function's type.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
