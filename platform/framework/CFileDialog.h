#pragma once
// Framework file dialog over GetOpenFileNameW (open) or GetSaveFileNameW (save). The filter is
// written with '|' between its parts ("*.exe|*.exe||"). DoModal answers IDOK or IDCANCEL; after OK,
// GetPathName is the full path and GetFileName the name with its extension.

#include "platform/base/CString.h"
#include "platform/framework/CWnd.h"
#include "platform/ui/CommDlg.h"

#include <string>

class CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, LPCWSTR defaultExt = nullptr, LPCWSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY, LPCWSTR filter = nullptr, CWnd* parentWnd = nullptr)
        : m_parent(parentWnd), m_open(openFileDialog != FALSE) {
        if (filter != nullptr) {
            m_filter = filter;
            for (char16_t& c : m_filter) {
                if (c == u'|') {
                    c = 0;
                }
            }
        }
        if (fileName != nullptr) {
            const std::u16string initial(fileName);
            std::copy_n(initial.begin(), std::min<size_t>(initial.size(), MAX_PATH - 1), m_file);
        }
        m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
        m_ofn.lpstrFile = m_file;
        m_ofn.nMaxFile = MAX_PATH;
        m_ofn.Flags = flags;
        m_ofn.lpstrDefExt = defaultExt;
    }
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    INT_PTR DoModal() {
        m_ofn.hwndOwner = m_parent != nullptr ? m_parent->GetSafeHwnd() : nullptr;
        const BOOL chosen = m_open ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
        return chosen ? IDOK : IDCANCEL;
    }
    CString GetPathName() const { return CString(m_file); }
    CString GetFileName() const { return CString(m_file + m_ofn.nFileOffset); }

    OPENFILENAMEW m_ofn;

private:
    CWnd* m_parent;
    bool m_open;
    std::u16string m_filter;
    WCHAR m_file[MAX_PATH] = {};
};
