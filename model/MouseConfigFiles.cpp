// The configuration's profile files. Until the INI layer they build on exists, nothing is
// read or written: loads find no profiles and saves report failure.

#include "model/MouseConfig.h"

INT CMouseConfig::LoadProfiles() {
    return 0;
}

BOOL CMouseConfig::SaveProfiles() {
    return FALSE;
}

INT CMouseConfig::EnumerateProfileFiles() {
    return 0;
}

BOOL CMouseConfig::SaveProfile(IMouseProfile* /*profile*/) {
    return FALSE;
}
