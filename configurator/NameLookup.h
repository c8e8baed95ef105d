#pragma once
// Looking profiles and macros up by a name the user chose. The configuration's own look-ups
// ignore letter case and give the first match; these prefer the entry whose name matches
// exactly, so two profiles whose names differ only in case each keep what names them.

#include "platform/base/WinTypes.h"

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
