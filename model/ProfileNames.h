#pragma once
// Rules for profile names where they meet text files and file names: a name is one line of
// text, and the file named after a profile stays inside the profile folder.

#include "platform/base/CString.h"
#include "platform/base/WinTypes.h"

// False for null and for names holding a carriage return or a line feed (they would break
// the line structure of the settings files).
bool IsAcceptableProfileName(const WCHAR* name);

// The most characters of a program name (the bare file name of the executable a profile is
// bound to) that the mouse holds.
inline constexpr size_t PROFILE_PROGRAM_MAX_CHARS = 127;

// True for null or empty (no program) and for names of at most PROFILE_PROGRAM_MAX_CHARS
// characters. Where a program is chosen (the program picker, an import) a longer name is
// refused: the mouse could only hold it cut.
bool IsStorableProgramName(const WCHAR* name);

// A file name (without folder and extension) made from a profile name: folder separators,
// drive colons, the characters file systems reject and control characters become '_', and a
// name that would be empty or only dots ("", ".", "..") becomes '_' for each character (at
// least one), so the file can never leave the folder it is put in.
CString MakeProfileFileStem(const WCHAR* name);

// True when both paths name one file. The file system decides where it can (a file system
// that ignores case, links); when neither file exists the texts are compared ignoring case.
bool IsSameFilePath(const WCHAR* a, const WCHAR* b);
