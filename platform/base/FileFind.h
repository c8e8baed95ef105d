#pragma once
// Finding files by pattern and deleting them. A search lists the folder's entries whose names
// match the pattern ('*' any run of characters, '?' one character, letter case ignored), in
// one fixed order on every run: by name ignoring case, then by exact name.

#include "platform/base/WinTypes.h"

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes = 0;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    WCHAR cFileName[MAX_PATH] = {};
    WCHAR cAlternateFileName[14] = {};
};
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

// Starts a search for a pattern such as "C:\save\*.qmp" (the folder part is a path, the last
// part the pattern) and fills data with the first match. INVALID_HANDLE_VALUE when nothing
// matches or the folder cannot be read. Names of MAX_PATH characters or more are skipped;
// "." and ".." are never reported.
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
// The next match; FALSE when there is none left (or the handle is not a search).
BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data);
// Ends the search; FALSE for a handle that is not an open search.
BOOL FindClose(HANDLE search);

// Owns a search handle and closes it when it goes out of scope.
class ScopedFindHandle {
public:
    ScopedFindHandle() = default;
    explicit ScopedFindHandle(HANDLE search) : m_search(search) {}
    ScopedFindHandle(const ScopedFindHandle&) = delete;
    ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;
    ScopedFindHandle(ScopedFindHandle&& other) noexcept : m_search(other.Release()) {}
    ScopedFindHandle& operator=(ScopedFindHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~ScopedFindHandle() { Reset(); }

    HANDLE Get() const { return m_search; }
    bool IsValid() const { return m_search != INVALID_HANDLE_VALUE && m_search != nullptr; }
    HANDLE Release() {
        HANDLE h = m_search;
        m_search = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset(HANDLE search = INVALID_HANDLE_VALUE) {
        if (IsValid()) {
            FindClose(m_search);
        }
        m_search = search;
    }

private:
    HANDLE m_search = INVALID_HANDLE_VALUE;
};

// Deletes a file (not a folder); FALSE when it does not exist or cannot be deleted.
BOOL DeleteFileW(LPCWSTR fileName);
// The attributes of a file or folder; INVALID_FILE_ATTRIBUTES when it does not exist.
DWORD GetFileAttributesW(LPCWSTR fileName);
