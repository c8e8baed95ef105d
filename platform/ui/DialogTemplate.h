#pragma once
// Dialog templates kept in code. Positions and sizes are in dialog units of the template's
// font (a horizontal unit is a quarter of the font's average character width, a vertical
// unit an eighth of its height), as resource templates give them.

#include "platform/base/WinTypes.h"
#include "platform/ui/WinUser.h"

#include <string>
#include <string_view>
#include <vector>

struct DialogItemTemplate {
    std::u16string className; // "Button", "Static", "Edit" or a registered class
    std::u16string text;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    WORD id = 0;
};

struct DialogTemplate {
    DWORD style = WS_POPUP | DS_SETFONT;
    DWORD exStyle = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    std::u16string title;
    std::u16string className; // empty: the standard dialog class
    std::u16string fontName = u"MS Shell Dlg";
    WORD pointSize = 8;
    std::vector<DialogItemTemplate> items;
};

// Templates by id, as the program's resources would hold them. Registering an id again
// replaces its template.
void RegisterDialogTemplate(UINT id, DialogTemplate dialogTemplate);
const DialogTemplate* FindDialogTemplate(UINT id);

HWND CreateDialogIndirectParamW(HINSTANCE instance, const DialogTemplate* dialogTemplate,
                                HWND parent, DLGPROC proc, LPARAM initParam);
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DialogTemplate* dialogTemplate,
                                HWND parent, DLGPROC proc, LPARAM initParam);
// By registered template id; -1 / null when the id is unknown.
HWND CreateDialogParamW(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                        LPARAM initParam);
INT_PTR DialogBoxParamW(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                        LPARAM initParam);

namespace platform {
// Pixel size of one horizontal (cx) and vertical (cy) base unit pair for a font: the
// average character width and the character height in pixels.
SIZE DialogBaseUnitsFor(const std::u16string& fontName, WORD pointSize);
// The width in dialog units, rounded up, that a one-line text takes in a template's font as a
// static or a button draws it ("&" marks the next character and takes no room): what a dialog
// whose texts come in many languages sizes its controls by.
short DialogTextWidth(const DialogTemplate& dialogTemplate, std::u16string_view text);
} // namespace platform
