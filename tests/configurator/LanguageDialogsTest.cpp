// The standard dialogs the configurator opens (the colour chooser, the file chooser and the
// message box it asks with) speak the language the registry names, as its own windows do.
#include "PageTestSupport.h"
#include "configurator/StartUp.h"
#include "gui/DropdownColorButton.h"
#include "platform/framework/ColorChooserDialog.h"
#include "platform/framework/FileChooserDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/StandardText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using apptest::Driver;

// A dialog's title, then the texts of its statics and buttons in the order they were made.
std::vector<std::u16string> Texts(HWND dialog) {
    std::vector<std::u16string> texts;
    WCHAR text[256] = {};
    GetWindowTextW(dialog, text, 256);
    texts.emplace_back(text);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR kind[32] = {};
        GetClassNameW(child, kind, 32);
        GetWindowTextW(child, text, 256);
        if ((std::u16string(kind) == u"Static" || std::u16string(kind) == u"Button") &&
            text[0] != 0 && GetDlgCtrlID(child) != CFileChooserDialog::kFolderText) {
            texts.emplace_back(text);
        }
    }
    return texts;
}

class LanguageDialogsTest : public pagetest::PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kProgramRegistryKey, &key), ERROR_SUCCESS);
        const std::u16string german = u"German";
        RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(german.c_str()),
                       static_cast<DWORD>((german.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(key);
        // What the program installs at its start.
        InstallStandardDialogs();
    }
    void TearDown() override {
        platform::SetColorChooser(nullptr);
        platform::SetStandardTextProvider(nullptr);
        PageTest::TearDown();
    }
    // A step on a modal window of the given kind over the main window.
    template <class Kind> Driver::Step On(std::function<void(HWND)> act, bool kind = true) {
        return OnPopupWhere(
            [kind](HWND dialog) {
                return (dynamic_cast<Kind*>(CWnd::FromHandle(dialog)) != nullptr) == kind;
            },
            std::move(act));
    }
    Driver::Step OnPopupWhere(std::function<bool(HWND)> is, std::function<void(HWND)> act) {
        return [this, is, act](HWND dialog) {
            if (main == nullptr || dialog == main->GetSafeHwnd() || !is(dialog)) {
                return false;
            }
            act(dialog);
            return true;
        };
    }
    void ClickButton(HWND dialog, int id) { apptest::ClickItem(m_display, GetDlgItem(dialog, id)); }
};

TEST_F(LanguageDialogsTest, TheColourAndFileChoosersAndTheReplaceQuestionSpeakGerman) {
    namespace fs = std::filesystem;
    const fs::path existing = m_dir / "Mein Profil.qmp";
    std::ofstream(existing) << "kept\n";
    std::vector<std::u16string> colour;
    std::vector<std::u16string> save;
    std::vector<std::u16string> question;
    std::u16string questionText;
    Run({OnMain([this](CBorvantaAppDlg& d) { Click(d.lightingTab); }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.lightingPage; }),
         OnMain([this](CBorvantaAppDlg& d) { Click(d.scrollColor); }),
         WaitMain([](CBorvantaAppDlg& d) { return d.scrollColor->popupOpen; }),
         OnMain([this](CBorvantaAppDlg& d) {
             // The palette's wide "custom" cell opens the colour chooser.
             RECT r{};
             GetWindowRect(d.scrollColor->popup->GetSafeHwnd(), &r);
             m_display.SetAutoPump(false);
             m_display.Click((r.left + r.right) / 2, r.bottom - 12);
             m_display.SetAutoPump(true);
         }),
         On<CColorChooserDialog>([&](HWND dialog) {
             colour = Texts(dialog);
             ClickButton(dialog, IDCANCEL);
         }),
         WaitMain([](CBorvantaAppDlg& d) { return !d.scrollColor->popupOpen; }),
         OnMain([](CBorvantaAppDlg& d) { apptest::PostItemCommand(d, BUTTON_MANAGEPROFILES); }),
         WaitMain([](CBorvantaAppDlg& d) { return d.GetCurrentPage() == &d.profilesPage; }),
         OnMain([](CBorvantaAppDlg& d) { PostPageCommand(d, BUTTON_EXPORTPROFILE); }),
         On<CFileChooserDialog>([&](HWND dialog) {
             save = Texts(dialog);
             SetDlgItemTextW(dialog, CFileChooserDialog::kNameEdit, existing.u16string().c_str());
             ClickButton(dialog, IDOK);
         }),
         On<CFileChooserDialog>(
             [&](HWND dialog) {
                 question = Texts(dialog);
                 WCHAR text[256] = {};
                 GetDlgItemTextW(dialog, platform::kMessageBoxTextId, text, 256);
                 questionText = text;
                 ClickButton(dialog, IDNO);
             },
             false),
         On<CFileChooserDialog>([&](HWND dialog) { ClickButton(dialog, IDCANCEL); }),
         OnMain([](CBorvantaAppDlg& d) { PostMessageW(d.GetSafeHwnd(), WM_CLOSE, 0, 0); })});
    EXPECT_EQ(stepsDone, 14u);
    EXPECT_EQ(colour, (std::vector<std::u16string>{
                          u"Farbe", u"Aktuell", u"Neu", u"#RRGGBB:", u"Rot:", u"Grün:", u"Blau:",
                          u"Farbton:", u"Sättigung:", u"Hellwert:", u"OK", u"Abbrechen"}));
    EXPECT_EQ(save, (std::vector<std::u16string>{u"Speichern unter", u"Dateiname:", u"Speichern",
                                                 u"Abbrechen"}));
    // The question's title is the chooser's; "No" keeps the file as it was.
    EXPECT_EQ(question,
              (std::vector<std::u16string>{u"Speichern unter", questionText, u"&Ja", u"&Nein"}));
    EXPECT_EQ(
        questionText,
        u"\u201EMein Profil.qmp\u201C ist bereits vorhanden.\nMöchten Sie die Datei ersetzen?");
    std::ifstream kept(existing);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept\n");
}

} // namespace
