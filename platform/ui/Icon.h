#pragma once
// Icons with pixels. LoadImageW(..., IMAGE_ICON, ..., LR_LOADFROMFILE) reads an image file of
// the program as an icon (Gdi.h); LoadIconW with a numeric id gives the icon file registered
// for that id, or else a token icon without pixels (as for cursors). The notification area
// draws an icon's pixels at the size its host asks for.

#include "platform/base/WinTypes.h"
#include "platform/gdi/Bitmap.h"

#include <string>

namespace platform {

// LoadIconW(any instance, MAKEINTRESOURCEW(id)) loads this file (a path of the program,
// backslashes allowed, relative to the current folder) from then on; each load gives a new
// icon. An empty path removes the registration.
void RegisterIconFile(UINT id, std::u16string path);

// The icon's pixels as 0xAARRGGBB with straight alpha (0 transparent). FALSE for a token
// icon, a destroyed icon or something that is no icon.
bool GetIconImage(HICON icon, gdi::Bitmap& out);

} // namespace platform
