// The string table of the program.

#include "platform/ui/StringTable.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace {

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}
std::map<UINT, std::u16string>& Strings() {
    static std::map<UINT, std::u16string> strings;
    return strings;
}

} // namespace

void RegisterStringResource(UINT id, std::u16string text) {
    std::lock_guard lock(Mutex());
    Strings()[id] = std::move(text);
}

int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int bufferMax) {
    std::lock_guard lock(Mutex());
    auto it = Strings().find(id);
    const std::u16string empty;
    const std::u16string& text = it == Strings().end() ? empty : it->second;
    if (bufferMax <= 0 || !buffer) {
        return static_cast<int>(text.size());
    }
    const size_t n = std::min(text.size(), static_cast<size_t>(bufferMax - 1));
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = 0;
    return static_cast<int>(n);
}
