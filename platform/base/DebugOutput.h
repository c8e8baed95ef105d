#pragma once
// Debugger output. A text handed to OutputDebugStringW goes to the hook a test installed (when
// there is one) and, when the environment variable BORVANTA_DEBUG_OUTPUT is set to anything
// but "" or "0", to standard error as UTF-8. Otherwise it goes nowhere, as on a machine without
// a debugger attached.

#include "platform/base/WinTypes.h"

#include <functional>

void OutputDebugStringW(LPCWSTR text);

namespace platform {

// Receives every text written with OutputDebugStringW, on the writing thread.
using DebugOutputHook = std::function<void(const WCHAR* text)>;

// Installs the hook (an empty one removes it) and returns the one it replaces.
DebugOutputHook SetDebugOutputHook(DebugOutputHook hook);

// The environment variable that sends debugger output to standard error.
inline constexpr const char* kDebugOutputVariable = "BORVANTA_DEBUG_OUTPUT";

} // namespace platform
