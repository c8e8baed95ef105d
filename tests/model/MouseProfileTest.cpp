#include "model/MouseProfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::u16string Str(const WCHAR* s) {
    return std::u16string(s);
}

// A profile with the product's factory stages: capacity 5, range 100..5600.
CMouseProfile FactoryStages() {
    CMouseProfile p(u"Factory");
    p.SetStageCapacity(5);
    p.SetDpiRange(100, 5600, 100);
    const LONG values[] = {800, 1200, 1800, 4000, 5600};
    for (LONG s = 1; s <= 5; ++s) {
        p.SetStageDpi(s, values[s - 1]);
        p.SetStageDpiX(s, values[s - 1] + 100);
        p.SetStageDpiY(s, values[s - 1] - 100);
    }
    p.SetStageCount(5);
    return p;
}

TEST(MouseProfileTest, NewProfileState) {
    CBorvantaProfile p;
    EXPECT_EQ(p.GetActiveStage(), 0);
    EXPECT_EQ(p.GetStageCapacity(), 0u);
    EXPECT_EQ(p.GetStageCount(), 0u);
    EXPECT_EQ(p.GetLogoLightColor(), 0x00FFFFFFu);
    EXPECT_EQ(p.GetScrollLightColor(), 0x00FFFFFFu);
    EXPECT_EQ(p.GetLogoLightOn(), 0);
    EXPECT_EQ(p.GetScrollLightOn(), 0);
    EXPECT_EQ(p.GetExtraAssignmentsEnabled(), 1);
    EXPECT_FALSE(p.HasFile());
    EXPECT_EQ(Str(p.GetName()), u"");
    GUID out{1, 2, 3, {4}};
    EXPECT_EQ(p.GetGuid(out), GUID_NULL);
    EXPECT_EQ(out, GUID_NULL);
    EXPECT_EQ(Str(CMouseProfile(u"Named").GetName()), u"Named");
}

TEST(MouseProfileTest, ExePathGivesExeName) {
    CMouseProfile p;
    p.SetExePath(u"D:\\Games\\run.exe");
    EXPECT_EQ(Str(p.GetExeName()), u"run.exe");
    p.SetExeName(u"other.exe");
    EXPECT_EQ(Str(p.GetExePath()), u"D:\\Games\\run.exe");
    p.SetExePath(u"/usr/bin/tool");
    EXPECT_EQ(Str(p.GetExeName()), u"tool");
    p.SetExePath(u"D:\\my.games\\archive.tar.gz");
    EXPECT_EQ(Str(p.GetExeName()), u"archive.tar.gz");
    p.SetExePath(nullptr);
    EXPECT_EQ(Str(p.GetExePath()), u"");
    EXPECT_EQ(Str(p.GetExeName()), u"");
    // Name and extension keep at most 256 characters each.
    const std::u16string longName(300, u'n');
    p.SetExePath((u"C:\\" + longName + u".exe").c_str());
    EXPECT_EQ(Str(p.GetExeName()), std::u16string(256, u'n') + u".exe");
}

TEST(MouseProfileTest, AssignmentsAreCheckedAgainstTheButtonTables) {
    CMouseProfile p;
    p.SetButtonAssignment(1, ButtonAssignment::Of(ASSIGNMENT_BUTTON4));
    ButtonAssignment a;
    p.GetButtonAssignment(a, 1);
    EXPECT_EQ(a, ButtonAssignment{}) << "refused kind must not be stored";

    p.SetButtonAssignment(11, ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, GUID{7, 0, 0, {}}));
    p.GetButtonAssignment(a, 11);
    EXPECT_EQ(a.kind, ASSIGNMENT_MACRO);
    EXPECT_EQ(a.GetGuid().Data1, 7u);
    p.SetButtonAssignment(10, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"P"));
    p.GetButtonAssignment(a, 10);
    EXPECT_EQ(a.kind, ASSIGNMENT_NONE);
    p.SetButtonAssignment(9, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"P"));
    p.GetButtonAssignment(a, 9);
    EXPECT_EQ(a.kind, ASSIGNMENT_PROFILE_NAME);

    // Reading a button never set leaves a kind -1 entry behind.
    EXPECT_EQ(p.GetAssignments().count(4), 0u);
    p.GetButtonAssignment(a, 4);
    EXPECT_EQ(a, ButtonAssignment{});
    EXPECT_EQ(p.GetAssignments().count(4), 1u);

    EXPECT_FALSE(p.HasClickAssignment());
    p.SetButtonAssignment(2, ButtonAssignment::Of(ASSIGNMENT_CLICK));
    EXPECT_TRUE(p.HasClickAssignment());

    CStringArray names;
    p.GetAllowedAssignmentNames(names, 11);
    EXPECT_EQ(names.GetSize(), 6);
    EXPECT_FALSE(p.SetAssignmentFromText(1, u"0"));
    p.GetButtonAssignment(a, 1);
    EXPECT_EQ(a.kind, ASSIGNMENT_NONE);
}

TEST(MouseProfileTest, ExtraAssignmentsStayConsistentAndInBounds) {
    CMouseProfile p;
    EXPECT_EQ(p.GetExtraAssignmentButton(0), 0);
    EXPECT_EQ(p.GetExtraAssignmentButton(100), 0);

    // Kinds of buttons 1 to 9 only; a refused one adds nothing at all.
    p.SetExtraAssignment(10, ButtonAssignment::Of(ASSIGNMENT_BUTTON5));
    EXPECT_EQ(p.GetExtraAssignmentCount(), 0u);
    EXPECT_EQ(p.GetExtraAssignmentButton(0), 0);

    p.SetExtraAssignment(12, ButtonAssignment::Of(ASSIGNMENT_CLICK));
    p.SetExtraAssignment(12, ButtonAssignment::Of(ASSIGNMENT_MENU));
    EXPECT_EQ(p.GetExtraAssignmentCount(), 1u);
    EXPECT_EQ(p.GetExtraAssignmentButton(0), 12);

    // Reading an absent button creates its entry and lists it, so count and list agree.
    ButtonAssignment a;
    p.GetExtraAssignment(a, 3);
    EXPECT_EQ(a, ButtonAssignment{});
    EXPECT_EQ(p.GetExtraAssignmentCount(), 2u);
    EXPECT_EQ(p.GetExtraAssignmentButton(1), 3);
    EXPECT_EQ(p.GetExtraAssignmentButton(2), 0);

    // An extra click counts for the primary-click rule only while the set is enabled.
    EXPECT_FALSE(p.HasClickAssignment());
    p.SetExtraAssignment(3, ButtonAssignment::Of(ASSIGNMENT_CLICK));
    EXPECT_TRUE(p.HasClickAssignment());
    p.SetExtraAssignmentsEnabled(0);
    EXPECT_FALSE(p.HasClickAssignment());
}

TEST(MouseProfileTest, StageValuesAreAddressedAndClamped) {
    CMouseProfile p;
    p.SetStageCapacity(5);
    p.SetDpiRange(100, 5600, 100);
    EXPECT_EQ(p.SetStageDpi(9, 3000), 3000);
    EXPECT_EQ(p.GetStageDpi(5), 3000);
    EXPECT_EQ(p.GetStageDpi(9), 3000);
    EXPECT_EQ(p.SetStageDpi(2, 50), 100);
    EXPECT_EQ(p.GetStageDpi(2), 100);
    EXPECT_EQ(p.SetStageDpiX(2, 9000), 5600);
    EXPECT_EQ(p.GetStageDpiX(2), 5600);
    EXPECT_EQ(p.SetStageDpiY(3, -500), 100) << "a negative value clamps to the minimum";
    EXPECT_EQ(p.GetStageDpiY(3), 100);
    p.SetStageSeparateXY(4, 1);
    EXPECT_EQ(p.GetStageSeparateXY(4), 1);

    // Stage 0 addresses nothing: setters store nothing and return the clamped value.
    EXPECT_EQ(p.SetStageDpi(0, 7000), 5600);
    EXPECT_EQ(p.GetStageDpi(0), 0);
    p.SetStageSeparateXY(0, 1);
    EXPECT_EQ(p.GetStageSeparateXY(0), 0);
    for (LONG s = 1; s <= 5; ++s) {
        EXPECT_NE(p.GetStageDpi(s), 5600) << s;
    }
    // Stage numbers compare unsigned: a negative one lies beyond the array, so it is the last.
    EXPECT_EQ(p.SetStageDpi(-1, 4400), 4400);
    EXPECT_EQ(p.GetStageDpi(5), 4400);
    EXPECT_EQ(p.GetStageDpi(-7), 4400);

    // The current sensitivity is not clamped.
    p.SetDpi(99999);
    EXPECT_EQ(p.GetDpi(), 99999);
}

TEST(MouseProfileTest, StageCallsWithoutAnArrayStayInBounds) {
    CMouseProfile p;
    p.SetDpiRange(100, 5600, 100);
    EXPECT_EQ(p.SetStageDpi(1, 800), 800);
    EXPECT_EQ(p.SetStageDpiX(3, 20), 100);
    EXPECT_EQ(p.SetStageDpiY(1, 9000), 5600);
    p.SetStageSeparateXY(1, 1);
    EXPECT_EQ(p.GetStageDpi(1), 0);
    EXPECT_EQ(p.GetStageDpiX(1), 0);
    EXPECT_EQ(p.GetStageDpiY(1), 0);
    EXPECT_EQ(p.GetStageSeparateXY(1), 0);
    p.SetActiveStage(4);
    EXPECT_EQ(p.GetActiveStage(), 1);
    p.SetStageCount(3);
    EXPECT_EQ(p.GetStageCount(), 0u);
}

TEST(MouseProfileTest, ActiveStageCountAndCapacityRules) {
    CMouseProfile p;
    p.SetStageCapacity(5);
    EXPECT_EQ(p.GetActiveStage(), 1);
    p.SetActiveStage(0);
    EXPECT_EQ(p.GetActiveStage(), 0);
    p.SetActiveStage(7);
    EXPECT_EQ(p.GetActiveStage(), 5);
    p.SetActiveStage(3);
    EXPECT_EQ(p.GetActiveStage(), 3);
    p.SetStageCount(8);
    EXPECT_EQ(p.GetStageCount(), 5u);

    p.SetDpiRange(0, 9000, 1);
    p.SetStageDpi(1, 4000);
    EXPECT_TRUE(p.SetStageCapacity(0));
    EXPECT_EQ(p.GetStageCapacity(), 1u);
    EXPECT_EQ(p.GetStageDpi(1), 0) << "a new array is all zero";
    EXPECT_EQ(p.GetActiveStage(), 1);
    EXPECT_EQ(p.GetStageCount(), 5u) << "the count is not changed by the capacity";
    EXPECT_TRUE(p.SetStageCapacity(12));
    EXPECT_EQ(p.GetStageCapacity(), 10u);
    for (LONG s = 1; s <= 10; ++s) {
        EXPECT_EQ(p.GetStageDpi(s), 0);
    }
}

TEST(MouseProfileTest, CopyTakesEverythingAndKeepsActiveStage) {
    CMouseProfile src = FactoryStages();
    src.SetActiveStage(4);
    src.SetDpi(1234);
    src.SetDpiX(1111);
    src.SetDpiY(2222);
    src.SetSeparateXY(1);
    src.SetStageSeparateXY(2, 1);
    src.SetGuid(GUID{42, 1, 2, {3}});
    src.SetExePath(u"C:\\a\\b.exe");
    src.SetAutoSwitch(1);
    src.SetShowDpiOsd(1);
    src.SetShowProfileOsd(1);
    src.SetLogoLightOn(1);
    src.SetScrollLightColor(0x123456);
    src.SetFilePath(u"C:\\save\\Factory.qmp");
    src.SetButtonAssignment(1, ButtonAssignment::Of(ASSIGNMENT_CLICK));
    src.SetButtonAssignment(4, ButtonAssignment::SingleKey(1, 2, 3));
    src.SetExtraAssignment(2, ButtonAssignment::Of(ASSIGNMENT_MENU));
    src.SetExtraAssignmentsEnabled(0);

    const CMouseProfile copy(src);
    EXPECT_EQ(Str(copy.GetName()), u"Factory");
    EXPECT_EQ(copy.GetActiveStage(), 4);
    EXPECT_EQ(copy.GetDpi(), 1234);
    EXPECT_EQ(copy.GetDpiX(), 1111);
    EXPECT_EQ(copy.GetDpiY(), 2222);
    EXPECT_EQ(copy.GetSeparateXY(), 1);
    EXPECT_EQ(copy.GetStageCapacity(), 5u);
    EXPECT_EQ(copy.GetStageCount(), 5u);
    for (LONG s = 1; s <= 5; ++s) {
        EXPECT_EQ(copy.GetStageDpi(s), src.GetStageDpi(s));
        EXPECT_EQ(copy.GetStageDpiX(s), src.GetStageDpiX(s));
        EXPECT_EQ(copy.GetStageDpiY(s), src.GetStageDpiY(s));
        EXPECT_EQ(copy.GetStageSeparateXY(s), src.GetStageSeparateXY(s));
    }
    GUID g;
    EXPECT_EQ(copy.GetGuid(g).Data1, 42u);
    EXPECT_EQ(Str(copy.GetExeName()), u"b.exe");
    EXPECT_EQ(copy.GetAutoSwitch(), 1);
    EXPECT_EQ(copy.GetShowDpiOsd(), 1);
    EXPECT_EQ(copy.GetShowProfileOsd(), 1);
    EXPECT_EQ(copy.GetLogoLightOn(), 1);
    EXPECT_EQ(copy.GetScrollLightColor(), 0x123456u);
    EXPECT_TRUE(copy.HasFile());
    EXPECT_EQ(copy.GetAssignments(), src.GetAssignments());
    EXPECT_EQ(copy.GetExtraAssignmentCount(), 1u);
    EXPECT_EQ(copy.GetExtraAssignmentButton(0), 2);
    EXPECT_EQ(copy.GetExtraAssignmentsEnabled(), 0);
    LONG mn = 0, mx = 0, st = 0;
    EXPECT_TRUE(copy.GetDpiRange(mn, mx, st));
    EXPECT_EQ(mn, 100);
    EXPECT_EQ(mx, 5600);
    EXPECT_EQ(st, 100);

    // Copying again over an existing profile replaces its button lists instead of growing
    // them.
    CMouseProfile again(src);
    again = src;
    EXPECT_EQ(again.GetExtraAssignmentCount(), 1u);
    EXPECT_EQ(again.GetExtraAssignmentButton(1), 0);
}

TEST(MouseProfileTest, CopyClampsStageValuesToTheCopiedRange) {
    CMouseProfile src = FactoryStages();
    src.SetDpiRange(1000, 2000, 100); // the stage values now lie partly outside
    const CMouseProfile copy(src);
    EXPECT_EQ(copy.GetStageDpi(1), 1000);
    EXPECT_EQ(copy.GetStageDpi(3), 1800);
    EXPECT_EQ(copy.GetStageDpi(5), 2000);
}

TEST(MouseProfileTest, CopyOfAProfileWithoutStagesIsEqual) {
    CMouseProfile src(u"Empty");
    src.SetDpi(500);
    const CMouseProfile copy(src);
    EXPECT_EQ(copy.GetStageCapacity(), 0u);
    EXPECT_EQ(copy.GetStageCount(), 0u);
    EXPECT_EQ(copy.GetActiveStage(), 0);
    EXPECT_EQ(copy.GetDpi(), 500);
    EXPECT_EQ(copy.GetStageDpi(1), 0);
    // Self-assignment keeps everything.
    CMouseProfile self = FactoryStages();
    CMouseProfile& ref = self;
    self = ref;
    EXPECT_EQ(self.GetStageDpi(5), 5600);
}

TEST(MouseProfileTest, ReservedSlotsDoNothing) {
    CMouseProfile p = FactoryStages();
    IMouseProfile& i = p;
    i.Reserved50();
    i.Reserved66();
    i.Reserved71();
    i.Reserved73();
    EXPECT_EQ(i.Reserved51(), 0);
    EXPECT_EQ(i.Reserved62(), 0);
    EXPECT_FALSE(i.Reserved63());
    EXPECT_FALSE(i.Reserved64());
    EXPECT_FALSE(i.Reserved65());
    EXPECT_FALSE(i.Reserved67());
    EXPECT_FALSE(i.Reserved72());
    EXPECT_EQ(p.GetStageDpi(5), 5600);
    // Destroying through the interface releases the profile (checked by the sanitizer).
    std::unique_ptr<IMouseProfile> owned = std::make_unique<CMouseProfile>(p);
    EXPECT_EQ(owned->GetStageDpi(1), 800);
}

} // namespace
