// The profile's own settings files. Until the INI layer they build on exists, both
// operations report failure and touch nothing, so that no caller believes a file was written.

#include "model/MouseProfile.h"

BOOL CMouseProfile::SaveToFile(CString& /*fileName*/, const WCHAR* /*folder*/,
                               const WCHAR* /*extension*/) {
    return FALSE;
}

BOOL CMouseProfile::LoadFromFile(const WCHAR* /*fileName*/, const WCHAR* /*folder*/,
                                 const WCHAR* /*extension*/) {
    return FALSE;
}
