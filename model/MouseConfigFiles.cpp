// The configuration's profile files: every profile in its own file in the profile folder, and
// the settings file that remembers the active profile. Only the product configuration knows
// its folders; a configuration without them has no files.

#include "model/BorvantaConfig.h"
#include "model/MouseConfig.h"
#include "model/ProfileFiles.h"
#include "model/ProfileNames.h"
#include "model/SettingsFile.h"
#include "platform/base/FileFind.h"
#include "platform/base/WideChar.h"

#include <memory>

namespace {

constexpr const WCHAR* SECTION_SETTINGS = u"SETTINGS";
constexpr const WCHAR* KEY_ACTIVE_PROFILE = u"ActiveProfileName";
constexpr const WCHAR* SECTION_PROPERTIES = u"PROPERTIES";
constexpr const WCHAR* KEY_NAME = u"name";
// Counted file names: the name cut to this many characters and a four-digit counter.
constexpr int COUNTED_NAME_CHARS = 123;
constexpr int COUNTER_LIMIT = 100;
// Longest file name (without folder and extension) that a profile file may have.
constexpr int ENUMERATED_NAME_MAX = 256;

const CBorvantaConfig* Product(const CMouseConfig& config) {
    return dynamic_cast<const CBorvantaConfig*>(&config);
}

} // namespace

bool LoadProfileFile(CMouseConfig& config, const WCHAR* fileName) {
    const CBorvantaConfig* product = Product(config);
    if (product == nullptr) {
        return false;
    }
    CMouseProfile loaded;
    if (!loaded.LoadFromFile(fileName, product->GetProfileFolder(), config.GetProfileExtension())) {
        return false;
    }
    auto* added = dynamic_cast<CMouseProfile*>(config.AddProfileCopy(&loaded));
    if (added == nullptr) {
        return false;
    }
    // The listed profile is the one read from that file.
    added->SetFilePath(loaded.GetFilePath());
    return true;
}

// The file name for saving a listed profile. Names that differ only in letter case lead to
// one file on many file systems, so a name whose file another listed profile already has
// takes the counted form instead ("name0000".."name0099"): saving one profile never
// overwrites another's file. Empty when no name is free (the save then fails).
CString CMouseConfig::FreeFileName(const IMouseProfile& profile) const {
    const CBorvantaConfig* product = Product(*this);
    const WCHAR* extension = GetProfileExtension();
    const CString& folder = product->GetProfileFolder();
    const auto path = [&](const CString& stem) {
        CString text;
        text.Format(u"%s%s.%s", folder.GetString(), stem.GetString(), extension);
        return text;
    };
    const CString first = MakeUniqueFileName(extension, &profile, folder);
    if (first.IsEmpty() || !IsFileOfAnotherProfile(&profile, path(first))) {
        return first;
    }
    const CString base = CutText(MakeProfileFileStem(profile.GetName()), COUNTED_NAME_CHARS);
    for (int counter = 0; counter < COUNTER_LIMIT; ++counter) {
        CString candidate;
        candidate.Format(u"%s%04d", base.GetString(), counter);
        const CString file = path(candidate);
        const CString stored = CSettingsFile(file).GetString(SECTION_PROPERTIES, KEY_NAME, u"");
        if (!IsFileOfAnotherProfile(&profile, file) &&
            (stored.IsEmpty() || stored.CompareNoCase(profile.GetName()) == 0)) {
            return candidate;
        }
    }
    return CString();
}

INT CMouseConfig::EnumerateProfileFiles() {
    const CBorvantaConfig* product = Product(*this);
    if (product == nullptr) {
        return 0;
    }
    const WCHAR* extension = GetProfileExtension();
    CString pattern;
    pattern.Format(u"%s*.%s", product->GetProfileFolder().GetString(), extension);
    WIN32_FIND_DATAW found;
    const ScopedFindHandle search(FindFirstFileW(pattern, &found));
    if (!search.IsValid()) {
        return 0; // nothing to load: the profile list stays as it is
    }
    DeleteAllProfiles();
    const int extensionLength = static_cast<int>(wcslen(extension)) + 1; // with its dot
    INT loaded = 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        const CString name(found.cFileName);
        const CString stem = name.Left(name.GetLength() - extensionLength);
        if (stem.IsEmpty() || stem.GetLength() > ENUMERATED_NAME_MAX) {
            continue;
        }
        // A file that cannot be read is passed over; the files after it still load.
        if (LoadProfileFile(*this, stem)) {
            ++loaded;
        }
    } while (FindNextFileW(search.Get(), &found));
    return loaded;
}

INT CMouseConfig::LoadProfiles() {
    const INT loaded = EnumerateProfileFiles();
    const CBorvantaConfig* product = Product(*this);
    if (product == nullptr || loaded == 0) {
        return loaded;
    }
    const CString active = CSettingsFile(product->GetSettingsFilePath())
                               .GetString(SECTION_SETTINGS, KEY_ACTIVE_PROFILE, u"");
    SetActiveProfile(GetProfile(0));
    if (!active.IsEmpty()) {
        if (IMouseProfile* named = FindProfileByName(active)) {
            SetActiveProfile(named);
        }
    }
    return loaded;
}

BOOL CMouseConfig::SaveProfile(IMouseProfile* profile) {
    const CBorvantaConfig* product = Product(*this);
    if (product == nullptr) {
        return FALSE;
    }
    if (profile != nullptr) {
        CString fileName = FreeFileName(*profile);
        if (fileName.IsEmpty()) {
            return FALSE;
        }
        return profile->SaveToFile(fileName, product->GetProfileFolder(), GetProfileExtension());
    }
    for (INT i = 0; i < GetProfileCount(); ++i) {
        SaveProfile(GetProfile(i));
    }
    return TRUE;
}

BOOL CMouseConfig::SaveProfiles() {
    SaveProfile(nullptr);
    const CBorvantaConfig* product = Product(*this);
    const IMouseProfile* active = GetActiveProfile();
    if (product == nullptr || active == nullptr) {
        return FALSE;
    }
    return CSettingsFile(product->GetSettingsFilePath())
                   .WriteString(SECTION_SETTINGS, KEY_ACTIVE_PROFILE, active->GetName())
               ? TRUE
               : FALSE;
}
