// The configurator in broken surroundings: a lock folder it cannot use, and skin files it
// cannot read. Each time the user is told what failed (a message box naming it); the program
// ends with an error where it cannot work, and stays usable where it can.

#include "AppTestSupport.h"
#include "configurator/StartUp.h"
#include "gui/LangTable.h"
#include "gui/SkinResourceCache.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using apptest::Driver;

namespace {

class BrokenSurroundingsTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app.keepProgramFolder = true;
        app.startProgram = [this](const WCHAR* file) { started.emplace_back(file); };
        app.onMainWindow = [this](CBorvantaAppDlg& dialog) { main = &dialog; };
    }

    // Runs the program once; the driver acts inside its modal loops. The program's exit code.
    int Run(std::vector<Driver::Step> steps) {
        Driver driver(m_clock, std::move(steps));
        EXPECT_FALSE(app.InitInstance());
        stepsDone = driver.StepsDone();
        main = nullptr;
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        return app.ExitInstance();
    }

    // A step that waits for a message box, keeps its text and closes it.
    Driver::Step AnswerMessageBox() {
        return [this](HWND dialog) {
            HWND text = GetDlgItem(dialog, platform::kMessageBoxTextId);
            if (text == nullptr) {
                return false;
            }
            WCHAR buffer[1024] = {};
            GetWindowTextW(text, buffer, 1024);
            told.emplace_back(buffer);
            EndDialog(dialog, IDOK);
            return true;
        };
    }
    // A step that acts once on the main window.
    Driver::Step OnMain(std::function<void(CBorvantaAppDlg&)> act) {
        return [this, act](HWND dialog) {
            if (main == nullptr || dialog != main->GetSafeHwnd()) {
                return false;
            }
            act(*main);
            return true;
        };
    }

    // Whether a message told the sentence of the language key and named the file.
    static bool Names(const std::u16string& message, const WCHAR* key,
                      const std::filesystem::path& file) {
        return message.find(TranslateText(key).str()) != std::u16string::npos &&
               message.find(FromUtf8(file.string())) != std::u16string::npos;
    }
    void Break(const std::filesystem::path& file) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << "not a picture";
        SkinResourceCache::Clear();
    }

    CBorvantaApp app;
    CBorvantaAppDlg* main = nullptr;
    std::vector<std::u16string> started;
    std::vector<std::u16string> told;
    size_t stepsDone = 0;
};

TEST_F(BrokenSurroundingsTest, ALockFolderThatCannotBeUsedIsToldAndTheProgramEndsWithAnError) {
    // A file where the folder should be.
    const std::filesystem::path folder = m_dir / "locks-file";
    std::ofstream(folder) << "x";
    ::setenv("BORVANTA_LOCK_DIR", folder.c_str(), 1);
    EXPECT_NE(DescribeLockFolderProblem(folder), "");
    EXPECT_EQ(DescribeLockFolderProblem(m_dir / "locks"), "");

    testing::internal::CaptureStderr();
    const int exitCode = Run({AnswerMessageBox()});
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(errors.find("the lock folder \"" + folder.string() + "\" cannot be used"),
              std::string::npos)
        << errors;
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(Names(told[0], u"$LockFolderFailed", folder)) << ToUtf8(told[0]);
    // Nothing else was started.
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(app.mainWindowResult, -1);
}

TEST_F(BrokenSurroundingsTest, AMainSkinThatCannotBeReadIsToldAndTheProgramEndsWithAnError) {
    // The face of the window, and the picture of the tabs.
    for (const char* picture : {"MainBackground.bmp", "TabButtonNormal.bmp"}) {
        const std::filesystem::path file = m_program / "skins" / picture;
        const std::filesystem::path kept = m_dir / "kept.bmp";
        std::filesystem::copy_file(file, kept, std::filesystem::copy_options::overwrite_existing);
        Break(file);
        told.clear();
        const int exitCode = Run({AnswerMessageBox()});
        EXPECT_EQ(exitCode, 1) << picture;
        EXPECT_EQ(app.mainWindowResult, IDCANCEL);
        ASSERT_EQ(told.size(), 1u) << picture;
        EXPECT_TRUE(Names(told[0], u"$SkinFileFailedMain", file)) << ToUtf8(told[0]);
        // Torn down as after any run.
        EXPECT_EQ(app.device, nullptr);
        EXPECT_EQ(app.config, nullptr);
        std::filesystem::copy_file(kept, file, std::filesystem::copy_options::overwrite_existing);
        SkinResourceCache::Clear();
    }
    // Whole again, it runs.
    EXPECT_EQ(Run({OnMain([](CBorvantaAppDlg& d) { d.PostMessage(WM_CLOSE); })}), 0);
    EXPECT_EQ(app.mainWindowResult, IDCANCEL);
}

TEST_F(BrokenSurroundingsTest, APageOrPopupSkinThatFailsIsToldAndTheRestStaysUsable) {
    const std::filesystem::path track = m_program / "skins" / "AccelTrack.bmp";
    const std::filesystem::path popup = m_program / "xml" / "RestorePopup.xml";
    Break(track);
    std::ofstream(popup, std::ios::trunc) << "<GUIPANEL><BACKGROUND>";
    bool reset = false;
    bool switched = false;
    const int exitCode =
        Run({// Told once the window shows; the other pages are whole.
             AnswerMessageBox(), OnMain([&](CBorvantaAppDlg& d) {
                 EXPECT_NE(d.assignTab, nullptr);
                 EXPECT_NE(d.dpiSlider, nullptr);
                 // The restore question cannot be shown: told, and taken as not confirmed.
                 const CGUIItem* item = FindGUIItemById(d.lightingPage, BUTTON_RESET);
                 ASSERT_NE(item, nullptr);
                 d.ShowPage(PAGE_LIGHTING);
                 d.PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(BUTTON_RESET), BN_CLICKED),
                               reinterpret_cast<LPARAM>(item->hwnd));
             }),
             AnswerMessageBox(), OnMain([&](CBorvantaAppDlg& d) {
                 reset = d.PendingChangeMask != 0;
                 apptest::PostItemCommand(d, BUTTON_ADJUSTPERFORMANCE);
             }),
             OnMain([&](CBorvantaAppDlg& d) {
                 switched = d.GetCurrentPage() == &d.performancePage;
                 d.PostMessage(WM_CLOSE);
             })});
    EXPECT_EQ(stepsDone, 5u);
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_TRUE(Names(told[0], u"$SkinFileFailedPage", track)) << ToUtf8(told[0]);
    EXPECT_TRUE(Names(told[1], u"$SkinFileFailedPopup", popup)) << ToUtf8(told[1]);
    EXPECT_FALSE(reset);
    EXPECT_TRUE(switched);
}

} // namespace
