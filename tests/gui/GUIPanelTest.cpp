#include "gui/GUIPanel.h"
#include "SkinTestSupport.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using skintest::MakeBmp;
using skintest::ProgramFolder;

namespace {

constexpr UINT kTemplate = 9310;
constexpr COLORREF kDesktop = RGB(0x20, 0x40, 0x60);

void RegisterTemplate() {
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_VISIBLE;
    dialog.cx = 300; // the skin decides the size, not the template
    dialog.cy = 300;
    RegisterDialogTemplate(kTemplate, dialog);
}

class TestPanel : public CGUIPanel {
public:
    using CGUIPanel::CGUIPanel;
    void BindItems() override { ++bound; }
    int bound = 0;
};

class TestPopup : public CPopupBox {
public:
    using CPopupBox::CPopupBox;
    void BindItems() override { ++bound; }
    int bound = 0;
};

class GUIPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTemplate();
        // A 60 x 40 panel: red face with a blue square at (10, 10); the mask cuts away
        // the 8 x 8 corner at the top left and everything right of x = 50.
        m_folder.Write("skins/face.bmp", MakeBmp(60, 40, [](int x, int y) {
                           return x >= 10 && x < 20 && y >= 10 && y < 20 ? 0x0000FFu : 0xFF0000u;
                       }));
        m_folder.Write("skins/shape.bmp", MakeBmp(60, 40, [](int x, int y) {
                           return (x < 8 && y < 8) || x >= 50 ? 0xFFFFFFu : 0xFEFFFFu;
                       }));
        m_folder.Write("skins/white.bmp", MakeBmp(60, 40, [](int, int) { return 0xFFFFFFu; }));
        m_folder.Write("xml/Panel.xml", "<!DOCTYPE GUIPANEL>\n<GUIPANEL><BACKGROUND>face.bmp"
                                        "</BACKGROUND><MASK>shape.bmp</MASK></GUIPANEL>");
        m_folder.Write("xml/Invisible.xml", "<GUIPANEL><BACKGROUND>face.bmp</BACKGROUND>"
                                            "<MASK>white.bmp</MASK></GUIPANEL>");
    }

    ProgramFolder m_folder;
    platform::HeadlessDisplay m_display{200, 150, kDesktop};
};

} // namespace

TEST_F(GUIPanelTest, SkinGivesSizeOutlineAndFace) {
    TestPanel panel(u"Panel.xml", kTemplate, nullptr);
    EXPECT_FALSE(panel.loaded);
    ASSERT_TRUE(panel.Create(kTemplate));
    platform::PumpUntilIdle();
    EXPECT_TRUE(panel.loaded);
    ASSERT_NE(panel.background, nullptr);
    ASSERT_NE(panel.mask, nullptr);
    EXPECT_NE(panel.region, nullptr);
    EXPECT_EQ(panel.rect, (RECT{0, 0, 60, 40}));
    RECT window{};
    panel.GetWindowRect(&window);
    EXPECT_EQ(window, (RECT{0, 0, 60, 40}));

    EXPECT_EQ(m_display.ScreenPixel(30, 30), RGB(255, 0, 0)); // face inside the mask
    EXPECT_EQ(m_display.ScreenPixel(15, 15), RGB(0, 0, 255));
    EXPECT_EQ(m_display.ScreenPixel(2, 2), kDesktop);     // cut-away corner
    EXPECT_EQ(m_display.ScreenPixel(55, 20), kDesktop);   // right of the outline
    EXPECT_EQ(m_display.ScreenPixel(100, 100), kDesktop); // beyond the window

    CPanelBitmap* background = panel.background;
    panel.DestroyWindow();
    platform::PumpUntilIdle();
    EXPECT_FALSE(panel.loaded);
    EXPECT_EQ(background->GetBitmapHandle(), nullptr); // released once, with the window
    EXPECT_EQ(panel.items.GetCount(), 2);              // the items stay until the panel goes
    EXPECT_EQ(m_display.ScreenPixel(30, 30), kDesktop);
}

TEST_F(GUIPanelTest, AllWhiteMaskHidesTheWindow) {
    TestPanel panel(u"Invisible.xml", kTemplate, nullptr);
    ASSERT_TRUE(panel.Create(kTemplate));
    platform::PumpUntilIdle();
    EXPECT_EQ(m_display.ScreenPixel(30, 30), kDesktop);
    panel.DestroyWindow();
}

TEST_F(GUIPanelTest, PanelsWithoutSkinOrWithAMissingSkin) {
    TestPanel plain(nullptr, RECT{0, 0, 30, 20}, kTemplate);
    ASSERT_TRUE(plain.Create(kTemplate));
    platform::PumpUntilIdle();
    RECT window{};
    plain.GetWindowRect(&window);
    EXPECT_EQ(window.right - window.left, 30);
    EXPECT_EQ(window.bottom - window.top, 20);
    EXPECT_TRUE(plain.loaded);
    EXPECT_EQ(plain.background, nullptr);
    plain.DestroyWindow();

    // Made without its skin when modeless; the maker learns which file failed.
    TestPanel missing(u"NoSuchSkin.xml", kTemplate, nullptr);
    ASSERT_TRUE(missing.Create(kTemplate));
    platform::PumpUntilIdle();
    EXPECT_EQ(ToNativePath(missing.skinProblem), m_folder.Root() / "xml" / "NoSuchSkin.xml");
    EXPECT_TRUE(missing.loaded);
    EXPECT_EQ(missing.background, nullptr);
    EXPECT_EQ(missing.region, nullptr);
    EXPECT_TRUE(missing.items.IsEmpty());
    missing.DestroyWindow();
}

TEST_F(GUIPanelTest, AModalPanelWhoseSkinFailsTellsWhichFileAndDoesNotShow) {
    m_folder.Write("skins/empty.bmp", "");
    std::filesystem::create_directories(m_folder.Root() / "skins" / "folder.bmp");
    m_folder.Write("xml/NoBackground.xml", "<GUIPANEL><BACKGROUND>gone.bmp</BACKGROUND>"
                                           "<MASK>shape.bmp</MASK></GUIPANEL>");
    m_folder.Write("xml/FolderMask.xml", "<GUIPANEL><BACKGROUND>face.bmp</BACKGROUND>"
                                         "<MASK>folder.bmp</MASK></GUIPANEL>");
    m_folder.Write("xml/NoMask.xml", "<GUIPANEL><BACKGROUND>face.bmp</BACKGROUND></GUIPANEL>");
    m_folder.Write("xml/EmptyButton.xml",
                   "<GUIPANEL><BACKGROUND>face.bmp</BACKGROUND><MASK>shape.bmp</MASK>"
                   "<BUTTONLIST><BUTTON name='BUTTON_OK'><RECT right='9' bottom='9'/>"
                   "<SBMN>empty.bmp</SBMN></BUTTON></BUTTONLIST></GUIPANEL>");
    const std::pair<const char16_t*, std::filesystem::path> cases[] = {
        {u"NoSuchSkin.xml", m_folder.Root() / "xml" / "NoSuchSkin.xml"},
        {u"NoBackground.xml", m_folder.Root() / "skins" / "gone.bmp"},
        {u"FolderMask.xml", m_folder.Root() / "skins" / "folder.bmp"},
        {u"NoMask.xml", m_folder.Root() / "xml" / "NoMask.xml"},
        {u"EmptyButton.xml", m_folder.Root() / "skins" / "empty.bmp"},
    };
    for (const auto& [skin, file] : cases) {
        TestPanel popup(skin, kTemplate, nullptr);
        std::vector<std::u16string> told;
        platform::SetModalIdleHook([&](HWND dialog) {
            WCHAR text[512] = {};
            GetDlgItemTextW(dialog, platform::kMessageBoxTextId, text, 512);
            told.emplace_back(text);
            EndDialog(dialog, IDOK);
        });
        EXPECT_EQ(popup.DoModal(), IDCANCEL);
        platform::SetModalIdleHook(nullptr);
        // Only the message box ran (the panel never showed), naming the file.
        ASSERT_EQ(told.size(), 1u) << file;
        EXPECT_NE(told[0].find(FromUtf8(file.string())), std::u16string::npos) << ToUtf8(told[0]);
        EXPECT_EQ(ToNativePath(popup.skinProblem), file);
    }

    // A whole skin runs as before.
    TestPanel whole(u"Panel.xml", kTemplate, nullptr);
    bool shown = false;
    platform::SetModalIdleHook([&](HWND dialog) {
        shown = dialog == whole.GetSafeHwnd();
        EndDialog(dialog, IDOK);
    });
    EXPECT_EQ(whole.DoModal(), IDOK);
    platform::SetModalIdleHook(nullptr);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(whole.skinProblem.IsEmpty());
}

TEST_F(GUIPanelTest, PopupBindsItsItemsWhenItInitialises) {
    TestPopup popup(u"Panel.xml", kTemplate, nullptr);
    EXPECT_STREQ(CPopupBox::GetRuntimeClassName(), "CPopupBox");
    ASSERT_TRUE(popup.Create(kTemplate));
    platform::PumpUntilIdle();
    EXPECT_EQ(popup.bound, 1);
    EXPECT_TRUE(popup.loaded); // the skin was there before the items were bound
    popup.DestroyWindow();
}

#ifdef BORVANTA_PROGRAM_DIR
TEST(ShippedSamplePanel, ShowsItsFaceInsideTheMaskInTheHeadlessDisplay) {
    RegisterTemplate();
    InitNameTables();
    SetExeFolder(BORVANTA_PROGRAM_DIR);
    SkinResourceCache::Clear();
    platform::HeadlessDisplay display{400, 300, kDesktop};
    {
        TestPanel panel(u"SamplePanel.xml", kTemplate, nullptr);
        ASSERT_TRUE(panel.Create(kTemplate));
        platform::PumpUntilIdle();
        ASSERT_NE(panel.background, nullptr);
        EXPECT_EQ(panel.rect, (RECT{0, 0, 320, 200}));
        EXPECT_EQ(display.ScreenPixel(1, 1), kDesktop);     // outside the rounded outline
        EXPECT_NE(display.ScreenPixel(160, 100), kDesktop); // the face
        EXPECT_EQ(display.ScreenPixel(350, 250), kDesktop);
        const auto shot = std::filesystem::temp_directory_path() /
                          ("borvanta_sample_panel_" + std::to_string(::getpid()) + ".png");
        EXPECT_TRUE(display.SaveScreenshot(shot));
        std::filesystem::remove(shot);
        panel.DestroyWindow();
    }
    SkinResourceCache::Clear();
}
#endif

TEST_F(GUIPanelTest, WindowMadeAgainLoadsItsSkinAfreshWithItsSizeAndFace) {
    TestPanel panel(u"Panel.xml", kTemplate, nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(panel.Create(kTemplate));
        platform::PumpUntilIdle();
        EXPECT_EQ(panel.items.GetCount(), 2); // BACKGROUND and MASK once, not twice
        RECT window{};
        panel.GetWindowRect(&window);
        EXPECT_EQ(window, (RECT{0, 0, 60, 40}));
        EXPECT_EQ(m_display.ScreenPixel(30, 30), RGB(255, 0, 0));
        panel.DestroyWindow();
        platform::PumpUntilIdle();
    }
}
