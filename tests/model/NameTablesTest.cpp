#include "model/NameTables.h"

#include "platform/base/WideChar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class NameTablesTest : public ::testing::Test {
protected:
    void SetUp() override { InitNameTables(); }
};

std::u16string Text(const WCHAR* s) {
    return s == nullptr ? u"<null>" : std::u16string(s);
}

TEST_F(NameTablesTest, TablesHoldTheirEntryCounts) {
    EXPECT_EQ(CommandKeyMap.size(), 17u);
    EXPECT_EQ(AssignmentKeyMap.size(), 66u);
    EXPECT_EQ(SkinItemNameMap.size(), 368u);
    EXPECT_EQ(KeyShortNameMap.size(), 67u);
    EXPECT_EQ(ColourNameMap.size(), 10u);
    EXPECT_EQ(LanguageNameMap.size(), 9u);
    EXPECT_EQ(ListColumnItemMap.size(), 6u);
    EXPECT_EQ(CellControlTypeMap.size(), 6u);
    EXPECT_EQ(MacroColumnTypeMap.size(), 2u);
    // A second fill gives the same tables, not doubled ones.
    InitNameTables();
    EXPECT_EQ(SkinItemNameMap.size(), 368u);
}

TEST_F(NameTablesTest, ReverseLookupsIgnoreCaseAndPreferTheLowerKey) {
    EXPECT_EQ(FindAssignmentKindId(u"$Double-Click"), 3);
    EXPECT_EQ(FindAssignmentKindId(u"$DoubleClick"), -1);
    EXPECT_EQ(FindAssignmentKindId(u"$MACRO"), 5);
    EXPECT_EQ(FindAssignmentKindId(u"$profile"), 24);
    EXPECT_EQ(FindSkinItemId(u"button_ok"), 8);
    EXPECT_EQ(FindSkinItemId(u""), -1);
    EXPECT_EQ(FindSkinItemId(nullptr), -1);
    EXPECT_EQ(FindSkinItemId(u"BUTTON_ADD_ADV_MACRO_CMDS"), 370);
    EXPECT_EQ(FindColourByName(u"Green3"), 0x00094701);
    EXPECT_EQ(FindColourByName(u"blue"), 0x00FF0000);
    EXPECT_EQ(FindColourByName(u"PURPLE"), -1);
    EXPECT_EQ(FindLanguageId(u"FrenchCanadian"), 324);
    EXPECT_EQ(FindLanguageId(u"english"), 320);
    EXPECT_EQ(FindCommandKeyId(u"$ZoomOut"), 17);
    EXPECT_EQ(FindListColumnItemId(u"lcitem_autoswitch"), 3);
    EXPECT_EQ(FindCellControlType(u"FileDialog"), 5);
    EXPECT_EQ(FindMacroColumnType(u"static"), 1);
    EXPECT_EQ(FindMacroColumnType(u"EDIT"), -1);
}

TEST_F(NameTablesTest, ForwardLookupOfAMissingKeyAddsNothing) {
    EXPECT_EQ(LookupName(SkinItemNameMap, 11), nullptr);
    EXPECT_EQ(LookupName(SkinItemNameMap, 329), nullptr);
    EXPECT_EQ(LookupName(SkinItemNameMap, 371), nullptr);
    EXPECT_EQ(SkinItemNameMap.size(), 368u);
    EXPECT_EQ(Text(LookupName(SkinItemNameMap, 346)), u"BUTTON_DPISTAGES_OK");
    EXPECT_EQ(Text(LookupName(SkinItemNameMap, 348)), u"BUTTON_DPISTAGES_CANCEL");
    EXPECT_EQ(Text(LookupName(KeyShortNameMap, 0xA7)), u"Forward");
    EXPECT_EQ(Text(LookupName(KeyShortNameMap, 0x41)), u"<null>");
    EXPECT_EQ(Text(LookupName(AssignmentKeyMap, 65)), u"$launchprogram");
    EXPECT_EQ(Text(LookupColourName(0x005F5F5F)), u"MIDGREY");
    EXPECT_EQ(LookupColourName(0x00123456), nullptr);
}

TEST_F(NameTablesTest, SkinItemIdsAndNamesRoundTrip) {
    // Every name leads back to its own id: no name is listed twice.
    for (const auto& [id, name] : SkinItemNameMap) {
        EXPECT_EQ(FindSkinItemId(name), id) << ToUtf8(name);
    }
    // The LANGUAGE_ items share their numbers with the language ids.
    for (const auto& [id, name] : LanguageNameMap) {
        EXPECT_EQ(std::u16string(LookupName(SkinItemNameMap, id)).substr(0, 9), u"LANGUAGE_") << id;
    }
}

} // namespace
