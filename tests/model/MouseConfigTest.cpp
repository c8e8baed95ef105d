#include "model/BorvantaConfig.h"
#include "model/ProfileNames.h"

#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "tests/platform/base/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::u16string Str(const WCHAR* s) {
    return s == nullptr ? u"<null>" : std::u16string(s);
}

// The base configuration, without the product's defaults.
class PlainConfig : public CMouseConfig {
public:
    const WCHAR* GetProfileExtension() const override { return u"cfg"; }
};

TEST(MouseConfigTest, DeletingTheActiveProfileLeavesTheFallback) {
    PlainConfig config;
    IMouseProfile* p = config.AddProfile(u"Only");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetStageCapacity(), 0u) << "the base class adds plain profiles";
    config.SetActiveProfile(p);
    config.SetActiveStage(2, nullptr);
    EXPECT_EQ(config.GetActiveStage(nullptr), 1);
    config.DeleteProfile(p);
    EXPECT_EQ(config.GetActiveProfile(), nullptr);
    EXPECT_EQ(config.GetActiveStage(nullptr), 1) << "fallback index 0 without fallback arrays";

    PlainConfig fresh;
    IMouseProfile* q = fresh.AddProfile(nullptr);
    EXPECT_EQ(Str(q->GetName()), u"");
    fresh.SetActiveProfile(q);
    fresh.DeleteProfile(q);
    EXPECT_EQ(fresh.GetActiveStage(nullptr), 0);
}

TEST(MouseConfigTest, NewConfigurationAnswersNeutrally) {
    CBorvantaConfig config;
    EXPECT_EQ(config.GetProfileCount(), 0);
    EXPECT_EQ(config.GetActiveProfile(), nullptr);
    EXPECT_EQ(config.GetPollingRate(nullptr), -1);
    EXPECT_EQ(config.GetAcceleration(nullptr), 0u);
    EXPECT_EQ(config.GetActiveStage(nullptr), 0);
    EXPECT_EQ(config.GetStageCapacity(nullptr), 0u);
    EXPECT_EQ(config.GetStageDpi(1, nullptr), 0);
    EXPECT_EQ(config.GetLogoLightColor(nullptr), 0x00FF0000u);
    EXPECT_EQ(config.GetScrollLightColor(nullptr), 0x00FF0000u);
    EXPECT_EQ(config.GetExtraAssignmentsEnabled(nullptr), 1);
    EXPECT_EQ(config.GetExtraAssignmentButton(0, nullptr), 0);
    EXPECT_EQ(config.GetDpi(nullptr), 0);
    EXPECT_EQ(config.GetExePath(nullptr), nullptr);
    EXPECT_FALSE(config.HasClickAssignment(nullptr));
    ButtonAssignment a = ButtonAssignment::Of(ASSIGNMENT_CLICK);
    config.GetButtonAssignment(a, 1, nullptr);
    EXPECT_EQ(a, ButtonAssignment{});
    a = ButtonAssignment::Of(ASSIGNMENT_CLICK);
    config.GetExtraAssignment(a, 1, nullptr);
    EXPECT_EQ(a, ButtonAssignment{});
    // Without a profile these do nothing and must not crash.
    config.SetButtonAssignment(1, ButtonAssignment::Of(ASSIGNMENT_CLICK), nullptr);
    config.SetExtraAssignment(1, ButtonAssignment::Of(ASSIGNMENT_CLICK), nullptr);
    config.SetDpi(800, nullptr);
    config.SetExePath(nullptr, u"C:\\x.exe");
    config.SetAutoSwitch(nullptr, 1);
    EXPECT_EQ(config.GetAutoSwitch(nullptr), 0);
    EXPECT_EQ(Str(config.GetProfileExtension()), u"qmp");
    EXPECT_EQ(config.GetDevice(), nullptr);
}

TEST(MouseConfigTest, PathsAreBuiltBelowTheProgramFolder) {
    const std::u16string saved = ExeFolder;
    SetExeFolder(std::filesystem::temp_directory_path());
    const std::u16string folder = ExeFolder;
    {
        CBorvantaConfig config;
        EXPECT_EQ(config.GetSettingsFilePath().str(), folder + u"save\\Borvanta.qmc");
        EXPECT_EQ(config.GetProfileFolder().str(), folder + u"save\\");
        EXPECT_EQ(config.GetMacroFolder().str(), folder + u"save\\");
    }
    std::char_traits<WCHAR>::copy(ExeFolder, saved.c_str(), saved.size() + 1);
}

TEST(MouseConfigTest, NewProfileGetsTheFactorySettings) {
    CBorvantaConfig config;
    config.SetAccelerationRange(1, 10);
    config.SetPollingRate(2, nullptr);
    IMouseProfile* p = config.AddProfile(u"Office");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(config.GetProfile(0), p);
    EXPECT_EQ(p->GetStageCapacity(), 5u);
    EXPECT_EQ(p->GetStageCount(), 5u);
    EXPECT_EQ(p->GetActiveStage(), 3);
    EXPECT_EQ(p->GetDpi(), 1800);
    const LONG stages[] = {800, 1200, 1800, 4000, 5600};
    for (LONG s = 1; s <= 5; ++s) {
        EXPECT_EQ(p->GetStageDpi(s), stages[s - 1]);
        EXPECT_EQ(p->GetStageDpiX(s), 0) << "X is not touched by the defaults";
        EXPECT_EQ(p->GetStageSeparateXY(s), 0);
    }
    LONG mn = 0, mx = 0, st = 0;
    p->GetDpiRange(mn, mx, st);
    EXPECT_EQ(mn, 100);
    EXPECT_EQ(mx, 5600);
    EXPECT_EQ(st, 100);
    for (ButtonId b = 1; b <= 11; ++b) {
        ButtonAssignment a;
        p->GetButtonAssignment(a, b);
        EXPECT_EQ(a, GetDefaultAssignment(b)) << b;
    }
    EXPECT_TRUE(p->HasClickAssignment());
    EXPECT_EQ(p->GetScrollLightOn(), 1);
    EXPECT_EQ(p->GetLogoLightOn(), 1);
    EXPECT_EQ(p->GetScrollLightColor(), 0x00FF0000u);
    EXPECT_EQ(p->GetLogoLightColor(), 0x00FF0000u);
    EXPECT_EQ(p->GetShowDpiOsd(), 1);
    EXPECT_EQ(p->GetShowProfileOsd(), 0) << "no active profile: the switch is off";

    // The device-wide options are not a profile's: a new profile leaves them alone.
    EXPECT_EQ(config.GetPollingRate(nullptr), 2);
    EXPECT_EQ(config.GetAcceleration(nullptr), 0u);
    EXPECT_EQ(config.GetAccelerationEnabled(nullptr), 0);
}

TEST(MouseConfigTest, OnlyTheDeviceWideResetRestoresPollingRateAndAcceleration) {
    CBorvantaConfig config;
    config.SetAccelerationRange(1, 10);
    IMouseProfile* a = config.AddProfile(u"A");
    IMouseProfile* b = config.AddProfile(u"B");
    config.SetActiveProfile(a);
    config.SetPollingRate(0, nullptr);
    config.SetAcceleration(9, nullptr);
    config.SetAccelerationEnabled(1, nullptr);

    // One profile's defaults, the active one's included.
    config.SetDefaults(b);
    config.SetDefaults(a);
    EXPECT_EQ(config.GetPollingRate(nullptr), 0);
    EXPECT_EQ(config.GetAcceleration(nullptr), 9u);
    EXPECT_EQ(config.GetAccelerationEnabled(nullptr), 1);

    // The factory settings of the whole mouse.
    config.SetDefaults(nullptr);
    EXPECT_EQ(config.GetPollingRate(nullptr), 1);
    EXPECT_EQ(config.GetAcceleration(nullptr), 5u);
    EXPECT_EQ(config.GetAccelerationEnabled(nullptr), 0);
}

TEST(MouseConfigTest, ProfileNameSwitchActsForAllProfiles) {
    CBorvantaConfig config;
    IMouseProfile* a = config.AddProfile(u"A");
    IMouseProfile* b = config.AddProfile(u"B");
    config.SetActiveProfile(a);
    config.SetDefaults(nullptr);
    EXPECT_EQ(a->GetShowProfileOsd(), 1);
    EXPECT_EQ(b->GetShowProfileOsd(), 1);

    IMouseProfile* c = config.AddProfile(u"C");
    EXPECT_EQ(c->GetShowProfileOsd(), 1) << "a new profile takes the active one's value";

    config.SetShowProfileOsd(0, a);
    config.SetDefaults(c);
    EXPECT_EQ(a->GetShowProfileOsd(), 0);
    EXPECT_EQ(b->GetShowProfileOsd(), 0);
    EXPECT_EQ(c->GetShowProfileOsd(), 0);
}

TEST(MouseConfigTest, DefaultsWithoutAnyProfileSetTheFallbacks) {
    CBorvantaConfig config;
    config.SetAccelerationRange(1, 10);
    config.SetStageCapacity(5, nullptr);
    config.SetDefaults(nullptr);
    EXPECT_EQ(config.GetStageDpi(1, nullptr), 800);
    EXPECT_EQ(config.GetStageDpi(5, nullptr), 5600);
    EXPECT_EQ(config.GetStageDpiX(2, nullptr), 0) << "X and Y are not touched";
    EXPECT_EQ(config.GetActiveStage(nullptr), 3);
    EXPECT_EQ(config.GetStageCount(nullptr), 5u);
    LONG mn = 0, mx = 0, st = 0;
    EXPECT_TRUE(config.GetDpiRange(mn, mx, st, nullptr));
    EXPECT_EQ(mx, 5600);
    EXPECT_EQ(config.GetScrollLightOn(nullptr), 1);
    EXPECT_EQ(config.GetLogoLightColor(nullptr), 0x00FF0000u);
    EXPECT_EQ(config.GetSeparateXY(nullptr), 0);
    EXPECT_EQ(config.GetPollingRate(nullptr), 1);
    EXPECT_EQ(config.GetAcceleration(nullptr), 5u);
    EXPECT_EQ(config.GetDpi(nullptr), 0);

    // Without fallback arrays the stage values have nowhere to go, and nothing breaks.
    CBorvantaConfig bare;
    bare.SetDefaults(nullptr);
    EXPECT_EQ(bare.GetStageDpi(1, nullptr), 0);
    EXPECT_EQ(bare.GetActiveStage(nullptr), 1) << "no fallback array: index 0";
    EXPECT_EQ(bare.GetStageCount(nullptr), 0u);
}

TEST(MouseConfigTest, SettersWriteTheProfileAndTheFallback) {
    CBorvantaConfig config;
    IMouseProfile* p = config.AddProfile(u"P");
    config.SetActiveProfile(p);
    EXPECT_TRUE(config.SetStageCapacity(4, nullptr));
    EXPECT_EQ(p->GetStageCapacity(), 5u) << "null means the fallback here, not the active one";
    EXPECT_FALSE(config.SetStageCapacity(0, p));
    EXPECT_FALSE(config.SetStageCapacity(0, nullptr));
    EXPECT_EQ(p->GetStageCapacity(), 5u);

    // The profile-first operations never fall back to the active profile; their getters,
    // whose profile argument is the last one, do.
    config.SetExePath(nullptr, u"C:\\other.exe");
    config.SetAutoSwitch(nullptr, 1);
    EXPECT_EQ(Str(p->GetExePath()), u"");
    EXPECT_EQ(p->GetAutoSwitch(), 0);
    config.SetExePath(p, u"C:\\Games\\run.exe");
    config.SetAutoSwitch(p, 1);
    EXPECT_EQ(Str(config.GetExePath(nullptr)), u"C:\\Games\\run.exe");
    EXPECT_EQ(Str(p->GetExeName()), u"run.exe");
    EXPECT_EQ(config.GetAutoSwitch(nullptr), 1);

    config.SetDpiRange(200, 3000, 50, nullptr);
    EXPECT_EQ(config.SetStageDpi(2, 9000, nullptr), 3000);
    EXPECT_EQ(p->GetStageDpi(2), 3000);
    config.SetLogoLightColor(0x123456, nullptr);
    config.SetActiveProfile(nullptr);
    EXPECT_EQ(config.GetLogoLightColor(nullptr), 0x123456u);
    EXPECT_EQ(config.GetStageDpi(2, nullptr), 3000);
    EXPECT_EQ(config.GetStageDpi(9, nullptr), 0) << "last fallback entry, never written";
    EXPECT_EQ(config.SetStageDpiY(9, -5, nullptr), 200);
    EXPECT_EQ(config.GetStageDpiY(4, nullptr), 200);
    // Stage 0 addresses no fallback entry.
    EXPECT_EQ(config.SetStageDpiX(0, 1000, nullptr), 1000);
    for (LONG s = 1; s <= 4; ++s) {
        EXPECT_EQ(config.GetStageDpiX(s, nullptr), 0);
    }
    EXPECT_EQ(config.GetStageDpiX(0, nullptr), 0);
    config.SetStageCapacity(20, nullptr);
    EXPECT_EQ(config.GetStageCapacity(nullptr), 10u);
    config.SetStageCount(12, nullptr);
    EXPECT_EQ(config.GetStageCount(nullptr), 10u);
    config.SetActiveStage(0, nullptr);
    EXPECT_EQ(config.GetActiveStage(nullptr), 0);
    config.SetActiveStage(11, nullptr);
    EXPECT_EQ(config.GetActiveStage(nullptr), 10);
    config.SetStageSeparateXY(3, 1, nullptr);
    EXPECT_EQ(config.GetStageSeparateXY(1, nullptr), 1) << "one fallback flag for all stages";
    EXPECT_EQ(config.GetSeparateXY(nullptr), 1);
}

TEST(MouseConfigTest, AccelerationIsClampedToItsRange) {
    CBorvantaConfig config;
    config.SetAcceleration(5, nullptr);
    EXPECT_EQ(config.GetAcceleration(nullptr), 0u);
    config.SetAccelerationRange(1, 10);
    EXPECT_EQ(config.GetAccelerationMin(), 1u);
    EXPECT_EQ(config.GetAccelerationMax(), 10u);
    config.SetAcceleration(5, nullptr);
    EXPECT_EQ(config.GetAcceleration(nullptr), 5u);
    config.SetAcceleration(0, nullptr);
    EXPECT_EQ(config.GetAcceleration(nullptr), 1u);
    config.SetAcceleration(12, nullptr);
    EXPECT_EQ(config.GetAcceleration(nullptr), 10u);
    config.SetPollingRate(7, nullptr);
    EXPECT_EQ(config.GetPollingRate(nullptr), 7) << "stored unchanged";
}

TEST(MouseConfigTest, ProfileListLookupsAndActiveProfile) {
    CBorvantaConfig config;
    IMouseProfile* a = config.AddProfile(u"Gaming");
    IMouseProfile* b = config.AddProfile(u"Office");
    b->SetGuid(GUID{9, 0, 0, {}});
    EXPECT_EQ(config.FindProfileByName(u"OFFICE"), b);
    EXPECT_EQ(config.FindProfileByName(u"Offic"), nullptr);
    EXPECT_EQ(config.FindProfileByName(nullptr), nullptr);
    EXPECT_EQ(config.FindProfileByGuid(GUID{9, 0, 0, {}}), b);
    EXPECT_EQ(config.FindProfileByGuid(GUID{8, 0, 0, {}}), nullptr);
    EXPECT_EQ(config.GetProfile(2), nullptr);
    EXPECT_EQ(config.GetProfile(-1), nullptr);

    // A profile from outside the list never becomes the active one.
    CMouseProfile stranger(u"Stranger");
    config.SetActiveProfile(a);
    config.SetActiveProfile(&stranger);
    EXPECT_EQ(config.GetActiveProfile(), a);
    config.DeleteProfile(&stranger);
    EXPECT_EQ(config.GetProfileCount(), 2);
    config.DeleteProfile(nullptr);

    // Names with line breaks are kept (the mouse may hold such profiles), but no settings
    // file is written for them, since a file holds the name on one line.
    IMouseProfile* twoLines = config.AddProfile(u"Two\nLines");
    ASSERT_NE(twoLines, nullptr);
    EXPECT_EQ(Str(twoLines->GetName()), u"Two\nLines");
    ASSERT_NE(config.AddProfile(u"Two\rLines"), nullptr);
    EXPECT_EQ(config.GetProfileCount(), 4);
    CString fileName;
    const auto folder = std::filesystem::temp_directory_path() / "two_lines_profile";
    std::filesystem::create_directories(folder);
    EXPECT_FALSE(twoLines->SaveToFile(fileName, FromUtf8(folder.string() + "/").c_str(), u"ini"));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::filesystem::remove_all(folder);
    config.DeleteProfile(config.GetProfile(3));
    config.DeleteProfile(twoLines);
    EXPECT_EQ(config.GetProfileCount(), 2);

    IMouseProfile* copy = config.AddProfileCopy(b);
    ASSERT_NE(copy, nullptr);
    GUID g;
    EXPECT_EQ(copy->GetGuid(g).Data1, 9u);
    EXPECT_EQ(config.AddProfileCopy(nullptr), nullptr);

    config.DeleteProfile(a);
    EXPECT_EQ(config.GetActiveProfile(), nullptr);
    // The fallback answers now; the factory settings of the added profiles also set the
    // fallback active stage (no fallback array: index 0).
    EXPECT_EQ(config.GetActiveStage(nullptr), 1);
    EXPECT_EQ(config.GetProfile(0), b);
    config.DeleteAllProfiles();
    EXPECT_EQ(config.GetProfileCount(), 0);
}

TEST(MouseConfigTest, RenameReplacesTheProfileInPlace) {
    CBorvantaConfig config;
    IMouseProfile* a = config.AddProfile(u"Alpha");
    IMouseProfile* b = config.AddProfile(u"Beta");
    IMouseProfile* c = config.AddProfile(u"Gamma");
    b->SetGuid(GUID{5, 0, 0, {}});
    b->SetStageDpi(2, 2500);
    config.SetActiveProfile(b);

    EXPECT_EQ(config.RenameProfile(b, u"Beta"), nullptr);
    EXPECT_EQ(config.GetProfile(1), b);
    EXPECT_EQ(config.RenameProfile(nullptr, u"X"), nullptr);
    EXPECT_EQ(config.RenameProfile(b, nullptr), nullptr);
    EXPECT_EQ(config.RenameProfile(b, u""), nullptr);
    EXPECT_EQ(config.RenameProfile(b, u"Bad\r\nName"), nullptr);
    EXPECT_EQ(Str(b->GetName()), u"Beta");

    IMouseProfile* renamed = config.RenameProfile(b, u"BETA");
    ASSERT_NE(renamed, nullptr);
    EXPECT_NE(renamed, b);
    EXPECT_EQ(config.GetProfile(0), a);
    EXPECT_EQ(config.GetProfile(1), renamed);
    EXPECT_EQ(config.GetProfile(2), c);
    EXPECT_EQ(config.GetProfileCount(), 3);
    EXPECT_EQ(config.GetActiveProfile(), renamed);
    EXPECT_EQ(Str(renamed->GetName()), u"BETA");
    GUID g;
    EXPECT_EQ(renamed->GetGuid(g).Data1, 5u);
    EXPECT_EQ(renamed->GetStageDpi(2), 2500);

    // A profile that is not in the list is not renamed.
    CMouseProfile stranger(u"Stranger");
    EXPECT_EQ(config.RenameProfile(&stranger, u"Other"), nullptr);
    EXPECT_EQ(Str(stranger.GetName()), u"Stranger");
    // Renaming an inactive profile leaves the active one alone.
    IMouseProfile* renamedA = config.RenameProfile(a, u"Omega");
    ASSERT_NE(renamedA, nullptr);
    EXPECT_EQ(config.GetActiveProfile(), renamed);
}

TEST(MouseConfigTest, DuplicateIsANewDeviceProfileWithoutFile) {
    CBorvantaConfig config;
    IMouseProfile* src = config.AddProfile(u"Source");
    src->SetGuid(GUID{77, 1, 1, {1}});
    src->SetStageDpi(1, 1000);
    dynamic_cast<CMouseProfile*>(src)->SetFilePath(u"\\tmp\\Source.qmp");
    config.AddProfile(u"Other");

    EXPECT_EQ(config.DuplicateProfile(src, u"Source"), nullptr);
    EXPECT_EQ(config.DuplicateProfile(nullptr, u"X"), nullptr);
    EXPECT_EQ(config.DuplicateProfile(src, nullptr), nullptr);
    EXPECT_EQ(config.DuplicateProfile(src, u"A\nB"), nullptr);
    IMouseProfile* dup = config.DuplicateProfile(src, u"source");
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(config.GetProfile(2), dup);
    GUID g;
    EXPECT_EQ(dup->GetGuid(g), GUID_NULL);
    EXPECT_EQ(Str(dup->GetName()), u"source");
    EXPECT_EQ(dup->GetStageDpi(1), 1000);
    EXPECT_FALSE(dup->HasFile());
    EXPECT_TRUE(src->HasFile());
    EXPECT_FALSE(config.AddProfileCopy(src)->HasFile());
}

TEST(MouseConfigTest, MacroListThroughTheConfiguration) {
    CBorvantaConfig config;
    CMacro* m = config.CreateMacro(u"Combo", nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(config.CreateMacro(u"COMBO", nullptr), nullptr);
    EXPECT_EQ(config.GetMacroCount(), 1);
    EXPECT_EQ(config.FindMacroByName(u"combo", nullptr), m);
    m->SetGuid(GUID{3, 0, 0, {}});
    EXPECT_EQ(config.FindMacroByGuid(GUID{3, 0, 0, {}}, nullptr), m);
    EXPECT_EQ(config.GetMacro(0, nullptr), m);
    EXPECT_EQ(config.GetMacro(1, nullptr), nullptr);
    config.DeleteMacro(m, nullptr);
    EXPECT_EQ(config.GetMacroCount(), 0);
    EXPECT_EQ(config.FindMacroByName(u"Combo", nullptr), nullptr);
}

TEST(MouseConfigTest, ReservedSlotsDoNothing) {
    CBorvantaConfig config;
    IMouseConfig& i = config;
    i.Reserved21();
    i.Reserved130();
    EXPECT_EQ(i.Reserved22(), 0);
    EXPECT_EQ(i.Reserved123(), 0);
    EXPECT_FALSE(i.Reserved59());
    EXPECT_FALSE(i.Reserved129());
    EXPECT_EQ(config.GetProfileCount(), 0);
}

namespace fs = std::filesystem;

// A configuration whose profile files are plain marker files in a temporary folder, so that
// renaming and deleting can be checked on disk without the settings-file format.
class FileConfig : public CBorvantaConfig {
public:
    explicit FileConfig(fs::path folder) : m_folder(std::move(folder)) {}

    BOOL SaveProfile(IMouseProfile* profile) override {
        auto* p = dynamic_cast<CMouseProfile*>(profile);
        if (p == nullptr) {
            return FALSE;
        }
        const fs::path file = m_folder / (MakeProfileFileStem(p->GetName()).ToUtf8() + ".qmp");
        p->SetFilePath(FromNativePath(file).GetString());
        std::ofstream(file) << CString(p->GetName()).ToUtf8();
        return failSaves ? FALSE : TRUE;
    }

    bool failSaves = false;

private:
    fs::path m_folder;
};

class ProfileFileTest : public ::testing::Test {
protected:
    // A folder of this process alone, so that runs side by side never meet.
    void SetUp() override { m_folder = m_dir.Native(); }

    fs::path File(const char* name) const { return m_folder / name; }
    static std::string Content(const fs::path& file) {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    IMouseProfile* AddSaved(FileConfig& config, const WCHAR* name) {
        IMouseProfile* p = config.AddProfile(name);
        config.SaveProfile(p);
        return p;
    }

    TempFolder m_dir;
    fs::path m_folder;
};

TEST_F(ProfileFileTest, RenameMovesTheFileOnlyAfterTheNewOneWasWritten) {
    FileConfig config(m_folder);
    IMouseProfile* p = AddSaved(config, u"Office");
    ASSERT_TRUE(fs::exists(File("Office.qmp")));

    IMouseProfile* renamed = config.RenameProfile(p, u"Work");
    ASSERT_NE(renamed, nullptr);
    EXPECT_TRUE(fs::exists(File("Work.qmp")));
    EXPECT_FALSE(fs::exists(File("Office.qmp")));
    EXPECT_EQ(fs::path(ToNativePath(renamed->GetFilePath())), File("Work.qmp"));

    // A failed save renames nothing and keeps the old file; the partial new one goes.
    config.failSaves = true;
    EXPECT_EQ(config.RenameProfile(renamed, u"Home"), nullptr);
    EXPECT_EQ(config.GetProfile(0), renamed);
    EXPECT_EQ(Str(renamed->GetName()), u"Work");
    EXPECT_TRUE(fs::exists(File("Work.qmp")));
    EXPECT_FALSE(fs::exists(File("Home.qmp")));
}

TEST_F(ProfileFileTest, RenameNeverOverwritesAnotherProfilesFile) {
    FileConfig config(m_folder);
    IMouseProfile* a = AddSaved(config, u"Alpha");
    AddSaved(config, u"Beta");
    AddSaved(config, u"x_y");
    EXPECT_EQ(config.RenameProfile(a, u"beta"), nullptr);
    EXPECT_EQ(config.RenameProfile(a, u"x/y"), nullptr) << "same file name after replacement";
    EXPECT_EQ(Content(File("Beta.qmp")), "Beta");
    EXPECT_EQ(Content(File("x_y.qmp")), "x_y");
    EXPECT_TRUE(fs::exists(File("Alpha.qmp")));
    EXPECT_EQ(config.GetProfile(0), a);

    // A name with folder parts stays in the folder.
    IMouseProfile* moved = config.RenameProfile(a, u"..\\../escape");
    ASSERT_NE(moved, nullptr);
    EXPECT_TRUE(fs::exists(File(".._.._escape.qmp")));
    EXPECT_FALSE(fs::exists(m_folder.parent_path() / "escape.qmp"));
}

TEST_F(ProfileFileTest, RenameInLetterCaseKeepsASharedFile) {
    FileConfig config(m_folder);
    IMouseProfile* p = AddSaved(config, u"Office");
    // Both spellings name one file here when the file system ignores case; on one that
    // does not, the new file is written and the old one goes.
    IMouseProfile* renamed = config.RenameProfile(p, u"OFFICE");
    ASSERT_NE(renamed, nullptr);
    ASSERT_TRUE(renamed->HasFile());
    EXPECT_TRUE(fs::exists(ToNativePath(renamed->GetFilePath())));
    EXPECT_EQ(Content(ToNativePath(renamed->GetFilePath())), "OFFICE");
}

TEST_F(ProfileFileTest, DeleteRemovesTheFileUnlessAnotherProfileUsesIt) {
    FileConfig config(m_folder);
    IMouseProfile* a = AddSaved(config, u"Alpha");
    IMouseProfile* b = AddSaved(config, u"Beta");
    config.DeleteProfile(a);
    EXPECT_FALSE(fs::exists(File("Alpha.qmp")));
    EXPECT_TRUE(fs::exists(File("Beta.qmp")));

    // Two profiles pointing at one file (set by hand): deleting one keeps the file.
    IMouseProfile* c = config.AddProfile(u"Gamma");
    dynamic_cast<CMouseProfile*>(c)->SetFilePath(b->GetFilePath());
    config.DeleteProfile(c);
    EXPECT_TRUE(fs::exists(File("Beta.qmp")));
    EXPECT_EQ(config.GetProfileCount(), 1);
}

TEST(ProfileNamesTest, FileStemsStayInsideTheFolder) {
    EXPECT_TRUE(IsAcceptableProfileName(u"Office 2"));
    EXPECT_FALSE(IsAcceptableProfileName(nullptr));
    EXPECT_FALSE(IsAcceptableProfileName(u"a\nb"));
    EXPECT_FALSE(IsAcceptableProfileName(u"a\rb"));
    EXPECT_EQ(MakeProfileFileStem(u"Office").str(), u"Office");
    EXPECT_EQ(MakeProfileFileStem(u"..\\..\\evil").str(), u".._.._evil");
    EXPECT_EQ(MakeProfileFileStem(u"../x/y").str(), u".._x_y");
    EXPECT_EQ(MakeProfileFileStem(u"C:x").str(), u"C_x");
    EXPECT_EQ(MakeProfileFileStem(u"..").str(), u"__");
    EXPECT_EQ(MakeProfileFileStem(u".").str(), u"_");
    EXPECT_EQ(MakeProfileFileStem(u"").str(), u"_");
    EXPECT_EQ(MakeProfileFileStem(nullptr).str(), u"_");
    EXPECT_EQ(MakeProfileFileStem(u"a\tb?").str(), u"a_b_");
}

} // namespace
