#include "model/ProfileFiles.h"
#include "model/BorvantaConfig.h"
#include "model/SettingsFile.h"
#include "platform/base/PrivateProfile.h"
#include "platform/base/WideChar.h"
#include "tests/platform/base/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

// The text of a UTF-16LE file with its byte-order mark; "?" when the file is not such a file.
std::u16string ReadUtf16File(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') {
        return u"?";
    }
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
}

void WriteAsciiFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> FilesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class ProfileFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        wcscpy_s(m_savedExeFolder, MAX_PATH, ExeFolder);
        SetExeFolder(m_dir.Native());
        std::filesystem::create_directory(SaveFolder());
    }
    void TearDown() override { wcscpy_s(ExeFolder, MAX_PATH, m_savedExeFolder); }

    std::filesystem::path SaveFolder() const { return m_dir.Native() / "save"; }

    TempFolder m_dir;
    WCHAR m_savedExeFolder[MAX_PATH] = {};
};

} // namespace

TEST_F(ProfileFilesTest, SavingWritesOneFileNamedAfterTheProfile) {
    CBorvantaConfig config;
    EXPECT_EQ(config.GetProfileFolder(), config.GetMacroFolder());
    IMouseProfile* office = config.AddProfile(u"Office");
    office->SetExePath(u"C:\\Apps\\word.exe");
    office->SetAutoSwitch(1);
    ASSERT_TRUE(config.SaveProfile(office));
    EXPECT_EQ(FilesIn(SaveFolder()), std::set<std::string>{"Office.qmp"});
    const std::u16string expected =
        u"[PROPERTIES]\r\nname=Office\r\nexe=C:\\Apps\\word.exe\r\nauto=1\r\n"
        u"[ASSIGNMENTS]\r\n1=0\r\n2=1\r\n3=2\r\n4=35\r\n5=36\r\n6=7\r\n7=7\r\n8=16\r\n9=17\r\n"
        u"10=43\r\n11=44\r\n";
    EXPECT_EQ(ReadUtf16File(SaveFolder() / "Office.qmp"), expected);
    EXPECT_TRUE(office->HasFile());
    EXPECT_EQ(CString(office->GetFilePath()), config.GetProfileFolder() + u"Office.qmp");

    // Saving again rewrites the same file with the new values.
    office->SetAutoSwitch(0);
    ASSERT_TRUE(config.SaveProfile(office));
    EXPECT_EQ(FilesIn(SaveFolder()), std::set<std::string>{"Office.qmp"});
    CSettingsFile file(office->GetFilePath());
    EXPECT_EQ(file.GetInt(u"PROPERTIES", u"auto", 9), 0);
}

TEST_F(ProfileFilesTest, LongNamesGetACounter) {
    CBorvantaConfig config;
    const std::u16string longName(130, u'x');
    IMouseProfile* profile = config.AddProfile(longName.c_str());
    const std::string base(123, 'x');

    CString fileName;
    ASSERT_TRUE(profile->SaveToFile(fileName, config.GetProfileFolder(), u"qmp"));
    EXPECT_EQ(fileName, CString(std::u16string(123, u'x') + u"0000"));
    EXPECT_TRUE(std::filesystem::exists(SaveFolder() / (base + "0000.qmp")));
    // Saving again finds its own file.
    EXPECT_EQ(MakeUniqueFileName(u"qmp", profile, config.GetProfileFolder()), fileName);

    // When 0000 holds another profile's name, the next counter is taken.
    WritePrivateProfileStringW(u"PROPERTIES", u"name", u"Someone else",
                               config.GetProfileFolder() + fileName + u".qmp");
    EXPECT_EQ(MakeUniqueFileName(u"qmp", profile, config.GetProfileFolder()),
              CString(std::u16string(123, u'x') + u"0001"));

    // When all hundred are taken, there is no name and nothing is written.
    for (int i = 0; i < 100; ++i) {
        CString other;
        other.Format(u"%s%04d.qmp", std::u16string(123, u'x').c_str(), i);
        WritePrivateProfileStringW(u"PROPERTIES", u"name", u"Someone else",
                                   config.GetProfileFolder() + other);
    }
    CString none;
    EXPECT_FALSE(profile->SaveToFile(none, config.GetProfileFolder(), u"qmp"));
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(ProfileFilesTest, ProfileNamesNeverLeaveTheFolder) {
    CBorvantaConfig config;
    IMouseProfile* evil = config.AddProfile(u"..\\..\\evil");
    IMouseProfile* slash = config.AddProfile(u"a/b");
    IMouseProfile* dots = config.AddProfile(u"..");
    ASSERT_TRUE(config.SaveProfile(evil));
    ASSERT_TRUE(config.SaveProfile(slash));
    ASSERT_TRUE(config.SaveProfile(dots));
    EXPECT_EQ(FilesIn(SaveFolder()),
              (std::set<std::string>{".._.._evil.qmp", "a_b.qmp", "__.qmp"}));
    EXPECT_EQ(FilesIn(m_dir.Native()), std::set<std::string>{"save"});

    // A profile whose safe file name is another profile's file does not overwrite it.
    IMouseProfile* underscore = config.AddProfile(u"a_b");
    ASSERT_TRUE(config.SaveProfile(underscore));
    EXPECT_EQ(CString(underscore->GetFilePath()), config.GetProfileFolder() + u"a_b0000.qmp");
    CSettingsFile first(config.GetProfileFolder() + u"a_b.qmp");
    EXPECT_EQ(first.GetString(u"PROPERTIES", u"name", u""), CString(u"a/b"));

    // A file name with a folder in it is not loaded.
    CMouseProfile loaded;
    EXPECT_FALSE(loaded.LoadFromFile(u"..\\save\\a_b", config.GetProfileFolder(), u"qmp"));
}

TEST_F(ProfileFilesTest, CountedNamesNeverSplitASurrogatePair) {
    CBorvantaConfig config;
    // Unit 123 of both names is the first half of a pair; the names differ only in case,
    // so the second one takes the counted form.
    const std::u16string stem = std::u16string(122, u'x') + u"\U0001F600";
    IMouseProfile* first = config.AddProfile((stem + u"b").c_str());
    IMouseProfile* second = config.AddProfile((stem + u"B").c_str());
    ASSERT_TRUE(config.SaveProfile(first));
    ASSERT_TRUE(config.SaveProfile(second));
    EXPECT_EQ(CString(second->GetFilePath()),
              config.GetProfileFolder() + CString(std::u16string(122, u'x') + u"0000.qmp"));
}

TEST_F(ProfileFilesTest, LoadingReadsNameProgramAndSwitchOnly) {
    WriteAsciiFile(SaveFolder() / "Games.qmp",
                   "[PROPERTIES]\r\nname=Games\r\nexe=D:\\Games\\run.exe\r\nauto=7\r\n"
                   "[ASSIGNMENTS]\r\n1=7\r\n2=0\r\nbad\r\n");
    CMouseProfile profile;
    ASSERT_TRUE(profile.LoadFromFile(u"Games", CString(ExeFolder) + u"save\\", u"qmp"));
    EXPECT_EQ(CString(profile.GetName()), CString(u"Games"));
    EXPECT_EQ(CString(profile.GetExeName()), CString(u"run.exe"));
    EXPECT_EQ(profile.GetAutoSwitch(), 1);
    EXPECT_TRUE(profile.HasFile());
    // The kinds listed in the file are not restored.
    ButtonAssignment assignment;
    profile.GetButtonAssignment(assignment, 1);
    EXPECT_EQ(assignment.kind, -1);

    WriteAsciiFile(SaveFolder() / "Nameless.qmp", "[PROPERTIES]\r\nexe=x.exe\r\nauto=1\r\n");
    CMouseProfile nameless(u"before");
    EXPECT_FALSE(nameless.LoadFromFile(u"Nameless", CString(ExeFolder) + u"save\\", u"qmp"));
    EXPECT_EQ(CString(nameless.GetName()), CString(u""));
    EXPECT_FALSE(nameless.HasFile());
    EXPECT_FALSE(nameless.LoadFromFile(u"Missing", CString(ExeFolder) + u"save\\", u"qmp"));
}

TEST_F(ProfileFilesTest, UnreadableFileDoesNotHideTheOthers) {
    WriteAsciiFile(SaveFolder() / "a.qmp", "[PROPERTIES]\r\nname=Alpha\r\n");
    WriteAsciiFile(SaveFolder() / "b.qmp", "garbage without a name");
    WriteAsciiFile(SaveFolder() / "C.QMP", "[PROPERTIES]\r\nname=Gamma\r\n");
    WriteAsciiFile(SaveFolder() / "notes.txt", "[PROPERTIES]\r\nname=Notes\r\n");
    std::filesystem::create_directory(SaveFolder() / "d.qmp");
    CBorvantaConfig config;
    config.AddProfile(u"In memory");
    EXPECT_EQ(config.EnumerateProfileFiles(), 2);
    ASSERT_EQ(config.GetProfileCount(), 2);
    EXPECT_EQ(CString(config.GetProfile(0)->GetName()), CString(u"Alpha"));
    EXPECT_EQ(CString(config.GetProfile(1)->GetName()), CString(u"Gamma"));
    EXPECT_TRUE(config.GetProfile(1)->HasFile());
    EXPECT_EQ(config.GetActiveProfile(), nullptr);
}

TEST_F(ProfileFilesTest, NoProfileFilesLeaveTheListAlone) {
    CBorvantaConfig config;
    IMouseProfile* kept = config.AddProfile(u"Kept");
    config.SetActiveProfile(kept);
    EXPECT_EQ(config.EnumerateProfileFiles(), 0);
    EXPECT_EQ(config.LoadProfiles(), 0);
    ASSERT_EQ(config.GetProfileCount(), 1);
    EXPECT_EQ(config.GetActiveProfile(), kept);
}

TEST_F(ProfileFilesTest, SaveAndLoadAllWithTheActiveProfile) {
    {
        CBorvantaConfig config;
        config.AddProfile(u"One");
        IMouseProfile* two = config.AddProfile(u"Two");
        EXPECT_FALSE(config.SaveProfiles()); // no active profile: files written, setting not
        EXPECT_EQ(FilesIn(SaveFolder()), (std::set<std::string>{"One.qmp", "Two.qmp"}));
        config.SetActiveProfile(two);
        EXPECT_TRUE(config.SaveProfiles());
        CSettingsFile settings(config.GetSettingsFilePath());
        EXPECT_EQ(settings.GetString(u"SETTINGS", u"ActiveProfileName", u""), CString(u"Two"));
        EXPECT_TRUE(std::filesystem::exists(SaveFolder() / "Borvanta.qmc"));
    }
    CBorvantaConfig config;
    WritePrivateProfileStringW(u"SETTINGS", u"ActiveProfileName", u"TWO",
                               config.GetSettingsFilePath());
    EXPECT_EQ(config.LoadProfiles(), 2);
    ASSERT_NE(config.GetActiveProfile(), nullptr);
    EXPECT_EQ(CString(config.GetActiveProfile()->GetName()), CString(u"Two"));

    // A setting that names no loaded profile leaves the first one active.
    WritePrivateProfileStringW(u"SETTINGS", u"ActiveProfileName", u"Three",
                               config.GetSettingsFilePath());
    EXPECT_EQ(config.LoadProfiles(), 2);
    EXPECT_EQ(CString(config.GetActiveProfile()->GetName()), CString(u"One"));
}

TEST_F(ProfileFilesTest, SavingIntoAMissingFolderFails) {
    std::filesystem::remove(SaveFolder());
    CBorvantaConfig config;
    IMouseProfile* profile = config.AddProfile(u"Office");
    config.SetActiveProfile(profile);
    EXPECT_FALSE(config.SaveProfile(profile));
    EXPECT_FALSE(config.SaveProfiles());
    EXPECT_FALSE(std::filesystem::exists(SaveFolder()));
}

TEST_F(ProfileFilesTest, SettingsFileValuesAndSectionsAreCutAtTheirBuffers) {
    const CSettingsFile file(CString(ExeFolder) + u"save\\big.ini");
    std::u16string longValue(6000, u'v');
    longValue += u"end";
    ASSERT_TRUE(file.WriteString(u"S", u"long", longValue.c_str()));
    // Read into 4096 characters: the first 4095 of the value.
    EXPECT_EQ(file.GetString(u"S", u"long", u"").str(), longValue.substr(0, 4095));
    const std::u16string fits(4095, u'f');
    ASSERT_TRUE(file.WriteString(u"S", u"fits", fits.c_str()));
    EXPECT_EQ(file.GetString(u"S", u"fits", u"").str(), fits);
    // A section of 1000 lines of 10 characters (11 with the terminator) and more than the
    // 8192 characters of the buffer: the lines that fit whole, then the part of the next.
    std::string many = "[Many]\r\n";
    for (int i = 0; i < 1000; ++i) {
        many += "key" +
                std::string(i < 10    ? "000"
                            : i < 100 ? "00"
                                      : "0") +
                std::to_string(i) + "=" + std::to_string(10 + i % 90) + "\r\n";
    }
    WriteAsciiFile(SaveFolder() / "many.ini", many);
    ASSERT_TRUE(file.WriteInt(u"S", u"number", -12));
    EXPECT_EQ(file.GetInt(u"S", u"number", 0), -12);
    const CSettingsFile manyFile(CString(ExeFolder) + u"save\\many.ini");
    CStringArray lines;
    lines.Add(u"stale");
    ASSERT_TRUE(manyFile.GetSection(u"Many", lines));
    ASSERT_EQ(lines.GetSize(), 745); // 744 whole lines fill 8184 characters
    EXPECT_EQ(lines[0], CString(u"key0000=10"));
    EXPECT_EQ(lines[743], CString(u"key0743=33"));
    EXPECT_EQ(lines[744], CString(u"key074"));               // cut
    EXPECT_EQ(manyFile.GetInt(u"Many", u"key0999", -1), 19); // a single key is read whole
    EXPECT_EQ(manyFile.GetInt(u"Many", u"absent", -1), -1);
    EXPECT_FALSE(file.GetSection(u"Nothing", lines));
    EXPECT_EQ(lines.GetSize(), 0);
}
