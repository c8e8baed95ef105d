#include "gui/SkinCreatorRules.h"

#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "gui/SkinResourceCache.h"
#include "model/NameTables.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/WinUser.h"

const WCHAR* FindSkinAttribute(pug::CPugXmlBranch element, const WCHAR* name) {
    if (element.IsEmpty()) {
        return nullptr;
    }
    const pug::XMLATTR attribute = element.FindAttribute(name);
    if (attribute.IsNull()) {
        return nullptr;
    }
    const WCHAR* value = attribute.GetValue();
    return value != nullptr ? value : u"";
}

CString SkinAttributeText(pug::CPugXmlBranch element, const WCHAR* name) {
    const WCHAR* value = FindSkinAttribute(element, name);
    return value != nullptr ? CString(value) : CString();
}

int SkinInteger(const WCHAR* text) {
    return text != nullptr ? _wtoi(text) : 0;
}

bool SkinBoolean(const WCHAR* text) {
    return SkinInteger(text) != 0;
}

int SkinCaps(const WCHAR* text) {
    if (text == nullptr) {
        return 0;
    }
    switch (text[0]) {
    case u'U':
        return 1;
    case u'L':
        return 2;
    default:
        return 0;
    }
}

LONG SkinColour(const WCHAR* text) {
    return text != nullptr ? FindColourByName(text) : -1;
}

LONG SkinItemId(const WCHAR* text) {
    return text != nullptr ? FindSkinItemId(text) : -1;
}

SkinJustify ReadSkinJustify(pug::CPugXmlBranch element) {
    const WCHAR* value = FindSkinAttribute(element, u"justify");
    if (value == nullptr) {
        return SkinJustify::Left;
    }
    switch (value[0]) {
    case u'R':
        return SkinJustify::Right;
    case u'C':
        return SkinJustify::Centre;
    default:
        return SkinJustify::Left;
    }
}

UINT SkinJustifyTextAlignment(SkinJustify justify) {
    switch (justify) {
    case SkinJustify::Right:
        return DT_RIGHT;
    case SkinJustify::Centre:
        return DT_CENTER;
    case SkinJustify::Left:
        break;
    }
    return DT_LEFT;
}

DWORD SkinJustifyButtonStyle(SkinJustify justify) {
    switch (justify) {
    case SkinJustify::Right:
        return BS_RIGHT;
    case SkinJustify::Centre:
        return BS_CENTER;
    case SkinJustify::Left:
        break;
    }
    return BS_LEFT;
}

UINT SkinLabelTextFormat(SkinJustify justify, bool multiline, UINT current) {
    const UINT alignment = SkinJustifyTextAlignment(justify);
    if (alignment != 0) {
        return multiline ? (alignment | DT_WORDBREAK) : (alignment | DT_SINGLELINE | DT_VCENTER);
    }
    return multiline ? DT_WORDBREAK : current;
}

const LangOverride* FindSkinOverride(int itemId, const WCHAR* attributeName) {
    return CLangTable::GetOverride(CurrentLangTable, itemId, attributeName);
}

std::optional<CString> ReadSkinOverriddenAttribute(pug::CPugXmlBranch element, int itemId,
                                                   const WCHAR* name) {
    const WCHAR* value = FindSkinAttribute(element, name);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (const LangOverride* entry = FindSkinOverride(itemId, name)) {
        return entry->GetText();
    }
    return CString(value);
}

int ReadSkinCapsAttribute(pug::CPugXmlBranch element, int itemId) {
    const std::optional<CString> value = ReadSkinOverriddenAttribute(element, itemId, u"caps");
    return value ? SkinCaps(value->GetString()) : 0;
}

bool ReadSkinLabelMultiline(pug::CPugXmlBranch element, int itemId) {
    const std::optional<CString> value = ReadSkinOverriddenAttribute(element, itemId, u"multiline");
    return value && SkinInteger(value->GetString()) == 1;
}

std::optional<COLORREF> ReadSkinColourAttribute(pug::CPugXmlBranch element, const WCHAR* name) {
    const LONG colour = SkinColour(FindSkinAttribute(element, name));
    if (colour == -1) {
        return std::nullopt;
    }
    return static_cast<COLORREF>(colour);
}

CString ReadSkinChildText(pug::CPugXmlBranch element, const WCHAR* childName) {
    if (element.IsEmpty()) {
        return {};
    }
    const pug::CPugXmlBranch child = element.FindByName(childName);
    return child.IsEmpty() ? CString() : ReadSkinText(child);
}

HBITMAP LoadSkinPicture(const WCHAR* key) {
    if (key == nullptr || key[0] == 0) {
        return nullptr;
    }
    return SkinResourceCache::Find(key, SKINRES_PICTURE)->GetBitmap();
}

RECT ReadSkinElementRect(const SkinElementContext& context, int itemId) {
    return ReadSkinItemRect(context.firstRect, itemId);
}

RECT SkinWindowRect(const RECT& itemRect) {
    return RECT{itemRect.left, itemRect.top, AddSkinExtent(itemRect.left, itemRect.right),
                AddSkinExtent(itemRect.top, itemRect.bottom)};
}

std::optional<CFontItem*> ResolveSkinFont(const SkinElementContext& context, int itemId) {
    LONG fontId = SkinItemId(FindSkinAttribute(context.element, u"fontid"));
    if (fontId == -1) {
        return std::nullopt;
    }
    if (const LangOverride* entry = FindSkinOverride(itemId, u"fontid")) {
        fontId = SkinItemId(entry->GetText().GetString());
    } else {
        fontId = CLangTable::MapFontId(fontId);
    }
    if (fontId == -1 || context.items == nullptr) {
        return nullptr;
    }
    CGUIItem* item = FindGUIItemById(*context.items, fontId);
    if (item == nullptr || item->type != GUIITEM_FONTITEM) {
        return nullptr;
    }
    return dynamic_cast<CFontItem*>(item);
}
