#pragma once
// INI ("private profile") files. Every call reads the file afresh; every change rewrites it
// whole, as UTF-16LE text with a byte-order mark, atomically (a temporary file in the same
// folder, flushed, then renamed over the old one) under a lock on the folder, so a reader
// never sees half a file and two writers never lose each other's changes. Files are read as
// UTF-16 with a byte-order mark, UTF-8 or ASCII (see IniDocument). Section and key names
// match ignoring letter case; values come back exactly as they were written. Paths are the
// system's backslash paths (see ToNativePath).

#include "platform/base/WinTypes.h"

// The key's value, or the default (null = empty) when the file, the section or the key is
// missing, copied into the buffer (at most size - 1 characters and a terminator). Returns the
// number of characters copied. With a null section the buffer receives the section names,
// with a null key the section's key names: each name followed by a terminator and one more
// terminator at the end; when they do not fit the list is cut, ends in two terminators and
// the result is size - 2.
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer,
                               DWORD size, LPCWSTR fileName);

// The key's value read as a decimal integer (like _wtoi, so "-1" gives 0xFFFFFFFF and text
// without digits gives 0); the default when the file, the section or the key is missing.
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName);

// The section's lines ("key=value", and lines without '=' as they stand; comments are left
// out) as a list of terminated strings with a final terminator, cut like the name lists
// above. Returns the number of characters copied without the final terminator.
DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR fileName);

// Sets the key's value (the file, section and key are created when missing). A null value
// removes the key; a null key removes the whole section. FALSE when nothing could be written:
// a null section or file name, a name or value the file cannot hold (line breaks; '=' in a
// key; ']' in a section name; empty names), a missing folder, a file that cannot be read or
// written. A removal from a file that does not exist succeeds without creating it.
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName);
