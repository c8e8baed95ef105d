#pragma once
// Language tables: the texts of one language, read from its language text file, with the
// font replacements and per-item skin overrides that "Language.xml" gives that language.

#include "gui/GUIItem.h"
#include "platform/base/CString.h"
#include "platform/base/Keyboard.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// One override of a skin attribute of one item in one language: a string, or for "RECT" a
// rectangle whose right and bottom are width and height.
struct LangOverride {
    int itemId = -1;
    CString attributeName;
    std::vector<BYTE> value;

    // The value as text (up to its terminator or its end).
    CString GetText() const;
    // The value as a rectangle; false (and rc untouched) when it holds fewer than 16 bytes.
    bool GetRect(RECT& rc) const;
};

class CLangTable : public CGUIItem {
public:
    CLangTable();
    // A table that goes leaves no dangling entry in LanguageTableMap or CurrentLangTable.
    ~CLangTable() override;

    // Reads a language text file from memory: UTF-16LE lines ended by CR (runs of CR and LF
    // between lines are skipped); line 0 is the title, line 1 is ignored, then key and text
    // lines alternate until "END OF FILE" or the end of the data. An odd last byte is ignored.
    // True when at least one pair was read.
    static bool Parse(size_t byteCount, const BYTE* text, CLangTable* table);
    // Keeps a copy of a language text file's bytes and reads them as Parse does when the
    // table's texts are first asked for: a program reads only the languages it uses.
    void ParseWhenUsed(size_t byteCount, const BYTE* text);
    // "$key": the text of the first pair whose stored key (blanks removed) equals key ignoring
    // case; "#prefix": the first pair whose stored key starts with prefix. Other texts: false.
    // Found: out is the text and the result true; else out is untouched.
    static bool Lookup(const CLangTable* table, CString& out, const WCHAR* key);
    // The first override of that item and attribute name (ignoring case), or null.
    static const LangOverride* GetOverride(const CLangTable* table, int itemId,
                                           const WCHAR* attributeName);
    // The current table's replacement for a font item id, or the id itself.
    static int MapFontId(int fontItemId);
    // Appends an override holding a copy of byteCount bytes of value.
    static void AddOverride(CLangTable* table, int itemId, const void* value, size_t byteCount,
                            const WCHAR* attributeName);

    const CString& GetTitle() const {
        EnsureParsed();
        return m_title;
    }
    int GetPairCount() const {
        EnsureParsed();
        return m_pairCount;
    }
    // Pair i's key (as written) and text; empty when out of range.
    CString GetKey(int i) const;
    CString GetPairText(int i) const;
    void MapFont(int searchId, int replaceId) { m_fontMap[searchId] = replaceId; }
    const std::map<int, int>& GetFontMap() const { return m_fontMap; }
    int GetOverrideCount() const { return static_cast<int>(m_overrides.size()); }

    // The thread's keyboard layout when the table was loaded.
    HKL keyboardLayout = nullptr;

private:
    struct Pair {
        CString key;
        CString text;
        std::u16string folded; // normalised key, case-folded, for comparison
    };

    void AddPair(std::u16string_view key, std::u16string_view text);
    // Reads the bytes kept by ParseWhenUsed, once.
    void EnsureParsed() const;

    std::vector<BYTE> m_unparsed;
    mutable std::once_flag m_parsed;
    std::vector<Pair> m_pairs;
    // First pair index of every folded key, for "$" lookups.
    std::unordered_map<std::u16string, size_t> m_firstByKey;
    CString m_title;
    int m_pairCount = 0;
    std::map<int, int> m_fontMap;
    std::vector<std::unique_ptr<LangOverride>> m_overrides;
};

// Language id (320..328) to table; filled while "Language.xml" loads.
extern std::map<LONG, CLangTable*>& LanguageTableMap;
// The table in use; null when nothing is translated.
extern CLangTable* CurrentLangTable;

// The text of a "$" or "#" key in the current table, else the text unchanged.
CString TranslateText(const WCHAR* text);

// Makes the platform's standard dialogs (the message box's buttons and caption, the colour and
// file choosers: platform/ui/StandardText.h) speak the current table's language: each of their
// texts is looked up as "$" and its key in the table current when the dialog is made, English
// where there is none. The programs call it at start-up, beside installing the choosers.
void InstallLanguageTextProvider();

// Makes key descriptions (model/KeyInfo.h) use the keyboard layout of the current language
// table from now on; while no table is current, none (the active layout).
void UseLanguageKeyboardLayout();

// The characters of a stored key that lookups compare.
inline constexpr size_t kLangKeyChars = 59;

// Stored keys are compared without their blanks, up to NUL, CR or LF and at most
// kLangKeyChars characters, folded to one case. A "$" lookup must give exactly that form, so
// a longer key is found by its first 59 characters (blanks left out), not whole.
std::u16string NormaliseLangKey(std::u16string_view key);
