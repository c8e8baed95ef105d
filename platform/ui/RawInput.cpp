#include "platform/ui/RawInput.h"

#include "platform/ui/WinUser.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace {

struct RawInputState {
    std::mutex mutex;
    std::vector<RAWINPUTDEVICE> registered;
    std::deque<std::pair<UINT_PTR, RAWINPUT>> reports;
    UINT_PTR nextHandle = 1;
};

RawInputState& State() {
    static RawInputState state;
    return state;
}

constexpr size_t kKeptReports = 256;

} // namespace

BOOL RegisterRawInputDevices(PCRAWINPUTDEVICE devices, UINT count, UINT size) {
    if (devices == nullptr || count == 0 || size != sizeof(RAWINPUTDEVICE)) {
        return FALSE;
    }
    RawInputState& s = State();
    std::lock_guard lock(s.mutex);
    for (UINT i = 0; i < count; ++i) {
        const RAWINPUTDEVICE& d = devices[i];
        std::erase_if(s.registered, [&](const RAWINPUTDEVICE& r) {
            return r.usUsagePage == d.usUsagePage && r.usUsage == d.usUsage;
        });
        if ((d.dwFlags & RIDEV_REMOVE) == 0) {
            s.registered.push_back(d);
        }
    }
    return TRUE;
}

UINT GetRegisteredRawInputDevices(RAWINPUTDEVICE* devices, UINT* count, UINT size) {
    if (count == nullptr || size != sizeof(RAWINPUTDEVICE)) {
        return static_cast<UINT>(-1);
    }
    RawInputState& s = State();
    std::lock_guard lock(s.mutex);
    const auto held = static_cast<UINT>(s.registered.size());
    if (devices == nullptr) {
        *count = held;
        return 0;
    }
    if (*count < held) {
        *count = held;
        return static_cast<UINT>(-1);
    }
    std::memcpy(devices, s.registered.data(), held * sizeof(RAWINPUTDEVICE));
    return held;
}

UINT GetRawInputData(HRAWINPUT input, UINT command, void* data, UINT* size, UINT headerSize) {
    if (size == nullptr || headerSize != sizeof(RAWINPUTHEADER) ||
        (command != RID_INPUT && command != RID_HEADER)) {
        return static_cast<UINT>(-1);
    }
    RawInputState& s = State();
    std::lock_guard lock(s.mutex);
    const auto key = reinterpret_cast<UINT_PTR>(input);
    for (const auto& [handle, report] : s.reports) {
        if (handle != key) {
            continue;
        }
        const UINT needed =
            command == RID_INPUT ? report.header.dwSize : static_cast<UINT>(sizeof(RAWINPUTHEADER));
        if (data == nullptr) {
            *size = needed;
            return 0;
        }
        if (*size < needed) {
            *size = needed;
            return static_cast<UINT>(-1);
        }
        std::memcpy(data, &report, needed);
        return needed;
    }
    return static_cast<UINT>(-1);
}

namespace platform {

HRAWINPUT StoreRawInput(const RAWINPUT& input) {
    RawInputState& s = State();
    std::lock_guard lock(s.mutex);
    const UINT_PTR handle = s.nextHandle++;
    RAWINPUT copy = input;
    copy.header.dwSize = static_cast<DWORD>(sizeof(RAWINPUT));
    s.reports.emplace_back(handle, copy);
    while (s.reports.size() > kKeptReports) {
        s.reports.pop_front();
    }
    return reinterpret_cast<HRAWINPUT>(handle);
}

namespace {

// Posts a stored report as WM_INPUT to every window registered for the usage; background
// input only to the registrations that asked for it.
int Deliver(const RAWINPUT& input, USHORT usage, bool foreground) {
    std::vector<HWND> targets;
    {
        RawInputState& s = State();
        std::lock_guard lock(s.mutex);
        for (const RAWINPUTDEVICE& d : s.registered) {
            if (d.usUsagePage == 1 && d.usUsage == usage &&
                (foreground || (d.dwFlags & RIDEV_INPUTSINK) != 0)) {
                targets.push_back(d.hwndTarget);
            }
        }
    }
    if (targets.empty()) {
        return 0;
    }
    const HRAWINPUT handle = StoreRawInput(input);
    const WPARAM code = foreground ? RIM_INPUT : RIM_INPUTSINK;
    int reached = 0;
    for (HWND target : targets) {
        HWND to = target != nullptr ? target : GetFocus();
        if (to != nullptr && PostMessageW(to, WM_INPUT, code, reinterpret_cast<LPARAM>(handle))) {
            ++reached;
        }
    }
    return reached;
}

} // namespace

int DeliverRawKeyboard(const RAWKEYBOARD& report, bool foreground) {
    RAWINPUT input;
    input.header.dwType = RIM_TYPEKEYBOARD;
    input.data.keyboard = report;
    return Deliver(input, 6, foreground);
}

int DeliverRawMouse(const RAWMOUSE& report, bool foreground) {
    RAWINPUT input;
    input.header.dwType = RIM_TYPEMOUSE;
    input.data.mouse = report;
    return Deliver(input, 2, foreground);
}

int DeliverDesktopRawKeyboard(const RAWKEYBOARD& report) {
    return DeliverRawKeyboard(report, GetForegroundWindow() != nullptr);
}

int DeliverDesktopRawMouse(const RAWMOUSE& report) {
    return DeliverRawMouse(report, GetForegroundWindow() != nullptr);
}

RAWKEYBOARD RawKeyboardReport(int virtualKey, bool down) {
    RAWKEYBOARD report;
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC_EX);
    report.MakeCode = static_cast<USHORT>(scan & 0xFF);
    report.Flags = static_cast<USHORT>((down ? RI_KEY_MAKE : RI_KEY_BREAK) |
                                       ((scan & 0xFF00) == 0xE000 ? RI_KEY_E0 : 0));
    report.VKey = static_cast<USHORT>(virtualKey);
    report.Message = down ? WM_KEYDOWN : WM_KEYUP;
    return report;
}

RAWMOUSE RawMouseButtonReport(int button, bool down) {
    RAWMOUSE report;
    switch (button) {
    case 1:
        report.usButtonFlags = down ? RI_MOUSE_LEFT_BUTTON_DOWN : RI_MOUSE_LEFT_BUTTON_UP;
        break;
    case 2:
        report.usButtonFlags = down ? RI_MOUSE_RIGHT_BUTTON_DOWN : RI_MOUSE_RIGHT_BUTTON_UP;
        break;
    case 3:
        report.usButtonFlags = down ? RI_MOUSE_MIDDLE_BUTTON_DOWN : RI_MOUSE_MIDDLE_BUTTON_UP;
        break;
    case 4:
        report.usButtonFlags = down ? RI_MOUSE_BUTTON_4_DOWN : RI_MOUSE_BUTTON_4_UP;
        break;
    case 5:
        report.usButtonFlags = down ? RI_MOUSE_BUTTON_5_DOWN : RI_MOUSE_BUTTON_5_UP;
        break;
    default:
        break;
    }
    return report;
}

bool KeyboardLegacyMessagesSuppressed(HWND target) {
    RawInputState& s = State();
    std::lock_guard lock(s.mutex);
    return std::any_of(s.registered.begin(), s.registered.end(), [&](const RAWINPUTDEVICE& d) {
        return d.usUsagePage == 1 && d.usUsage == 6 &&
               (d.dwFlags & RIDEV_NOLEGACY) == RIDEV_NOLEGACY &&
               (d.hwndTarget == nullptr || d.hwndTarget == target);
    });
}

} // namespace platform
