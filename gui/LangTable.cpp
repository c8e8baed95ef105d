#include "gui/LangTable.h"

#include "model/KeyInfo.h"
#include "platform/base/WideChar.h"
#include "platform/ui/StandardText.h"

#include <cstring>
#include <iterator>

// Never destroyed by the runtime, so that a table that goes late at exit still finds it.
std::map<LONG, CLangTable*>& LanguageTableMap = *new std::map<LONG, CLangTable*>;
CLangTable* CurrentLangTable = nullptr;

namespace {

constexpr WCHAR CR = 13;
constexpr WCHAR LF = 10;

std::u16string Fold(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (WCHAR c : text) {
        out.push_back(FoldCase(c));
    }
    return out;
}

bool IsEndOfFile(std::u16string_view line) {
    return Fold(line) == u"end of file";
}

} // namespace

std::u16string NormaliseLangKey(std::u16string_view key) {
    std::u16string out;
    for (WCHAR c : key) {
        if (c == 0 || c == CR || c == LF || out.size() == kLangKeyChars) {
            break;
        }
        if (c != u' ') {
            out.push_back(FoldCase(c));
        }
    }
    return out;
}

CString LangOverride::GetText() const {
    std::u16string text;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        const auto c = static_cast<WCHAR>(value[i] | (value[i + 1] << 8));
        if (c == 0) {
            break;
        }
        text.push_back(c);
    }
    return CString(std::move(text));
}

bool LangOverride::GetRect(RECT& rc) const {
    if (value.size() < sizeof(LONG) * 4) {
        return false;
    }
    LONG numbers[4] = {};
    std::memcpy(numbers, value.data(), sizeof(numbers));
    rc = RECT{numbers[0], numbers[1], numbers[2], numbers[3]};
    return true;
}

CLangTable::CLangTable() {
    type = GUIITEM_LANGTABLE;
    hwnd = nullptr;
}

CLangTable::~CLangTable() {
    for (auto it = LanguageTableMap.begin(); it != LanguageTableMap.end();) {
        it = it->second == this ? LanguageTableMap.erase(it) : std::next(it);
    }
    if (CurrentLangTable == this) {
        CurrentLangTable = nullptr;
    }
}

void CLangTable::AddPair(std::u16string_view key, std::u16string_view text) {
    Pair pair{CString(key), CString(text), NormaliseLangKey(key)};
    m_firstByKey.emplace(pair.folded, m_pairs.size());
    m_pairs.push_back(std::move(pair));
    ++m_pairCount;
}

bool CLangTable::Parse(size_t byteCount, const BYTE* text, CLangTable* table) {
    if (table == nullptr || text == nullptr) {
        return false;
    }
    // Whole code units only: an odd last byte is not half a character.
    const size_t units = byteCount / 2;
    auto unitAt = [text](size_t i) {
        return static_cast<WCHAR>(text[2 * i] | (text[2 * i + 1] << 8));
    };
    std::u16string line;
    std::u16string pendingKey;
    size_t pos = 0;
    int lineNumber = 0;
    while (pos < units) {
        line.clear();
        while (pos < units && unitAt(pos) != CR) {
            line.push_back(unitAt(pos++));
        }
        if (lineNumber == 0) {
            table->m_title = CString(line);
        } else if (lineNumber >= 2) {
            if (IsEndOfFile(line)) {
                break;
            }
            if (lineNumber % 2 == 0) {
                pendingKey = line;
            } else {
                table->AddPair(pendingKey, line);
            }
        }
        while (pos < units && (unitAt(pos) == CR || unitAt(pos) == LF)) {
            ++pos;
        }
        ++lineNumber;
    }
    return table->m_pairCount > 0;
}

void CLangTable::ParseWhenUsed(size_t byteCount, const BYTE* text) {
    if (text != nullptr) {
        m_unparsed.assign(text, text + byteCount);
    }
}

void CLangTable::EnsureParsed() const {
    std::call_once(m_parsed, [this] {
        if (m_unparsed.empty()) {
            return;
        }
        auto* self = const_cast<CLangTable*>(this);
        std::vector<BYTE> bytes = std::move(self->m_unparsed);
        self->m_unparsed.clear();
        Parse(bytes.size(), bytes.data(), self);
    });
}

bool CLangTable::Lookup(const CLangTable* table, CString& out, const WCHAR* key) {
    if (table == nullptr || key == nullptr || (key[0] != u'$' && key[0] != u'#')) {
        return false;
    }
    table->EnsureParsed();
    const std::u16string wanted = Fold(std::u16string_view(key + 1));
    if (key[0] == u'$') {
        const auto found = table->m_firstByKey.find(wanted);
        if (found == table->m_firstByKey.end()) {
            return false;
        }
        out = table->m_pairs[found->second].text;
        return true;
    }
    for (const Pair& pair : table->m_pairs) {
        if (pair.folded.starts_with(wanted)) {
            out = pair.text;
            return true;
        }
    }
    return false;
}

const LangOverride* CLangTable::GetOverride(const CLangTable* table, int itemId,
                                            const WCHAR* attributeName) {
    if (table == nullptr || attributeName == nullptr) {
        return nullptr;
    }
    for (const auto& entry : table->m_overrides) {
        if (entry->itemId == itemId && entry->attributeName.CompareNoCase(attributeName) == 0) {
            return entry.get();
        }
    }
    return nullptr;
}

int CLangTable::MapFontId(int fontItemId) {
    if (CurrentLangTable == nullptr) {
        return fontItemId;
    }
    const auto found = CurrentLangTable->m_fontMap.find(fontItemId);
    if (found == CurrentLangTable->m_fontMap.end() || found->second == 0) {
        return fontItemId;
    }
    return found->second;
}

void CLangTable::AddOverride(CLangTable* table, int itemId, const void* value, size_t byteCount,
                             const WCHAR* attributeName) {
    if (table == nullptr) {
        return;
    }
    auto entry = std::make_unique<LangOverride>();
    entry->itemId = itemId;
    entry->attributeName = attributeName == nullptr ? CString() : CString(attributeName);
    if (value != nullptr && byteCount > 0) {
        const auto* bytes = static_cast<const BYTE*>(value);
        entry->value.assign(bytes, bytes + byteCount);
    }
    table->m_overrides.push_back(std::move(entry));
}

CString CLangTable::GetKey(int i) const {
    EnsureParsed();
    if (i < 0 || static_cast<size_t>(i) >= m_pairs.size()) {
        return {};
    }
    return m_pairs[static_cast<size_t>(i)].key;
}

CString CLangTable::GetPairText(int i) const {
    EnsureParsed();
    if (i < 0 || static_cast<size_t>(i) >= m_pairs.size()) {
        return {};
    }
    return m_pairs[static_cast<size_t>(i)].text;
}

CString TranslateText(const WCHAR* text) {
    CString out;
    if (CLangTable::Lookup(CurrentLangTable, out, text)) {
        return out;
    }
    return text == nullptr ? CString() : CString(text);
}

void UseLanguageKeyboardLayout() {
    SetKeyboardLayoutProvider(
        [] { return CurrentLangTable != nullptr ? CurrentLangTable->keyboardLayout : nullptr; });
}

void InstallLanguageTextProvider() {
    platform::SetStandardTextProvider([](std::u16string_view key, std::u16string& text) {
        CString found;
        const std::u16string lookup = u"$" + std::u16string(key);
        if (!CLangTable::Lookup(CurrentLangTable, found, lookup.c_str()) || found.IsEmpty()) {
            return false;
        }
        text = found.str();
        return true;
    });
}
