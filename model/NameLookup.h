#pragma once
// Looking profiles and macros up by a name, and finding a free profile name. The
// configuration's own look-ups ignore letter case and give the first match; these prefer the
// entry whose name matches exactly, so two profiles (or macros) whose names differ only in
// case each keep what names them.

#include "platform/base/CString.h"
#include "platform/base/WinTypes.h"

#include <functional>

class CMacro;
class IMouseConfig;
class IMouseProfile;

// The profile of exactly that name; else the first whose name matches ignoring case; else
// null (also for a null name).
IMouseProfile* FindProfileExactFirst(const IMouseConfig& config, const WCHAR* name);
// The same for the macro list.
CMacro* FindMacroExactFirst(const IMouseConfig& config, const WCHAR* name);
// True when some profile has exactly this name (letter case counts).
bool HasProfileNamedExactly(const IMouseConfig& config, const WCHAR* name);

// A name for a copy of the profile named `name`: the name (its first 18 characters when it
// is longer than 19) followed by two digits, 00 to 99, the first that `taken` refuses not.
// Empty when all hundred are taken.
CString FreeProfileName(const WCHAR* name, const std::function<bool(const CString&)>& taken);
