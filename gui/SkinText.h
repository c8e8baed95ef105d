#pragma once
// Text helpers shared by the skinned widgets: language lookup with case change, the one
// line break a skin text may hold, tooltip texts and the fallback caption font.

#include "platform/base/CString.h"
#include "platform/framework/CGdiObject.h"

class CToolTipCtrl;
class CWnd;

// Case change of a skin element's `caps`: 1 upper case, 2 lower case, anything else as is.
void ApplySkinCaps(CString& text, int caps);

// The current language table's text for key; found reports whether a table found it (the
// text is then the table's, else the key itself; null gives an empty text).
CString LookupSkinText(const WCHAR* key, bool* found = nullptr);

// Replaces the first two-character sequence backslash-n by CR LF, in place (the length stays
// the same); later sequences stay as typed.
void ReplaceFirstNewline(CString& text);

// A tooltip key's shown text: translated, and the first backslash with the character after
// it replaced by one blank (a "\n" shows as a space). A backslash at the very end becomes
// the blank alone.
CString SkinToolTipText(const WCHAR* text);

// Sets tool 1 of `owner` (its client rectangle) to `text` and activates the tooltip, creating
// the tooltip window (owned by `owner`, deactivated) when it does not exist yet.
void SetSkinToolTip(CToolTipCtrl& tooltip, CWnd* owner, const CString& text);

// Creates the tooltip window owned by `owner`, deactivated, when it does not exist yet.
void EnsureSkinToolTip(CToolTipCtrl& tooltip, CWnd* owner);

// The font of widgets without a skin font: bold "Arial" of height 14.
BOOL CreateFallbackFont(CFont& font);

// A text colour of 0 means "not set" and draws as 0xFEFEFE.
constexpr COLORREF SkinTextColor(COLORREF color) {
    return color == 0 ? RGB(0xFE, 0xFE, 0xFE) : color;
}
