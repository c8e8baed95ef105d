#include "platform/base/DebugOutput.h"

#include "platform/base/WideChar.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

namespace {

std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

platform::DebugOutputHook& Hook() {
    static platform::DebugOutputHook hook;
    return hook;
}

bool WritesToStderr() {
    const char* value = std::getenv(platform::kDebugOutputVariable);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

} // namespace

void OutputDebugStringW(LPCWSTR text) {
    if (text == nullptr) {
        return;
    }
    platform::DebugOutputHook hook;
    {
        std::lock_guard<std::mutex> lock(HookMutex());
        hook = Hook();
    }
    // Called outside the lock, so a hook may itself write debugger output or replace itself.
    if (hook) {
        hook(text);
    }
    if (WritesToStderr()) {
        const std::string utf8 = ToUtf8(std::u16string_view(text));
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
        std::fflush(stderr);
    }
}

namespace platform {

DebugOutputHook SetDebugOutputHook(DebugOutputHook hook) {
    std::lock_guard<std::mutex> lock(HookMutex());
    return std::exchange(Hook(), std::move(hook));
}

} // namespace platform
