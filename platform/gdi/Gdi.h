#pragma once
// Graphics calls under their Windows names: GDI objects and handles, device contexts, blits,
// regions, bitmaps from files, fonts and text. Everything draws into 32-bit bitmaps in memory.

#include "platform/base/WinTypes.h"

#include <type_traits>

// --- Objects -------------------------------------------------------------------------------

inline constexpr DWORD OBJ_PEN = 1;
inline constexpr DWORD OBJ_BRUSH = 2;
inline constexpr DWORD OBJ_DC = 3;
inline constexpr DWORD OBJ_FONT = 6;
inline constexpr DWORD OBJ_BITMAP = 7;
inline constexpr DWORD OBJ_REGION = 8;
inline constexpr DWORD OBJ_MEMDC = 10;

inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int DEFAULT_GUI_FONT = 17;
inline constexpr int DC_BRUSH = 18;
inline constexpr int DC_PEN = 19;

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
inline HGDIOBJ const HGDI_ERROR = reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1));

// Any GDI object handle converts to HGDIOBJ and back (the table knows each handle's type).
template <typename H>
requires std::is_pointer_v<H> HGDIOBJ ToGdiObj(H h) {
    return reinterpret_cast<HGDIOBJ>(h);
}

HGDIOBJ GetStockObject(int index);
// Typed stock objects (HGDIOBJ is a handle type of its own, so these save the casts).
inline HBRUSH GetStockBrush(int index) {
    return reinterpret_cast<HBRUSH>(GetStockObject(index));
}
inline HPEN GetStockPen(int index) {
    return reinterpret_cast<HPEN>(GetStockObject(index));
}
inline HFONT GetStockFont(int index) {
    return reinterpret_cast<HFONT>(GetStockObject(index));
}
// Deletes a pen, brush, font, bitmap or region. Stock objects are kept (TRUE); an object
// still selected into a device context is deleted when the last DC deselects it.
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
// BITMAP for a bitmap, LOGFONTW for a font, LOGPEN for a pen, LOGBRUSH for a brush. Returns
// the bytes written (or needed when buffer is null), 0 for a bad handle or a short buffer.
int GetObjectW(HGDIOBJ object, int size, void* buffer);
inline int GetObject(HGDIOBJ object, int size, void* buffer) {
    return GetObjectW(object, size, buffer);
}
template <typename H>
requires std::is_pointer_v<H>
int GetObjectW(H h, int size, void* buffer) {
    return GetObjectW(ToGdiObj(h), size, buffer);
}
template <typename H>
requires std::is_pointer_v<H> BOOL DeleteObject(H h) {
    return DeleteObject(ToGdiObj(h));
}

// --- Bitmaps -------------------------------------------------------------------------------

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 0;
    WORD bmBitsPixel = 0;
    LPVOID bmBits = nullptr;
};

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_RLE8 = 1;
inline constexpr DWORD BI_RLE4 = 2;
inline constexpr DWORD BI_BITFIELDS = 3;
inline constexpr UINT DIB_RGB_COLORS = 0;

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0; // above 0 bottom-up, below 0 top-down
    WORD biPlanes = 1;
    WORD biBitCount = 0;
    DWORD biCompression = BI_RGB;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// A 32-bit bitmap of the given size, all black; planes and bits-per-pixel other than 1 and
// 32 fail. Bits, when given, are rows of 32-bit pixels top-down.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A 32-bit bitmap whose pixels the caller reaches through *bits: bottom-up for a positive
// biHeight, top-down for a negative one. Only 32-bit BI_RGB / BI_BITFIELDS sections.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);

inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT IMAGE_ICON = 1;
inline constexpr UINT LR_DEFAULTSIZE = 0x0040;
inline constexpr UINT LR_SHARED = 0x8000;
inline constexpr UINT LR_DEFAULTCOLOR = 0x0000;
inline constexpr UINT LR_LOADFROMFILE = 0x0010;
inline constexpr UINT LR_CREATEDIBSECTION = 0x2000;
inline constexpr UINT LR_COPYDELETEORG = 0x0008;

// IMAGE_BITMAP with LR_LOADFROMFILE: reads a BMP file (backslash paths resolved like every
// path of the program) into a new bitmap; other requests fail with null. IMAGE_ICON with
// LR_LOADFROMFILE reads a BMP file as an icon: the handle is an HICON (its pixels through
// platform::GetIconImage, freed with DestroyIcon); magenta (0xFF00FF) pixels are transparent
// unless the file has an alpha channel.
HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
// A new bitmap with the same pixels (cx, cy 0: same size; else stretched).
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);

// --- Device contexts -----------------------------------------------------------------------

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
template <typename H>
requires std::is_pointer_v<H> H SelectObject(HDC dc, H object) {
    return reinterpret_cast<H>(SelectObject(dc, ToGdiObj(object)));
}
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
int SaveDC(HDC dc);
// A negative level counts back from the latest save (-1 the latest).
BOOL RestoreDC(HDC dc, int savedLevel);

inline constexpr int MM_TEXT = 1;
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetWindowOrgEx(HDC dc, POINT* origin);
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL GetWindowExtEx(HDC dc, SIZE* extent);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL GetViewportExtEx(HDC dc, SIZE* extent);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int TECHNOLOGY = 2;
inline constexpr int DT_RASDISPLAY = 1;
inline constexpr int DT_RASPRINTER = 2;
int GetDeviceCaps(HDC dc, int index);

// Clipping. Regions given to SelectClipRgn are in device units; the rectangle calls take
// logical units. Results are NULLREGION, SIMPLEREGION, COMPLEXREGION or ERROR.
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;
int SelectClipRgn(HDC dc, HRGN region);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
// The bounds of the visible drawing area in logical units.
int GetClipBox(HDC dc, RECT* rect);
// 1 and a copy of the clip region (device units), or 0 when the DC has no clip region.
int GetClipRgn(HDC dc, HRGN region);

// --- Colours and modes ---------------------------------------------------------------------

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF SetDCPenColor(HDC dc, COLORREF color);

inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;
int SetStretchBltMode(HDC dc, int mode);

// --- Pens, brushes, drawing ----------------------------------------------------------------

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_NULL = 5;
struct LOGPEN {
    UINT lopnStyle = 0;
    POINT lopnWidth;
    COLORREF lopnColor = 0;
};
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
struct LOGBRUSH {
    UINT lbStyle = 0;
    COLORREF lbColor = 0;
    ULONG_PTR lbHatch = 0;
};

HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);

int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
// Outline with the current pen, inside filled with the current brush.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
// A line from the current position up to, but not including, (x, y); the position moves there.
BOOL LineTo(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// CLR_INVALID outside the bitmap or the clip area.
COLORREF GetPixel(HDC dc, int x, int y);

// --- Blits ---------------------------------------------------------------------------------

inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1, int cy1,
                DWORD rop);
// Copies the source, stretched to the target size, leaving out pixels of the key colour.
BOOL TransparentBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1,
                    int cy1, UINT transparent);

inline constexpr BYTE AC_SRC_OVER = 0x00;
inline constexpr BYTE AC_SRC_ALPHA = 0x01;
struct BLENDFUNCTION {
    BYTE BlendOp = AC_SRC_OVER;
    BYTE BlendFlags = 0;
    BYTE SourceConstantAlpha = 255;
    BYTE AlphaFormat = 0;
};
// Source over target: with AC_SRC_ALPHA the source is premultiplied by its per-pixel alpha;
// the constant alpha scales the whole source.
BOOL AlphaBlend(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, int cx1, int cy1,
                BLENDFUNCTION blend);

// --- Regions -------------------------------------------------------------------------------

inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;
inline constexpr DWORD RDH_RECTANGLES = 1;

struct RGNDATAHEADER {
    DWORD dwSize = sizeof(RGNDATAHEADER);
    DWORD iType = RDH_RECTANGLES;
    DWORD nCount = 0;
    DWORD nRgnSize = 0;
    RECT rcBound;
};
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1]; // nCount RECTs follow the header
};
struct XFORM;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// A region from RGNDATA: `count` bytes, header then rdh.nCount rectangles. The transform is
// not supported (must be null).
HRGN ExtCreateRegion(const XFORM* transform, DWORD count, const RGNDATA* data);
// Sets dst to src1 op src2 (src2 unused for RGN_COPY); dst may be either source.
int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL EqualRgn(HRGN a, HRGN b);
int GetRgnBox(HRGN region, RECT* rect);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// With a null buffer the bytes needed; else `count` when the data fit and were written, 0
// when the buffer is too small.
DWORD GetRegionData(HRGN region, DWORD count, RGNDATA* data);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);

// --- Fonts and text ------------------------------------------------------------------------

inline constexpr int LF_FACESIZE = 32;
inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE ANTIALIASED_QUALITY = 4;
inline constexpr BYTE CLEARTYPE_QUALITY = 5;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;

struct LOGFONTW {
    LONG lfHeight = 0;
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    WCHAR lfFaceName[LF_FACESIZE] = {};
};
using LOGFONT = LOGFONTW;

struct TEXTMETRICW {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 96;
    LONG tmDigitizedAspectY = 96;
    WCHAR tmFirstChar = 0x20;
    WCHAR tmLastChar = 0xFFFC;
    WCHAR tmDefaultChar = 0x20;
    WCHAR tmBreakChar = 0x20;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};
using TEXTMETRIC = TEXTMETRICW;

// Height above 0: cell height (ascent + descent) in pixels; below 0: character height (em);
// 0: a default size. Weight 600 and more draws bold (made bold when the face has no bold).
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName);
inline HFONT CreateFont(int height, int width, int escapement, int orientation, int weight,
                        DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                        DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                        DWORD pitchAndFamily, LPCWSTR faceName) {
    return CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                       charSet, outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
}
HFONT CreateFontIndirectW(const LOGFONTW* font);
inline HFONT CreateFontIndirect(const LOGFONTW* font) {
    return CreateFontIndirectW(font);
}

inline constexpr DWORD FR_PRIVATE = 0x10;
inline constexpr DWORD FR_NOT_ENUM = 0x20;
// Adds the faces of a font file (TrueType/OpenType) for this process; returns the number of
// faces added, 0 on failure. Every add needs its own remove.
int AddFontResourceExW(LPCWSTR fileName, DWORD flags, void* reserved);
int AddFontResourceW(LPCWSTR fileName);
BOOL RemoveFontResourceExW(LPCWSTR fileName, DWORD flags, void* reserved);
BOOL RemoveFontResourceW(LPCWSTR fileName);

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int length);
inline BOOL TextOut(HDC dc, int x, int y, LPCWSTR text, int length) {
    return TextOutW(dc, x, y, text, length);
}
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size);
inline BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int length, SIZE* size) {
    return GetTextExtentPoint32W(dc, text, length, size);
}
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
inline BOOL GetTextMetrics(HDC dc, TEXTMETRICW* metrics) {
    return GetTextMetricsW(dc, metrics);
}
int GetTextFaceW(HDC dc, int count, LPWSTR name);

inline constexpr UINT DT_TOP = 0x00000000;
inline constexpr UINT DT_LEFT = 0x00000000;
inline constexpr UINT DT_CENTER = 0x00000001;
inline constexpr UINT DT_RIGHT = 0x00000002;
inline constexpr UINT DT_VCENTER = 0x00000004;
inline constexpr UINT DT_BOTTOM = 0x00000008;
inline constexpr UINT DT_WORDBREAK = 0x00000010;
inline constexpr UINT DT_SINGLELINE = 0x00000020;
inline constexpr UINT DT_EXPANDTABS = 0x00000040;
inline constexpr UINT DT_NOCLIP = 0x00000100;
inline constexpr UINT DT_CALCRECT = 0x00000400;
inline constexpr UINT DT_NOPREFIX = 0x00000800;
inline constexpr UINT DT_EDITCONTROL = 0x00002000;
inline constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
inline constexpr UINT DT_END_ELLIPSIS = 0x00008000;
inline constexpr UINT DT_MODIFYSTRING = 0x00010000;
inline constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;

// Draws formatted text in the rectangle; returns the height of the text (from the rectangle's
// top to the bottom of the text with DT_VCENTER or DT_BOTTOM), 0 on failure. A length of -1
// means a NUL-terminated text. DT_MODIFYSTRING never writes into the text.
int DrawTextW(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format);
inline int DrawText(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format) {
    return DrawTextW(dc, text, length, rect, format);
}
