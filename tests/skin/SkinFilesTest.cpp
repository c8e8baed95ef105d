// Validates every skin, language, font and help file that the build lays into the program
// folder: the files parse, every item name is a known skin item name, every referenced
// bitmap, font file and language key exists, and the language files have the exact form the
// programs read.
#include "gui/BitmapRegion.h"
#include "gui/LangTable.h"
#include "gui/PanelBitmap.h"
#include "gui/SkinFile.h"
#include "gui/SkinResourceCache.h"
#include "gui/xml/PugXmlArray.h"
#include "gui/xml/PugXmlParser.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/StandardText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kProgram = BORVANTA_PROGRAM_DIR;

std::vector<std::filesystem::path> FilesIn(const char* folder, const char* extension) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kProgram / folder, ec)) {
        if (entry.path().extension() == extension) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<BYTE> ReadBytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

std::unique_ptr<CLangTable> ReadLanguage(const std::filesystem::path& file) {
    const std::vector<BYTE> bytes = ReadBytes(file);
    auto table = std::make_unique<CLangTable>();
    CLangTable::Parse(bytes.size(), bytes.data(), table.get());
    return table;
}

std::u16string Folded(std::u16string text) {
    for (char16_t& c : text) {
        c = FoldCase(c);
    }
    return text;
}

// The lines of a UTF-16LE file with a mark, split at CR LF; empty when the file is not of
// that form (the failures are reported).
std::vector<std::u16string> Utf16Lines(const std::filesystem::path& file) {
    const std::vector<BYTE> bytes = ReadBytes(file);
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || bytes.size() % 2 != 0) {
        ADD_FAILURE() << "not UTF-16LE with a mark and an even byte count";
        return {};
    }
    std::u16string text;
    for (size_t i = 2; i < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(u"\r\n", start);
        if (end == std::u16string::npos) {
            ADD_FAILURE() << "last line has no CR LF";
            return {};
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool stray = lines[i].find_first_of(u"\r\n") != std::u16string::npos ||
                           lines[i].find(u'\0') != std::u16string::npos;
        EXPECT_FALSE(stray) << "bare CR, LF or NUL in line " << i + 1;
    }
    return lines;
}

// The program folder as ExeFolder for the length of a test.
class SkinFiles : public ::testing::Test {
protected:
    void SetUp() override {
        InitNameTables();
        SetExeFolder(kProgram);
        SkinResourceCache::Clear();
        m_english = ReadLanguage(kProgram / "lang" / "English.txt");
    }
    void TearDown() override {
        SkinResourceCache::Clear();
        LanguageTableMap.clear();
        CurrentLangTable = nullptr;
    }
    bool EnglishHas(const WCHAR* key) const {
        CString text;
        return CLangTable::Lookup(m_english.get(), text, key);
    }

    std::unique_ptr<CLangTable> m_english;
};

} // namespace

TEST_F(SkinFiles, LanguageListNamesNineLanguagesWithTheirFiles) {
    pug::CPugXmlParser parser;
    ASSERT_TRUE(parser.ParseFile(FromNativePath(kProgram / "xml" / "Language.xml")));
    pug::CPugXmlBranch list = parser.GetRoot().FindByName(u"ITEMLIST").FindByName(u"LANGLIST");
    ASSERT_FALSE(list.IsEmpty());
    pug::CPugXmlBranchArray langs;
    list.FindAllByName(u"LANG", langs);
    ASSERT_EQ(langs.GetCount(), 9);
    std::set<int> ids;
    std::set<std::u16string> files;
    for (int i = 0; i < langs.GetCount(); ++i) {
        pug::CPugXmlBranch lang = langs.GetBranch(i);
        const int id = ReadSkinItemId(lang);
        EXPECT_TRUE(id >= 320 && id <= 328) << i;
        ids.insert(id);
        const WCHAR* value = lang.FindAttribute(u"file").GetValue();
        ASSERT_NE(value, nullptr) << i;
        const std::u16string file = value;
        files.insert(Folded(file));
        EXPECT_TRUE(std::filesystem::is_regular_file(kProgram / "lang" / ToUtf8(file)))
            << ToUtf8(file);
    }
    EXPECT_EQ(ids.size(), 9u);
    EXPECT_EQ(files.size(), 9u);
    // Every language file laid out is named by the list.
    EXPECT_EQ(FilesIn("lang", ".txt").size(), 9u);

    // Loaded the way the programs load it, every language gets a table with texts.
    CGUIItemList items;
    ASSERT_TRUE(LoadSkinFile(items, u"Language.xml", nullptr));
    EXPECT_EQ(items.GetCount(), 9);
    for (LONG id = 320; id <= 328; ++id) {
        ASSERT_EQ(LanguageTableMap.count(id), 1u) << id;
        EXPECT_GT(LanguageTableMap[id]->GetPairCount(), 0) << id;
    }
    CurrentLangTable = LanguageTableMap[325];
    EXPECT_EQ(TranslateText(u"$Cancel").str(), u"Abbrechen");
    CurrentLangTable = LanguageTableMap[328];
    EXPECT_EQ(TranslateText(u"$cancel").str(), u"\x30AD\x30E3\x30F3\x30BB\x30EB");
    CurrentLangTable = LanguageTableMap[320];
    EXPECT_EQ(TranslateText(u"$LeftButtonDown").str(), u"Left Button Down");
}

TEST_F(SkinFiles, LanguageFilesHaveTheFormTheProgramsRead) {
    const auto files = FilesIn("lang", ".txt");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<std::u16string> lines = Utf16Lines(file);
        ASSERT_GE(lines.size(), 5u);
        // Title, a second line, then key and text lines in pairs, then the end mark. Empty
        // lines are skipped by the reader and would shift the pairing, so there are none;
        // an odd count would leave a key without its text.
        EXPECT_EQ(lines.back(), u"END OF FILE");
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_FALSE(lines[i].empty()) << "empty line " << i + 1;
            if (i + 1 < lines.size()) {
                EXPECT_NE(Folded(lines[i]), u"end of file") << "early end mark at line " << i + 1;
            }
        }
        EXPECT_EQ((lines.size() - 3) % 2, 0u) << "a key without its text";

        const auto table = ReadLanguage(file);
        EXPECT_EQ(static_cast<size_t>(table->GetPairCount()), (lines.size() - 3) / 2);
        EXPECT_FALSE(table->GetTitle().IsEmpty());
        std::set<std::u16string> keys;
        for (int i = 0; i < table->GetPairCount(); ++i) {
            const CString key = table->GetKey(i);
            const std::u16string normalised = NormaliseLangKey(key.view());
            // A later pair with the same key would never be found.
            EXPECT_TRUE(keys.insert(Folded(normalised)).second) << "duplicate key " << key.ToUtf8();
            // Keys are asked for without blanks and compared over at most 59 characters.
            EXPECT_EQ(key.str().find(u' '), std::u16string::npos)
                << "blank in key " << key.ToUtf8();
            EXPECT_LE(key.GetLength(), 59) << key.ToUtf8(); // longer ones are cut
            // A translation only translates keys that the English file has.
            EXPECT_TRUE(EnglishHas((u"$" + key).GetString())) << "unknown key " << key.ToUtf8();
        }
    }
}

TEST_F(SkinFiles, EnglishHasEveryKeyOfTheVocabulary) {
    for (const auto* table : {&AssignmentKeyMap, &CommandKeyMap}) {
        for (const auto& [id, key] : *table) {
            EXPECT_TRUE(EnglishHas(key)) << ToUtf8(key);
        }
    }
    // The button keys, and the "Up" and "Down" labels that the macro event list composes
    // from the first seven of them.
    const char16_t* buttons[] = {u"$LeftButton", u"$RightButton", u"$Wheel",     u"$Button4",
                                 u"$Button5",    u"$Button6",     u"$Button7",   u"$Button8",
                                 u"$Button9",    u"$ScrollUp",    u"$ScrollDown"};
    for (size_t i = 0; i < std::size(buttons); ++i) {
        const std::u16string key = buttons[i];
        EXPECT_TRUE(EnglishHas(key.c_str())) << ToUtf8(key);
        if (i < 7) {
            EXPECT_TRUE(EnglishHas((key + u"Up").c_str())) << ToUtf8(key);
            EXPECT_TRUE(EnglishHas((key + u"Down").c_str())) << ToUtf8(key);
        }
    }
    for (const char16_t* key : {u"$LoadBorvantaConfigurator", u"$CloseTrayIcon",
                                u"$TolviBorvantaConfig", u"$Custom", u"$OK", u"$Cancel"}) {
        EXPECT_TRUE(EnglishHas(key)) << ToUtf8(key);
    }
}

TEST_F(SkinFiles, EverySkinFileNamesKnownItemsAndExistingResources) {
    const auto files = FilesIn("xml", ".xml");
    ASSERT_FALSE(files.empty());
    const std::set<std::u16string> itemAttributes = {
        u"name", u"windowid", u"trackid", u"fontid", u"checkboxid", u"fontsearch", u"fontreplace"};
    const std::set<std::u16string> colourAttributes = {u"fontclr", u"fontclrhi", u"backclr"};
    const std::set<std::u16string> textAttributes = {u"textkey", u"caption", u"tooltip"};
    const std::set<std::u16string> pictureElements = {
        u"BACKGROUND", u"MASK",      u"SBMN",      u"SBMO",      u"SBMD",
        u"SBMDS",      u"SBMM",      u"VSBMP_TMB", u"VSBMP_TOP", u"VSBMP_BOT",
        u"VSBMP_AUP",  u"VSBMP_ADN", u"VSBMP_SPN", u"BMP",       u"BMPMASK"};
    int names = 0;
    int pictures = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        pug::CPugXmlParser parser;
        ASSERT_TRUE(parser.ParseFile(FromNativePath(file)));
        pug::CPugXmlBranch root = parser.GetRoot();
        EXPECT_TRUE(!root.FindByName(u"GUIPANEL").IsEmpty() ||
                    !root.FindByName(u"ITEMLIST").IsEmpty());
        pug::CPugXmlBranchArray elements;
        root.FindAllByName(u"*", elements);
        for (int i = 0; i < elements.GetCount(); ++i) {
            pug::CPugXmlBranch element = elements.GetBranch(i);
            const std::u16string elementName = element.GetName();
            for (int a = 0; a < element.GetAttributeCount(); ++a) {
                const std::u16string name = element.GetAttribute(a).GetName();
                const WCHAR* value = element.GetAttribute(a).GetValue();
                // The parts of a stage tile (BITMAP, TEXTAREA) are named by part, not by item.
                const bool partName =
                    name == u"name" && (elementName == u"BITMAP" || elementName == u"TEXTAREA");
                // The columns of a list are named by the list-column items.
                if (name == u"name" && elementName == u"LISTCOLUMN") {
                    ++names;
                    EXPECT_NE(FindListColumnItemId(value), -1) << ToUtf8(value);
                } else if (itemAttributes.count(name) != 0 && !partName) {
                    ++names;
                    EXPECT_NE(FindSkinItemId(value), -1)
                        << ToUtf8(elementName) << " " << ToUtf8(name) << "=" << ToUtf8(value);
                }
                if (colourAttributes.count(name) != 0) {
                    EXPECT_NE(FindColourByName(value), -1) << ToUtf8(value);
                }
                if (textAttributes.count(name) != 0 && (value[0] == u'$' || value[0] == u'#')) {
                    EXPECT_TRUE(EnglishHas(value)) << ToUtf8(value);
                }
            }
            if (pictureElements.count(elementName) != 0) {
                ++pictures;
                const CString key = ReadSkinText(element);
                EXPECT_NE(SkinResourceCache::Find(key, SKINRES_PICTURE)->GetBitmap(), nullptr)
                    << key.ToUtf8();
            }
            if (elementName == u"FONT" && !ReadSkinText(element).IsEmpty()) {
                const CString key = ReadSkinText(element);
                EXPECT_TRUE(std::filesystem::is_regular_file(kProgram / "fonts" / key.ToUtf8()))
                    << key.ToUtf8();
            }
        }
    }
    // The walk above saw the shipped files' names and pictures at all.
    EXPECT_GE(names, 9);
    EXPECT_GE(pictures, 2);
}

TEST_F(SkinFiles, EveryPanelSkinHasAFaceAndAnOutlineOfTheSameSize) {
    int panels = 0;
    for (const auto& file : FilesIn("xml", ".xml")) {
        pug::CPugXmlParser parser;
        ASSERT_TRUE(parser.ParseFile(FromNativePath(file)));
        if (parser.GetRoot().FindByName(u"GUIPANEL").IsEmpty()) {
            continue;
        }
        SCOPED_TRACE(file.string());
        ++panels;
        CGUIItemList list;
        LoadSkinFile(list, FromNativePath(file.filename()).GetString(), nullptr);
        auto* background = dynamic_cast<CPanelBitmap*>(FindGUIItemById(list, 0));
        auto* mask = dynamic_cast<CPanelBitmap*>(FindGUIItemById(list, 1));
        ASSERT_NE(background, nullptr);
        ASSERT_NE(mask, nullptr);
        const SIZE size = background->GetSize();
        EXPECT_EQ(size, mask->GetSize());
        EXPECT_GT(size.cx, 0);
        EXPECT_GT(size.cy, 0);
        // The outline is cut from the mask: it spans the whole face, its rounded corners are
        // cut away and its middle belongs to the window.
        HRGN region = BitmapToRegion(mask->GetBitmapHandle());
        ASSERT_NE(region, nullptr);
        RECT box{};
        GetRgnBox(region, &box);
        EXPECT_EQ(box, (RECT{0, 0, size.cx, size.cy}));
        EXPECT_FALSE(PtInRegion(region, 0, 0));
        EXPECT_FALSE(PtInRegion(region, size.cx - 1, size.cy - 1));
        EXPECT_TRUE(PtInRegion(region, size.cx / 2, size.cy / 2));
        EXPECT_TRUE(PtInRegion(region, 0, size.cy / 2));
        DeleteObject(region);
    }
    EXPECT_GE(panels, 1);
}

TEST_F(SkinFiles, GeneratedBitmapsAreWholeUncompressedBmpFiles) {
    const auto files = FilesIn("skins", ".bmp");
    ASSERT_FALSE(files.empty());
    auto u16 = [](const std::vector<BYTE>& b, size_t at) {
        return static_cast<uint32_t>(b[at] | (b[at + 1] << 8));
    };
    auto u32 = [&u16](const std::vector<BYTE>& b, size_t at) {
        return u16(b, at) | (u16(b, at + 2) << 16);
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<BYTE> bytes = ReadBytes(file);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(u32(bytes, 2), bytes.size()); // the size the header gives
        EXPECT_EQ(u32(bytes, 10), 54u);         // pixels right after the headers
        EXPECT_EQ(u32(bytes, 14), 40u);         // BITMAPINFOHEADER
        const uint32_t width = u32(bytes, 18);
        const uint32_t height = u32(bytes, 22);
        EXPECT_GT(width, 0u);
        EXPECT_GT(height, 0u); // bottom-up rows
        EXPECT_LT(height, 0x80000000u);
        EXPECT_EQ(u16(bytes, 26), 1u);  // planes
        EXPECT_EQ(u16(bytes, 28), 24u); // bits per pixel
        EXPECT_EQ(u32(bytes, 30), 0u);  // BI_RGB
        const uint64_t rowBytes = (uint64_t{width} * 3 + 3) / 4 * 4;
        EXPECT_EQ(bytes.size(), 54 + rowBytes * height);
    }
}

TEST_F(SkinFiles, ProgramFolderHasTheHelpPageAndTheSaveFolder) {
    EXPECT_TRUE(std::filesystem::is_directory(kProgram / "save"));
    const std::vector<BYTE> page = ReadBytes(kProgram / "Manuals" / "index.html");
    const std::string text(page.begin(), page.end());
    EXPECT_NE(text.find("<title>"), std::string::npos);
    EXPECT_NE(text.find("</html>"), std::string::npos);
}

namespace {

// Every "$Key" written in a text file: skin attributes and texts, and the programs' string
// literals u"$Key".
void CollectKeys(const std::filesystem::path& file, bool sourceLiterals,
                 std::set<std::string>& keys) {
    std::ifstream stream(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(stream),
                           std::istreambuf_iterator<char>()};
    const std::string start = sourceLiterals ? "u\"$" : "$";
    for (size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1)) {
        size_t end = at + start.size();
        while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                     text[end] == '_' || text[end] == '-')) {
            ++end;
        }
        if (end == at + start.size() ||
            (sourceLiterals && (end >= text.size() || text[end] != '"'))) {
            continue; // a bare "$", or a literal the program completes at run time
        }
        keys.insert("$" + text.substr(at + start.size(), end - at - start.size()));
    }
}

} // namespace

TEST_F(SkinFiles, EveryKeyTheSkinsAndProgramsUseHasATextInAllNineLanguages) {
    std::set<std::string> keys;
    for (const auto& file : FilesIn("xml", ".xml")) {
        CollectKeys(file, false, keys);
    }
    const std::filesystem::path sources = BORVANTA_SOURCE_DIR;
    for (const char* folder : {"configurator", "tray", "gui", "model", "device"}) {
        std::error_code ec;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(sources / folder, ec)) {
            const auto extension = entry.path().extension();
            if (extension == ".cpp" || extension == ".h") {
                CollectKeys(entry.path(), true, keys);
            }
        }
    }
    for (const auto* table : {&AssignmentKeyMap, &CommandKeyMap}) {
        for (const auto& [id, key] : *table) {
            keys.insert(ToUtf8(key));
        }
    }
    // The texts of the platform's standard dialogs, which the programs' text provider looks
    // up; the English file says what the platform says without a provider.
    for (const platform::StandardTextEntry& entry : platform::StandardTexts()) {
        const std::u16string key = u"$" + std::u16string(entry.key);
        keys.insert(ToUtf8(key));
        CString english;
        CLangTable::Lookup(m_english.get(), english, key.c_str());
        EXPECT_EQ(english.str(), entry.english) << ToUtf8(key);
    }
    ASSERT_GT(keys.size(), 100u); // the skins and the programs were found
    const auto languages = FilesIn("lang", ".txt");
    ASSERT_EQ(languages.size(), 9u);
    for (const auto& file : languages) {
        const auto table = ReadLanguage(file);
        for (const std::string& key : keys) {
            CString text;
            EXPECT_TRUE(CLangTable::Lookup(table.get(), text, FromUtf8(key).c_str()) &&
                        !text.IsEmpty())
                << file.filename() << " has no text for " << key;
        }
    }
}
