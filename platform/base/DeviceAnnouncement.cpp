// The process's device announcements: one listener, one source.

#include "platform/base/DeviceAnnouncement.h"

#include <mutex>

namespace {

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}
platform::DeviceListener& Listener() {
    static platform::DeviceListener listener;
    return listener;
}
std::function<void()>& Source() {
    static std::function<void()> source;
    return source;
}

} // namespace

void platform::AnnounceDevice(const DeviceAnnouncement& announcement) {
    DeviceListener listener;
    {
        std::lock_guard lock(Mutex());
        listener = Listener();
    }
    if (listener) {
        listener(announcement);
    }
}

void platform::SetDeviceListener(DeviceListener listener) {
    std::function<void()> start;
    {
        std::lock_guard lock(Mutex());
        Listener() = std::move(listener);
        if (Listener()) {
            start = Source();
        }
    }
    if (start) {
        start();
    }
}

void platform::SetDeviceAnnouncementSource(std::function<void()> start) {
    bool listening = false;
    {
        std::lock_guard lock(Mutex());
        Source() = start;
        listening = static_cast<bool>(Listener());
    }
    if (start && listening) {
        start();
    }
}
