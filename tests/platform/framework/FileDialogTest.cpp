#include "platform/base/Path.h"
#include "platform/framework/CFileDialog.h"
#include "platform/framework/FileChooserDialog.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

TEST(FileDialogTest, ChooserAnswersWithAPathThatFitsOrTheDialogCancels) {
    CFileDialog none(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, u"*.exe|*.exe||");
    EXPECT_EQ(none.DoModal(), IDCANCEL); // no chooser installed

    std::u16string filterSeen;
    platform::SetFileChooser([&](const OPENFILENAMEW& request, std::u16string& path) {
        filterSeen = request.lpstrFilter; // up to the first terminator
        EXPECT_EQ(request.Flags & OFN_FILEMUSTEXIST, OFN_FILEMUSTEXIST);
        path = u"C:\\Games\\Some.Game\\run.exe";
        return TRUE;
    });
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       u"*.exe|*.exe||");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(filterSeen, u"*.exe");
    EXPECT_EQ(dialog.GetPathName(), CString(u"C:\\Games\\Some.Game\\run.exe"));
    EXPECT_EQ(dialog.GetFileName(), CString(u"run.exe"));

    // A path longer than the buffer is refused, not cut.
    platform::SetFileChooser([](const OPENFILENAMEW&, std::u16string& path) {
        path = std::u16string(MAX_PATH + 5, u'a');
        return TRUE;
    });
    CFileDialog tooLong(TRUE);
    EXPECT_EQ(tooLong.DoModal(), IDCANCEL);
    EXPECT_EQ(tooLong.GetPathName(), CString());

    platform::SetFileChooser([](const OPENFILENAMEW&, std::u16string&) { return FALSE; });
    CFileDialog cancelled(TRUE);
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    platform::SetFileChooser(nullptr);
}

// The chooser the programs install, driven as a user would on the headless display.
TEST(FileDialogTest, TheChooserDialogListsTheFolderAddsTheExtensionAndAsksBeforeReplacing) {
    namespace fs = std::filesystem;
    platform::HeadlessDisplay display(800, 600);
    const fs::path folder =
        fs::temp_directory_path() / ("borvanta-chooser-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "sub");
    std::ofstream(folder / "a.qmp") << "x";
    std::ofstream(folder / "b.txt") << "x";
    std::ofstream(folder / "run") << "x";
    fs::permissions(folder / "run", fs::perms::owner_exec, fs::perm_options::add);
    CFileChooserDialog::Install();

    const CString initial = FromNativePath(folder);
    std::vector<std::vector<std::u16string>> listed;
    std::vector<std::u16string> messages;
    int turn = 0;
    auto typeAndOk = [](HWND dialog, const WCHAR* text) {
        SetDlgItemTextW(dialog, CFileChooserDialog::kNameEdit, text);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    auto message = [](HWND dialog) {
        WCHAR text[128] = {};
        GetDlgItemTextW(dialog, CFileChooserDialog::kMessageText, text, 128);
        return std::u16string(text);
    };
    // Save: "a" becomes a.qmp, which exists, so the first OK asks and the second replaces.
    platform::SetModalIdleHook([&](HWND dialog) {
        auto* chooser = dynamic_cast<CFileChooserDialog*>(CWnd::FromHandle(dialog));
        ASSERT_NE(chooser, nullptr);
        switch (turn++) {
        case 0:
            listed.push_back(chooser->Entries());
            typeAndOk(dialog, u"sub/");
            break;
        case 1:
            listed.push_back(chooser->Entries());
            typeAndOk(dialog, u"../");
            break;
        case 2:
            typeAndOk(dialog, u".qmp");
            break;
        case 3:
            messages.push_back(message(dialog));
            typeAndOk(dialog, u"a");
            break;
        case 4:
            messages.push_back(message(dialog));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            break;
        default:
            EndDialog(dialog, IDCANCEL);
        }
    });
    CFileDialog save(FALSE, u"qmp", u".qmp", OFN_OVERWRITEPROMPT, u"Profiles|*.qmp||");
    save.m_ofn.lpstrInitialDir = initial.GetString();
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(fs::path(ToNativePath(save.GetPathName())), folder / "a.qmp");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], (std::vector<std::u16string>{u"../", u"sub/", u"a.qmp"}));
    EXPECT_EQ(listed[1], (std::vector<std::u16string>{u"../"}));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], u"Please type a file name.");
    EXPECT_NE(messages[1].find(u"exists"), std::u16string::npos);

    // Open, runnable files only: a missing file is refused, the program is taken.
    turn = 0;
    listed.clear();
    messages.clear();
    platform::SetModalIdleHook([&](HWND dialog) {
        auto* chooser = dynamic_cast<CFileChooserDialog*>(CWnd::FromHandle(dialog));
        ASSERT_NE(chooser, nullptr);
        switch (turn++) {
        case 0:
            listed.push_back(chooser->Entries());
            typeAndOk(dialog, u"missing");
            break;
        case 1:
            messages.push_back(message(dialog));
            typeAndOk(dialog, u"run");
            break;
        default:
            EndDialog(dialog, IDCANCEL);
        }
    });
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_EXECUTABLEONLY,
                     u"Programs|*||");
    open.m_ofn.lpstrInitialDir = initial.GetString();
    ASSERT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetFileName(), CString(u"run"));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0], (std::vector<std::u16string>{u"../", u"sub/", u"run"}));
    EXPECT_EQ(messages, std::vector<std::u16string>{u"The file does not exist."});

    platform::SetModalIdleHook(nullptr);
    platform::SetFileChooser(nullptr);
    fs::remove_all(folder);
}

} // namespace
