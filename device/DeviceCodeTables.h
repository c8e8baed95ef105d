#pragma once
// The translation between the model's button assignments and macro events and the records the
// device service exchanges: four tables (button bits, device button numbers, assignment
// templates, mouse event codes) and the conversions both ways that use them.

#include "device/DeviceServiceApi.h"
#include "model/ButtonAssignment.h"
#include "model/MacroEvent.h"

#include <map>
#include <span>

// Direction of a mouse button event in MouseEventCodeMap.
inline constexpr DWORD MOUSE_EVENT_PRESS = 255;
inline constexpr DWORD MOUSE_EVENT_RELEASE = 1;

// A model mouse event: the button number and its direction (press 255, release 1).
struct MouseEventPair {
    LONG button = 0;
    DWORD direction = 0;
    friend bool operator==(const MouseEventPair&, const MouseEventPair&) = default;
};

// Modifier bits of a device key assignment (the 32-bit word at offset 14).
inline constexpr DWORD DEVICE_KEY_EXTENDED = 0x1000000;
inline constexpr DWORD DEVICE_KEY_ALT = 0x2000000;
inline constexpr DWORD DEVICE_KEY_CTRL = 0x4000000;
inline constexpr DWORD DEVICE_KEY_SHIFT = 0x8000000;

// Flags of a device key event.
inline constexpr WORD DEVICE_KEY_EVENT_RELEASED = 0x1;
inline constexpr WORD DEVICE_KEY_EVENT_EXTENDED = 0x2;

class CDeviceCodeTables {
public:
    // Fills the four tables (empty until then).
    void BuildCodeTables();
    void Clear();
    bool IsBuilt() const { return !m_buttonBitMap.empty(); }

    // Button number to device button bit, and device button number; 0 when the table has no
    // entry.
    DWORD GetButtonBit(ButtonId button) const;
    INT GetButtonIndex(ButtonId button) const;

    // Reverse lookups, in ascending key order; 0 (no button) when nothing matches.
    ButtonId FindButtonIdByBit(DWORD bit) const;
    ButtonId FindButtonIdByIndex(INT deviceButton) const;
    // The device code whose pair equals {event.code, event.flags} exactly; 0 when none.
    WORD FindMouseEventCode(const MacroEvent& event) const;
    // The first kind whose template matches the record; ASSIGNMENT_NONE when none.
    AssignmentKind FindAssignmentKind(const DeviceButtonAssignment& record) const;

    // The device record for a button: the kind's template (all zero for a kind without one),
    // the device button number, and the data by the record's type.
    DeviceButtonAssignment AssignmentToDevice(const ButtonAssignment& assignment,
                                              ButtonId button) const;
    // The assignment a device record stands for (kind and 80 data bytes).
    ButtonAssignment AssignmentFromDevice(const DeviceButtonAssignment& record) const;

    // Writes one device event per model event into out (which holds at least as many); an
    // event of an unknown type leaves its slot zero.
    void ConvertMacroEventsToDevice(const MacroEventList& events,
                                    std::span<MacroDeviceEvent> out) const;
    // Replaces events by the model events of the device events; unknown kinds are skipped.
    // True when at least one model event was produced.
    bool ConvertMacroEventsFromDevice(std::span<const MacroDeviceEvent> in,
                                      MacroEventList& events) const;

    const std::map<ButtonId, DWORD>& ButtonBitMap() const { return m_buttonBitMap; }
    const std::map<ButtonId, INT>& ButtonIndexMap() const { return m_buttonIndexMap; }
    const std::map<AssignmentKind, DeviceButtonAssignment>& AssignmentCodeMap() const {
        return m_assignmentCodeMap;
    }
    const std::map<WORD, MouseEventPair>& MouseEventCodeMap() const { return m_mouseEventCodeMap; }

private:
    std::map<ButtonId, DWORD> m_buttonBitMap;
    std::map<ButtonId, INT> m_buttonIndexMap;
    std::map<AssignmentKind, DeviceButtonAssignment> m_assignmentCodeMap;
    std::map<WORD, MouseEventPair> m_mouseEventCodeMap;
};

// Same type, and for types 1, 3 and 4 the same value at offset 12; types 2, 5 and 6 need
// nothing more; any other type never matches.
bool DeviceAssignmentEquals(const DeviceButtonAssignment& a, const DeviceButtonAssignment& b);

// A macro event block as the service exchanges it, in task-allocator memory.
using MacroEventBlock = TaskMemPtr<BYTE>;

// A zero-filled block with the header {0, count} and room for count events; null when count
// is negative or the allocation fails.
MacroEventBlock AllocateMacroEventBlock(INT count);
// The events of a block the service handed out. The count is not trusted: a null block, or
// a count below 0 or above the device's maximum, gives false.
bool GetMacroEventBlockEvents(const BYTE* block, std::span<const MacroDeviceEvent>& events);
// The events area of a block built by AllocateMacroEventBlock (count from its header).
std::span<MacroDeviceEvent> MacroEventBlockEvents(BYTE* block);
