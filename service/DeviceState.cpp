#include "service/DeviceState.h"

#include <cstring>
#include <random>

namespace service {

GUID NewGuid() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    GUID g{};
    const std::uint64_t a = rng();
    const std::uint64_t b = rng();
    std::memcpy(static_cast<void*>(&g), &a, 8);
    std::memcpy(reinterpret_cast<BYTE*>(static_cast<void*>(&g)) + 8, &b, 8);
    g.Data3 = static_cast<WORD>((g.Data3 & 0x0FFF) | 0x4000);
    g.Data4[0] = static_cast<BYTE>((g.Data4[0] & 0x3F) | 0x80);
    return g;
}

namespace {
void PutInt(BYTE* at, INT v) {
    std::memcpy(at, &v, 4);
}
INT GetInt(const BYTE* at) {
    INT v = 0;
    std::memcpy(&v, at, 4);
    return v;
}
} // namespace

DeviceButtonAssignment DefaultAssignment(INT deviceButton) {
    DeviceButtonAssignment r{};
    r.header = 1;
    r.button = deviceButton;
    // The factory functions, as the configurator's factory settings have them: click, menu,
    // universal scrolling, backward, forward, two buttons off, the wheel's scroll up and down
    // (device numbers 8 and 9) and the sensitivity stage buttons (device numbers 10 and 11).
    // A reset button so reads back as something the configurator offers for it.
    static constexpr INT kFunction[DEVICE_BUTTON_COUNT] = {1, 2, 3, 5, 4, 0, 0, 6, 7, 9, 10};
    r.type = ASSIGN_MOUSE;
    if (deviceButton >= 1 && deviceButton <= DEVICE_BUTTON_COUNT) {
        PutInt(r.data, kFunction[static_cast<size_t>(deviceButton - 1)]);
    }
    return r;
}

ProfileState DefaultProfile(std::u16string name) {
    ProfileState p;
    p.guid = NewGuid();
    p.name = std::move(name);
    p.stages = {{800, 800}, {1600, 1600}, {2400, 2400}, {3200, 3200}, {5600, 5600}};
    p.activeStage = 2;
    p.dpiX = p.dpiY = 1600;
    for (INT b = 1; b <= DEVICE_BUTTON_COUNT; ++b) {
        p.buttons[static_cast<size_t>(b - 1)] = DefaultAssignment(b);
    }
    p.lights[0] = {true, RGB(255, 0, 0)};
    p.lights[1] = {true, RGB(0, 128, 255)};
    return p;
}

std::optional<INT> CheckDpi(INT value) {
    if (value < DEVICE_DPI_MIN || value > DEVICE_DPI_MAX) {
        return std::nullopt;
    }
    const INT snapped = (value + DEVICE_DPI_STEP / 2) / DEVICE_DPI_STEP * DEVICE_DPI_STEP;
    return std::min(std::max(snapped, DEVICE_DPI_MIN), DEVICE_DPI_MAX);
}

bool IsValidName(std::u16string_view name) {
    if (name.size() > DEVICE_MAX_NAME) {
        return false;
    }
    for (WCHAR c : name) {
        if (c == 0) {
            return false;
        }
    }
    return true;
}

bool IsValidAssignment(const DeviceButtonAssignment& r) {
    if (r.button < 1 || r.button > DEVICE_BUTTON_COUNT) {
        return false;
    }
    switch (r.type) {
    case 0: // no assignment
    case ASSIGN_MACRO:
    case ASSIGN_KEY:
    case ASSIGN_ADVANCED:
        return true;
    case ASSIGN_MOUSE: {
        const INT code = GetInt(r.data);
        return code >= 0 && code <= 11;
    }
    case ASSIGN_PROFILE: {
        const INT sub = GetInt(r.data);
        return sub >= 1 && sub <= 3;
    }
    case ASSIGN_STAGE: {
        const INT stage = GetInt(r.data + 4);
        return GetInt(r.data) == 3 && stage >= 0 && stage < DEVICE_STAGE_CAPACITY;
    }
    default:
        return false;
    }
}

bool IsValidMacroEvent(const MacroDeviceEvent& e) {
    // Kind 0 is an empty slot, which uploads may leave for events they cannot express.
    if (e.kind < 0 || e.kind > DEVICE_MACRO_EVENT_DELAY) {
        return false;
    }
    if (e.kind == DEVICE_MACRO_EVENT_DELAY) {
        return GetInt(e.data) >= 0;
    }
    return true;
}

void NormalizeMacroEvent(MacroDeviceEvent& e) {
    if (e.kind != DEVICE_MACRO_EVENT_MOUSE) {
        return;
    }
    WORD code = 0;
    std::memcpy(&code, e.data, 2);
    // Press and release codes of buttons 1 to 5: 0x1/0x2, 0x4/0x8, ... 0x100/0x200.
    WORD button = 0;
    for (WORD b = 1, press = 0x1; b <= 5; ++b, press = static_cast<WORD>(press << 2)) {
        if (code == press || code == press << 1) {
            button = b;
        }
    }
    if (button) {
        std::memcpy(e.data + 2, &button, 2);
    }
}

std::optional<GUID> MacroReference(const DeviceButtonAssignment& r) {
    if (r.type != ASSIGN_MACRO) {
        return std::nullopt;
    }
    GUID g{};
    std::memcpy(static_cast<void*>(&g), r.data, 16);
    return g;
}

std::optional<GUID> ProfileReference(const DeviceButtonAssignment& r) {
    if (r.type != ASSIGN_PROFILE || GetInt(r.data) != 3) {
        return std::nullopt;
    }
    GUID g{};
    std::memcpy(static_cast<void*>(&g), r.data + 4, 16);
    return g;
}

} // namespace service
