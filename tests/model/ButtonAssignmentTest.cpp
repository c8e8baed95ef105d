#include "model/ButtonAssignment.h"
#include "model/DpiStage.h"
#include "model/NameTables.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ButtonAssignmentTest, DataIsLaidOutByKind) {
    const auto key = ButtonAssignment::SingleKey(0x1E, 0x41, SINGLE_KEY_CTRL | SINGLE_KEY_SHIFT);
    EXPECT_EQ(key.kind, ASSIGNMENT_SINGLE_KEY);
    EXPECT_EQ(key.GetScanCode(), 0x1E);
    EXPECT_EQ(key.GetVirtualKey(), 0x41);
    EXPECT_EQ(key.GetKeyFlags(), 0x0C);
    for (size_t i = 5; i < ASSIGNMENT_DATA_BYTES; ++i) {
        EXPECT_EQ(key.data[i], 0) << i;
    }

    const GUID id{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    const auto macro = ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, id);
    EXPECT_EQ(macro.GetGuid(), id);
    EXPECT_EQ(macro.data[16], 0);

    const auto named = ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"Office");
    EXPECT_EQ(named.GetName(), CString(u"Office"));
    EXPECT_EQ(ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, nullptr).GetName(), CString());
}

TEST(ButtonAssignmentTest, LongNamesAreCutAndTerminatedInsideTheField) {
    const std::u16string longName(60, u'x');
    const auto a = ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, longName.c_str());
    EXPECT_EQ(a.GetName().GetLength(), 38);
    // The terminator sits in the last unit of the field and nothing follows the field.
    EXPECT_EQ(a.data[76], 0);
    EXPECT_EQ(a.data[77], 0);
    EXPECT_EQ(a.data[78], 0);
    EXPECT_EQ(a.data[79], 0);

    // A cut that would split a surrogate pair is made before the pair.
    const std::u16string pairAtTheCut = std::u16string(37, u'x') + u"\U0001F600" + u"tail";
    const auto cut = ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, pairAtTheCut.c_str());
    EXPECT_EQ(cut.GetName(), CString(std::u16string(37, u'x')));
    const std::u16string pairFits = std::u16string(36, u'x') + u"\U0001F600" + u"tail";
    EXPECT_EQ(ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, pairFits.c_str()).GetName(),
              CString(std::u16string(36, u'x') + u"\U0001F600"));

    // A field filled from outside without a terminator is read no further than its end.
    ButtonAssignment raw = ButtonAssignment::Of(ASSIGNMENT_PROFILE_NAME);
    for (size_t i = 0; i < ASSIGNMENT_DATA_BYTES; i += 2) {
        raw.data[i] = 'y';
    }
    EXPECT_EQ(raw.GetName().GetLength(), 39);
}

TEST(ButtonAssignmentTest, AllowedKindsFollowTheButtonTables) {
    EXPECT_FALSE(IsAssignmentKindAllowed(ASSIGNMENT_BUTTON4, 1));
    EXPECT_TRUE(IsAssignmentKindAllowed(ASSIGNMENT_MACRO, 11));
    EXPECT_TRUE(IsAssignmentKindAllowed(ASSIGNMENT_MACRO_NAME, 11));
    EXPECT_TRUE(IsAssignmentKindAllowed(ASSIGNMENT_PROFILE_NAME, 9));
    EXPECT_FALSE(IsAssignmentKindAllowed(ASSIGNMENT_PROFILE_NAME, 10));
    EXPECT_FALSE(IsAssignmentKindAllowed(ASSIGNMENT_CLICK, 10));
    EXPECT_TRUE(IsAssignmentKindAllowed(ASSIGNMENT_CLICK, 0));
    EXPECT_TRUE(IsAssignmentKindAllowed(ASSIGNMENT_CLICK, 12));
    EXPECT_FALSE(IsAssignmentKindAllowed(ASSIGNMENT_NONE, 1));

    CStringArray names;
    names.Add(CString(u"stale"));
    GetAllowedAssignmentKeys(names, 3);
    ASSERT_EQ(names.GetSize(), 15);
    EXPECT_EQ(names[0], CString(u"$click"));
    EXPECT_EQ(names[4], CString(u"$macro"));
    EXPECT_EQ(names[7], CString(u"$Forward"));
    EXPECT_EQ(names[8], CString(u"$Backward"));
    EXPECT_EQ(names[11], CString(u"$profile"));
    EXPECT_EQ(names[14], CString(u"$buttonoff"));
    GetAllowedAssignmentKeys(names, 10);
    ASSERT_EQ(names.GetSize(), 6);
    EXPECT_EQ(names[0], CString(u"$macro"));
    EXPECT_EQ(names[5], CString(u"$buttonoff"));
}

TEST(ButtonAssignmentTest, ButtonNamesAndFactoryAssignments) {
    EXPECT_EQ(std::u16string(GetButtonTextKey(0)), u"<null>");
    EXPECT_EQ(std::u16string(GetButtonTextKey(11)), u"$ScrollDown");
    EXPECT_EQ(GetButtonTextKey(12), nullptr);
    EXPECT_EQ(GetButtonTextKey(-1), nullptr);
    EXPECT_EQ(std::u16string(GetButtonSkinItemName(4)), u"BUTTON_ASSNLSIDEREAR");
    EXPECT_EQ(GetButtonSkinItemName(0), nullptr);

    BuildDefaultAssignments();
    ASSERT_EQ(DefaultAssignmentMap.size(), 11u);
    const AssignmentKind expected[] = {0, 1, 2, 35, 36, 7, 7, 16, 17, 43, 44};
    for (ButtonId b = 1; b <= 11; ++b) {
        const ButtonAssignment a = GetDefaultAssignment(b);
        EXPECT_EQ(a.kind, expected[b - 1]) << b;
        EXPECT_EQ(a, ButtonAssignment::Of(expected[b - 1])) << "data not zero for " << b;
        // Every factory assignment is one its button may take.
        EXPECT_TRUE(IsAssignmentKindAllowed(a.kind, b)) << b;
    }
    EXPECT_EQ(GetDefaultAssignment(12).kind, ASSIGNMENT_NONE);
}

TEST(ButtonAssignmentTest, KindKeysAreAvailableBeforeTheTablesAreFilled) {
    InitNameTables();
    for (AssignmentKind kind = 0; kind < ASSIGNMENT_KIND_COUNT; ++kind) {
        EXPECT_EQ(std::u16string(GetAssignmentKindKey(kind)),
                  std::u16string(LookupName(AssignmentKeyMap, kind)));
    }
    EXPECT_EQ(GetAssignmentKindKey(-1), nullptr);
    EXPECT_EQ(GetAssignmentKindKey(66), nullptr);
}

TEST(DpiStageTest, StageAddressingStaysInsideTheArray) {
    EXPECT_EQ(StageEntryIndex(1, 5), 0u);
    EXPECT_EQ(StageEntryIndex(5, 5), 4u);
    EXPECT_EQ(StageEntryIndex(9, 5), 4u);
    EXPECT_EQ(StageEntryIndex(0, 5), std::nullopt);
    EXPECT_EQ(StageEntryIndex(-3, 5), 4u) << "compared unsigned: beyond the array";
    EXPECT_EQ(StageEntryIndex(1, 0), std::nullopt);

    EXPECT_EQ(ClampStageValue(50, 100, 5600), 100);
    EXPECT_EQ(ClampStageValue(9000, 100, 5600), 5600);
    EXPECT_EQ(ClampStageValue(-200, 100, 5600), 100);
    EXPECT_EQ(ClampStageValue(3000, 100, 5600), 3000);

    EXPECT_EQ(ActiveStageIndex(0, 5), -1);
    EXPECT_EQ(ActiveStageIndex(7, 5), 4);
    EXPECT_EQ(ActiveStageIndex(5, 5), 4);
    EXPECT_EQ(ActiveStageIndex(2, 5), 1);
    EXPECT_EQ(ActiveStageIndex(3, 0), 0);
}

TEST(DpiStageTest, ResetUnusedStagesWritesOnlyUnusedRowsThatExist) {
    DpiStageSet set;
    set.stageCount = 2;
    set.stages.assign(5, DpiStageEntry{700, 710, 720, 1, 1, 1});
    set.ResetUnusedStages();
    EXPECT_EQ(set.stages[0], (DpiStageEntry{700, 710, 720, 1, 1, 1}));
    EXPECT_EQ(set.stages[1], (DpiStageEntry{700, 710, 720, 1, 1, 1}));
    EXPECT_EQ(set.stages[2], (DpiStageEntry{1800, 1800, 1800, 0, 0, 0}));
    EXPECT_EQ(set.stages[3], (DpiStageEntry{4000, 4000, 4000, 0, 0, 0}));
    EXPECT_EQ(set.stages[4], (DpiStageEntry{5600, 5600, 5600, 0, 0, 0}));

    // A short set gets no rows added; a count of 5 or more changes nothing.
    DpiStageSet shortSet;
    shortSet.stageCount = 1;
    shortSet.stages.assign(2, DpiStageEntry{1, 1, 1, 1, 1, 1});
    shortSet.ResetUnusedStages();
    ASSERT_EQ(shortSet.stages.size(), 2u);
    EXPECT_EQ(shortSet.stages[1].dpi, 1200);
    DpiStageSet full;
    full.stageCount = 5;
    full.stages.assign(7, DpiStageEntry{1, 1, 1, 1, 1, 1});
    full.ResetUnusedStages();
    for (const auto& e : full.stages) {
        EXPECT_EQ(e, (DpiStageEntry{1, 1, 1, 1, 1, 1}));
    }
    // A negative count resets every row up to the fifth.
    DpiStageSet negative;
    negative.stageCount = -1;
    negative.stages.assign(1, DpiStageEntry{});
    negative.ResetUnusedStages();
    EXPECT_EQ(negative.stages[0].dpi, 800);
}

} // namespace
