#pragma once
// The registry: keys and values in a file-backed hive shared by every process of the user.
//
// The hive is one human-readable text file, BORVANTA_REGISTRY when that is set, else
// $XDG_DATA_HOME/borvanta/registry.txt (~/.local/share/borvanta/registry.txt). Every change
// is written atomically (temporary file, fsync, rename) under a file lock, so other processes
// see either the old or the new hive. Key and value names ignore case. RegNotifyChangeKeyValue
// notices changes made by any process.

#include "platform/base/Handle.h"
#include "platform/base/WinError.h"
#include "platform/base/WinTypes.h"

#include <filesystem>

using LSTATUS = LONG;
using REGSAM = DWORD;
using PHKEY = HKEY*;
using LPDWORD = DWORD*;
struct FILETIME;
using PFILETIME = FILETIME*;

inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u));

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr DWORD REG_NOTIFY_CHANGE_NAME = 0x1;
inline constexpr DWORD REG_NOTIFY_CHANGE_ATTRIBUTES = 0x2;
inline constexpr DWORD REG_NOTIFY_CHANGE_LAST_SET = 0x4;
inline constexpr DWORD REG_NOTIFY_CHANGE_SECURITY = 0x8;

// The hive file in use (reads BORVANTA_REGISTRY at each call).
std::filesystem::path RegistryHivePath();

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                        REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                        LPDWORD disposition);
LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
LSTATUS RegCloseKey(HKEY key);

// type may be null; data null asks only for the size. A buffer that is too small gives
// ERROR_MORE_DATA with *dataSize set to the size needed.
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some).
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LSTATUS RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM access, DWORD reserved);
// Deletes a key with all its subkeys and values.
LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey);

// Subkeys and values in name order; ERROR_NO_MORE_ITEMS past the end. *nameSize: in the
// buffer's capacity in characters (with the terminator), out the name's length without it.
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                      LPWSTR keyClass, LPDWORD classSize, PFILETIME lastWrite);
LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD dataSize);

// Waits for a change of the key (REG_NOTIFY_CHANGE_NAME: subkeys added or deleted;
// REG_NOTIFY_CHANGE_LAST_SET: values set or deleted), in its subtree when watchSubtree.
// Synchronous: returns when a change happened (ERROR_SUCCESS), the key was deleted
// (ERROR_KEY_DELETED) or the handle was closed by another thread (ERROR_INVALID_HANDLE).
// Asynchronous: returns at once and signals event on the change (or when the key closes).
LSTATUS RegNotifyChangeKeyValue(HKEY key, BOOL watchSubtree, DWORD filter, HANDLE event,
                                BOOL asynchronous);

// Owns an open key and closes it.
class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    CRegKey(CRegKey&& other) noexcept : m_key(other.Detach()) {}
    CRegKey& operator=(CRegKey&& other) noexcept;

    LSTATUS Open(HKEY parent, LPCWSTR name, REGSAM access = KEY_READ | KEY_WRITE);
    LSTATUS Create(HKEY parent, LPCWSTR name, REGSAM access = KEY_READ | KEY_WRITE);
    LSTATUS Close();
    void Attach(HKEY key);
    HKEY Detach();
    operator HKEY() const { return m_key; }

    LSTATUS QueryStringValue(LPCWSTR name, WCHAR* buffer, ULONG* chars);
    LSTATUS SetStringValue(LPCWSTR name, LPCWSTR value);
    LSTATUS QueryDWORDValue(LPCWSTR name, DWORD& value);
    LSTATUS SetDWORDValue(LPCWSTR name, DWORD value);

private:
    HKEY m_key = nullptr;
};
