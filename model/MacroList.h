#pragma once
// CMacroList: the configuration's macros, owned, in the order they were created.

#include "model/Macro.h"

#include <memory>
#include <vector>

class CMacroList {
public:
    CMacroList() = default;
    CMacroList(const CMacroList&) = delete;
    CMacroList& operator=(const CMacroList&) = delete;
    // Destroys every macro, from the last to the first.
    virtual ~CMacroList();

    // The first macro whose name equals the given one ignoring letter case, else null.
    CMacro* FindByName(const WCHAR* name) const;
    // The first macro whose guid equals the given one, else null.
    CMacro* FindByGuid(const GUID& guid) const;
    // Null when a macro of that name (ignoring case) exists; otherwise a new macro with that
    // name and a copy of the events, appended and returned (the list keeps ownership).
    CMacro* AddMacro(const WCHAR* name, const MacroEventList& events);
    // A macro the device holds, appended under its own name even when another macro has that
    // name (the device tells its macros apart by identifier, not by name). Null for the null
    // identifier or one the list already holds.
    CMacro* AddStoredMacro(const WCHAR* name, const GUID& guid);
    // Removes the macro from the list and destroys it. Null, or a macro that is not in the
    // list, does nothing (such a macro is not destroyed).
    void RemoveMacro(CMacro* macro);
    // Destroys every macro, from the last to the first, and empties the list.
    void DeleteAll();

    int GetCount() const { return static_cast<int>(m_macros.size()); }
    // The macro at that place, null when the index is outside the list.
    CMacro* GetAt(int index) const;

private:
    std::vector<std::unique_ptr<CMacro>> m_macros;
};
