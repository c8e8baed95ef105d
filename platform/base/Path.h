#pragma once
// The program folder and paths. The system's code builds backslash paths ("xml\",
// "save\"); this layer turns them into native paths, finding names that differ only in case.

#include "platform/base/CString.h"
#include "platform/base/WinTypes.h"

#include <filesystem>

// The folder of the running program, with a trailing backslash, at most 260 characters.
// Filled by InitExeFolder (or the programs' start-up); empty before.
extern WCHAR ExeFolder[MAX_PATH];

// Path of the running executable in backslash form ("\home\me\Borvanta5600"), at most size
// units with the terminator; returns the length copied, 0 on failure.
DWORD GetModuleFileNameW(HMODULE module, WCHAR* buffer, DWORD size);

// Fills ExeFolder from the running program's file (drive and directory, trailing backslash).
void InitExeFolder();
// Points ExeFolder elsewhere (tests, and programs whose files live beside another folder).
void SetExeFolder(const std::filesystem::path& folder);

// Splits a path into drive ("C:" or empty), directory (with trailing separator), file name and
// extension (with its dot). Any buffer may be null with size 0. Returns 0, or EINVAL/ERANGE
// when a part does not fit (then all buffers are emptied).
int _wsplitpath_s(const WCHAR* path, WCHAR* drive, size_t driveSize, WCHAR* dir, size_t dirSize,
                  WCHAR* fname, size_t fnameSize, WCHAR* ext, size_t extSize);
// Joins the parts again; a directory without a trailing separator gets a backslash, an
// extension without a dot gets one. Returns 0 or ERANGE (buffer emptied).
int _wmakepath_s(WCHAR* path, size_t size, const WCHAR* drive, const WCHAR* dir, const WCHAR* fname,
                 const WCHAR* ext);

// A backslash path as a native path: "\" becomes "/", a drive letter is dropped, and where
// the exact name does not exist a name that differs only in case is used for each component.
std::filesystem::path ToNativePath(const WCHAR* path);
std::filesystem::path ToNativePath(const CString& path);
// A native path in the system's backslash form.
CString FromNativePath(const std::filesystem::path& path);

// Current folder, in backslash form with no trailing separator.
BOOL SetCurrentDirectoryW(const WCHAR* path);
DWORD GetCurrentDirectoryW(DWORD size, WCHAR* buffer);

// Removes the folder from a path in place, leaving the file name ("C:\Games\Game.exe" ->
// "Game.exe"); a path without a folder stays as it is.
void PathStripPathW(WCHAR* path);

namespace platform {

// True when the folder exists and this process can create a file in it (tried).
bool IsWritableFolder(const std::filesystem::path& folder);
// The user's documents folder: XDG_DOCUMENTS_DIR of the user-dirs file
// ($XDG_CONFIG_HOME/user-dirs.dirs, else ~/.config/user-dirs.dirs) when it names a folder
// that exists, else the home folder ($HOME); empty when neither is known.
std::filesystem::path UserDocumentsFolder();

} // namespace platform
