#include "platform/base/Path.h"
#include "platform/framework/CFileDialog.h"
#include "platform/framework/FileChooserDialog.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

// What the chooser's modal loops show, one idle turn at a time: the chooser itself, or a
// message box it opened over itself.
struct ChooserTurns {
    CFileChooserDialog* chooser = nullptr; // the turn's chooser, null in a message box
    std::u16string message;                // the turn's message box text
};

ChooserTurns Look(HWND dialog) {
    ChooserTurns turn;
    turn.chooser = dynamic_cast<CFileChooserDialog*>(CWnd::FromHandle(dialog));
    if (turn.chooser == nullptr) {
        WCHAR text[512] = {};
        GetDlgItemTextW(dialog, platform::kMessageBoxTextId, text, 512);
        turn.message = text;
    }
    return turn;
}

// A click in the middle of a dialog's control, as the user makes it.
void ClickControl(platform::HeadlessDisplay& display, HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Types into the focused control through the keyboard.
void TypeKeys(platform::HeadlessDisplay& display, const char* keys) {
    for (const char* k = keys; *k != 0; ++k) {
        display.PressKey(*k >= 'a' && *k <= 'z' ? *k - 'a' + 'A' : *k);
    }
}

std::u16string NameField(HWND dialog) {
    WCHAR text[256] = {};
    GetDlgItemTextW(dialog, CFileChooserDialog::kNameEdit, text, 256);
    return text;
}

// The chooser the programs install, driven as a user would on the headless display.
TEST(FileDialogTest, TheChooserListsTheFolderAsksBeforeReplacingAndTellsWhatItRefuses) {
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
    std::u16string typed;
    int turn = 0;
    auto typeAndOk = [](HWND dialog, const WCHAR* text) {
        SetDlgItemTextW(dialog, CFileChooserDialog::kNameEdit, text);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    // Save: every refusal comes as a message box over the chooser, which stays open; a file
    // that exists is replaced only when the user answers Yes.
    platform::SetModalIdleHook([&](HWND dialog) {
        const ChooserTurns seen = Look(dialog);
        if (seen.chooser == nullptr) {
            messages.push_back(seen.message);
            const bool replaceQuestion = GetDlgItem(dialog, IDYES) != nullptr;
            // No to the first question, Yes to the second.
            const bool yes = replaceQuestion && messages.size() > 4;
            ClickControl(display, dialog, replaceQuestion ? (yes ? IDYES : IDNO) : IDOK);
            return;
        }
        switch (turn++) {
        case 0:
            listed.push_back(seen.chooser->Entries());
            typeAndOk(dialog, u"sub/");
            break;
        case 1:
            listed.push_back(seen.chooser->Entries());
            typeAndOk(dialog, u"../");
            break;
        case 2:
            typeAndOk(dialog, u".qmp");
            break;
        case 3:
            typeAndOk(dialog, u"missing/b");
            break;
        case 4:
            typeAndOk(dialog, u"/proc/b");
            break;
        case 5:
            // Ctrl+A in the name field selects the name: the next key replaces it.
            SetDlgItemTextW(dialog, CFileChooserDialog::kNameEdit, u"zzz");
            display.KeyDown(VK_CONTROL);
            display.PressKey('A');
            display.KeyUp(VK_CONTROL);
            TypeKeys(display, "a");
            typed = NameField(dialog);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            break;
        case 6:
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
    EXPECT_EQ(turn, 7);
    EXPECT_EQ(typed, u"a");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], (std::vector<std::u16string>{u"../", u"sub/", u"a.qmp"}));
    EXPECT_EQ(listed[1], (std::vector<std::u16string>{u"../"}));
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0], u"Please type a file name.");
    EXPECT_EQ(messages[1],
              u"The folder \"" + (folder / "missing").u16string() + u"\" does not exist.");
    EXPECT_EQ(messages[2],
              u"The folder \"/proc\" cannot be written to.\nPlease choose another folder.");
    EXPECT_EQ(messages[3], u"\"a.qmp\" already exists.\nDo you want to replace it?");
    EXPECT_EQ(messages[4], messages[3]);

    // Open, runnable files only: a missing file is refused, the program is taken.
    turn = 0;
    listed.clear();
    messages.clear();
    platform::SetModalIdleHook([&](HWND dialog) {
        const ChooserTurns seen = Look(dialog);
        if (seen.chooser == nullptr) {
            messages.push_back(seen.message);
            ClickControl(display, dialog, IDOK);
            return;
        }
        switch (turn++) {
        case 0:
            listed.push_back(seen.chooser->Entries());
            typeAndOk(dialog, u"missing");
            break;
        case 1:
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
    EXPECT_EQ(messages, std::vector<std::u16string>{u"The file \"missing\" does not exist."});

    platform::SetModalIdleHook(nullptr);
    platform::SetFileChooser(nullptr);
    fs::remove_all(folder);
}

// An initial folder the user cannot write to (an installed program's folder) is not where the
// chooser starts: it starts in the documents folder the user's XDG folders name, else home.
TEST(FileDialogTest, TheChooserStartsInTheDocumentsFolderWhereTheInitialOneIsNotWritable) {
    namespace fs = std::filesystem;
    platform::HeadlessDisplay display(800, 600);
    const fs::path home =
        fs::temp_directory_path() / ("borvanta-home-" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "config");
    fs::create_directories(home / "Dokumente");
    std::ofstream(home / "config" / "user-dirs.dirs")
        << "# written by the desktop\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
           "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string config = savedConfig != nullptr ? savedConfig : "";
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    CFileChooserDialog::Install();

    std::vector<fs::path> started;
    platform::SetModalIdleHook([&](HWND dialog) {
        if (auto* chooser = dynamic_cast<CFileChooserDialog*>(CWnd::FromHandle(dialog))) {
            started.push_back(chooser->Folder());
        }
        EndDialog(dialog, IDCANCEL);
    });
    for (const fs::path& initial : {fs::path("/proc"), home / "config"}) {
        const CString folder = FromNativePath(initial);
        CFileDialog save(FALSE, u"qmp", u"", OFN_OVERWRITEPROMPT, u"Profiles|*.qmp||");
        save.m_ofn.lpstrInitialDir = folder.GetString();
        EXPECT_EQ(save.DoModal(), IDCANCEL);
    }
    // Without the documents folder named, home.
    fs::remove(home / "config" / "user-dirs.dirs");
    CFileDialog open(TRUE, u"qmp", u"", OFN_FILEMUSTEXIST, u"Profiles|*.qmp||");
    open.m_ofn.lpstrInitialDir = u"\\proc";
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_EQ(started, (std::vector<fs::path>{home / "Dokumente", home / "config", home}));

    platform::SetModalIdleHook(nullptr);
    platform::SetFileChooser(nullptr);
    ::setenv("HOME", savedHome.c_str(), 1);
    if (savedConfig != nullptr) {
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    fs::remove_all(home);
}

} // namespace
