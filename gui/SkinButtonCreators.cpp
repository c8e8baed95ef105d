// The creators of BUTTON, PROFBUTTON and AVIBUTTON elements.
#include "gui/AVIButton.h"
#include "gui/BitmapBtn.h"
#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "gui/ProfileBtn.h"
#include "gui/SkinCreatorRules.h"
#include "gui/SkinCreators.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/WinUser.h"

namespace {

// The text format of a button caption: the alignment, edit-control wrapping, and a single
// vertically centred line unless multi-line.
UINT ButtonTextFormat(UINT alignment, bool multiline) {
    const UINT common = alignment | DT_EDITCONTROL | DT_MODIFYSTRING;
    return multiline ? (common | DT_WORDBREAK | DT_VCENTER)
                     : (common | DT_SINGLELINE | DT_WORDBREAK | DT_VCENTER);
}

// `multiline` of a button: the boolean when present (default false); a language's override
// replaces it.
bool ReadButtonMultiline(pug::CPugXmlBranch element, int itemId) {
    bool multiline = SkinBoolean(FindSkinAttribute(element, u"multiline"));
    if (const LangOverride* entry = FindSkinOverride(itemId, u"multiline")) {
        multiline = SkinBoolean(entry->GetText().GetString());
    }
    return multiline;
}

} // namespace

std::unique_ptr<CGUIItem> CreateSkinButton(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    const CString tooltip = SkinAttributeText(element, u"tooltip");
    const bool checkBox = SkinBoolean(FindSkinAttribute(element, u"ischeckbox"));

    auto button = std::make_unique<CBitmapBtn>();
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    button->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);

    // A dynamic button gets its looks from the program, not from the skin.
    const bool dynamic = SkinBoolean(FindSkinAttribute(element, u"dynamic"));
    HBITMAP pictures[4] = {}; // indexed by SkinButtonState
    HBITMAP mask = nullptr;
    if (!dynamic) {
        const struct {
            const WCHAR* child;
            SkinButtonState state;
        } states[] = {{u"SBMN", BTN_STATE_NORMAL},
                      {u"SBMD", BTN_STATE_DOWN},
                      {u"SBMO", BTN_STATE_OVER},
                      {u"SBMDS", BTN_STATE_DISABLED}};
        for (const auto& [child, state] : states) {
            pictures[state] =
                LoadSkinStateBitmap(element, child, itemId, true, &button->textColors[state]);
            if (pictures[state] == nullptr) {
                return nullptr;
            }
        }
        const pug::CPugXmlBranch maskChild = element.FindByName(u"SBMM");
        if (!maskChild.IsEmpty()) {
            mask = LoadSkinPicture(ReadSkinText(maskChild));
            if (mask == nullptr) {
                return nullptr;
            }
        }
    }

    const SkinJustify justify = ReadSkinJustify(element);
    const bool multiline = ReadButtonMultiline(element, itemId);
    CWnd* parentWnd = ResolveSkinParentWindow(context, u"windowid");
    const DWORD style = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | BS_MULTILINE | BS_VCENTER |
                        SkinJustifyButtonStyle(justify);
    if (parentWnd == nullptr ||
        !button->Create(u"", style, SkinWindowRect(itemRect), parentWnd, 0)) {
        return nullptr;
    }
    button->textFormat = ButtonTextFormat(SkinJustifyTextAlignment(justify), multiline);

    if (const std::optional<CFontItem*> font = ResolveSkinFont(context, itemId)) {
        const HGDIOBJ handle = *font != nullptr ? (*font)->GetSafeHandle() : nullptr;
        button->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
        button->font = *font;
    }

    SIZE imageSize{itemRect.right, itemRect.bottom};
    const pug::CPugXmlBranch sizeElement = element.FindByName(u"BMPSZ");
    if (!sizeElement.IsEmpty()) {
        imageSize = ReadSkinSize(sizeElement);
    }
    if (!dynamic) {
        button->SetMaskRegion(mask, pictures[BTN_STATE_NORMAL], pictures[BTN_STATE_OVER],
                              pictures[BTN_STATE_DOWN], pictures[BTN_STATE_DISABLED], 0, 0,
                              imageSize.cx, imageSize.cy);
    }

    button->SetToolTip(tooltip);
    button->checkBoxMode = checkBox ? 1 : 0;

    if (const WCHAR* caption = FindSkinAttribute(element, u"caption")) {
        button->SetCaption(caption, ReadSkinCapsAttribute(element, itemId));
    }

    button->id = itemId;
    button->type = GUIITEM_BITMAPBTN;
    button->hwnd = button->m_hWnd;
    button->parent = parentWnd;
    return button;
}

std::unique_ptr<CGUIItem> CreateSkinProfileButton(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    const CString tooltip = SkinAttributeText(element, u"tooltip");
    const RECT itemRect = ReadSkinElementRect(context, itemId);

    // Normal, over, down, disabled: every one must be there.
    const WCHAR* const children[4] = {u"SBMN", u"SBMO", u"SBMD", u"SBMDS"};
    HBITMAP pictures[4] = {};
    for (int i = 0; i < 4; ++i) {
        const pug::CPugXmlBranch child = element.FindByName(children[i]);
        if (child.IsEmpty()) {
            return nullptr;
        }
        pictures[i] = LoadSkinPicture(ReadSkinText(child));
    }

    auto button = std::make_unique<CProfileBtn>();
    button->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    const RECT windowRect = SkinWindowRect(itemRect);
    if (context.parent == nullptr ||
        !button->Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, windowRect, context.parent, 0)) {
        return nullptr;
    }
    // The pictures are panel-sized: each button cuts its own place out of them.
    button->LoadBitmaps(pictures[0], pictures[1], pictures[2], pictures[3], windowRect.left,
                        windowRect.top, windowRect.right, windowRect.bottom);
    button->SetToolTip(tooltip);

    button->id = itemId;
    button->type = GUIITEM_PROFILEBTN;
    button->hwnd = button->m_hWnd;
    button->parent = context.parent;
    return button;
}

std::unique_ptr<CGUIItem> CreateSkinAviButton(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    auto button = std::make_unique<CAVIButton>();
    button->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    // A missing child names nothing.
    const CString video = ReadSkinChildText(element, u"VIDEO");
    button->SetVideo(video);
    button->SetSound(ReadSkinChildText(element, u"SOUND"));
    if (context.parent == nullptr || !button->Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                                                     SkinWindowRect(itemRect), context.parent, 0)) {
        return nullptr;
    }
    // The face comes from the skin like the other buttons' pictures: SBMN, kept whole.
    if (HBITMAP face = LoadSkinPicture(ReadSkinChildText(element, u"SBMN"))) {
        BITMAP info{};
        if (GetObjectW(face, sizeof(info), &info) != 0) {
            CutSkinBitmap(button->face, button.get(), face, 0, 0, info.bmWidth, info.bmHeight);
        }
    }
    // Our clips are skin pictures holding their frames side by side: VIDEO's `frames` and
    // `frametime` (ms) say how many and how long each shows. Registered once by name.
    const pug::CPugXmlBranch clipElement = element.FindByName(u"VIDEO");
    const int frames = SkinInteger(FindSkinAttribute(clipElement, u"frames"));
    if (!video.IsEmpty() && frames > 0 && !HasAnimationClip(video.GetString())) {
        if (HBITMAP strip = LoadSkinPicture(video)) {
            AddAnimationClip(
                video.GetString(), strip, frames,
                static_cast<UINT>(SkinInteger(FindSkinAttribute(clipElement, u"frametime"))));
        }
    }
    button->id = itemId;
    button->type = GUIITEM_AVIBUTTON;
    button->hwnd = button->m_hWnd;
    button->parent = context.parent;
    return button;
}
