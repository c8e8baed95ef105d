#include "device/DeviceCodeTables.h"

#include <cstring>

namespace {

// Offsets of the record fields inside DeviceButtonAssignment::data (record offset - 12).
constexpr size_t kValue12 = 0;
constexpr size_t kValue14 = 2;
constexpr size_t kValue16 = 4;

constexpr WORD kPauseScanCode = 69;
constexpr WORD kPauseVirtualKey = 19;
constexpr WORD kNumLockVirtualKey = 144;

template <class T> T ReadAt(const BYTE* bytes, size_t offset) {
    T value{};
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

template <class T> void WriteAt(BYTE* bytes, size_t offset, T value) {
    std::memcpy(bytes + offset, &value, sizeof value);
}

DeviceButtonAssignment MakeTemplate(INT type, INT value12, INT value16 = 0) {
    DeviceButtonAssignment record{};
    record.header = 1;
    record.button = 0;
    record.type = type;
    WriteAt<INT>(record.data, kValue12, value12);
    WriteAt<INT>(record.data, kValue16, value16);
    return record;
}

INT Value12(const DeviceButtonAssignment& record) {
    return ReadAt<INT>(record.data, kValue12);
}

} // namespace

void CDeviceCodeTables::BuildCodeTables() {
    Clear();
    m_buttonBitMap = {{0, 0x0},  {1, 0x1},  {2, 0x2},   {3, 0x4},    {4, 0x8},   {5, 0x10},
                      {6, 0x20}, {7, 0x40}, {10, 0x80}, {11, 0x100}, {8, 0x200}, {9, 0x400}};
    m_buttonIndexMap = {{0, 0}, {1, 1}, {2, 2},  {3, 3},  {4, 4},  {5, 5},
                        {6, 6}, {7, 7}, {10, 8}, {11, 9}, {8, 10}, {9, 11}};

    auto& codes = m_assignmentCodeMap;
    codes[ASSIGNMENT_BUTTON_OFF] = MakeTemplate(ASSIGN_MOUSE, 0);
    codes[ASSIGNMENT_CLICK] = MakeTemplate(ASSIGN_MOUSE, 1);
    codes[ASSIGNMENT_MENU] = MakeTemplate(ASSIGN_MOUSE, 2);
    codes[ASSIGNMENT_UNIVERSAL_SCROLLING] = MakeTemplate(ASSIGN_MOUSE, 3);
    codes[ASSIGNMENT_FORWARD] = MakeTemplate(ASSIGN_MOUSE, 4);
    codes[ASSIGNMENT_BACKWARD] = MakeTemplate(ASSIGN_MOUSE, 5);
    codes[ASSIGNMENT_SCROLL_UP] = MakeTemplate(ASSIGN_MOUSE, 6);
    codes[ASSIGNMENT_SCROLL_DOWN] = MakeTemplate(ASSIGN_MOUSE, 7);
    codes[ASSIGNMENT_ON_THE_FLY_SENSITIVITY] = MakeTemplate(ASSIGN_MOUSE, 8);
    codes[ASSIGNMENT_STAGE_UP] = MakeTemplate(ASSIGN_MOUSE, 9);
    codes[ASSIGNMENT_STAGE_DOWN] = MakeTemplate(ASSIGN_MOUSE, 10);
    codes[ASSIGNMENT_DOUBLE_CLICK] = MakeTemplate(ASSIGN_MOUSE, 11);
    codes[ASSIGNMENT_MACRO] = MakeTemplate(ASSIGN_MACRO, 0);
    codes[ASSIGNMENT_MACRO_NAME] = MakeTemplate(ASSIGN_MACRO, 0);
    codes[ASSIGNMENT_PROFILE_DOWN] = MakeTemplate(ASSIGN_PROFILE, 1);
    codes[ASSIGNMENT_PROFILE_UP] = MakeTemplate(ASSIGN_PROFILE, 2);
    codes[ASSIGNMENT_PROFILE] = MakeTemplate(ASSIGN_PROFILE, 3);
    codes[ASSIGNMENT_PROFILE_NAME] = MakeTemplate(ASSIGN_PROFILE, 3);
    for (AssignmentKind kind = ASSIGNMENT_PROFILE1; kind <= ASSIGNMENT_PROFILE5; ++kind) {
        codes[kind] = MakeTemplate(ASSIGN_PROFILE, 3);
    }
    for (AssignmentKind kind = ASSIGNMENT_DPI_STAGE1; kind <= ASSIGNMENT_DPI_STAGE5; ++kind) {
        codes[kind] = MakeTemplate(ASSIGN_STAGE, 3, static_cast<INT>(kind - ASSIGNMENT_DPI_STAGE1));
    }
    codes[ASSIGNMENT_SINGLE_KEY] = MakeTemplate(ASSIGN_KEY, 0);
    codes[ASSIGNMENT_ADVANCED] = MakeTemplate(ASSIGN_ADVANCED, 0);

    // The platform's raw-input mouse button flags.
    m_mouseEventCodeMap = {{0x1, {1, MOUSE_EVENT_PRESS}},   {0x2, {1, MOUSE_EVENT_RELEASE}},
                           {0x4, {2, MOUSE_EVENT_PRESS}},   {0x8, {2, MOUSE_EVENT_RELEASE}},
                           {0x10, {3, MOUSE_EVENT_PRESS}},  {0x20, {3, MOUSE_EVENT_RELEASE}},
                           {0x40, {4, MOUSE_EVENT_PRESS}},  {0x80, {4, MOUSE_EVENT_RELEASE}},
                           {0x100, {5, MOUSE_EVENT_PRESS}}, {0x200, {5, MOUSE_EVENT_RELEASE}}};
}

void CDeviceCodeTables::Clear() {
    m_buttonBitMap.clear();
    m_buttonIndexMap.clear();
    m_assignmentCodeMap.clear();
    m_mouseEventCodeMap.clear();
}

DWORD CDeviceCodeTables::GetButtonBit(ButtonId button) const {
    const auto it = m_buttonBitMap.find(button);
    return it != m_buttonBitMap.end() ? it->second : 0;
}

INT CDeviceCodeTables::GetButtonIndex(ButtonId button) const {
    const auto it = m_buttonIndexMap.find(button);
    return it != m_buttonIndexMap.end() ? it->second : 0;
}

ButtonId CDeviceCodeTables::FindButtonIdByBit(DWORD bit) const {
    for (const auto& [button, value] : m_buttonBitMap) {
        if (value == bit) {
            return button;
        }
    }
    return 0;
}

ButtonId CDeviceCodeTables::FindButtonIdByIndex(INT deviceButton) const {
    for (const auto& [button, value] : m_buttonIndexMap) {
        if (value == deviceButton) {
            return button;
        }
    }
    return 0;
}

WORD CDeviceCodeTables::FindMouseEventCode(const MacroEvent& event) const {
    const MouseEventPair wanted{event.code, event.flags};
    for (const auto& [code, pair] : m_mouseEventCodeMap) {
        if (pair == wanted) {
            return code;
        }
    }
    return 0;
}

bool DeviceAssignmentEquals(const DeviceButtonAssignment& a, const DeviceButtonAssignment& b) {
    if (a.type != b.type) {
        return false;
    }
    switch (a.type) {
    case ASSIGN_MOUSE:
    case ASSIGN_PROFILE:
    case ASSIGN_STAGE:
        return Value12(a) == Value12(b);
    case ASSIGN_MACRO:
    case ASSIGN_KEY:
    case ASSIGN_ADVANCED:
        return true;
    default:
        return false;
    }
}

AssignmentKind CDeviceCodeTables::FindAssignmentKind(const DeviceButtonAssignment& record) const {
    for (const auto& [kind, pattern] : m_assignmentCodeMap) {
        if (DeviceAssignmentEquals(pattern, record)) {
            return kind;
        }
    }
    return ASSIGNMENT_NONE;
}

DeviceButtonAssignment CDeviceCodeTables::AssignmentToDevice(const ButtonAssignment& assignment,
                                                             ButtonId button) const {
    DeviceButtonAssignment record{};
    if (const auto it = m_assignmentCodeMap.find(assignment.kind);
        it != m_assignmentCodeMap.end()) {
        record = it->second;
    }
    record.button = GetButtonIndex(button);
    switch (record.type) {
    case ASSIGN_MACRO:
        std::memcpy(record.data + kValue12, assignment.data, sizeof(GUID));
        break;
    case ASSIGN_PROFILE:
        if (Value12(record) == 3) {
            std::memcpy(record.data + kValue16, assignment.data, sizeof(GUID));
        }
        break;
    case ASSIGN_STAGE:
        if (Value12(record) == 3) {
            WriteAt<INT>(record.data, kValue16, ReadAt<INT>(assignment.data, 0));
        }
        break;
    case ASSIGN_KEY: {
        const WORD scanCode = assignment.GetScanCode();
        const BYTE keyFlags = assignment.GetKeyFlags();
        DWORD modifiers = 0;
        if (keyFlags & SINGLE_KEY_EXTENDED) {
            modifiers |= DEVICE_KEY_EXTENDED;
        }
        if (keyFlags & SINGLE_KEY_ALT) {
            modifiers |= DEVICE_KEY_ALT;
        }
        if (keyFlags & SINGLE_KEY_CTRL) {
            modifiers |= DEVICE_KEY_CTRL;
        }
        if (keyFlags & SINGLE_KEY_SHIFT) {
            modifiers |= DEVICE_KEY_SHIFT;
        }
        if (assignment.GetVirtualKey() == kPauseVirtualKey) {
            modifiers |= DEVICE_KEY_EXTENDED;
        }
        WriteAt<WORD>(record.data, kValue12, scanCode);
        WriteAt<DWORD>(record.data, kValue14, modifiers);
        break;
    }
    default:
        break;
    }
    return record;
}

ButtonAssignment
CDeviceCodeTables::AssignmentFromDevice(const DeviceButtonAssignment& record) const {
    ButtonAssignment assignment;
    assignment.kind = FindAssignmentKind(record);
    switch (record.type) {
    case ASSIGN_MACRO:
        std::memcpy(assignment.data, record.data + kValue12, sizeof(GUID));
        break;
    case ASSIGN_PROFILE:
        std::memcpy(assignment.data, record.data + kValue16, sizeof(GUID));
        break;
    case ASSIGN_STAGE:
        WriteAt<INT>(assignment.data, 0, ReadAt<INT>(record.data, kValue16));
        break;
    case ASSIGN_KEY: {
        const WORD scanCode = ReadAt<WORD>(record.data, kValue12);
        const DWORD modifiers = ReadAt<DWORD>(record.data, kValue14);
        BYTE keyFlags = 0;
        if (modifiers & DEVICE_KEY_EXTENDED) {
            keyFlags |= SINGLE_KEY_EXTENDED;
        }
        if (modifiers & DEVICE_KEY_ALT) {
            keyFlags |= SINGLE_KEY_ALT;
        }
        if (modifiers & DEVICE_KEY_CTRL) {
            keyFlags |= SINGLE_KEY_CTRL;
        }
        if (modifiers & DEVICE_KEY_SHIFT) {
            keyFlags |= SINGLE_KEY_SHIFT;
        }
        WORD virtualKey = 0;
        if (scanCode == kPauseScanCode) {
            // Pause and Num Lock share the scan code; the extended bit tells them apart.
            virtualKey = (modifiers & DEVICE_KEY_EXTENDED) ? kPauseVirtualKey : kNumLockVirtualKey;
            keyFlags = static_cast<BYTE>(keyFlags & ~SINGLE_KEY_EXTENDED);
        }
        WriteAt<WORD>(assignment.data, 0, scanCode);
        WriteAt<WORD>(assignment.data, 2, virtualKey);
        assignment.data[4] = keyFlags;
        break;
    }
    default:
        break;
    }
    return assignment;
}

void CDeviceCodeTables::ConvertMacroEventsToDevice(const MacroEventList& events,
                                                   std::span<MacroDeviceEvent> out) const {
    const size_t count = std::min(events.size(), out.size());
    for (size_t i = 0; i < count; ++i) {
        const MacroEvent& event = events[i];
        MacroDeviceEvent& slot = out[i];
        slot = MacroDeviceEvent{};
        switch (event.type) {
        case MACRO_EVENT_KEY: {
            const WORD virtualKey = KeyEventVirtualKey(event);
            WORD flags = 0;
            if ((event.flags & 0xFF) != MACRO_KEY_PRESS) {
                flags |= DEVICE_KEY_EVENT_RELEASED;
            }
            if ((event.flags & MACRO_KEY_EXTENDED) || virtualKey == kPauseVirtualKey) {
                flags |= DEVICE_KEY_EVENT_EXTENDED;
            }
            slot.kind = DEVICE_MACRO_EVENT_KEY;
            WriteAt<WORD>(slot.data, 0, KeyEventScanCode(event));
            WriteAt<WORD>(slot.data, 2, flags);
            break;
        }
        case MACRO_EVENT_MOUSE_BUTTON:
            slot.kind = DEVICE_MACRO_EVENT_MOUSE;
            WriteAt<WORD>(slot.data, 0, FindMouseEventCode(event));
            WriteAt<WORD>(slot.data, 2, 0);
            break;
        case MACRO_EVENT_DELAY:
            slot.kind = DEVICE_MACRO_EVENT_DELAY;
            WriteAt<INT>(slot.data, 0, event.code);
            break;
        default:
            break;
        }
    }
}

bool CDeviceCodeTables::ConvertMacroEventsFromDevice(std::span<const MacroDeviceEvent> in,
                                                     MacroEventList& events) const {
    events.clear();
    for (const MacroDeviceEvent& slot : in) {
        MacroEvent event;
        switch (slot.kind) {
        case DEVICE_MACRO_EVENT_KEY: {
            const WORD scanCode = ReadAt<WORD>(slot.data, 0);
            const WORD flags = ReadAt<WORD>(slot.data, 2);
            const bool extended = (flags & DEVICE_KEY_EVENT_EXTENDED) != 0;
            WORD virtualKey = 0;
            if (scanCode == kPauseScanCode) {
                virtualKey = extended ? kPauseVirtualKey : kNumLockVirtualKey;
            }
            event.type = MACRO_EVENT_KEY;
            event.code = MakeKeyEventCode(scanCode, virtualKey);
            event.flags = (flags & DEVICE_KEY_EVENT_RELEASED) ? MACRO_KEY_RELEASE : MACRO_KEY_PRESS;
            if (extended && scanCode != kPauseScanCode) {
                event.flags |= MACRO_KEY_EXTENDED;
            }
            break;
        }
        case DEVICE_MACRO_EVENT_MOUSE: {
            // The button and the direction both come from the code's pair, so that events
            // this program uploaded (which carry 0 in the button field) read back unchanged.
            const WORD code = ReadAt<WORD>(slot.data, 0);
            const auto it = m_mouseEventCodeMap.find(code);
            const MouseEventPair pair =
                it != m_mouseEventCodeMap.end() ? it->second : MouseEventPair{};
            event.type = MACRO_EVENT_MOUSE_BUTTON;
            event.code = pair.button;
            event.flags = pair.direction;
            break;
        }
        case DEVICE_MACRO_EVENT_DELAY:
            event.type = MACRO_EVENT_DELAY;
            event.code = ReadAt<INT>(slot.data, 0);
            break;
        default:
            continue;
        }
        events.push_back(event);
    }
    return !events.empty();
}

MacroEventBlock AllocateMacroEventBlock(INT count) {
    if (count < 0) {
        return nullptr;
    }
    const size_t size = MacroEventBlockSize(count);
    MacroEventBlock block(static_cast<BYTE*>(CoTaskMemAlloc(size)));
    if (block) {
        std::memset(block.get(), 0, size);
        const MacroEventBlockHeader header{0, count};
        std::memcpy(block.get(), &header, sizeof header);
    }
    return block;
}

bool GetMacroEventBlockEvents(const BYTE* block, std::span<const MacroDeviceEvent>& events) {
    events = {};
    if (block == nullptr) {
        return false;
    }
    MacroEventBlockHeader header{};
    std::memcpy(&header, block, sizeof header);
    if (header.count < 0 || header.count > DEVICE_MAX_MACRO_EVENTS) {
        return false;
    }
    events = {reinterpret_cast<const MacroDeviceEvent*>(block + sizeof header),
              static_cast<size_t>(header.count)};
    return true;
}

std::span<MacroDeviceEvent> MacroEventBlockEvents(BYTE* block) {
    if (block == nullptr) {
        return {};
    }
    MacroEventBlockHeader header{};
    std::memcpy(&header, block, sizeof header);
    if (header.count <= 0) {
        return {};
    }
    return {reinterpret_cast<MacroDeviceEvent*>(block + sizeof header),
            static_cast<size_t>(header.count)};
}
