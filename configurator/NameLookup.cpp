#include "configurator/NameLookup.h"

#include "model/IMouseConfig.h"
#include "model/Macro.h"
#include "platform/base/CString.h"

IMouseProfile* FindProfileExactFirst(const IMouseConfig& config, const WCHAR* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (INT i = 0; i < config.GetProfileCount(); ++i) {
        IMouseProfile* profile = config.GetProfile(i);
        if (profile != nullptr && CString(profile->GetName()).Compare(name) == 0) {
            return profile;
        }
    }
    return config.FindProfileByName(name);
}

CMacro* FindMacroExactFirst(const IMouseConfig& config, const WCHAR* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (INT i = 0; i < config.GetMacroCount(); ++i) {
        CMacro* macro = config.GetMacro(i, nullptr);
        if (macro != nullptr && CString(macro->GetName()).Compare(name) == 0) {
            return macro;
        }
    }
    return config.FindMacroByName(name, nullptr);
}

bool HasProfileNamedExactly(const IMouseConfig& config, const WCHAR* name) {
    if (name == nullptr) {
        return false;
    }
    for (INT i = 0; i < config.GetProfileCount(); ++i) {
        IMouseProfile* profile = config.GetProfile(i);
        if (profile != nullptr && CString(profile->GetName()).Compare(name) == 0) {
            return true;
        }
    }
    return false;
}
