#include "platform/framework/FileChooserDialog.h"

#include "platform/base/CString.h"
#include "platform/base/Path.h"
#include "platform/base/ProcessProgram.h"
#include "platform/framework/CPaintDC.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/StandardText.h"

#include <algorithm>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::u16string Lower(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return text;
}

// The extension of the filter's first pattern ("*.qmp" gives ".qmp"; "*" and "*.*" none).
std::u16string PatternExtension(LPCWSTR filter) {
    if (filter == nullptr || *filter == 0) {
        return {};
    }
    const std::u16string description(filter);
    const std::u16string pattern(filter + description.size() + 1);
    const size_t dot = pattern.rfind(u'.');
    if (pattern.rfind(u"*.", 0) != 0 || dot == std::u16string::npos || pattern == u"*.*") {
        return {};
    }
    return Lower(pattern.substr(dot));
}

// The dialog's texts are in the program's language (platform/ui/StandardText.h); the name's
// label and the buttons are as wide as their texts need, at least as wide as the English ones.
DialogTemplate MakeTemplate(bool save) {
    using platform::GetStandardText;
    using platform::StandardText;
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
    t.title = GetStandardText(save ? StandardText::FileSaveTitle : StandardText::FileOpenTitle);
    const std::u16string label = GetStandardText(StandardText::FileNameLabel);
    const std::u16string ok =
        GetStandardText(save ? StandardText::FileSave : StandardText::FileOpen);
    const std::u16string cancel = GetStandardText(StandardText::Cancel);
    constexpr int kMargin = 7;
    const int labelWidth = std::max(44, static_cast<int>(platform::DialogTextWidth(t, label)));
    const int button = std::max({40, static_cast<int>(platform::DialogTextWidth(t, ok)),
                                 static_cast<int>(platform::DialogTextWidth(t, cancel))}) +
                       10;
    // The name field keeps at least 150 units.
    const int width = std::max(260, kMargin + labelWidth + 3 + 150 + kMargin);
    const int nameAt = kMargin + labelWidth + 3;
    const int cancelAt = width - kMargin - button;
    t.cx = static_cast<short>(width);
    t.cy = 162;
    const auto item = [&t](const char16_t* kind, const std::u16string& caption, DWORD style, int x,
                           int y, int cx, int cy, int id) {
        t.items.push_back(DialogItemTemplate{kind, caption, style, 0, static_cast<short>(x),
                                             static_cast<short>(y), static_cast<short>(cx),
                                             static_cast<short>(cy), static_cast<WORD>(id)});
    };
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const int inner = width - 2 * kMargin;
    item(u"Static", u"", child, kMargin, 6, inner, 10, CFileChooserDialog::kFolderText);
    item(u"ListBox", u"", child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, kMargin, 18,
         inner, 104, CFileChooserDialog::kEntryList);
    item(u"Static", label, child, kMargin, 129, labelWidth, 10, 0);
    item(u"Edit", u"", child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, nameAt, 128,
         width - kMargin - nameAt, 12, CFileChooserDialog::kNameEdit);
    item(u"Button", ok, child | WS_TABSTOP | BS_DEFPUSHBUTTON, cancelAt - 5 - button, 144, button,
         14, IDOK);
    item(u"Button", cancel, child | WS_TABSTOP, cancelAt, 144, button, 14, IDCANCEL);
    return t;
}

} // namespace

CFileChooserDialog::CFileChooserDialog(const OPENFILENAMEW& request, CWnd* parent)
    : m_request(request), m_template(MakeTemplate(request.saveDialog != FALSE)),
      m_pattern(PatternExtension(request.lpstrFilter)) {
    InitModalIndirect(&m_template, parent);
}

BOOL CFileChooserDialog::Choose(const OPENFILENAMEW& request, std::u16string& path) {
    InitListBoxControl();
    CFileChooserDialog dialog(request, CWnd::FromHandle(request.hwndOwner));
    if (dialog.DoModal() != IDOK || dialog.Result().empty()) {
        return FALSE;
    }
    path = dialog.Result();
    return TRUE;
}

void CFileChooserDialog::Install() {
    platform::SetFileChooser(&CFileChooserDialog::Choose);
}

BOOL CFileChooserDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    std::error_code error;
    fs::path start;
    std::u16string name;
    if (m_request.lpstrFile != nullptr && *m_request.lpstrFile != 0) {
        const fs::path initial = ToNativePath(m_request.lpstrFile);
        name = initial.filename().u16string();
        if (initial.has_parent_path()) {
            start = initial.parent_path();
        }
    }
    if (start.empty() && m_request.lpstrInitialDir != nullptr) {
        start = ToNativePath(m_request.lpstrInitialDir);
        // A folder the user cannot write to (the program folder of an installed program)
        // is no place to keep files: the user's documents folder is shown instead.
        if (!platform::IsWritableFolder(start)) {
            start = platform::UserDocumentsFolder();
        }
    }
    if (start.empty() || !fs::is_directory(start, error)) {
        start = fs::current_path(error);
    }
    OpenFolder(start);
    SetDlgItemText(kNameEdit, name.c_str());
    CenterWindow();
    // The name field has the focus with its text selected, so typing replaces a proposed name.
    const HWND edit = ::GetDlgItem(m_hWnd, kNameEdit);
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    return FALSE;
}

BOOL CFileChooserDialog::OnEraseBkgnd(CDC* dc) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::FillRect(dc->GetSafeHdc(), &client, m_face);
    return TRUE;
}

void CFileChooserDialog::OnPaint() {
    CPaintDC dc(this);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::FrameRect(dc.GetSafeHdc(), &client, m_frame);
    for (const int id :
         {kEntryList, kNameEdit, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)}) {
        const HWND child = ::GetDlgItem(m_hWnd, id);
        RECT box{};
        if (child == nullptr || !::GetWindowRect(child, &box)) {
            continue;
        }
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(&box), 2);
        box = {box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
        ::FrameRect(dc.GetSafeHdc(), &box, m_frame);
    }
}

HBRUSH CFileChooserDialog::OnCtlColor(CDC* dc, CWnd* wnd, UINT /*ctlColor*/) {
    const HWND control = wnd != nullptr ? wnd->GetSafeHwnd() : nullptr;
    const bool field =
        control == ::GetDlgItem(m_hWnd, kEntryList) || control == ::GetDlgItem(m_hWnd, kNameEdit);
    ::SetBkColor(dc->GetSafeHdc(), field ? RGB(0xFF, 0xFF, 0xFF) : RGB(0xEC, 0xEC, 0xEC));
    ::SetTextColor(dc->GetSafeHdc(), RGB(0, 0, 0));
    return field ? static_cast<HBRUSH>(m_field) : static_cast<HBRUSH>(m_face);
}

bool CFileChooserDialog::Matches(const fs::directory_entry& entry) const {
    std::error_code error;
    if (!entry.is_regular_file(error)) {
        return false;
    }
    if ((m_request.Flags & OFN_EXECUTABLEONLY) != 0) {
        // What a process can be named after: runnable files, Windows programs and scripts.
        return platform::IsProgramFile(entry.path());
    }
    return m_pattern.empty() || Lower(entry.path().extension().u16string()) == m_pattern;
}

void CFileChooserDialog::OpenFolder(const fs::path& folder) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(folder, error);
    if (error || !fs::is_directory(canonical, error)) {
        return;
    }
    m_folder = canonical;
    std::vector<std::u16string> folders;
    std::vector<std::u16string> files;
    for (fs::directory_iterator it(m_folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        const std::u16string name = it->path().filename().u16string();
        if (name.empty() || name.front() == u'.') {
            continue; // hidden entries
        }
        std::error_code kind;
        if (it->is_directory(kind)) {
            folders.push_back(name + u"/");
        } else if (Matches(*it)) {
            files.push_back(name);
        }
    }
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
    m_entries.clear();
    if (m_folder.has_relative_path()) {
        m_entries.emplace_back(u"../");
    }
    m_entries.insert(m_entries.end(), folders.begin(), folders.end());
    m_entries.insert(m_entries.end(), files.begin(), files.end());

    SetDlgItemText(kFolderText, m_folder.u16string().c_str());
    const HWND list = ::GetDlgItem(m_hWnd, kEntryList);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::u16string& entry : m_entries) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
}

int CFileChooserDialog::Tell(const std::u16string& text, UINT type) {
    CString title;
    GetWindowText(title);
    return MessageBox(text.c_str(), title.GetString(), type);
}

BOOL CFileChooserDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == kEntryList && HIWORD(wParam) == LBN_SELCHANGE) {
        const HWND list = ::GetDlgItem(m_hWnd, kEntryList);
        const auto index = static_cast<size_t>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
        if (index < m_entries.size()) {
            SetDlgItemText(kNameEdit, m_entries[index].c_str());
        }
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CFileChooserDialog::OnOK() {
    CString typed;
    GetDlgItemText(kNameEdit, typed);
    typed.Trim();
    if (typed.IsEmpty()) {
        return;
    }
    const std::u16string text(typed.GetString());
    const fs::path chosen =
        fs::path(text).is_absolute() ? fs::path(text) : m_folder / fs::path(text);
    std::error_code error;
    if (text.back() == u'/' || fs::is_directory(chosen, error)) {
        OpenFolder(chosen);
        SetDlgItemText(kNameEdit, u"");
        return;
    }
    // A name that is only an extension (".qmp") names no file.
    if (chosen.filename().u16string().front() == u'.') {
        Tell(platform::GetStandardText(platform::StandardText::FileNoName),
             MB_OK | MB_ICONINFORMATION);
        return;
    }
    fs::path file = chosen;
    const bool open = m_request.saveDialog == FALSE;
    if (!file.has_extension() && m_request.lpstrDefExt != nullptr && *m_request.lpstrDefExt != 0) {
        fs::path withExtension = file;
        withExtension += u"." + std::u16string(m_request.lpstrDefExt);
        if (!open || !fs::exists(file, error)) {
            file = withExtension;
        }
    }
    const fs::path folder = file.parent_path();
    if (!fs::is_directory(folder, error)) {
        Tell(platform::GetStandardText(platform::StandardText::FileFolderMissing,
                                       folder.u16string()),
             MB_OK | MB_ICONWARNING);
        return;
    }
    const bool exists = fs::exists(file, error);
    if (open && (m_request.Flags & OFN_FILEMUSTEXIST) != 0 && !exists) {
        Tell(platform::GetStandardText(platform::StandardText::FileMissing,
                                       file.filename().u16string()),
             MB_OK | MB_ICONWARNING);
        return;
    }
    if (!open && !platform::IsWritableFolder(folder)) {
        Tell(platform::GetStandardText(platform::StandardText::FileFolderNotWritable,
                                       folder.u16string()),
             MB_OK | MB_ICONWARNING);
        return;
    }
    if (!open && exists && (m_request.Flags & OFN_OVERWRITEPROMPT) != 0 &&
        Tell(platform::GetStandardText(platform::StandardText::FileReplace,
                                       file.filename().u16string()),
             MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    m_result = FromNativePath(file).GetString();
    CDialog::OnOK();
}
