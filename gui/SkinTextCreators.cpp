// The creators of TEXTITEM and FONT elements.
#include "gui/BitmapBtn.h"
#include "gui/FontItem.h"
#include "gui/SkinCreatorRules.h"
#include "gui/SkinCreators.h"
#include "gui/SkinResourceCache.h"
#include "gui/TextItem.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/WinUser.h"

namespace {

// The check-box button that `checkboxid` names, when it is a bitmap button in check-box mode.
CBitmapBtn* FindLinkedCheckBox(const SkinElementContext& context) {
    const WCHAR* name = FindSkinAttribute(context.element, u"checkboxid");
    const LONG id = SkinItemId(name);
    if (id == -1 || context.items == nullptr) {
        return nullptr;
    }
    CGUIItem* item = FindGUIItemById(*context.items, id);
    if (item == nullptr || item->type != GUIITEM_BITMAPBTN) {
        return nullptr;
    }
    auto* button = dynamic_cast<CBitmapBtn*>(item);
    return button != nullptr && button->checkBoxMode != 0 ? button : nullptr;
}

} // namespace

std::unique_ptr<CGUIItem> CreateSkinText(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    const CString textKey = SkinAttributeText(element, u"textkey");
    const int caps = ReadSkinCapsAttribute(element, itemId);
    auto text = std::make_unique<CTextItem>(textKey, caps);
    text->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);

    // A windowid naming no bitmap item leaves the label on the panel.
    CWnd* parentWnd = ResolveSkinParentWindow(context, u"windowid");
    const SkinJustify justify = ReadSkinJustify(element);
    const bool multiline = ReadSkinLabelMultiline(element, itemId);
    const std::optional<COLORREF> textColor = ReadSkinColourAttribute(element, u"fontclr");
    const std::optional<COLORREF> hoverColor = ReadSkinColourAttribute(element, u"fontclrhi");
    const bool interactive = SkinBoolean(FindSkinAttribute(element, u"interactive"));
    text->checkBox = FindLinkedCheckBox(context);

    // The justification acts through the text format only: the window is owner-drawn.
    const DWORD style = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | (interactive ? SS_NOTIFY : 0);
    if (parentWnd == nullptr ||
        !text->Create(u"", style, SkinWindowRect(itemRect), parentWnd, static_cast<UINT>(itemId))) {
        return nullptr;
    }
    text->textFormat = SkinLabelTextFormat(justify, multiline, text->textFormat);
    if (const std::optional<CFontItem*> font = ResolveSkinFont(context, itemId)) {
        text->SetFontItem(*font);
    }
    if (textColor) {
        text->textColor = *textColor;
    }
    if (hoverColor) {
        text->hoverColor = *hoverColor;
    }

    text->id = itemId;
    text->type = GUIITEM_TEXTITEM;
    text->hwnd = text->m_hWnd;
    text->parent = parentWnd;
    return text;
}

std::unique_ptr<CGUIItem> LoadSkinFont(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    LOGFONTW description{};
    description.lfPitchAndFamily = FF_SWISS;
    const CString typeface = SkinAttributeText(element, u"typeface");
    if (!typeface.IsEmpty()) {
        // The face name field holds LF_FACESIZE - 1 characters: a longer name is cut.
        wcsncpy_s(description.lfFaceName, LF_FACESIZE, typeface.GetString(), LF_FACESIZE - 1);
    }
    const int pitch = SkinInteger(FindSkinAttribute(element, u"pitch"));
    if (pitch > 0) {
        description.lfHeight = pitch;
    }
    const int weight = SkinInteger(FindSkinAttribute(element, u"boldlevel"));
    if (weight > 0) {
        description.lfWeight = weight;
    }
    // A font file of the skin is registered first, so that the face can come from it.
    const CString fontFile = ReadSkinText(element);
    if (!fontFile.IsEmpty()) {
        SkinResourceCache::Find(fontFile, SKINRES_FONTFILE);
    }
    auto font = std::make_unique<CFontItem>();
    if (!font->CreateFontIndirect(&description)) {
        return nullptr;
    }
    font->id = itemId;
    font->type = GUIITEM_FONTITEM;
    font->hwnd = nullptr;
    font->parent = context.parent;
    return font;
}
