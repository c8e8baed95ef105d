// The creators of BITMAPITEM and BITMAPWINDOW elements.
#include "gui/BitmapItem.h"
#include "gui/BitmapWindow.h"
#include "gui/FontItem.h"
#include "gui/SkinCreatorRules.h"
#include "gui/SkinCreators.h"
#include "model/NameTables.h"
#include "platform/ui/WinUser.h"

namespace {

// The control id of bitmap items and framed boxes: their id field before it is filled in.
constexpr UINT kUnsetControlId = static_cast<UINT>(-1);

// The two views of the mouse are pictures only and take no input.
bool IsDisabledView(int itemId) {
    return itemId == FindSkinItemId(u"BITMAP_VIEWPLAN") ||
           itemId == FindSkinItemId(u"BITMAP_VIEWSIDE");
}

} // namespace

std::unique_ptr<CGUIItem> CreateSkinBitmapItem(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    HBITMAP picture = LoadSkinPicture(ReadSkinChildText(element, u"SBMN"));
    if (picture == nullptr) {
        return nullptr;
    }
    HBITMAP mask = LoadSkinPicture(ReadSkinChildText(element, u"SBMM"));
    const RECT itemRect = ReadSkinElementRect(context, itemId);

    auto item = std::make_unique<CBitmapItem>();
    item->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    const DWORD style = WS_CHILD | WS_VISIBLE | (IsDisabledView(itemId) ? WS_DISABLED : 0);
    const RECT windowRect = SkinWindowRect(itemRect);
    if (context.parent == nullptr ||
        !item->Create(nullptr, u"", style, windowRect, context.parent, kUnsetControlId)) {
        return nullptr;
    }
    if (mask != nullptr) {
        item->SetRegion(mask, picture, windowRect.left, windowRect.top, windowRect.right,
                        windowRect.bottom);
    } else {
        item->SetBitmap(picture, windowRect.left, windowRect.top, windowRect.right,
                        windowRect.bottom);
    }
    // The hwnd field stays unset: a bitmap item is never taken for a message's sender.
    item->id = itemId;
    item->type = GUIITEM_BITMAPITEM;
    item->parent = context.parent;
    return item;
}

std::unique_ptr<CGUIItem> CreateSkinBitmapWindow(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    CString key = ReadSkinChildText(element, u"SBMDS");
    HBITMAP content = LoadSkinPicture(key);
    if (content == nullptr) {
        return nullptr;
    }
    // A missing frame takes the key read just before it.
    HBITMAP frames[3] = {}; // normal, over, active
    const WCHAR* const frameChildren[3] = {u"SBMN", u"SBMO", u"SBMD"};
    for (int i = 0; i < 3; ++i) {
        const pug::CPugXmlBranch child = element.FindByName(frameChildren[i]);
        if (!child.IsEmpty()) {
            key = ReadSkinText(child);
        }
        frames[i] = LoadSkinPicture(key);
    }
    // The mask is read only when the element also carries an SBMM attribute.
    HBITMAP mask = nullptr;
    if (FindSkinAttribute(element, u"SBMM") != nullptr) {
        mask = LoadSkinPicture(ReadSkinChildText(element, u"SBMM"));
    }
    const std::optional<COLORREF> textColor = ReadSkinColourAttribute(element, u"fontclr");
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    const CString tooltip = SkinAttributeText(element, u"tooltip");
    const int caps = ReadSkinCapsAttribute(element, itemId);
    const bool multiline = ReadSkinLabelMultiline(element, itemId);

    auto box = std::make_unique<CBitmapWindow>();
    box->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    const RECT windowRect = SkinWindowRect(itemRect);
    // The host bitmap item named by windowid, else the panel.
    CWnd* parentWnd = ResolveSkinParentWindow(context, u"windowid");
    if (parentWnd == nullptr ||
        !box->Create(nullptr, u"", WS_CHILD | WS_VISIBLE, windowRect, parentWnd, kUnsetControlId)) {
        return nullptr;
    }
    box->SetBitmaps(content, frames[0], frames[1], frames[2], mask, windowRect.left, windowRect.top,
                    windowRect.right, windowRect.bottom);
    box->SetToolTip(tooltip);
    box->caps = caps;
    box->textFormat = SkinLabelTextFormat(ReadSkinJustify(element), multiline, box->textFormat);

    if (const std::optional<CFontItem*> font = ResolveSkinFont(context, itemId)) {
        const HGDIOBJ handle = *font != nullptr ? (*font)->GetSafeHandle() : nullptr;
        box->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
        box->font = *font;
    }
    if (textColor) {
        box->textColor = *textColor;
    }

    box->id = itemId;
    box->type = GUIITEM_BITMAPWINDOW;
    box->hwnd = box->m_hWnd;
    box->parent = parentWnd;
    return box;
}
