// Renaming, duplicating and deleting profiles that have settings files, through the real
// file layer in a temporary program folder.

#include "model/BorvantaConfig.h"
#include "platform/base/WideChar.h"
#include "tests/platform/base/TempFolder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

std::set<std::string> ProfileFiles(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::set<std::u16string> NamesOnDisk() {
    CBorvantaConfig reader;
    reader.LoadProfiles();
    std::set<std::u16string> names;
    for (INT i = 0; i < reader.GetProfileCount(); ++i) {
        names.insert(reader.GetProfile(i)->GetName());
    }
    return names;
}

class ProfileRenameTest : public ::testing::Test {
protected:
    void SetUp() override {
        wcscpy_s(m_savedExeFolder, MAX_PATH, ExeFolder);
        SetExeFolder(m_dir.Native());
        fs::create_directory(SaveFolder());
    }
    void TearDown() override { wcscpy_s(ExeFolder, MAX_PATH, m_savedExeFolder); }

    fs::path SaveFolder() const { return m_dir.Native() / "save"; }

    TempFolder m_dir;
    WCHAR m_savedExeFolder[MAX_PATH] = {};
};

TEST_F(ProfileRenameTest, RenameWritesTheNewFileAndDropsTheOld) {
    CBorvantaConfig config;
    IMouseProfile* office = config.AddProfile(u"Office");
    IMouseProfile* games = config.AddProfile(u"Games");
    config.SetActiveProfile(office);
    ASSERT_TRUE(config.SaveProfile(nullptr));
    ASSERT_EQ(ProfileFiles(SaveFolder()), (std::set<std::string>{"Games.qmp", "Office.qmp"}));

    IMouseProfile* work = config.RenameProfile(office, u"Work");
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(config.GetActiveProfile(), work);
    EXPECT_EQ(ProfileFiles(SaveFolder()), (std::set<std::string>{"Games.qmp", "Work.qmp"}));
    EXPECT_EQ(NamesOnDisk(), (std::set<std::u16string>{u"Games", u"Work"}));

    // Another profile's name (in any letter case) would reuse its file: refused.
    EXPECT_EQ(config.RenameProfile(work, u"GAMES"), nullptr);
    EXPECT_EQ(NamesOnDisk(), (std::set<std::u16string>{u"Games", u"Work"}));
    EXPECT_EQ(config.GetProfile(0), work);
    EXPECT_EQ(config.GetProfile(1), games);
}

TEST_F(ProfileRenameTest, RenameInLetterCaseLeavesOneFile) {
    CBorvantaConfig config;
    IMouseProfile* p = config.AddProfile(u"Work");
    ASSERT_TRUE(config.SaveProfile(p));
    IMouseProfile* renamed = config.RenameProfile(p, u"WORK");
    ASSERT_NE(renamed, nullptr);
    const auto files = ProfileFiles(SaveFolder());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->find("0000"), std::string::npos) << "no counted name needed";
    EXPECT_EQ(NamesOnDisk(), (std::set<std::u16string>{u"WORK"}));
    EXPECT_TRUE(fs::exists(ToNativePath(renamed->GetFilePath())));
}

TEST_F(ProfileRenameTest, FolderPartsOfANameStayInsideTheFolder) {
    CBorvantaConfig config;
    IMouseProfile* p = config.AddProfile(u"Plain");
    ASSERT_TRUE(config.SaveProfile(p));
    IMouseProfile* renamed = config.RenameProfile(p, u"..\\..\\outside");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(ProfileFiles(SaveFolder()).size(), 1u);
    EXPECT_FALSE(fs::exists(m_dir.Native() / "outside.qmp"));
    EXPECT_FALSE(fs::exists(m_dir.Native().parent_path() / "outside.qmp"));
    EXPECT_EQ(NamesOnDisk(), (std::set<std::u16string>{u"..\\..\\outside"}));
}

TEST_F(ProfileRenameTest, DeleteAndDuplicateKeepOtherFiles) {
    CBorvantaConfig config;
    IMouseProfile* a = config.AddProfile(u"Alpha");
    IMouseProfile* b = config.AddProfile(u"Beta");
    ASSERT_TRUE(config.SaveProfile(nullptr));

    IMouseProfile* copy = config.DuplicateProfile(b, u"Beta 2");
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(copy->HasFile());
    config.DeleteProfile(copy);
    EXPECT_TRUE(fs::exists(SaveFolder() / "Beta.qmp")) << "the source's file is not the copy's";

    config.DeleteProfile(a);
    EXPECT_EQ(ProfileFiles(SaveFolder()), (std::set<std::string>{"Beta.qmp"}));
}

TEST_F(ProfileRenameTest, ProfilesDifferingInCaseKeepTheirOwnFiles) {
    CBorvantaConfig config;
    IMouseProfile* office = config.AddProfile(u"Office");
    config.DuplicateProfile(office, u"office");
    ASSERT_TRUE(config.SaveProfile(nullptr));
    EXPECT_EQ(NamesOnDisk(), (std::set<std::u16string>{u"Office", u"office"}));
}

} // namespace
