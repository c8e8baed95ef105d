#include "gui/SkinLanguage.h"
#include "SkinTestSupport.h"
#include "gui/LangTable.h"
#include "gui/SkinFile.h"
#include "gui/xml/PugXmlParser.h"
#include "platform/base/WideChar.h"

#include <gtest/gtest.h>

using skintest::ProgramFolder;
using skintest::Utf16File;

namespace {

std::u16string Translate(const WCHAR* key) {
    return TranslateText(key).str();
}

const char kLanguageXml[] = R"(<?xml version="1.0"?>
<!DOCTYPE ITEMLIST>
<ITEMLIST>
  <LANGLIST>
    <LANG name="LANGUAGE_DEFAULT" file="English.txt"/>
    <LANG name="LANGUAGE_FRENCH" file="shared.dat">
      <LANGFONT fontsearch="FONT_ARIAL12" fontreplace="FONT_TOLVIREG13"/>
      <LANGFONT fontsearch="FONT_ARIAL12" fontreplace="NO_SUCH_FONT"/>
      <LANGOVERRIDE name="BUTTON_OK" caption="$okfr"/>
      <LANGOVERRIDE NAME="BUTTON_CANCEL" multiline="1"/>
      <LANGOVERRIDE name="BUTTON_EXIT" caption="x" tooltip="y"/>
      <LANGOVERRIDE name="NOT_AN_ITEM" caption="x"/>
      <LANGOVERRIDE caption="x" tooltip="y"/>
      <LANGOVERRIDE name="BUTTON_APPLY"><RECT left="10" top="20" right="30" bottom="40"/></LANGOVERRIDE>
      <LANGOVERRIDE name="BUTTON_HELP"><SBMN> help_fr.bmp </SBMN><SBMD>helpd_fr.bmp</SBMD></LANGOVERRIDE>
    </LANG>
    <LANG name="LANGUAGE_GERMAN" file="missing.txt"/>
    <LANG name="KLINGON" file="English.txt"/>
    <LANG name="BUTTON_OK" file="English.txt"/>
  </LANGLIST>
</ITEMLIST>
)";

} // namespace

TEST(SkinLanguage, LanguageXmlBuildsTheTables) {
    ProgramFolder folder;
    folder.Write("xml/Language.xml", kLanguageXml);
    folder.Write("lang/English.txt",
                 Utf16File(u"English\r\nBorvanta\r\nOK\r\nOK\r\nCancel\r\nCancel\r\n"));
    // The French file shares its key with a smaller bitmap resource loaded first; the table
    // must still read the whole language file.
    std::u16string french = u"Fran\x00E7"
                            u"ais\r\n-\r\n";
    for (int i = 0; i < 50; ++i) {
        french += u"Key" + FromUtf8(std::to_string(i)) + u"\r\nTexte " +
                  FromUtf8(std::to_string(i)) + u"\r\n";
    }
    folder.Write("lang/shared.dat", Utf16File(french));
    folder.Write("skins/shared.dat", "tiny");
    SkinResourceCache::Find(u"shared.dat", SKINRES_BITMAP);
    ASSERT_EQ(SkinResourceCache::GetSize(u"shared.dat"), 4);

    CGUIItemList list;
    ASSERT_TRUE(LoadSkinFile(list, u"Language.xml", nullptr));
    // English, French and the table that BUTTON_OK names (a known item id outside the
    // languages: a table, but not a language of the map).
    ASSERT_EQ(list.GetCount(), 3);
    auto* english = dynamic_cast<CLangTable*>(list.GetAt(0));
    auto* frenchTable = dynamic_cast<CLangTable*>(list.GetAt(1));
    ASSERT_NE(english, nullptr);
    ASSERT_NE(frenchTable, nullptr);
    EXPECT_EQ(english->id, 320);
    EXPECT_EQ(english->type, GUIITEM_LANGTABLE);
    EXPECT_EQ(english->hwnd, nullptr);
    EXPECT_EQ(english->GetPairCount(), 2);
    EXPECT_EQ(english->keyboardLayout, GetKeyboardLayout(0));
    EXPECT_EQ(frenchTable->id, 323);
    EXPECT_EQ(frenchTable->GetPairCount(), 50);
    EXPECT_EQ(list.GetAt(2)->id, 8);
    EXPECT_EQ(LanguageTableMap.size(), 2u);
    EXPECT_EQ(LanguageTableMap[320], english);
    EXPECT_EQ(LanguageTableMap[323], frenchTable);
    EXPECT_EQ(LanguageTableMap.count(325), 0u); // its file is missing

    CurrentLangTable = frenchTable;
    EXPECT_EQ(Translate(u"$Key49"), u"Texte 49");
    EXPECT_EQ(CLangTable::MapFontId(231), 243);
    const LangOverride* caption = CLangTable::GetOverride(frenchTable, 8, u"CAPTION");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->GetText().str(), u"$okfr");
    const LangOverride* multiline = CLangTable::GetOverride(frenchTable, 10, u"multiline");
    ASSERT_NE(multiline, nullptr);
    EXPECT_EQ(multiline->GetText().str(), u"1");
    EXPECT_EQ(CLangTable::GetOverride(frenchTable, 7, u"caption"), nullptr);
    RECT rc{};
    const LangOverride* place = CLangTable::GetOverride(frenchTable, 9, u"RECT");
    ASSERT_NE(place, nullptr);
    ASSERT_TRUE(place->GetRect(rc));
    EXPECT_EQ(rc, (RECT{10, 20, 30, 40}));
    const LangOverride* normal = CLangTable::GetOverride(frenchTable, 6, u"SBMN");
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->GetText().str(), u"help_fr.bmp");
    EXPECT_NE(CLangTable::GetOverride(frenchTable, 6, u"SBMD"), nullptr);
    EXPECT_EQ(CLangTable::GetOverride(frenchTable, 6, u"SBMO"), nullptr);
    EXPECT_EQ(frenchTable->GetOverrideCount(), 5);

    // Tables that go leave nothing dangling behind.
    DeleteGUIItems(list);
    EXPECT_TRUE(LanguageTableMap.empty());
    EXPECT_EQ(CurrentLangTable, nullptr);
}

TEST(SkinLanguage, LaterTableReplacesEarlierInTheMap) {
    ProgramFolder folder;
    folder.Write("xml/Language.xml", R"(<ITEMLIST><LANGLIST>
        <LANG name="LANGUAGE_DEFAULT" file="a.txt"/><LANG name="language_default" file="b.txt"/>
        <LANG name="LANGUAGE_KOREAN" file="odd.txt"/><LANG name="LANGUAGE_RUSSIAN" file="none.txt"/>
        <LANG name="LANGUAGE_JAPANESE"/></LANGLIST></ITEMLIST>)");
    folder.Write("lang/a.txt", Utf16File(u"A\r\n-\r\nK\r\nfrom a\r\n"));
    folder.Write("lang/b.txt", Utf16File(u"B\r\n-\r\nK\r\nfrom b\r\n"));
    std::string odd = Utf16File(u"K\r\n-\r\nK\r\nodd");
    odd.push_back('!');
    folder.Write("lang/odd.txt", odd);
    folder.Write("lang/none.txt", Utf16File(u"Title only\r\n"));
    CGUIItemList list;
    ASSERT_TRUE(LoadSkinFile(list, u"Language.xml", nullptr));
    ASSERT_EQ(list.GetCount(), 4);
    CurrentLangTable = LanguageTableMap[320];
    EXPECT_EQ(Translate(u"$K"), u"from b");
    CurrentLangTable = LanguageTableMap[326];
    EXPECT_EQ(Translate(u"$K"), u"odd");
    ASSERT_NE(LanguageTableMap[327], nullptr); // a file without pairs still gives a table
    EXPECT_EQ(LanguageTableMap[327]->GetPairCount(), 0);
    EXPECT_EQ(LanguageTableMap.count(328), 0u);
}

TEST(SkinLanguage, RectangleOverridesComeOnlyFromARectChild) {
    ProgramFolder folder;
    folder.Write("xml/Language.xml", R"(<ITEMLIST><LANGLIST>
        <LANG name="LANGUAGE_GERMAN" file="de.txt">
          <LANGOVERRIDE name="BUTTON_RESET" rect="1234567890"/>
          <LANGOVERRIDE name="BUTTON_RESET" caption="$reset"/>
          <LANGOVERRIDE name="BUTTON_SAVE"><RECT left="1" top="2" right="3" bottom="4"/></LANGOVERRIDE>
        </LANG></LANGLIST></ITEMLIST>)");
    folder.Write("lang/de.txt", Utf16File(u"Deutsch\r\n-\r\nK\r\nV\r\n"));
    CGUIItemList list;
    ASSERT_TRUE(LoadSkinFile(list, u"Language.xml", nullptr));
    CurrentLangTable = LanguageTableMap[325];
    ASSERT_NE(CurrentLangTable, nullptr);
    EXPECT_EQ(CurrentLangTable->GetOverrideCount(), 2);
    EXPECT_EQ(CLangTable::GetOverride(CurrentLangTable, 97, u"RECT"), nullptr);
    EXPECT_NE(CLangTable::GetOverride(CurrentLangTable, 97, u"caption"), nullptr);
    pug::CPugXmlParser parser;
    ASSERT_TRUE(parser.Parse(u"<RECT left='5' top='6' right='70' bottom='20'/>"));
    const pug::CPugXmlBranch rect = parser.GetRoot().FindByName(u"RECT");
    // The skin's rectangle stands where the language gives none; a RECT child replaces it.
    EXPECT_EQ(ReadSkinItemRect(rect, 97), (RECT{5, 6, 70, 20}));
    EXPECT_EQ(ReadSkinItemRect(rect, 95), (RECT{1, 2, 3, 4}));
}
