#pragma once
// The attribute conversions every skin element creator shares: integers and booleans read
// like _wtoi, case and justification by their first letter, colours and item names by name,
// per-language overrides of single attributes, the item rectangle and the font an element
// names.

#include "gui/SkinFile.h"
#include "platform/base/CString.h"

#include <optional>

class CFontItem;
struct LangOverride;

// The attribute's value when the element carries it (whatever its value), else null.
const WCHAR* FindSkinAttribute(pug::CPugXmlBranch element, const WCHAR* name);
// The attribute's value; "" when the element does not carry it.
CString SkinAttributeText(pug::CPugXmlBranch element, const WCHAR* name);

// Decimal like _wtoi: leading blanks, a sign, digits up to the first other character; null,
// "" and text without leading digits give 0.
int SkinInteger(const WCHAR* text);
// True when the integer value is not 0 ("1" and "2" are true, "true" and "yes" false).
bool SkinBoolean(const WCHAR* text);
// First character "U" gives 1 (upper case), "L" 2 (lower case), anything else 0.
int SkinCaps(const WCHAR* text);
// A colour name (ignoring case); -1 when unknown.
LONG SkinColour(const WCHAR* text);
// A skin item name (ignoring case); -1 when unknown.
LONG SkinItemId(const WCHAR* text);

// A `justify` value: first character "L" left, "R" right, "C" centre, anything else left.
enum class SkinJustify { Left, Right, Centre };
SkinJustify ReadSkinJustify(pug::CPugXmlBranch element);
// DrawText alignment of a justification: DT_LEFT 0, DT_RIGHT 2, DT_CENTER 1.
UINT SkinJustifyTextAlignment(SkinJustify justify);
// Button style alignment of a justification: BS_LEFT, BS_RIGHT or BS_CENTER.
DWORD SkinJustifyButtonStyle(SkinJustify justify);
// The text format of labels and framed boxes: a non-zero alignment gives alignment |
// DT_WORDBREAK when multi-line, else alignment | DT_SINGLELINE | DT_VCENTER; a left one gives
// DT_WORDBREAK when multi-line; otherwise the format stays `current`.
UINT SkinLabelTextFormat(SkinJustify justify, bool multiline, UINT current);

// The current language table's override of (item id, attribute name), or null.
const LangOverride* FindSkinOverride(int itemId, const WCHAR* attributeName);
// An attribute read only when present: its value, replaced by the current language's
// override of it when there is one; nothing when the element does not carry it.
std::optional<CString> ReadSkinOverriddenAttribute(pug::CPugXmlBranch element, int itemId,
                                                   const WCHAR* name);
// `caps` when present (an override replaces it), else 0.
int ReadSkinCapsAttribute(pug::CPugXmlBranch element, int itemId);
// `multiline` of labels and framed boxes when present (an override replaces it): true only for
// the integer value 1.
bool ReadSkinLabelMultiline(pug::CPugXmlBranch element, int itemId);
// A colour attribute when present and known; nothing otherwise (the widget keeps its own).
std::optional<COLORREF> ReadSkinColourAttribute(pug::CPugXmlBranch element, const WCHAR* name);

// The trimmed text of the first child of that name; "" when there is none.
CString ReadSkinChildText(pug::CPugXmlBranch element, const WCHAR* childName);
// The picture (resource kind 0) of a key; null for an empty key or one that loads nothing.
HBITMAP LoadSkinPicture(const WCHAR* key);

// The item rectangle of an element from the RECT the loader found (language override
// included): right and bottom are width and height.
RECT ReadSkinElementRect(const SkinElementContext& context, int itemId);
// The window rectangle of an item rectangle whose right and bottom are width and height.
RECT SkinWindowRect(const RECT& itemRect);

// The font an element's `fontid` names. Nothing when `fontid` is not a skin item name (no font
// is set at all); otherwise the font item it resolves to, null when that is no font item of
// the list. A current language's override of "fontid" names the item instead; else the id goes
// through the language's font map.
std::optional<CFontItem*> ResolveSkinFont(const SkinElementContext& context, int itemId);
