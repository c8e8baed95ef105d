#pragma once
// The process's raw-input registration for macro recording (usage page 1), and the table that
// turns a raw mouse report's button flags into a button number and direction.

#include "platform/base/WinTypes.h"
#include "platform/ui/RawInput.h"

#include <map>
#include <vector>

class CRawInputDevices {
public:
    CRawInputDevices() = default;
    ~CRawInputDevices();
    CRawInputDevices(const CRawInputDevices&) = delete;
    CRawInputDevices& operator=(const CRawInputDevices&) = delete;

    // Appends a usage unless it is present.
    void AddUsage(WORD usage);
    // Registers every usage for the target (the mouse as an input sink, the others also
    // without legacy messages); false when already registered, without a target or usages.
    bool Register(HWND target);
    // Removes every registration and forgets the usages.
    void Unregister();
    bool IsRegistered() const { return m_registered; }
    const std::vector<WORD>& Usages() const { return m_usages; }

private:
    std::vector<WORD> m_usages;
    std::vector<RAWINPUTDEVICE> m_devices;
    bool m_registered = false;
};

// The one registration list of the process.
CRawInputDevices& TheRawInputDevices();

// A mouse button transition: button number (0 = none) and direction (0xFF press, 1 release).
struct RawMouseButton {
    int button = 0;
    BYTE direction = 0;
};

// Button flags of a raw mouse report to the transition; filled once by FillRawMouseButtonTable.
std::map<WORD, RawMouseButton>& RawMouseButtonTable();
void FillRawMouseButtonTable();
// The transition of a report's button flags; button 0 for any flags outside the table.
RawMouseButton LookupRawMouseButton(WORD buttonFlags);
