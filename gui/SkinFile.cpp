#include "gui/SkinFile.h"

#include "gui/LangTable.h"
#include "gui/PanelBitmap.h"
#include "gui/SkinCreators.h"
#include "gui/SkinLanguage.h"
#include "gui/SkinListCreators.h"
#include "gui/SkinResourceCache.h"
#include "gui/SkinSliderCreators.h"
#include "gui/xml/PugXmlArray.h"
#include "gui/xml/PugXmlParser.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/framework/CWnd.h"
#include "platform/gdi/Gdi.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

using pug::CPugXmlBranch;
using pug::CPugXmlBranchArray;

namespace {

// How many elements of one item name a list element gives its creator.
enum class Take { All, First };

struct ItemElement {
    const WCHAR* name;
    Take take;
};

struct ListElement {
    const WCHAR* name; // null: the item elements stand anywhere below the frame
    std::initializer_list<ItemElement> items;
};

// The order in which the loader reads a skin, so that fonts and bitmap items exist before
// the widgets that name them.
const ListElement kReadingOrder[] = {
    {u"LANGLIST", {{u"LANG", Take::All}}},
    {u"FONTLIST", {{u"FONT", Take::All}}},
    {u"BITMAPLIST", {{u"BITMAPITEM", Take::All}, {u"BITMAPWINDOW", Take::All}}},
    {u"BUTTONLIST",
     {{u"BUTTON", Take::All}, {u"PROFBUTTON", Take::First}, {u"AVIBUTTON", Take::First}}},
    {u"SLIDERLIST",
     {{u"VSLIDER", Take::All},
      {u"HSLIDERM", Take::All},
      {u"HSLIDERMAPM", Take::All},
      {u"DMARKER", Take::All}}},
    {u"TEXTLIST", {{u"TEXTITEM", Take::All}}},
    {u"DPISTAGELIST", {{u"DPISTAGEWINDOW", Take::All}}},
    {nullptr, {{u"MACRODISPLAY", Take::First}}},
    {u"COMBOLIST", {{u"LISTCTRL", Take::All}, {u"COMBO", Take::All}, {u"COMBOCOLOR", Take::All}}},
    {u"LISTPANELLIST", {{u"LISTPANEL", Take::All}}},
    {u"EDITCTRLLIST", {{u"EDITCTRL", Take::All}, {u"EDITCTRLSK", Take::All}}},
};

std::map<std::u16string, SkinElementCreator>& Creators() {
    static std::map<std::u16string, SkinElementCreator> creators = [] {
        std::map<std::u16string, SkinElementCreator> builtIn;
        builtIn[u"LANG"] = CreateSkinLanguage;
        builtIn[u"FONT"] = LoadSkinFont;
        builtIn[u"BITMAPITEM"] = CreateSkinBitmapItem;
        builtIn[u"BITMAPWINDOW"] = CreateSkinBitmapWindow;
        builtIn[u"BUTTON"] = CreateSkinButton;
        builtIn[u"PROFBUTTON"] = CreateSkinProfileButton;
        builtIn[u"AVIBUTTON"] = CreateSkinAviButton;
        builtIn[u"TEXTITEM"] = CreateSkinText;
        builtIn[u"VSLIDER"] = CreateSkinVertSlider;
        builtIn[u"HSLIDERM"] = CreateSkinMultiSlider;
        builtIn[u"HSLIDERMAPM"] = CreateSkinApmSlider;
        builtIn[u"DMARKER"] = CreateSkinMarker;
        builtIn[u"DPISTAGEWINDOW"] = CreateSkinDpiStageWindow;
        builtIn[u"MACRODISPLAY"] = CreateSkinMacroDisplay;
        builtIn[u"LISTCTRL"] = CreateSkinListCtrl;
        builtIn[u"COMBO"] = CreateSkinCombo;
        builtIn[u"COMBOCOLOR"] = CreateSkinColorCombo;
        builtIn[u"LISTPANEL"] = CreateSkinListPanel;
        builtIn[u"EDITCTRL"] = CreateSkinEdit;
        builtIn[u"EDITCTRLSK"] = CreateSkinKeyEdit;
        return builtIn;
    }();
    return creators;
}

int ReadIntAttribute(CPugXmlBranch element, const WCHAR* name) {
    return _wtoi(element.Attribute(name).GetValue());
}

// Creates one item and appends it; true when something was made.
bool CreateItem(const SkinElementCreator& creator, CPugXmlBranch element, CWnd* parent,
                CGUIItemList& list, int position) {
    SkinElementContext context;
    context.element = element;
    context.parent = parent;
    context.items = &list;
    context.firstRect = element.FindByName(u"RECT");
    context.position = position;
    std::unique_ptr<CGUIItem> item = creator(context);
    if (item == nullptr) {
        return false;
    }
    list.Add(std::move(item));
    return true;
}

void ReadItemElements(CPugXmlBranch container, const ItemElement& itemElement, CWnd* parent,
                      CGUIItemList& list) {
    const SkinElementCreator creator = FindSkinElementCreator(itemElement.name);
    if (!creator) {
        return;
    }
    if (itemElement.take == Take::First) {
        CPugXmlBranch first = container.FindByName(itemElement.name);
        if (!first.IsEmpty()) {
            CreateItem(creator, first, parent, list, 0);
        }
        return;
    }
    CPugXmlBranchArray found;
    container.FindAllByName(itemElement.name, found);
    const bool numbered = std::u16string_view(itemElement.name) == u"DPISTAGEWINDOW";
    for (int i = 0; i < found.GetCount(); ++i) {
        CreateItem(creator, found.GetBranch(i), parent, list, numbered ? i + 1 : 0);
    }
}

} // namespace

SkinElementCreator RegisterSkinElementCreator(const WCHAR* elementName,
                                              SkinElementCreator creator) {
    if (elementName == nullptr) {
        return {};
    }
    auto& creators = Creators();
    SkinElementCreator previous;
    const auto found = creators.find(elementName);
    if (found != creators.end()) {
        previous = std::move(found->second);
        creators.erase(found);
    }
    if (creator) {
        creators[elementName] = std::move(creator);
    }
    return previous;
}

SkinElementCreator FindSkinElementCreator(const WCHAR* elementName) {
    if (elementName == nullptr) {
        return {};
    }
    const auto& creators = Creators();
    const auto found = creators.find(elementName);
    return found == creators.end() ? SkinElementCreator() : found->second;
}

namespace {

CString SkinFilePath(const WCHAR* fileName) {
    return CString(ExeFolder) + u"xml\\" + (fileName == nullptr ? u"" : fileName);
}

} // namespace

void LoadSkinPicturesAhead(const WCHAR* fileName) {
    auto parser = std::make_unique<pug::CPugXmlParser>();
    if (!parser->ParseFile(SkinFilePath(fileName))) {
        return;
    }
    CPugXmlBranch frame = parser->GetRoot().FindByName(u"GUIPANEL");
    if (frame.IsEmpty()) {
        return;
    }
    for (const WCHAR* name : {u"BACKGROUND", u"MASK"}) {
        if (CPugXmlBranch element = frame.FindByName(name); !element.IsEmpty()) {
            SkinResourceCache::LoadPictureAhead(ReadSkinText(element));
        }
    }
}

void DropSkinPicturesAhead() {
    SkinResourceCache::DropPicturesAhead();
}

namespace {

// LoadSkinPanel; wholeFrame tells whether the file was read and its frame was whole.
bool LoadSkinFrameAndItems(const WCHAR* path, CGUIItemList& list, CWnd* parent, bool& wholeFrame) {
    wholeFrame = false;
    auto parser = std::make_unique<pug::CPugXmlParser>();
    if (!parser->ParseFile(path)) {
        return false;
    }
    const int countBefore = list.GetCount();
    CPugXmlBranch root = parser->GetRoot();
    CPugXmlBranch frame = root.FindByName(u"GUIPANEL");
    if (!frame.IsEmpty()) {
        // The mask is read and decoded on a helper thread while the background is here.
        CPugXmlBranch maskElement = frame.FindByName(u"MASK");
        const CString maskKey = maskElement.IsEmpty() ? CString() : ReadSkinText(maskElement);
        if (!maskElement.IsEmpty()) {
            SkinResourceCache::LoadPictureAhead(maskKey);
        }
        if (!LoadSkinPanelBitmap(frame, parent, u"BACKGROUND", list)) {
            if (!maskElement.IsEmpty()) {
                SkinResourceCache::DropPictureAhead(maskKey);
            }
            return false;
        }
        if (!LoadSkinPanelBitmap(frame, parent, u"MASK", list)) {
            return false;
        }
    } else {
        frame = root.FindByName(u"ITEMLIST");
        if (frame.IsEmpty()) {
            return false;
        }
    }
    wholeFrame = true;
    for (const ListElement& listElement : kReadingOrder) {
        CPugXmlBranch container = frame;
        if (listElement.name != nullptr) {
            container = frame.FindByName(listElement.name);
            if (container.IsEmpty()) {
                continue;
            }
        }
        for (const ItemElement& itemElement : listElement.items) {
            ReadItemElements(container, itemElement, parent, list);
        }
    }
    return list.GetCount() > countBefore;
}

} // namespace

bool LoadSkinFile(CGUIItemList& list, const WCHAR* fileName, CWnd* parent) {
    return LoadSkinPanel(SkinFilePath(fileName), list, parent);
}

bool LoadSkinFile(CGUIItemList& list, const WCHAR* fileName, CWnd* parent, CString& failedFile) {
    const CString path = SkinFilePath(fileName);
    const SkinReadFailures failures;
    bool wholeFrame = false;
    const bool loaded = LoadSkinFrameAndItems(path, list, parent, wholeFrame);
    if (!failures.Files().empty()) {
        failedFile = failures.Files().front();
    } else {
        failedFile = wholeFrame ? CString() : path;
    }
    return loaded;
}

bool LoadSkinPanel(const WCHAR* path, CGUIItemList& list, CWnd* parent) {
    bool wholeFrame = false;
    return LoadSkinFrameAndItems(path, list, parent, wholeFrame);
}

bool LoadSkinPanelBitmap(CPugXmlBranch frame, CWnd* parent, const WCHAR* elementName,
                         CGUIItemList& list) {
    CPugXmlBranch element = frame.FindByName(elementName);
    if (element.IsEmpty()) {
        return false;
    }
    const CString key = ReadSkinText(element);
    const SkinResource* picture = SkinResourceCache::Find(key, SKINRES_PICTURE);
    if (picture == nullptr || picture->GetBitmap() == nullptr) {
        return false;
    }
    BITMAP info{};
    if (GetObjectW(picture->GetBitmap(), sizeof(info), &info) == 0) {
        return false;
    }
    // Every bitmap of this platform has the display's 32-bit format, so a memory context
    // gives the copy the same format the parent window's context would.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP copy = nullptr;
    CopyBitmapSection(copy, dc, picture->GetBitmap(), 0, 0, info.bmWidth, info.bmHeight);
    DeleteDC(dc);
    if (copy == nullptr) {
        return false;
    }
    auto item = std::make_unique<CPanelBitmap>();
    item->AttachBitmap(copy);
    item->id = FindSkinItemId(elementName);
    item->parent = parent;
    list.Add(std::move(item));
    return true;
}

RECT ReadSkinRect(CPugXmlBranch element, int mode) {
    const int top = ReadIntAttribute(element, u"top");
    const int left = ReadIntAttribute(element, u"left");
    const int right = ReadIntAttribute(element, u"right");
    const int bottom = ReadIntAttribute(element, u"bottom");
    if (mode == 1) {
        return RECT{left, top, AddSkinExtent(left, right), AddSkinExtent(top, bottom)};
    }
    return RECT{left, top, right, bottom};
}

RECT ReadSkinItemRect(CPugXmlBranch rectElement, int itemId) {
    RECT rc = ReadSkinRect(rectElement, 0);
    if (const LangOverride* entry = CLangTable::GetOverride(CurrentLangTable, itemId, u"RECT")) {
        entry->GetRect(rc);
    }
    return rc;
}

CWnd* ResolveSkinParentWindow(const SkinElementContext& context, const WCHAR* attributeName) {
    const pug::XMLATTR attribute = context.element.FindAttribute(attributeName);
    if (attribute.IsNull() || context.items == nullptr) {
        return context.parent;
    }
    const LONG id = FindSkinItemId(attribute.GetValue());
    if (id == -1) {
        return context.parent;
    }
    CGUIItem* item = FindGUIItemById(*context.items, id);
    if (item == nullptr || item->type != GUIITEM_BITMAPITEM) {
        return context.parent;
    }
    auto* window = dynamic_cast<CWnd*>(item);
    return window != nullptr ? window : context.parent;
}

SIZE ReadSkinSize(CPugXmlBranch element) {
    return SIZE{ReadIntAttribute(element, u"width"), ReadIntAttribute(element, u"height")};
}

CString ReadSkinText(CPugXmlBranch element) {
    WCHAR buffer[pug::CPugXmlBranch::kMaxText + 1] = {};
    if (element.GetText(buffer) == nullptr) {
        return {};
    }
    CString text(buffer);
    text.Trim();
    return text;
}

int ReadSkinItemId(CPugXmlBranch element) {
    const pug::XMLATTR name = element.FindAttribute(u"name");
    if (name.IsNull()) {
        return -1;
    }
    return FindSkinItemId(name.GetValue());
}

HBITMAP LoadSkinPictureOfChild(CPugXmlBranch element, const WCHAR* childName) {
    CPugXmlBranch child = element.FindByName(childName);
    if (child.IsEmpty()) {
        return nullptr;
    }
    const CString key = ReadSkinText(child);
    if (key.IsEmpty()) {
        return nullptr;
    }
    return SkinResourceCache::Find(key, SKINRES_PICTURE)->GetBitmap();
}

int LoadSkinScrollBitmaps(CPugXmlBranch vscroll, HBITMAP* thumb, HBITMAP* top, HBITMAP* bottom,
                          HBITMAP* arrowUp, HBITMAP* arrowDown, HBITMAP* spin) {
    HBITMAP thumbPicture = LoadSkinPictureOfChild(vscroll, u"VSBMP_TMB");
    BITMAP info{};
    if (thumbPicture == nullptr || GetObjectW(thumbPicture, sizeof(info), &info) == 0) {
        return 0;
    }
    const std::pair<HBITMAP*, const WCHAR*> parts[] = {
        {thumb, nullptr},        {top, u"VSBMP_TOP"},       {bottom, u"VSBMP_BOT"},
        {arrowUp, u"VSBMP_AUP"}, {arrowDown, u"VSBMP_ADN"}, {spin, u"VSBMP_SPN"},
    };
    for (const auto& [out, name] : parts) {
        if (out != nullptr) {
            *out = name == nullptr ? thumbPicture : LoadSkinPictureOfChild(vscroll, name);
        }
    }
    return info.bmWidth;
}

HBITMAP LoadSkinStateBitmap(CPugXmlBranch element, const WCHAR* childName, int itemId, bool enabled,
                            COLORREF* colour) {
    if (!enabled) {
        return nullptr;
    }
    CPugXmlBranch child = element.FindByName(childName);
    if (child.IsEmpty()) {
        return nullptr;
    }
    const pug::XMLATTR fontColour = child.FindAttribute(u"fontclr");
    if (!fontColour.IsNull() && colour != nullptr) {
        const LONG value = FindColourByName(fontColour.GetValue());
        if (value != -1) {
            *colour = static_cast<COLORREF>(value);
        }
    }
    if (const LangOverride* entry = CLangTable::GetOverride(CurrentLangTable, itemId, childName)) {
        const CString key = entry->GetText().Trim();
        if (!key.IsEmpty()) {
            if (HBITMAP picture = SkinResourceCache::Find(key, SKINRES_PICTURE)->GetBitmap()) {
                return picture;
            }
        }
    }
    const CString key = ReadSkinText(child);
    if (key.IsEmpty()) {
        return nullptr;
    }
    return SkinResourceCache::Find(key, SKINRES_PICTURE)->GetBitmap();
}
