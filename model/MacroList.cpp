#include "model/MacroList.h"

#include "platform/base/WideChar.h"

#include <algorithm>

CMacroList::~CMacroList() {
    DeleteAll();
}

CMacro* CMacroList::FindByName(const WCHAR* name) const {
    if (name == nullptr) {
        name = u"";
    }
    for (const auto& macro : m_macros) {
        if (_wcsicmp(macro->GetName(), name) == 0) {
            return macro.get();
        }
    }
    return nullptr;
}

CMacro* CMacroList::FindByGuid(const GUID& guid) const {
    for (const auto& macro : m_macros) {
        if (IsEqualGUID(macro->GetGuid(), guid)) {
            return macro.get();
        }
    }
    return nullptr;
}

CMacro* CMacroList::AddMacro(const WCHAR* name, const MacroEventList& events) {
    // Compare the name as the macro would store it, so that a name cut to the field cannot
    // slip past the uniqueness test.
    auto macro = std::make_unique<CMacro>(name, events);
    if (FindByName(macro->GetName()) != nullptr) {
        return nullptr;
    }
    m_macros.push_back(std::move(macro));
    return m_macros.back().get();
}

CMacro* CMacroList::AddStoredMacro(const WCHAR* name, const GUID& guid) {
    if (IsEqualGUID(guid, GUID_NULL) || FindByGuid(guid) != nullptr) {
        return nullptr;
    }
    auto macro = std::make_unique<CMacro>(name, MacroEventList{});
    macro->SetGuid(guid);
    m_macros.push_back(std::move(macro));
    return m_macros.back().get();
}

void CMacroList::RemoveMacro(CMacro* macro) {
    if (macro == nullptr) {
        return;
    }
    const auto it = std::find_if(m_macros.begin(), m_macros.end(),
                                 [macro](const auto& owned) { return owned.get() == macro; });
    if (it != m_macros.end()) {
        m_macros.erase(it);
    }
}

void CMacroList::DeleteAll() {
    while (!m_macros.empty()) {
        m_macros.pop_back();
    }
}

CMacro* CMacroList::GetAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_macros.size()) {
        return nullptr;
    }
    return m_macros[static_cast<size_t>(index)].get();
}
