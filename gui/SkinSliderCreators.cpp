// The creators of VSLIDER, HSLIDERM, HSLIDERMAPM, DMARKER and DPISTAGEWINDOW elements.
#include "gui/SkinSliderCreators.h"

#include "gui/APMSlider.h"
#include "gui/BitmapItem.h"
#include "gui/DMarker.h"
#include "gui/DPIStageWindow.h"
#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "gui/PHSlider.h"
#include "gui/SkinCreatorRules.h"
#include "gui/SliderHMulti.h"
#include "gui/VertSlider.h"
#include "gui/xml/PugXmlArray.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/WinUser.h"

#include <algorithm>
#include <vector>

namespace {

// A slider carries at most as many thumbs as the mouse has sensitivity stages.
constexpr int kMaxStages = 5;

// A device-independent copy of a bitmap; null for none. The caller owns the copy.
HBITMAP CopyAsDib(HBITMAP source) {
    if (source == nullptr) {
        return nullptr;
    }
    return static_cast<HBITMAP>(CopyImage(source, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// The BMP bitmap (kind 1) of a trimmed key; null for an empty key or one that loads nothing.
HBITMAP LoadSkinBmp(const CString& key) {
    return key.IsEmpty() ? nullptr : LoadSkinBitmapByName(key.GetString());
}

// The thumb pictures of a slider: SBMN, and SBMO only when there is an SBMN.
struct ThumbPictures {
    HBITMAP normal = nullptr;
    HBITMAP over = nullptr;
};

ThumbPictures ReadThumbPictures(pug::CPugXmlBranch element) {
    ThumbPictures pictures;
    const pug::CPugXmlBranch normal = element.FindByName(u"SBMN");
    if (normal.IsEmpty()) {
        return pictures;
    }
    pictures.normal = LoadSkinBmp(ReadSkinText(normal));
    pictures.over = LoadSkinBmp(ReadSkinChildText(element, u"SBMO"));
    return pictures;
}

// The STAGE elements of the first STAGES below the element, at most kMaxStages.
std::vector<pug::CPugXmlBranch> ReadStages(pug::CPugXmlBranch element) {
    std::vector<pug::CPugXmlBranch> stages;
    const pug::CPugXmlBranch list = element.FindByName(u"STAGES");
    if (list.IsEmpty()) {
        return stages;
    }
    pug::CPugXmlBranchArray found;
    list.FindAllByName(u"STAGE", found);
    for (int i = 0; i < found.GetCount() && i < kMaxStages; ++i) {
        stages.push_back(found.GetBranch(i));
    }
    return stages;
}

// The bitmap item a `trackid` names in the list being filled; null when the attribute is no
// skin item name or names no bitmap item with a window (the slider needs both its window and
// its picture).
CBitmapItem* FindTrackItem(const SkinElementContext& context) {
    const LONG trackId = SkinItemId(FindSkinAttribute(context.element, u"trackid"));
    if (trackId == -1 || context.items == nullptr) {
        return nullptr;
    }
    auto* track = dynamic_cast<CBitmapItem*>(FindBitmapItemById(trackId, *context.items));
    return track != nullptr && track->m_hWnd != nullptr ? track : nullptr;
}

// The tooltip of a thumb: only for a STAGE with a `tooltip`; the current language's override
// of the slider's "tooltip" replaces it, and an override of "0" means none.
CString ThumbToolTip(pug::CPugXmlBranch stage, int sliderId) {
    const WCHAR* tooltip = FindSkinAttribute(stage, u"tooltip");
    if (tooltip == nullptr) {
        return {};
    }
    if (const LangOverride* entry = FindSkinOverride(sliderId, u"tooltip")) {
        const CString text = entry->GetText();
        return _wcsicmp(text.GetString(), u"0") == 0 ? CString() : text;
    }
    return CString(tooltip);
}

} // namespace

std::unique_ptr<CGUIItem> CreateSkinVertSlider(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    // The key is used as written. The slider takes its size from the picture: without one
    // there is nothing to drag.
    HBITMAP picture = LoadSkinPicture(SkinAttributeText(element, u"file").GetString());
    if (picture == nullptr) {
        return nullptr;
    }
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    const RECT windowRect = SkinWindowRect(itemRect);

    auto slider = std::make_unique<CVertSlider>();
    slider->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    if (!slider->Create(itemId, context.parent, picture, windowRect.left, windowRect.top,
                        windowRect.right, windowRect.bottom)) {
        return nullptr;
    }
    slider->SetBitmap(picture, windowRect.left, windowRect.top, windowRect.right,
                      windowRect.bottom);
    slider->id = itemId;
    slider->type = GUIITEM_VERTSLIDER;
    slider->hwnd = slider->m_hWnd;
    slider->parent = context.parent;
    return slider;
}

std::unique_ptr<CGUIItem> CreateSkinMultiSlider(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    const std::vector<pug::CPugXmlBranch> stages = ReadStages(element);
    if (stages.empty()) {
        return nullptr;
    }
    const int count = static_cast<int>(stages.size());
    auto slider = std::make_unique<CSliderHMulti>(
        std::make_unique<CPHSlider[]>(static_cast<size_t>(count)), count);
    const ThumbPictures pictures = ReadThumbPictures(element);
    slider->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    slider->id = itemId;

    CBitmapItem* track = FindTrackItem(context);
    if (track == nullptr) {
        return nullptr;
    }
    const RECT windowRect = SkinWindowRect(itemRect);
    if (!slider->SetBitmaps(track, CopyAsDib(pictures.normal), windowRect.left, windowRect.top,
                            windowRect.right, windowRect.bottom)) {
        return nullptr;
    }
    slider->SetTrackBitmap(track->bitmap, windowRect.left, windowRect.top, windowRect.right,
                           windowRect.bottom);

    const int width = windowRect.right - windowRect.left;
    const int height = windowRect.bottom - windowRect.top;
    for (int i = 0; i < count; ++i) {
        const pug::CPugXmlBranch stage = stages[static_cast<size_t>(i)];
        CPHSlider* thumb = slider->GetThumb(i);
        const CString stageName = ReadSkinText(stage);
        thumb->id = static_cast<int>(SkinItemId(stageName.GetString()));
        // Every thumb is shaped: the stage's id is passed as the shape.
        thumb->Create(CopyAsDib(pictures.normal), slider.get(), CopyAsDib(pictures.over), thumb->id,
                      0, 0, width, height);
        thumb->SetPos(i + 3);
        const CString tooltip = ThumbToolTip(stage, itemId);
        if (!tooltip.IsEmpty()) {
            thumb->SetToolTip(tooltip.GetString());
        }
        thumb->type = GUIITEM_PHSLIDER;
        thumb->hwnd = thumb->m_hWnd;
        thumb->parent = slider.get();
    }

    if (const WCHAR* interactive = FindSkinAttribute(element, u"interactive")) {
        slider->SetInteractive(SkinBoolean(interactive) ? TRUE : FALSE);
    }
    if (const WCHAR* offset = FindSkinAttribute(element, u"offset")) {
        slider->SetLeftOffset(SkinInteger(offset));
    }
    const WCHAR* leftOffset = FindSkinAttribute(element, u"loffset");
    const WCHAR* rightOffset = FindSkinAttribute(element, u"roffset");
    if (leftOffset != nullptr && rightOffset != nullptr) {
        slider->SetOffsets(SkinInteger(leftOffset), SkinInteger(rightOffset));
    }

    slider->type = GUIITEM_SLIDERHMULTI;
    slider->hwnd = slider->m_hWnd;
    slider->parent = track;
    return slider;
}

std::unique_ptr<CGUIItem> CreateSkinApmSlider(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    auto slider = std::make_unique<CAPMSlider>();
    slider->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    slider->id = itemId;
    const ThumbPictures pictures = ReadThumbPictures(element);

    CBitmapItem* track = FindTrackItem(context);
    if (track == nullptr) {
        return nullptr;
    }
    const RECT windowRect = SkinWindowRect(itemRect);
    if (!slider->Create(track, track->bitmap, pictures.normal, pictures.over, windowRect.left,
                        windowRect.top, windowRect.right, windowRect.bottom)) {
        return nullptr;
    }
    // The tickers, one per STAGE as for the multi-thumb slider, each with the stage's item id.
    for (const pug::CPugXmlBranch& stage : ReadStages(element)) {
        slider->AddTicker(static_cast<int>(SkinItemId(ReadSkinText(stage).GetString())));
    }
    slider->type = GUIITEM_APMSLIDER;
    slider->hwnd = slider->m_hWnd;
    slider->parent = track;
    slider->Init();
    return slider;
}

std::unique_ptr<CGUIItem> CreateSkinMarker(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    const RECT itemRect = ReadSkinElementRect(context, itemId);
    HBITMAP base = nullptr;
    HBITMAP mark = nullptr;
    const pug::CPugXmlBranch baseChild = element.FindByName(u"SBMN");
    if (!baseChild.IsEmpty()) {
        base = LoadSkinPicture(ReadSkinText(baseChild).GetString());
        mark = LoadSkinPicture(ReadSkinChildText(element, u"MARK").GetString());
    }
    const RECT windowRect = SkinWindowRect(itemRect);

    auto marker = std::make_unique<CDMarker>();
    marker->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);
    if (!marker->Create(windowRect, itemId, context.parent)) {
        return nullptr;
    }
    marker->SetBitmaps(base, mark, windowRect.left, windowRect.top, windowRect.right,
                       windowRect.bottom);
    marker->id = itemId;
    marker->type = GUIITEM_DMARKER;
    marker->hwnd = marker->m_hWnd;
    marker->parent = context.parent;
    return marker;
}

std::unique_ptr<CGUIItem> CreateSkinDpiStageWindow(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    auto tile = std::make_unique<CDPIStageWindow>(context.position);
    // The tile's rectangle takes no language override.
    const RECT itemRect = ReadSkinRect(context.firstRect, 0);
    tile->SetRect(itemRect.left, itemRect.top, itemRect.right, itemRect.bottom);

    std::vector<DpiStageBitmap> bitmaps;
    pug::CPugXmlBranchArray found;
    element.FindAllByName(u"BITMAP", found);
    for (int i = 0; i < found.GetCount(); ++i) {
        const pug::CPugXmlBranch bitmap = found.GetBranch(i);
        const WCHAR* name = FindSkinAttribute(bitmap, u"name");
        if (name == nullptr) {
            continue;
        }
        DpiStageBitmap record;
        record.name = name;
        record.picture = LoadSkinPicture(ReadSkinChildText(bitmap, u"BMP").GetString());
        record.mask = LoadSkinPicture(ReadSkinChildText(bitmap, u"BMPMASK").GetString());
        record.rect = ReadSkinRect(bitmap.FindByName(u"RECT"), 1);
        bitmaps.push_back(record);
    }
    std::vector<DpiStageTextArea> texts;
    pug::CPugXmlBranchArray areas;
    element.FindAllByName(u"TEXTAREA", areas);
    for (int i = 0; i < areas.GetCount(); ++i) {
        const pug::CPugXmlBranch area = areas.GetBranch(i);
        const WCHAR* name = FindSkinAttribute(area, u"name");
        if (name == nullptr) {
            continue;
        }
        DpiStageTextArea record;
        record.name = name;
        record.textKey = SkinAttributeText(area, u"textkey");
        record.rect = ReadSkinRect(area.FindByName(u"RECT"), 1);
        texts.push_back(record);
    }
    const std::optional<CFontItem*> font = ResolveSkinFont(context, itemId);

    // The window takes its control id from the id field, which is filled in only afterwards.
    const RECT windowRect = SkinWindowRect(itemRect);
    if (tile->LoadSkin(context.parent, windowRect, texts, bitmaps) && font && *font != nullptr) {
        tile->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>((*font)->GetSafeHandle()), TRUE);
    }
    tile->id = itemId;
    tile->type = GUIITEM_DPISTAGEWINDOW;
    tile->hwnd = tile->m_hWnd;
    tile->parent = context.parent;
    return tile;
}
