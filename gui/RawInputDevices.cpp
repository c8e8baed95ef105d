#include "gui/RawInputDevices.h"

#include <algorithm>

CRawInputDevices::~CRawInputDevices() {
    if (m_registered) {
        Unregister();
    }
}

void CRawInputDevices::AddUsage(WORD usage) {
    if (std::find(m_usages.begin(), m_usages.end(), usage) == m_usages.end()) {
        m_usages.push_back(usage);
    }
}

bool CRawInputDevices::Register(HWND target) {
    if (m_registered || target == nullptr || m_usages.empty()) {
        return false;
    }
    m_devices.clear();
    for (WORD usage : m_usages) {
        const DWORD flags = usage == 2 ? RIDEV_INPUTSINK : (RIDEV_INPUTSINK | RIDEV_NOLEGACY);
        m_devices.push_back(RAWINPUTDEVICE{1, usage, flags, target});
    }
    m_registered = RegisterRawInputDevices(m_devices.data(), static_cast<UINT>(m_devices.size()),
                                           sizeof(RAWINPUTDEVICE)) != FALSE;
    return m_registered;
}

void CRawInputDevices::Unregister() {
    for (RAWINPUTDEVICE& device : m_devices) {
        device.dwFlags = RIDEV_REMOVE;
        device.hwndTarget = nullptr;
    }
    if (!m_devices.empty()) {
        RegisterRawInputDevices(m_devices.data(), static_cast<UINT>(m_devices.size()),
                                sizeof(RAWINPUTDEVICE));
    }
    m_devices.clear();
    m_usages.clear();
    m_registered = false;
}

CRawInputDevices& TheRawInputDevices() {
    static CRawInputDevices devices;
    return devices;
}

std::map<WORD, RawMouseButton>& RawMouseButtonTable() {
    static std::map<WORD, RawMouseButton> table;
    return table;
}

void FillRawMouseButtonTable() {
    static bool filled = false;
    if (filled) {
        return;
    }
    filled = true;
    auto& table = RawMouseButtonTable();
    table[RI_MOUSE_LEFT_BUTTON_DOWN] = {1, 0xFF};
    table[RI_MOUSE_LEFT_BUTTON_UP] = {1, 1};
    table[RI_MOUSE_RIGHT_BUTTON_DOWN] = {2, 0xFF};
    table[RI_MOUSE_RIGHT_BUTTON_UP] = {2, 1};
    table[RI_MOUSE_MIDDLE_BUTTON_DOWN] = {3, 0xFF};
    table[RI_MOUSE_MIDDLE_BUTTON_UP] = {3, 1};
    table[RI_MOUSE_BUTTON_4_DOWN] = {4, 0xFF};
    table[RI_MOUSE_BUTTON_4_UP] = {4, 1};
    table[RI_MOUSE_BUTTON_5_DOWN] = {5, 0xFF};
    table[RI_MOUSE_BUTTON_5_UP] = {5, 1};
}

RawMouseButton LookupRawMouseButton(WORD buttonFlags) {
    FillRawMouseButtonTable();
    const auto& table = RawMouseButtonTable();
    const auto it = table.find(buttonFlags);
    return it == table.end() ? RawMouseButton{} : it->second;
}
