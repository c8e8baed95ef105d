#pragma once
// Mutexes. A named mutex is shared by every process that creates or opens the same name; it
// lives in a lock file under the lock folder, so that the kernel releases it the moment the
// owning process ends, also when that process crashed. Ownership is per thread and recursive:
// the owning thread may wait again and must release as often.

#include "platform/base/Handle.h"

#include <filesystem>

inline constexpr DWORD SYNCHRONIZE = 0x00100000;
inline constexpr DWORD MUTEX_MODIFY_STATE = 0x0001;
inline constexpr DWORD MUTEX_ALL_ACCESS = 0x001F0001;

// Creates the mutex, or opens it when the name already exists (then GetLastError() reports
// ERROR_ALREADY_EXISTS and initialOwner is ignored). Null on failure (GetLastError says why).
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
// Opens an existing named mutex; null with ERROR_FILE_NOT_FOUND when no process has it open.
HANDLE OpenMutexW(DWORD access, BOOL inheritHandle, LPCWSTR name);
// Gives up one level of ownership; FALSE with ERROR_NOT_OWNER when the calling thread does not
// own the mutex.
BOOL ReleaseMutex(HANDLE mutex);

// The folder holding the lock files of named objects: $BORVANTA_LOCK_DIR, else
// $XDG_RUNTIME_DIR/borvanta, else the temporary folder's borvanta-<uid>.
std::filesystem::path LockFolder();
