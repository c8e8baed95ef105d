#include "platform/ui/Clipboard.h"

#include "platform/ui/Display.h"

#include <mutex>

namespace platform {

namespace {

struct ProcessClipboard {
    std::mutex mutex;
    std::optional<std::u16string> text;
};

ProcessClipboard& Local() {
    static ProcessClipboard clipboard;
    return clipboard;
}

} // namespace

std::optional<std::u16string> GetClipboardText() {
    if (DisplayBackend* backend = GetDisplayBackend(); backend && backend->HasDesktopClipboard()) {
        return backend->ReadClipboardText();
    }
    std::lock_guard lock(Local().mutex);
    return Local().text;
}

bool SetClipboardText(const std::u16string& text) {
    if (DisplayBackend* backend = GetDisplayBackend(); backend && backend->HasDesktopClipboard()) {
        return backend->WriteClipboardText(text);
    }
    std::lock_guard lock(Local().mutex);
    Local().text = text;
    return true;
}

} // namespace platform
