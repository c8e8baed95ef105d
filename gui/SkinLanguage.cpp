#include "gui/SkinLanguage.h"

#include "gui/SkinResourceCache.h"
#include "gui/xml/PugXmlArray.h"
#include "model/NameTables.h"
#include "platform/base/Keyboard.h"
#include "platform/base/WideChar.h"

using pug::CPugXmlBranch;
using pug::CPugXmlBranchArray;

namespace {

// Longest state-bitmap key an override keeps.
constexpr int kMaxOverrideKey = 255;

void AddTextOverride(CLangTable* table, int itemId, const CString& value, const WCHAR* name) {
    CLangTable::AddOverride(table, itemId, value.GetString(),
                            (static_cast<size_t>(value.GetLength()) + 1) * sizeof(WCHAR), name);
}

void ReadFontReplacements(CPugXmlBranch element, CLangTable* table) {
    CPugXmlBranchArray fonts;
    element.FindAllByName(u"LANGFONT", fonts);
    for (int i = 0; i < fonts.GetCount(); ++i) {
        CPugXmlBranch font = fonts.GetBranch(i);
        const LONG search = FindSkinItemId(font.Attribute(u"fontsearch").GetValue());
        const LONG replace = FindSkinItemId(font.Attribute(u"fontreplace").GetValue());
        if (search != -1 && replace != -1) {
            table->MapFont(search, replace);
        }
    }
}

void ReadOverride(CPugXmlBranch entry, CLangTable* table) {
    const int count = entry.GetAttributeCount();
    if (count == 2) {
        pug::XMLATTR first = entry.GetAttribute(0);
        pug::XMLATTR second = entry.GetAttribute(1);
        if (_wcsicmp(first.GetName(), u"name") != 0) {
            std::swap(first, second);
        }
        if (_wcsicmp(first.GetName(), u"name") != 0) {
            return;
        }
        const LONG itemId = FindSkinItemId(first.GetValue());
        // A rectangle comes only from a RECT child: a text named RECT would be read back by
        // the creators as four numbers made of its characters.
        if (itemId == -1 || _wcsicmp(second.GetName(), u"RECT") == 0) {
            return;
        }
        AddTextOverride(table, itemId, CString(second.GetValue()), second.GetName());
        return;
    }
    if (count != 1 || _wcsicmp(entry.GetAttribute(0).GetName(), u"name") != 0) {
        return;
    }
    const LONG itemId = FindSkinItemId(entry.GetAttribute(0).GetValue());
    if (itemId == -1) {
        return;
    }
    CPugXmlBranch rect = entry.FindByName(u"RECT");
    if (!rect.IsEmpty()) {
        const RECT rc = ReadSkinRect(rect, 0);
        const LONG numbers[4] = {rc.left, rc.top, rc.right, rc.bottom};
        CLangTable::AddOverride(table, itemId, numbers, sizeof(numbers), u"RECT");
        return;
    }
    for (const WCHAR* state : {u"SBMN", u"SBMO", u"SBMD", u"SBMDS", u"SBMM"}) {
        CPugXmlBranch child = entry.FindByName(state);
        if (!child.IsEmpty()) {
            AddTextOverride(table, itemId, ReadSkinText(child).Left(kMaxOverrideKey), state);
        }
    }
}

} // namespace

std::unique_ptr<CLangTable> LoadSkinLanguage(CPugXmlBranch element, CWnd* parent) {
    const int languageId = ReadSkinItemId(element);
    if (languageId == -1) {
        return nullptr;
    }
    const pug::XMLATTR file = element.FindAttribute(u"file");
    if (file.IsNull() || file.GetValue()[0] == 0) {
        return nullptr;
    }
    const SkinResource* text = SkinResourceCache::Find(file.GetValue(), SKINRES_LANGFILE);
    if (text == nullptr || text->GetData() == nullptr || text->size <= 0) {
        return nullptr;
    }
    auto table = std::make_unique<CLangTable>();
    // The byte count is the one of this very entry: another entry with the same key (a
    // picture or font of that name) must not lend its size. Read when first used.
    table->ParseWhenUsed(static_cast<size_t>(text->size), text->GetData());
    table->keyboardLayout = GetKeyboardLayout(0);
    ReadFontReplacements(element, table.get());
    CPugXmlBranchArray overrides;
    element.FindAllByName(u"LANGOVERRIDE", overrides);
    for (int i = 0; i < overrides.GetCount(); ++i) {
        ReadOverride(overrides.GetBranch(i), table.get());
    }
    table->id = languageId;
    table->parent = parent;
    return table;
}

std::unique_ptr<CGUIItem> CreateSkinLanguage(const SkinElementContext& context) {
    std::unique_ptr<CLangTable> table = LoadSkinLanguage(context.element, context.parent);
    if (table != nullptr && table->id >= 320 && table->id <= 328) {
        LanguageTableMap[table->id] = table.get();
    }
    return table;
}
