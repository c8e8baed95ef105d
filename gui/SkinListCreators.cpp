// The creators of LISTCTRL, COMBO, COMBOCOLOR, LISTPANEL, EDITCTRL, EDITCTRLSK and
// MACRODISPLAY elements.
#include "gui/SkinListCreators.h"

#include "gui/DropdownColorButton.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItem.h"
#include "gui/EditItemSingleKeyInput.h"
#include "gui/FontItem.h"
#include "gui/ListPanelItem.h"
#include "gui/MacroDisplayItem.h"
#include "gui/RawInputDevices.h"
#include "gui/SkinCreatorRules.h"
#include "gui/VScrollBar.h"
#include "gui/XListCtrl.h"
#include "gui/xml/PugXmlArray.h"
#include "model/NameTables.h"
#include "platform/ui/ListView.h"
#include "platform/ui/RawInput.h"
#include "platform/ui/WinUser.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The look attributes the list and edit elements share, each read only when present; an
// unknown colour name and a border width outside 1 to 9 count as absent.
struct SkinListLook {
    std::optional<COLORREF> textColor;
    std::optional<COLORREF> hoverTextColor;
    std::optional<COLORREF> backgroundColor;
    std::optional<COLORREF> hoverBackgroundColor;
    std::optional<COLORREF> borderColor;
    std::optional<COLORREF> disabledBackgroundColor;
    std::optional<COLORREF> disabledBorderColor;
    std::optional<int> borderWidth;
    std::optional<bool> sorted;
    // Empty when `fontid` is no skin item name (the widget's font is then left alone).
    std::optional<CFontItem*> font;
};

constexpr int kMinBorderWidth = 1;
constexpr int kMaxBorderWidth = 9;

SkinListLook ReadSkinListLook(const SkinElementContext& context, int itemId) {
    const pug::CPugXmlBranch element = context.element;
    SkinListLook look;
    look.textColor = ReadSkinColourAttribute(element, u"fontclr");
    look.hoverTextColor = ReadSkinColourAttribute(element, u"fontclrhi");
    look.backgroundColor = ReadSkinColourAttribute(element, u"backclr");
    look.hoverBackgroundColor = ReadSkinColourAttribute(element, u"backclrhi");
    look.borderColor = ReadSkinColourAttribute(element, u"bdrclr");
    look.disabledBackgroundColor = ReadSkinColourAttribute(element, u"disbbackclr");
    look.disabledBorderColor = ReadSkinColourAttribute(element, u"disbbdrclr");
    if (const WCHAR* width = FindSkinAttribute(element, u"bdrwidth")) {
        const int value = SkinInteger(width);
        if (value >= kMinBorderWidth && value <= kMaxBorderWidth) {
            look.borderWidth = value;
        }
    }
    if (const WCHAR* sorted = FindSkinAttribute(element, u"sorted")) {
        look.sorted = SkinBoolean(sorted);
    }
    look.font = ResolveSkinFont(context, itemId);
    return look;
}

template <typename T> void Apply(const std::optional<T>& value, T& field) {
    if (value) {
        field = *value;
    }
}

// The six pictures of a VSCROLL element below the element and the scroll-bar width (the
// thumb's width; 0 and no pictures without a thumb or without VSCROLL).
struct SkinScrollPictures {
    HBITMAP thumb = nullptr;
    HBITMAP top = nullptr;
    HBITMAP bottom = nullptr;
    HBITMAP arrowUp = nullptr;
    HBITMAP arrowDown = nullptr;
    HBITMAP spin = nullptr;
    int width = 0;
};

std::optional<SkinScrollPictures> ReadSkinScrollPictures(pug::CPugXmlBranch element) {
    const pug::CPugXmlBranch vscroll = element.FindByName(u"VSCROLL");
    if (vscroll.IsEmpty()) {
        return std::nullopt;
    }
    SkinScrollPictures pictures;
    pictures.width =
        LoadSkinScrollBitmaps(vscroll, &pictures.thumb, &pictures.top, &pictures.bottom,
                              &pictures.arrowUp, &pictures.arrowDown, &pictures.spin);
    return pictures;
}

// What COMBO and COMBOCOLOR share: the field rectangle of CBOX (with the language override)
// and the list height of CLIST. Nothing when either element is missing.
struct SkinDropdownFrame {
    RECT itemRect{};
    int listHeight = 0;
};

std::optional<SkinDropdownFrame> ReadSkinDropdownFrame(pug::CPugXmlBranch element, int itemId) {
    const pug::CPugXmlBranch box = element.FindByName(u"CBOX");
    const pug::CPugXmlBranch list = element.FindByName(u"CLIST");
    if (box.IsEmpty() || list.IsEmpty()) {
        return std::nullopt;
    }
    SkinDropdownFrame frame;
    frame.listHeight = SkinInteger(FindSkinAttribute(list, u"height"));
    frame.itemRect = ReadSkinItemRect(box.FindByName(u"RECT"), itemId);
    return frame;
}

// The look both drop-downs take; the text colours and the sorted flag only when asked.
void ApplyDropdownLook(CDropdownListItem& dropdown, const SkinListLook& look, bool withText) {
    if (withText) {
        Apply(look.textColor, dropdown.textColor);
        Apply(look.hoverTextColor, dropdown.hoverTextColor);
    }
    Apply(look.backgroundColor, dropdown.backgroundColor);
    Apply(look.hoverBackgroundColor, dropdown.hoverBackgroundColor);
    Apply(look.borderColor, dropdown.borderColor);
    Apply(look.borderWidth, dropdown.borderWidth);
    Apply(look.disabledBackgroundColor, dropdown.disabledBackgroundColor);
    Apply(look.disabledBorderColor, dropdown.disabledBorderColor);
    if (look.font) {
        dropdown.font = *look.font;
    }
    if (withText && look.sorted) {
        dropdown.sorted = *look.sorted ? 1 : 0;
    }
}

// Creates the field window and fills in the item fields; false when the window fails.
bool FinishDropdown(CDropdownListItem& dropdown, const SkinElementContext& context, int itemId,
                    const SkinDropdownFrame& frame, GUIItemType itemType) {
    const RECT& rc = frame.itemRect;
    dropdown.SetRect(rc.left, rc.top, rc.right, rc.bottom);
    if (!dropdown.Create(SkinWindowRect(rc), context.parent, static_cast<UINT>(itemId),
                         frame.listHeight)) {
        return false;
    }
    dropdown.id = itemId;
    dropdown.type = itemType;
    dropdown.hwnd = dropdown.m_hWnd;
    dropdown.parent = context.parent;
    return true;
}

constexpr WORD kKeyboardUsage = 6;

// Adds the keyboard to the program's raw-input list and registers the list for the window.
// A list registered already (for another window) is registered anew for this one.
void RegisterKeyboardFor(HWND window) {
    CRawInputDevices& devices = TheRawInputDevices();
    devices.AddUsage(kKeyboardUsage);
    if (devices.Register(window)) {
        return;
    }
    const std::vector<WORD> usages = devices.Usages();
    devices.Unregister();
    for (const WORD usage : usages) {
        devices.AddUsage(usage);
    }
    devices.Register(window);
}

template <typename Edit>
std::unique_ptr<CGUIItem> CreateSkinEditField(const SkinElementContext& context, bool keyEntry) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    auto edit = std::make_unique<Edit>();
    const SkinListLook look = ReadSkinListLook(context, itemId);
    Apply(look.textColor, edit->textColor);
    Apply(look.hoverTextColor, edit->hoverTextColor);
    Apply(look.borderColor, edit->borderColor);
    Apply(look.borderWidth, edit->borderWidth);
    if (look.font) {
        edit->fontItem = *look.font;
    }
    Apply(look.backgroundColor, edit->backgroundColor);
    Apply(look.hoverBackgroundColor, edit->hoverBackgroundColor);

    // The key-entry field stands where the skin puts it, whatever the language says.
    const RECT rc =
        keyEntry ? ReadSkinRect(context.firstRect, 0) : ReadSkinElementRect(context, itemId);
    edit->SetRect(rc.left, rc.top, rc.right, rc.bottom);
    const DWORD alignment = keyEntry ? ES_CENTER : ES_LEFT;
    if (!edit->Create(WS_CHILD | WS_VISIBLE | alignment, SkinWindowRect(rc), context.parent,
                      static_cast<UINT>(itemId))) {
        return nullptr;
    }
    if (keyEntry) {
        RegisterKeyboardFor(edit->m_hWnd);
    }
    if (const WCHAR* max = FindSkinAttribute(element, u"max")) {
        // A negative limit reads as 0, the largest the edit control allows.
        edit->SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(std::max(SkinInteger(max), 0)));
    }
    edit->id = itemId;
    edit->type = keyEntry ? GUIITEM_EDITSINGLEKEY : GUIITEM_EDITITEM;
    edit->parent = context.parent;
    return edit;
}

} // namespace

std::unique_ptr<CGUIItem> CreateSkinListCtrl(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    const RECT rc = ReadSkinElementRect(context, itemId);
    auto list = std::make_unique<CXListCtrl>();
    list->SetRect(rc.left, rc.top, rc.right, rc.bottom);

    const pug::CPugXmlBranch heading = element.FindByName(u"LISTHDR");
    DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL;
    if (heading.IsEmpty()) {
        style |= LVS_NOCOLUMNHEADER;
    }
    if (!list->Create(style, SkinWindowRect(rc), context.parent, static_cast<UINT>(itemId))) {
        return nullptr;
    }
    list->SetExtendedStyle(list->GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB |
                           LVS_EX_DOUBLEBUFFER);
    // The header takes the list's colours when it is attached; the LISTHDR's own come after.
    if (!heading.IsEmpty()) {
        Apply(ReadSkinColourAttribute(heading, u"backclr"), list->header.backgroundColor);
        Apply(ReadSkinColourAttribute(heading, u"fontclr"), list->header.textColor);
    }

    if (const std::optional<CFontItem*> font = ResolveSkinFont(context, itemId)) {
        list->fontItem = *font;
        const HFONT handle = *font != nullptr ? static_cast<HFONT>(**font) : nullptr;
        list->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
    }
    Apply(ReadSkinColourAttribute(element, u"fontclr"), list->textColor);
    Apply(ReadSkinColourAttribute(element, u"fontclrhi"), list->selectedTextColor);
    if (const std::optional<COLORREF> background = ReadSkinColourAttribute(element, u"backclr")) {
        list->backgroundColor = *background;
        list->SetBkColor(*background);
    }
    Apply(ReadSkinColourAttribute(element, u"backclrhi"), list->selectedBackgroundColor);
    if (const std::optional<COLORREF> border = ReadSkinColourAttribute(element, u"bdrclr")) {
        list->SetOutlineColor(*border);
    }

    // Every column must be readable: a list missing one of its columns would file the owner's
    // cells under the wrong headings.
    pug::CPugXmlBranchArray columns;
    element.FindAllByName(u"LISTCOLUMN", columns);
    if (columns.GetCount() == 0) {
        return nullptr;
    }
    for (int i = 0; i < columns.GetCount(); ++i) {
        const pug::CPugXmlBranch column = columns.GetBranch(i);
        const LONG columnId = FindListColumnItemId(FindSkinAttribute(column, u"name"));
        const LONG controlType = FindCellControlType(FindSkinAttribute(column, u"type"));
        const int width = SkinInteger(FindSkinAttribute(column, u"width"));
        if (columnId == -1 || controlType == -1 || width <= 0) {
            return nullptr;
        }
        list->AddColumn(columnId, controlType, ReadSkinText(column).GetString(), width);
    }
    if (const WCHAR* sortedValue = FindSkinAttribute(element, u"sorted")) {
        list->sorted = SkinBoolean(sortedValue);
    }
    list->id = itemId;
    list->type = GUIITEM_XLISTCTRL;
    list->hwnd = list->m_hWnd;
    list->parent = context.parent;
    return list;
}

std::unique_ptr<CGUIItem> CreateSkinCombo(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    const std::optional<SkinDropdownFrame> frame = ReadSkinDropdownFrame(element, itemId);
    if (!frame) {
        return nullptr;
    }
    auto dropdown = std::make_unique<CDropdownListItem>();
    ApplyDropdownLook(*dropdown, ReadSkinListLook(context, itemId), true);
    if (const std::optional<SkinScrollPictures> scroll = ReadSkinScrollPictures(element)) {
        dropdown->scrollThumb = scroll->thumb;
        dropdown->scrollTop = scroll->top;
        dropdown->scrollBottom = scroll->bottom;
        dropdown->scrollArrowUp = scroll->arrowUp;
        dropdown->scrollArrowDown = scroll->arrowDown;
        dropdown->scrollSpin = scroll->spin;
        dropdown->scrollBarWidth = scroll->width;
    }
    if (!FinishDropdown(*dropdown, context, itemId, *frame, GUIITEM_DROPDOWNLIST)) {
        return nullptr;
    }
    pug::CPugXmlBranchArray entries;
    element.FindAllByName(u"COMBOITEM", entries);
    for (int i = 0; i < entries.GetCount(); ++i) {
        dropdown->AddString(ReadSkinText(entries.GetBranch(i)).GetString());
    }
    return dropdown;
}

std::unique_ptr<CGUIItem> CreateSkinColorCombo(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    const std::optional<SkinDropdownFrame> frame = ReadSkinDropdownFrame(element, itemId);
    if (!frame) {
        return nullptr;
    }
    auto button = std::make_unique<CDropdownColorButton>();
    ApplyDropdownLook(*button, ReadSkinListLook(context, itemId), false);
    if (const std::optional<SkinScrollPictures> scroll = ReadSkinScrollPictures(element)) {
        button->scrollBarWidth = scroll->width;
    }
    if (!FinishDropdown(*button, context, itemId, *frame, GUIITEM_DROPDOWNCOLOR)) {
        return nullptr;
    }
    return button;
}

std::unique_ptr<CGUIItem> CreateSkinListPanel(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1) {
        return nullptr;
    }
    const RECT rc = ReadSkinElementRect(context, itemId);
    auto list = std::make_unique<CListPanelItem>(rc.right, rc.bottom);
    const SkinListLook look = ReadSkinListLook(context, itemId);
    Apply(look.textColor, list->textColor);
    Apply(look.hoverTextColor, list->hoverTextColor);
    Apply(look.backgroundColor, list->backgroundColor);
    Apply(look.hoverBackgroundColor, list->hoverBackgroundColor);
    Apply(look.borderColor, list->borderColor);
    Apply(look.borderWidth, list->borderWidth);
    if (look.font) {
        list->font = *look.font;
    }
    if (look.sorted) {
        list->sorted = *look.sorted ? 1 : 0;
    }
    list->SetRect(rc.left, rc.top, rc.right, rc.bottom);

    // The entries count wherever they stand below the element, as long as it has a
    // LISTPANELITEMS at all.
    if (!element.FindByName(u"LISTPANELITEMS").IsEmpty()) {
        pug::CPugXmlBranchArray found;
        element.FindAllByName(u"LISTPANELITEM", found);
        DropdownEntryList entries;
        for (int i = 0; i < found.GetCount(); ++i) {
            entries.push_back(DropdownEntry{ReadSkinText(found.GetBranch(i)), nullptr});
        }
        if (!entries.empty()) {
            list->SetEntries(entries);
        }
    }
    if (const std::optional<SkinScrollPictures> scroll = ReadSkinScrollPictures(element)) {
        list->hasScrollBitmaps = scroll->width != 0 ? 1 : 0;
        list->scrollThumb = scroll->thumb;
        list->scrollTop = scroll->top;
        list->scrollBottom = scroll->bottom;
        list->scrollArrowUp = scroll->arrowUp;
        list->scrollArrowDown = scroll->arrowDown;
        list->scrollSpin = scroll->spin;
    }
    list->id = itemId;
    list->type = GUIITEM_LISTPANELITEM;
    list->hwnd = nullptr;
    list->parent = context.parent;
    return list;
}

std::unique_ptr<CGUIItem> CreateSkinEdit(const SkinElementContext& context) {
    return CreateSkinEditField<CEditItem>(context, false);
}

std::unique_ptr<CGUIItem> CreateSkinKeyEdit(const SkinElementContext& context) {
    return CreateSkinEditField<CEditItemSingleKeyInput>(context, true);
}

namespace {

constexpr int kMinScrollBarWidth = 10;
// The list-column id of the event description, narrowed by the border on both sides.
constexpr LONG kDescriptionColumn = 5;

int MacroColumnFormat(SkinJustify justify) {
    switch (justify) {
    case SkinJustify::Centre:
        return LVCFMT_CENTER;
    case SkinJustify::Right:
        return LVCFMT_RIGHT;
    case SkinJustify::Left:
        break;
    }
    return LVCFMT_LEFT;
}

} // namespace

std::unique_ptr<CGUIItem> CreateSkinMacroDisplay(const SkinElementContext& context) {
    const pug::CPugXmlBranch element = context.element;
    const int itemId = ReadSkinItemId(element);
    if (itemId == -1 || context.parent == nullptr) {
        return nullptr;
    }
    const RECT rc = ReadSkinElementRect(context, itemId);
    const int maxEvents = SkinInteger(FindSkinAttribute(element, u"max"));
    const WCHAR* readOnly = FindSkinAttribute(element, u"readonly");
    auto display = std::make_unique<CMacroDisplayItem>(maxEvents, readOnly != nullptr &&
                                                                      SkinBoolean(readOnly));

    // Row pictures: a missing one takes the key read before it, once any has been read.
    enum Row { KeyDown, KeyUp, Mouse, MouseSelected, Delay, DelaySelected, RowCount };
    static constexpr const WCHAR* kRowChildren[RowCount] = {
        u"MDBMP_KEYDN", u"MDBMP_KEYUP", u"MDBMP_MSE", u"MDBMP_MSEH", u"MDBMP_CLK", u"MDBMP_CLKH"};
    HBITMAP rows[RowCount]{};
    std::optional<CString> lastKey;
    for (int i = 0; i < RowCount; ++i) {
        const pug::CPugXmlBranch child = element.FindByName(kRowChildren[i]);
        if (!child.IsEmpty()) {
            lastKey = ReadSkinText(child);
        }
        if (lastKey) {
            rows[i] = LoadSkinPicture(lastKey->GetString());
        }
    }

    const SkinListLook look = ReadSkinListLook(context, itemId);
    Apply(look.textColor, display->textColor);
    Apply(look.hoverTextColor, display->selectedTextColor);
    Apply(look.backgroundColor, display->backgroundColor);
    Apply(look.hoverBackgroundColor, display->selectedBackgroundColor);
    Apply(look.borderColor, display->borderColor);
    Apply(look.borderWidth, display->borderWidth);
    if (look.font) {
        display->fontItem = *look.font;
    }

    const std::optional<SkinScrollPictures> scroll = ReadSkinScrollPictures(element);
    std::unique_ptr<CVScrollBar> ownBar;
    if (scroll && scroll->width >= kMinScrollBarWidth) {
        ownBar = std::make_unique<CVScrollBar>(scroll->width, display.get());
    }
    CVScrollBar* const bar = ownBar.get();
    display->SetRect(rc.left, rc.top, rc.right, rc.bottom);
    // The display owns its bar from here.
    if (!display->SetScrollBar(ownBar.release(), SkinWindowRect(rc), context.parent,
                               static_cast<UINT>(itemId))) {
        return nullptr;
    }
    display->SetExtendedStyle(display->GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    display->SetBitmaps(rows[KeyDown], rows[KeyUp], rows[Delay], rows[DelaySelected], rows[Mouse],
                        rows[MouseSelected]);
    if (bar != nullptr) {
        bar->SetBitmaps(scroll->top, scroll->bottom, scroll->arrowUp, scroll->arrowDown,
                        scroll->spin, scroll->thumb);
    }

    // The border width as written (nothing without one) narrows the description column.
    const int writtenBorder = SkinInteger(FindSkinAttribute(element, u"bdrwidth"));
    pug::CPugXmlBranchArray columns;
    element.FindAllByName(u"LISTCOLUMN", columns);
    if (columns.GetCount() == 0) {
        return nullptr;
    }
    for (int i = 0; i < columns.GetCount(); ++i) {
        const pug::CPugXmlBranch column = columns.GetBranch(i);
        const LONG columnId = FindListColumnItemId(FindSkinAttribute(column, u"name"));
        const LONG columnType = FindMacroColumnType(FindSkinAttribute(column, u"type"));
        int width = SkinInteger(FindSkinAttribute(column, u"width"));
        if (columnId == kDescriptionColumn) {
            width -= 2 * writtenBorder;
        }
        if (columnId == -1 || columnType == -1 || width <= 0) {
            return nullptr;
        }
        display->AddColumn(columnId, columnType, MacroColumnFormat(ReadSkinJustify(column)), width);
    }
    display->id = itemId;
    display->type = GUIITEM_MACRODISPLAY;
    display->parent = context.parent;
    return display;
}
