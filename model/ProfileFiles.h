#pragma once
// Profile files of the configuration: one INI file per profile in the profile folder, named
// after the profile. The profile's SaveToFile and LoadFromFile and the configuration's
// LoadProfiles, SaveProfiles, EnumerateProfileFiles and SaveProfile are built on these.

#include "model/IMouseProfile.h"
#include "platform/base/CString.h"
#include "platform/base/WinTypes.h"

class CMouseConfig;

// File names (without folder and extension) have at most this many characters.
inline constexpr int PROFILE_FILE_NAME_MAX = 127;

// The first count UTF-16 units of text, one fewer when the cut would split a surrogate pair.
CString CutText(const CString& text, int count);

// The file name for a profile that has none yet: the profile's name made safe for a file name
// (no folder separators, drive colons or other characters file systems reject, never "." or
// ".."), so the file always lies in the folder. A name of fewer than 128 characters is used
// as it is, unless its file already holds another profile; a longer name (or a taken one) is
// cut to 123 characters and followed by a counter "0000" to "0099": the first candidate whose
// file is free or holds this profile's name (ignoring case) is taken. Empty when every
// candidate belongs to another profile, or for a null profile.
CString MakeUniqueFileName(const WCHAR* extension, const IMouseProfile* profile,
                           const WCHAR* folder);

// Reads the profile file fileName (without folder and extension) from the configuration's
// profile folder into a new profile that is appended to the list; false (nothing added) when
// the file gives no profile.
bool LoadProfileFile(CMouseConfig& config, const WCHAR* fileName);
