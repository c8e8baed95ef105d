#include "gui/LangTable.h"
#include "SkinTestSupport.h"
#include "platform/base/WideChar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using skintest::Utf16Le;

bool ParseText(CLangTable& table, const std::u16string& text) {
    const std::vector<BYTE> bytes = Utf16Le(text);
    return CLangTable::Parse(bytes.size(), bytes.data(), &table);
}

std::u16string Found(const CLangTable& table, const WCHAR* key) {
    CString out(u"<untouched>");
    if (!CLangTable::Lookup(&table, out, key)) {
        return u"<none>";
    }
    return out.str();
}

// Restores the process-wide current table after a test.
struct CurrentTableGuard {
    CLangTable* saved = CurrentLangTable;
    ~CurrentTableGuard() { CurrentLangTable = saved; }
};

} // namespace

TEST(LangTable, PairsFromLinesEndedByCrLf) {
    CLangTable table;
    ASSERT_TRUE(ParseText(table, u"\xFEFF"
                                 u"English\r\nversion 1\r\nOkKey\r\nOK\r\n"
                                 u"END OF FILE\r\nLate\r\nignored\r\n"));
    EXPECT_EQ(table.GetTitle().str(), u"\xFEFF"
                                      u"English"); // the mark stays on the title
    EXPECT_EQ(table.GetPairCount(), 1);
    EXPECT_EQ(table.type, GUIITEM_LANGTABLE);
    EXPECT_EQ(table.hwnd, nullptr);
    EXPECT_EQ(Found(table, u"$OkKey"), u"OK");
    EXPECT_EQ(Found(table, u"$okkey"), u"OK");
    EXPECT_EQ(Found(table, u"$Late"), u"<none>");
    EXPECT_EQ(Found(table, u"OkKey"), u"<none>");
}

TEST(LangTable, LineRulesAndEndings) {
    CLangTable table;
    // Blank lines between a key and its text do not shift the pairing; LF alone does not end
    // a line; "end of file" is matched in any case only where a line is expected; a last line
    // without CR counts.
    ASSERT_TRUE(ParseText(table, u"T\r\n\r\nskip\r\nA\r\n\r\n\r\nText A\r\nB\nC\r\nText BC\r\n"
                                 u"Last\r\nno CR at the end"));
    EXPECT_EQ(table.GetPairCount(), 3);
    EXPECT_EQ(Found(table, u"$A"), u"Text A");
    EXPECT_EQ(table.GetKey(1).str(), u"B\nC");
    EXPECT_EQ(Found(table, u"$B"), u"Text BC"); // the stored key is compared up to the LF
    EXPECT_EQ(Found(table, u"$Last"), u"no CR at the end");

    CLangTable eof;
    EXPECT_FALSE(ParseText(eof, u"T\r\n1\r\nend of File\r\nK\r\nV\r\n"));
    EXPECT_EQ(eof.GetPairCount(), 0);
    CLangTable dangling;
    ASSERT_TRUE(ParseText(dangling, u"T\r1\rK1\rV1\rK2\r"));
    EXPECT_EQ(dangling.GetPairCount(), 1); // a key without its text is dropped
    EXPECT_EQ(Found(dangling, u"$K2"), u"<none>");
    EXPECT_EQ(Found(dangling, u"$K1"), u"V1");
}

TEST(LangTable, OddLengthAndEmptyData) {
    std::vector<BYTE> bytes = Utf16Le(u"T\r\n1\r\nKey\r\nValue");
    bytes.push_back(0x41); // half a code unit
    CLangTable table;
    ASSERT_TRUE(CLangTable::Parse(bytes.size(), bytes.data(), &table));
    EXPECT_EQ(Found(table, u"$Key"), u"Value");
    CLangTable empty;
    EXPECT_FALSE(CLangTable::Parse(0, bytes.data(), &empty));
    EXPECT_FALSE(CLangTable::Parse(1, bytes.data(), &empty));
    EXPECT_FALSE(CLangTable::Parse(4, nullptr, &empty));
    EXPECT_FALSE(CLangTable::Parse(bytes.size(), bytes.data(), nullptr));
}

TEST(LangTable, KeyNormalisingAndPrefixes) {
    CLangTable table;
    const std::u16string longKey(75, u'k');
    ASSERT_TRUE(ParseText(table, u"T\r\n-\r\nSave Profile\r\nSave the profile\r\n"
                                 u"SaveAs\r\nSave as\r\nprofile name\r\nName\r\n" +
                                     longKey + u"\r\nLong text\r\n" + longKey +
                                     u"x\r\nLonger text\r\nEmptyText\r\n\r\nAfter\r\nafter\r\n"));
    EXPECT_EQ(Found(table, u"$SaveProfile"), u"Save the profile");
    EXPECT_EQ(Found(table, u"$saveprofile"), u"Save the profile");
    EXPECT_EQ(Found(table, u"$Save Profile"), u"<none>"); // asked keys keep their blanks
    EXPECT_EQ(Found(table, u"#sav"), u"Save the profile");
    EXPECT_EQ(Found(table, u"#SaveA"), u"Save as");
    EXPECT_EQ(Found(table, u"#zzz"), u"<none>");
    // A stored key is cut to its first 59 characters: a longer key is found by that part
    // alone (the first of two keys that share it wins), neither whole nor by a longer part.
    EXPECT_EQ(Found(table, (u"$" + longKey.substr(0, 59)).c_str()), u"Long text");
    EXPECT_EQ(Found(table, (u"$" + longKey.substr(0, 60)).c_str()), u"<none>");
    EXPECT_EQ(Found(table, (u"$" + longKey).c_str()), u"<none>");
    EXPECT_EQ(Found(table, (u"$" + longKey + u"x").c_str()), u"<none>");
    EXPECT_EQ(Found(table, (u"$" + longKey.substr(0, 58)).c_str()), u"<none>");
    EXPECT_EQ(Found(table, (u"#" + longKey.substr(0, 59)).c_str()), u"Long text");
    EXPECT_EQ(Found(table, (u"#" + longKey.substr(0, 60)).c_str()), u"<none>");
    // The limit counts the characters kept: blanks do not use it up.
    CLangTable spaced;
    const std::u16string seventy(70, u'k');
    ASSERT_TRUE(ParseText(spaced, u"T\r\n-\r\nA B " + seventy + u"\r\nSpaced\r\n"));
    EXPECT_EQ(Found(spaced, (u"$AB" + seventy.substr(0, 57)).c_str()), u"Spaced");
    // An empty text line is skipped like a blank line, so "After" is that key's text.
    EXPECT_EQ(Found(table, u"$EmptyText"), u"After");
    EXPECT_EQ(Found(table, nullptr), u"<none>");
    EXPECT_EQ(Found(table, u""), u"<none>");
}

TEST(LangTable, DuplicateKeysFirstWins) {
    CLangTable table;
    ASSERT_TRUE(ParseText(table, u"T\r\n-\r\nKey\r\nfirst\r\nK E Y\r\nsecond\r\n"));
    EXPECT_EQ(table.GetPairCount(), 2);
    EXPECT_EQ(Found(table, u"$key"), u"first");
}

TEST(LangTable, TranslateTextAndFontMapUseTheCurrentTable) {
    CurrentTableGuard guard;
    CurrentLangTable = nullptr;
    EXPECT_EQ(TranslateText(u"$OK").str(), u"$OK");
    EXPECT_EQ(CLangTable::MapFontId(231), 231);
    EXPECT_EQ(TranslateText(nullptr).str(), u"");

    CLangTable table;
    ASSERT_TRUE(ParseText(table, u"T\r\n-\r\nOK\r\nD'accord\r\n"));
    table.MapFont(231, 243);
    table.MapFont(232, 0);
    CurrentLangTable = &table;
    EXPECT_EQ(TranslateText(u"$ok").str(), u"D'accord");
    EXPECT_EQ(TranslateText(u"OK").str(), u"OK");
    EXPECT_EQ(TranslateText(u"$Missing").str(), u"$Missing");
    EXPECT_EQ(CLangTable::MapFontId(231), 243);
    EXPECT_EQ(CLangTable::MapFontId(232), 232); // a zero mapping keeps the id
    EXPECT_EQ(CLangTable::MapFontId(7), 7);
}

TEST(LangTable, Overrides) {
    CLangTable table;
    const WCHAR caption[] = u"Fermer";
    CLangTable::AddOverride(&table, 8, caption, sizeof(caption), u"caption");
    const LONG rect[4] = {10, 20, 30, 40};
    CLangTable::AddOverride(&table, 8, rect, sizeof(rect), u"RECT");
    CLangTable::AddOverride(&table, 8, u"second", 14, u"CAPTION");
    ASSERT_EQ(table.GetOverrideCount(), 3);
    const LangOverride* text = CLangTable::GetOverride(&table, 8, u"Caption");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetText().str(), u"Fermer");
    const LangOverride* place = CLangTable::GetOverride(&table, 8, u"rect");
    ASSERT_NE(place, nullptr);
    RECT rc{};
    ASSERT_TRUE(place->GetRect(rc));
    EXPECT_EQ(rc, (RECT{10, 20, 30, 40}));
    EXPECT_FALSE(text->GetRect(rc)); // 14 bytes are no rectangle
    EXPECT_EQ(CLangTable::GetOverride(&table, 9, u"caption"), nullptr);
    EXPECT_EQ(CLangTable::GetOverride(nullptr, 8, u"caption"), nullptr);
    CLangTable::AddOverride(&table, 9, nullptr, 0, u"empty");
    const LangOverride* empty = CLangTable::GetOverride(&table, 9, u"EMPTY");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetText().str(), u"");
    EXPECT_FALSE(empty->GetRect(rc));
}
