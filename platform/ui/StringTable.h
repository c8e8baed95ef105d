#pragma once
// String resources kept in code: RegisterStringResource(id, text) as the program's string
// table would hold it, LoadStringW to read it.

#include "platform/base/WinTypes.h"

#include <string>

void RegisterStringResource(UINT id, std::u16string text);
// Copies the string (at most bufferMax - 1 characters and the terminator) and returns its
// length; 0 (and an empty buffer) when there is no such string. A bufferMax of 0 returns the
// length without copying.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
