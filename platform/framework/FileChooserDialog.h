#pragma once
// The file chooser the file dialogs ask (platform::SetFileChooser): a small modal dialog of
// standard controls, so it works on the headless and the X11 display alike. It shows one
// folder: its sub-folders (a name ending in "/", "../" for the parent) and the files that
// match the request's first filter pattern (with OFN_EXECUTABLEONLY the files a process can be
// named after: runnable files, Windows programs and scripts, platform/base/ProcessProgram.h).
// Choosing an entry puts it in the name field; OK on a folder opens it, on a file name ends
// the dialog with the full path. A name without an extension gets the request's default
// extension. Refusals are told in a message box: a missing folder, a folder a save cannot
// write to, a missing file for an open with OFN_FILEMUSTEXIST; a save with
// OFN_OVERWRITEPROMPT asks whether to replace an existing file. The dialog starts in the
// request's initial folder only where the user can write to it, else in the user's documents
// folder (else home). Its texts and refusals are in the program's language
// (platform/ui/StandardText.h), its label and buttons as wide as they need.

#include "platform/framework/CDialog.h"
#include "platform/framework/CGdiObject.h"
#include "platform/ui/CommDlg.h"

#include <filesystem>
#include <string>
#include <vector>

class CFileChooserDialog : public CDialog {
public:
    static constexpr int kFolderText = 100;
    static constexpr int kEntryList = 101;
    static constexpr int kNameEdit = 102;

    CFileChooserDialog(const OPENFILENAMEW& request, CWnd* parent);

    // A FileChooser: runs the dialog for the request; TRUE with the full path on OK.
    static BOOL Choose(const OPENFILENAMEW& request, std::u16string& path);
    // Makes Choose the chooser of the file dialogs.
    static void Install();

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // A light face, white fields and a frame around the fields and buttons, so the dialog
    // reads the same on every display.
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnPaint() override;
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;

    // The folder shown and its entries as listed.
    const std::filesystem::path& Folder() const { return m_folder; }
    const std::vector<std::u16string>& Entries() const { return m_entries; }
    // The chosen full path (backslash form) after OK.
    const std::u16string& Result() const { return m_result; }

    // Shows a folder (no change when it is not one).
    void OpenFolder(const std::filesystem::path& folder);

private:
    bool Matches(const std::filesystem::directory_entry& entry) const;
    // A message box owned by the dialog, under its title; the button chosen.
    int Tell(const std::u16string& text, UINT type);

    OPENFILENAMEW m_request;
    DialogTemplate m_template;
    std::filesystem::path m_folder;
    std::u16string m_pattern; // the extension the files must have ("" for any)
    std::vector<std::u16string> m_entries;
    std::filesystem::path m_confirmedOverwrite;
    std::u16string m_result;
    CBrush m_face{RGB(0xEC, 0xEC, 0xEC)};
    CBrush m_field{RGB(0xFF, 0xFF, 0xFF)};
    CBrush m_frame{RGB(0x70, 0x70, 0x70)};
};
