// Profile and macro files through the virtual mouse: export, import, and imports that fail
// leave neither the configuration nor the mouse holding half of them.

#include "DeviceTestSupport.h"

#include "platform/base/Path.h"

#include <fstream>

namespace devicetest {
namespace {

class MouseFilesTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        SetExeFolder(m_dir);
        OpenAndRead(mouse, config);
    }
    CBorvantaConfig config;
    CMouse mouse;
};

TEST_F(MouseFilesTest, ProfileExportAndImport) {
    IMouseProfile* profile = config.GetActiveProfile();
    config.SetStageDpi(1, 900, profile);
    config.SetLogoLightColor(RGB(4, 5, 6), profile);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));

    const CString file(PathIn("first.qmp"));
    EXPECT_TRUE(mouse.HasProfile(profile));
    ASSERT_TRUE(mouse.ExportProfile(file, profile));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "first.qmp"));

    ASSERT_TRUE(mouse.ImportProfile(file, &config));
    ASSERT_EQ(config.GetProfileCount(), 2);
    IMouseProfile* imported = config.GetProfile(1);
    EXPECT_FALSE(IsEqualGUID(GuidOf(imported), GUID_NULL));
    EXPECT_FALSE(IsEqualGUID(GuidOf(imported), GuidOf(profile)));
    // Its name is taken: it is named as a copy would be, on the mouse too.
    EXPECT_EQ(std::u16string_view(imported->GetName()), u"Profile 100");
    EXPECT_EQ(Direct::NameOf(Direct().Profile(1)), u"Profile 100");
    EXPECT_EQ(config.GetStageDpi(1, imported), 900);
    EXPECT_EQ(config.GetLogoLightColor(imported), RGB(4, 5, 6));
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 2u);
    EXPECT_TRUE(mouse.HasProfile(imported));

    // A profile not yet written has no identifier: the device does not hold it.
    IMouseProfile* fresh = config.AddProfile(u"Unwritten");
    EXPECT_FALSE(mouse.HasProfile(fresh));
    EXPECT_FALSE(mouse.ExportProfile(CString(PathIn("x.qmp")), fresh));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "x.qmp"));
}

TEST_F(MouseFilesTest, FailedProfileImportsChangeNothing) {
    // Not a profile file.
    std::ofstream(m_dir / "bad.qmp") << "not a profile";
    EXPECT_FALSE(mouse.ImportProfile(CString(PathIn("bad.qmp")), &config));
    EXPECT_FALSE(mouse.ImportProfile(CString(PathIn("missing.qmp")), &config));
    EXPECT_EQ(config.GetProfileCount(), 1);
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 1u);

    // A full device refuses the import.
    const CString file(PathIn("p.qmp"));
    ASSERT_TRUE(mouse.ExportProfile(file, config.GetProfile(0)));
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(mouse.ImportProfile(file, &config));
    }
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 5u);
    EXPECT_FALSE(mouse.ImportProfile(file, &config));
    EXPECT_EQ(config.GetProfileCount(), 5);
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 5u);
}

TEST_F(MouseFilesTest, MacroExportAndImport) {
    CMacro* macro = config.CreateMacro(u"Jump", nullptr);
    macro->SetEvents({{MACRO_EVENT_KEY, 0x39, MACRO_KEY_PRESS},
                      {MACRO_EVENT_DELAY, 25, 0},
                      {MACRO_EVENT_KEY, 0x39, MACRO_KEY_RELEASE}});
    // Never written: no identifier, nothing to export.
    EXPECT_FALSE(mouse.HasMacro(macro));
    EXPECT_FALSE(mouse.ExportMacro(CString(PathIn("jump.qmm")), macro));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "jump.qmm"));

    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_MACROS));
    EXPECT_TRUE(mouse.HasMacro(macro));
    const CString file(PathIn("jump.qmm"));
    ASSERT_TRUE(mouse.ExportMacro(file, macro));

    // Its name is taken: false, and neither side keeps the import.
    EXPECT_FALSE(mouse.ImportMacro(file, &config));
    EXPECT_EQ(config.GetMacroCount(), 1);
    EXPECT_EQ(Direct().MacroCount(), 1u);

    config.DeleteMacro(macro, nullptr);
    ASSERT_TRUE(mouse.ImportMacro(file, &config));
    ASSERT_EQ(config.GetMacroCount(), 1);
    CMacro* imported = config.GetMacro(0, nullptr);
    EXPECT_EQ(std::u16string_view(imported->GetName()), u"Jump");
    EXPECT_EQ(imported->GetFilePath(), file);
    EXPECT_EQ(imported->GetEvents().size(), 3u);
    EXPECT_TRUE(mouse.HasMacro(imported));

    std::ofstream(m_dir / "bad.qmm") << "not a macro";
    EXPECT_FALSE(mouse.ImportMacro(CString(PathIn("bad.qmm")), &config));
    EXPECT_EQ(config.GetMacroCount(), 1);
}

TEST_F(MouseFilesTest, MacroFileWithoutEventsIsRefusedWhole) {
    // A macro file of another program: a name, no events.
    const CString file(PathIn("silent.qmm"));
    {
        Direct direct;
        auto manager = direct.Feature<IMacroManager>();
        ASSERT_TRUE(manager);
        CComPtr<IMacro> silent;
        ASSERT_EQ(manager->CreateMacro(&silent), S_OK);
        ASSERT_EQ(silent->SetName(u"Silent"), S_OK);
        ASSERT_EQ(silent->ExportToFile(file.GetString()), S_OK);
        ASSERT_EQ(manager->DeleteMacro(silent), S_OK);
    }
    // Nothing to play: false, and neither the configuration nor the mouse keeps the import.
    EXPECT_FALSE(mouse.ImportMacro(file, &config));
    EXPECT_EQ(config.GetMacroCount(), 0);
    EXPECT_EQ(Direct().MacroCount(), 0u);
}

} // namespace
} // namespace devicetest
