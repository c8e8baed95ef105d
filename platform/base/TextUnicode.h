#pragma once
// Statistical test whether a block of bytes is UTF-16 little-endian text, as the system's
// file readers use it to tell wide text files from byte text files.

#include "platform/base/WinTypes.h"

// Result and test flags for IsTextUnicode.
inline constexpr int IS_TEXT_UNICODE_STATISTICS = 0x0002;
inline constexpr int IS_TEXT_UNICODE_SIGNATURE = 0x0008;
inline constexpr int IS_TEXT_UNICODE_REVERSE_STATISTICS = 0x0020;
inline constexpr int IS_TEXT_UNICODE_REVERSE_SIGNATURE = 0x0080;
inline constexpr int IS_TEXT_UNICODE_ODD_LENGTH = 0x0200;
inline constexpr int IS_TEXT_UNICODE_NULL_BYTES = 0x1000;

// TRUE when the block looks like UTF-16LE text: it starts with the byte-order mark FF FE, or
// most of its code units have the shape of Latin text in UTF-16LE (a zero high byte) and
// hardly any have the reversed shape. A block of odd length, one starting with the reversed
// mark FE FF, or one without the typical zero bytes is not. When result is not null, it
// receives the flags of the tests that matched.
BOOL IsTextUnicode(const void* buffer, int size, int* result);
