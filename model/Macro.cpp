#include "model/Macro.h"

#include "platform/base/WideChar.h"

CMacro::CMacro(const WCHAR* name, const MacroEventList& events) : m_events(events) {
    SetName(name);
}

void CMacro::SetName(const WCHAR* name) {
    if (name == nullptr) {
        name = u"";
    }
    // A name that does not fit is cut to the field, never written past it; the cut never
    // splits a surrogate pair, so the stored name stays valid UTF-16.
    size_t length = wcsnlen(name, MACRO_NAME_CHARS - 1);
    if (length == MACRO_NAME_CHARS - 1 && name[length] != 0 && name[length - 1] >= 0xD800 &&
        name[length - 1] <= 0xDBFF) {
        --length;
    }
    wcsncpy_s(m_name, MACRO_NAME_CHARS, name, length);
}

bool CMacro::IsSame(const CMacro& other) const {
    return IsEqualGUID(m_guid, other.m_guid) && _wcsicmp(m_name, other.m_name) == 0 &&
           m_events == other.m_events;
}
