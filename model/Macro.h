#pragma once
// CMacro: a named sequence of key, mouse-button and delay events that the device can play
// back, with the device service's identifier once the macro is stored in the device.

#include "model/MacroEvent.h"
#include "platform/base/CString.h"
#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"

// Characters of the name field, terminator included.
inline constexpr size_t MACRO_NAME_CHARS = 256;

class CMacro {
public:
    // Every field empty: zero name, zero guid, no events, no file path.
    CMacro() = default;
    // The name is copied into the fixed name field (cut to MACRO_NAME_CHARS - 1 characters
    // when longer; a null name is empty), the events are copied; guid zero, no file path.
    CMacro(const WCHAR* name, const MacroEventList& events);

    const WCHAR* GetName() const { return m_name; }
    // Copies the name into the fixed field, cut to MACRO_NAME_CHARS - 1 characters and always
    // terminated; null gives the empty name.
    void SetName(const WCHAR* name);

    GUID GetGuid() const { return m_guid; }
    void SetGuid(const GUID& guid) { m_guid = guid; }

    const MacroEventList& GetEvents() const { return m_events; }
    MacroEventList& GetEvents() { return m_events; }
    void SetEvents(const MacroEventList& events) { m_events = events; }

    const CString& GetFilePath() const { return m_filePath; }
    void SetFilePath(const WCHAR* path) { m_filePath = path != nullptr ? path : u""; }

    // True when the guids are equal, the names are equal ignoring letter case, and the event
    // lists are equal. The device client uses it to tell whether a macro changed.
    bool IsSame(const CMacro& other) const;

private:
    WCHAR m_name[MACRO_NAME_CHARS] = {};
    GUID m_guid{};
    MacroEventList m_events;
    CString m_filePath;
};
