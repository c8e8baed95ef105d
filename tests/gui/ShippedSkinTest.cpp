// Validates every skin and language file that the build lays into the program folder.
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

#include <gtest/gtest.h>

#include <algorithm>
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
    for (const auto& entry : std::filesystem::directory_iterator(kProgram / folder)) {
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

// The program folder as ExeFolder for the length of a test.
class ShippedSkin : public ::testing::Test {
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

TEST_F(ShippedSkin, LanguageFilesAreWellFormed) {
    const auto files = FilesIn("lang", ".txt");
    ASSERT_EQ(files.size(), 9u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<BYTE> bytes = ReadBytes(file);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1], 0xFE);
        ASSERT_EQ(bytes.size() % 2, 0u);
        std::u16string text;
        for (size_t i = 2; i < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        }
        // Every line ends with CR LF, the last one too.
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'\r') {
                EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == u'\n') << "bare CR at " << i;
            } else if (text[i] == u'\n') {
                EXPECT_TRUE(i > 0 && text[i - 1] == u'\r') << "bare LF at " << i;
            }
        }
        EXPECT_TRUE(text.ends_with(u"\r\nEND OF FILE\r\n"));
        const auto table = ReadLanguage(file);
        EXPECT_GT(table->GetPairCount(), 0);
        EXPECT_FALSE(table->GetTitle().IsEmpty());
        std::set<std::u16string> keys;
        for (int i = 0; i < table->GetPairCount(); ++i) {
            const CString key = table->GetKey(i);
            EXPECT_TRUE(keys.insert(NormaliseLangKey(key.view())).second)
                << "duplicate key " << key.ToUtf8();
            EXPECT_FALSE(table->GetPairText(i).IsEmpty()) << key.ToUtf8();
            // A translation only translates keys the English file has.
            EXPECT_TRUE(EnglishHas((u"$" + key).GetString())) << "unknown key " << key.ToUtf8();
        }
    }
}

TEST_F(ShippedSkin, EnglishCoversTheVocabulary) {
    for (const auto* table : {&AssignmentKeyMap, &CommandKeyMap}) {
        for (const auto& [id, key] : *table) {
            EXPECT_TRUE(EnglishHas(key)) << ToUtf8(key);
        }
    }
}

TEST_F(ShippedSkin, LanguageXmlGivesAllNineLanguages) {
    CGUIItemList list;
    ASSERT_TRUE(LoadSkinFile(list, u"Language.xml", nullptr));
    EXPECT_EQ(list.GetCount(), 9);
    for (LONG id = 320; id <= 328; ++id) {
        ASSERT_EQ(LanguageTableMap.count(id), 1u) << id;
        EXPECT_GT(LanguageTableMap[id]->GetPairCount(), 0) << id;
    }
    CurrentLangTable = LanguageTableMap[325];
    EXPECT_EQ(TranslateText(u"$Cancel").str(), u"Abbrechen");
    CurrentLangTable = LanguageTableMap[328];
    EXPECT_EQ(TranslateText(u"$cancel").str(), u"\x30AD\x30E3\x30F3\x30BB\x30EB");
    EXPECT_EQ(TranslateText(u"$universalscrolling").str(), u"$universalscrolling");
}

TEST_F(ShippedSkin, EverySkinFileNamesKnownItemsBitmapsAndKeys) {
    const auto files = FilesIn("xml", ".xml");
    ASSERT_FALSE(files.empty());
    const std::set<std::u16string> itemAttributes = {
        u"name", u"windowid", u"trackid", u"fontid", u"checkboxid", u"fontsearch", u"fontreplace"};
    const std::set<std::u16string> colourAttributes = {u"fontclr", u"fontclrhi", u"backclr"};
    const std::set<std::u16string> textAttributes = {u"textkey", u"caption", u"tooltip"};
    const std::set<std::u16string> pictureElements = {
        u"BACKGROUND", u"MASK",      u"SBMN",      u"SBMO",      u"SBMD",      u"SBMDS",    u"SBMM",
        u"VSBMP_TMB",  u"VSBMP_TOP", u"VSBMP_BOT", u"VSBMP_AUP", u"VSBMP_ADN", u"VSBMP_SPN"};
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
                if (itemAttributes.count(name) != 0) {
                    EXPECT_NE(FindSkinItemId(value), -1)
                        << ToUtf8(elementName) << " " << ToUtf8(name) << "=" << ToUtf8(value);
                }
                if (colourAttributes.count(name) != 0) {
                    EXPECT_NE(FindColourByName(value), -1) << ToUtf8(value);
                }
                if (textAttributes.count(name) != 0 && (value[0] == u'$' || value[0] == u'#')) {
                    EXPECT_TRUE(EnglishHas(value)) << ToUtf8(value);
                }
                if (elementName == u"LANG" && name == u"file") {
                    EXPECT_TRUE(std::filesystem::exists(kProgram / "lang" / ToUtf8(value)))
                        << ToUtf8(value);
                }
            }
            if (pictureElements.count(elementName) != 0) {
                const CString key = ReadSkinText(element);
                EXPECT_NE(SkinResourceCache::Find(key, SKINRES_PICTURE)->GetBitmap(), nullptr)
                    << key.ToUtf8();
            }
        }
    }
}

TEST_F(ShippedSkin, SamplePanelHasItsFaceAndOutline) {
    CGUIItemList list;
    ASSERT_TRUE(LoadSkinFile(list, u"SamplePanel.xml", nullptr));
    auto* background = dynamic_cast<CPanelBitmap*>(FindGUIItemById(list, 0));
    auto* mask = dynamic_cast<CPanelBitmap*>(FindGUIItemById(list, 1));
    ASSERT_NE(background, nullptr);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(background->GetSize(), mask->GetSize());
    HRGN region = BitmapToRegion(mask->GetBitmapHandle());
    ASSERT_NE(region, nullptr);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_EQ(box, (RECT{0, 0, background->GetSize().cx, background->GetSize().cy}));
    EXPECT_FALSE(PtInRegion(region, 0, 0)); // rounded corners are cut away
    EXPECT_TRUE(PtInRegion(region, box.right / 2, box.bottom / 2));
    DeleteObject(region);
}
