#include "configurator/StartUp.h"
#include "AppTestSupport.h"
#include "gui/LangTable.h"
#include "gui/SkinFile.h"
#include "model/KeyInfo.h"
#include "platform/base/WinError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class StartUpTest : public apptest::AppTest {
protected:
    void SetValue(const WCHAR* name, const std::u16string& value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kProgramRegistryKey, &key), ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(key);
    }
    std::u16string Value(const WCHAR* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProgramRegistryKey, 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS) {
            return u"(no key)";
        }
        WCHAR buffer[kRegistryStringChars]{};
        const LSTATUS status = ReadRegistryString(buffer, key, name);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? std::u16string(buffer) : u"(missing)";
    }
    static std::filesystem::path Current() { return std::filesystem::current_path(); }
};

TEST_F(StartUpTest, RegistryStringsLongerThanTheBufferCountAsMissing) {
    SetValue(u"Fits", std::u16string(39, u'a'));
    SetValue(u"TooLong", std::u16string(40, u'b'));
    EXPECT_EQ(Value(u"Fits"), std::u16string(39, u'a'));
    EXPECT_EQ(Value(u"TooLong"), u"(missing)");
    EXPECT_EQ(Value(u"Absent"), u"(missing)");
}

TEST_F(StartUpTest, InstallDirBecomesTheCurrentFolderAndTheTrayStartsEveryTime) {
    // Short enough for the registry buffer.
    const std::filesystem::path install =
        std::filesystem::temp_directory_path() / ("bvi-" + std::to_string(::getpid()));
    std::filesystem::create_directories(install);
    ASSERT_LT(FromNativePath(install).GetLength(), 38);
    SetValue(u"InstallDir", FromNativePath(install).GetString() + std::u16string(u"\\"));
    int trayStarts = 0;
    std::filesystem::current_path(m_dir);
    ProgramSettings settings = ReadProgramSettings([&] {
        ++trayStarts;
        // The tray is looked for in the install folder, without the trailing separator.
        EXPECT_EQ(Current(), install);
    });
    EXPECT_TRUE(settings.keyOpened);
    EXPECT_EQ(settings.languageId, kDefaultLanguageId); // no "Language" value
    settings = ReadProgramSettings([&] { ++trayStarts; });
    EXPECT_EQ(trayStarts, 2);

    // A folder that does not fit the buffer is not read: the current folder stays.
    SetValue(u"InstallDir", std::u16string(45, u'x'));
    std::filesystem::current_path(m_program);
    ReadProgramSettings([&] { EXPECT_EQ(Current(), m_program); });
    std::filesystem::remove_all(install);
}

TEST_F(StartUpTest, LanguageValueSelectsItsTableAndUnknownNamesFallBackToEnglish) {
    CGUIItemList languages;
    LoadSkinFile(languages, u"Language.xml", nullptr);
    ASSERT_NE(LanguageTableMap.count(325), 0u);
    ASSERT_NE(LanguageTableMap.count(kDefaultLanguageId), 0u);

    SetValue(u"Language", u"German");
    ProgramSettings settings = ReadProgramSettings([] {});
    EXPECT_EQ(settings.languageId, 325);
    SelectLanguage(settings.languageId);
    EXPECT_EQ(CurrentLangTable, LanguageTableMap[325]);

    SetValue(u"Language", u"Klingon");
    settings = ReadProgramSettings([] {});
    EXPECT_EQ(settings.languageId, -1);
    SelectLanguage(settings.languageId);
    EXPECT_EQ(CurrentLangTable, LanguageTableMap[kDefaultLanguageId]);

    // Key descriptions use the keyboard layout of the current table, none without a table.
    const HKL layout = CurrentLangTable->keyboardLayout;
    CurrentLangTable->keyboardLayout = reinterpret_cast<HKL>(0x0407);
    EXPECT_EQ(GetKeyInfoKeyboardLayout(), reinterpret_cast<HKL>(0x0407));
    CurrentLangTable->keyboardLayout = layout;
    EXPECT_EQ(GetKeyInfoKeyboardLayout(), layout);
    CurrentLangTable = nullptr;
    EXPECT_EQ(GetKeyInfoKeyboardLayout(), nullptr);
    SetKeyboardLayoutProvider(nullptr);
}

TEST_F(StartUpTest, InstallerDefaultsFillOnlyMissingValues) {
    EXPECT_EQ(Value(u"InstallDir"), u"(no key)");
    ASSERT_EQ(WriteInstallerDefaults(u"\\opt\\borvanta\\"), ERROR_SUCCESS);
    EXPECT_EQ(Value(u"InstallDir"), u"\\opt\\borvanta\\");
    EXPECT_EQ(Value(u"Language"), u"English");

    SetValue(u"Language", u"French");
    ASSERT_EQ(WriteInstallerDefaults(u"\\elsewhere\\"), ERROR_SUCCESS);
    EXPECT_EQ(Value(u"InstallDir"), u"\\opt\\borvanta\\");
    EXPECT_EQ(Value(u"Language"), u"French");
}

} // namespace
