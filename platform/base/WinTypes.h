#pragma once
// The fixed-size integer, character, handle and geometry types the system's code is written
// in. WCHAR is one UTF-16 code unit, so record layouts and byte counts hold as designed.

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using DWORD64 = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using BOOL = std::int32_t;
using BOOLEAN = std::uint8_t;
using UCHAR = std::uint8_t;
using CHAR = char;
using FLOAT = float;

using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using PWSTR = WCHAR*;
using PCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPBYTE = BYTE*;

using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using HRESULT = std::int32_t;
using ATOM = WORD;

using COLORREF = DWORD;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr DWORD MAX_PATH = 260;
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;

// Handles are opaque pointers to distinct incomplete types, so a window handle cannot be
// passed where a bitmap handle is expected.
#define BORVANTA_DECLARE_HANDLE(name)                                                              \
    struct name##__;                                                                               \
    using name = name##__*

BORVANTA_DECLARE_HANDLE(HWND);
BORVANTA_DECLARE_HANDLE(HINSTANCE);
BORVANTA_DECLARE_HANDLE(HMENU);
BORVANTA_DECLARE_HANDLE(HDC);
BORVANTA_DECLARE_HANDLE(HBITMAP);
BORVANTA_DECLARE_HANDLE(HFONT);
BORVANTA_DECLARE_HANDLE(HPEN);
BORVANTA_DECLARE_HANDLE(HBRUSH);
BORVANTA_DECLARE_HANDLE(HRGN);
BORVANTA_DECLARE_HANDLE(HICON);
BORVANTA_DECLARE_HANDLE(HCURSOR);
BORVANTA_DECLARE_HANDLE(HKEY);
BORVANTA_DECLARE_HANDLE(HMODULE);
BORVANTA_DECLARE_HANDLE(HRAWINPUT);
BORVANTA_DECLARE_HANDLE(HGLOBAL);
BORVANTA_DECLARE_HANDLE(HGDIOBJ);
BORVANTA_DECLARE_HANDLE(HDEVNOTIFY);
BORVANTA_DECLARE_HANDLE(HMONITOR);
#undef BORVANTA_DECLARE_HANDLE

// Kernel object handle (mutexes, events, threads, processes, snapshots).
using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

struct POINT {
    LONG x = 0;
    LONG y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
    friend bool operator==(const SIZE&, const SIZE&) = default;
};

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    friend bool operator==(const RECT&, const RECT&) = default;
};

using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}

constexpr WORD LOWORD(DWORD_PTR v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(DWORD_PTR v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr BYTE LOBYTE(DWORD_PTR v) {
    return static_cast<BYTE>(v & 0xFF);
}
constexpr BYTE HIBYTE(DWORD_PTR v) {
    return static_cast<BYTE>((v >> 8) & 0xFF);
}
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
    return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(MAKELONG(lo, hi));
}
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(static_cast<LONG>(MAKELONG(lo, hi)));
}
// Signed coordinates packed in an LPARAM, as mouse messages carry them.
constexpr int GET_X_LPARAM(LPARAM lp) {
    return static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lp)));
}
constexpr int GET_Y_LPARAM(LPARAM lp) {
    return static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lp)));
}
