// The profiles page: the profile list, its row menu and the profile buttons. Profile files
// are written and read by the device service; this page only chooses the file.

#include "configurator/BorvantaAppDlg.h"

#include "configurator/BorvantaNameEntryPopup.h"
#include "configurator/BorvantaWarningDlg.h"
#include "configurator/PreviewPopup.h"
#include "device/IMouseDevice.h"
#include "gui/BitmapBtn.h"
#include "gui/TextItem.h"
#include "gui/XListCtrl.h"
#include "model/BorvantaConfig.h"
#include "model/IMouseConfig.h"
#include "model/NameLookup.h"
#include "model/ProfileNames.h"
#include "platform/base/FileFind.h"
#include "platform/base/Path.h"
#include "platform/framework/CFileDialog.h"

#include <filesystem>
#include <vector>

namespace {

// Column ids of the profile list.
constexpr int kNumberColumn = 0;
constexpr int kNameColumn = 1;

// True for a name that is empty or holds only blanks.
bool IsBlankName(const CString& name) {
    // A line break cannot be typed into a one-line field; a name holding one is no name.
    if (!IsAcceptableProfileName(name.GetString())) {
        return true;
    }
    for (int i = 0; i < name.GetLength(); ++i) {
        if (name[i] != u' ' && name[i] != u'\t') {
            return false;
        }
    }
    return true;
}

// The list's notification record when it came from this page's list with a row id.
const ListCtrlNotify* PageNotify(const CGUIItemList* page, WPARAM wParam, LPARAM lParam) {
    const auto* notify = reinterpret_cast<const ListCtrlNotify*>(lParam);
    if (page == nullptr || notify == nullptr || notify->row < 0 ||
        FindGUIItemByHwnd(*page, reinterpret_cast<HWND>(wParam)) == nullptr) {
        return nullptr;
    }
    return notify;
}

} // namespace

IMouseProfile* CBorvantaAppDlg::GetSelectedProfile() const {
    if (profileList == nullptr) {
        return nullptr;
    }
    const int rowId = profileList->GetSelectedRow();
    return rowId >= 0 && rowId < config->GetProfileCount() ? config->GetProfile(rowId) : nullptr;
}

void CBorvantaAppDlg::FillProfileList() {
    if (profileList != nullptr) {
        if (profileList->rowMenu == nullptr) {
            profileList->rowMenu = profileOptions; // the row menu of the list
        }
        profileList->DeleteAllItems();
        IMouseProfile* active = config->GetActiveProfile();
        int activeRowId = 0;
        for (INT i = 0; i < config->GetProfileCount(); ++i) {
            IMouseProfile* profile = config->GetProfile(i);
            const int row = profileList->InsertItem(i);
            if (row < 0) {
                continue;
            }
            profileList->SetRowId(row, i);
            profileList->SetItemText(kNameColumn, profile->GetName(), i);
            profileList->SetItemText(CXListCtrl::kProgramColumnId, profile->GetExeName(), i);
            profileList->SetCheck(i, profile->GetAutoSwitch() != 0 ? 1 : 0);
            if (profile == active) {
                activeRowId = i;
            }
        }
        if (profileList->sorted) {
            profileList->SortByColumn(profileList->GetColumn(kNameColumn).index);
        }
        // Row numbers follow the order shown.
        for (INT i = 0; i < config->GetProfileCount(); ++i) {
            CString number;
            number.Format(u"%02d", profileList->FindRow(i) + 1);
            profileList->SetItemText(kNumberColumn, number.GetString(), i);
        }
        const int row = profileList->FindRow(activeRowId);
        if (row >= 0) {
            profileList->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED,
                                      LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    UpdateProfileCaption();
    Invalidate(TRUE);
}

void CBorvantaAppDlg::UpdateProfileCaption() {
    if (profileInfoText != nullptr) {
        // The caption reads "<caption>: <name>"; a caption text that already ends in a colon
        // (as ours does), the full-width colon of Chinese and Japanese included, gets only the
        // blank.
        CString caption = captionText;
        caption.TrimRight();
        const bool colon = caption.Right(1) == u":" || caption.Right(1) == u"\uFF1A";
        caption += colon ? u" " : u": ";
        profileInfoText->SetText(caption.GetString());
    }
    if (profileNameText != nullptr) {
        IMouseProfile* active = config->GetActiveProfile();
        profileNameText->SetText(active != nullptr ? active->GetName() : u"");
    }
}

void CBorvantaAppDlg::ActivateProfile(IMouseProfile* profile) {
    config->SetActiveProfile(profile);
    FillProfileList();
    UpdateControls();
}

void CBorvantaAppDlg::ActivateFirstProfile() {
    IMouseProfile* first = config->GetProfile(0);
    if (first != nullptr && profileList != nullptr) {
        const int row = profileList->FindRow(0);
        if (row >= 0) {
            profileList->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED,
                                      LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    config->SetActiveProfile(first);
    FillProfileList();
    UpdateControls();
}

bool CBorvantaAppDlg::WarnDuplicateProfileName(const CString& name) {
    if (!HasProfileNamedExactly(*config, name.GetString())) {
        return false;
    }
    const CString extra = u": " + name;
    CBorvantaWarningDlg warning(this, u"DuplicateProfileWarningPopup.xml", extra.GetString());
    warning.DoModal();
    return true;
}

bool CBorvantaAppDlg::AskNewProfileName(const WCHAR* popupSkin, CString& name) {
    CBorvantaNameEntryPopup entry(this, popupSkin, &name);
    if (entry.DoModal() != IDOK || IsBlankName(name)) {
        UpdateControls();
        return false;
    }
    return !WarnDuplicateProfileName(name);
}

IMouseProfile* CBorvantaAppDlg::RenameKeepingAssignments(IMouseProfile* profile,
                                                         const CString& newName) {
    // The buttons that name this profile by name (profiles not yet on the mouse), in every
    // profile, by their place in the list: renaming replaces the profile object.
    std::vector<std::pair<INT, ButtonId>> naming;
    for (INT i = 0; i < config->GetProfileCount(); ++i) {
        IMouseProfile* owner = config->GetProfile(i);
        for (ButtonId button = BUTTON_FIRST; button <= BUTTON_LAST; ++button) {
            ButtonAssignment current;
            owner->GetButtonAssignment(current, button);
            if (current.kind == ASSIGNMENT_PROFILE_NAME &&
                FindProfileExactFirst(*config, current.GetName().GetString()) == profile) {
                naming.emplace_back(i, button);
            }
        }
    }
    IMouseProfile* renamed = config->RenameProfile(profile, newName.GetString());
    if (renamed == nullptr) {
        return nullptr;
    }
    for (const auto& [index, button] : naming) {
        if (IMouseProfile* owner = config->GetProfile(index)) {
            owner->SetButtonAssignment(
                button, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, renamed->GetName()));
        }
    }
    return renamed;
}

void CBorvantaAppDlg::CreateProfile() {
    if (config->GetProfileCount() >= static_cast<INT>(device->GetMaxProfiles())) {
        CBorvantaWarningDlg limit(this, u"ProfileLimitReachedPopup.xml");
        limit.SetText(u"$CreateProfile");
        limit.DoModal();
        return;
    }
    CString name;
    if (!AskNewProfileName(u"ProfileNamePopup.xml", name)) {
        return;
    }
    IMouseProfile* profile = config->AddProfile(name.GetString());
    if (profile != nullptr) {
        config->SetActiveProfile(profile);
    }
    FillProfileList();
    UpdateControls();
}

void CBorvantaAppDlg::RenameProfile() {
    IMouseProfile* profile = GetSelectedProfile();
    if (profile == nullptr) {
        return;
    }
    CString name;
    if (!AskNewProfileName(u"ProfileRenamePopup.xml", name)) {
        return;
    }
    if (RenameKeepingAssignments(profile, name) != nullptr) {
        FillProfileList();
    }
    UpdateControls();
}

bool CBorvantaAppDlg::CopyProfile(int rowId) {
    if (config->GetProfileCount() >= static_cast<INT>(device->GetMaxProfiles())) {
        CBorvantaWarningDlg limit(this, u"ProfileLimitReachedPopup.xml");
        limit.SetText(u"$Copy");
        limit.DoModal();
        return false;
    }
    IMouseProfile* source = config->GetProfile(rowId);
    if (source == nullptr) {
        return true;
    }
    const CString name = FreeProfileName(source->GetName(), [this](const CString& candidate) {
        return HasProfileNamedExactly(*config, candidate.GetString());
    });
    if (!name.IsEmpty()) {
        if (IMouseProfile* copy = config->DuplicateProfile(source, name.GetString())) {
            ActivateProfile(copy);
        }
    }
    return true;
}

void CBorvantaAppDlg::DeleteProfile() {
    IMouseProfile* profile = GetSelectedProfile();
    if (profile == nullptr) {
        return;
    }
    const CString extra = CString(u": ") + profile->GetName();
    // The first profile stays. Identifiers are compared only when both are set: profiles
    // not yet on the mouse have none and must stay deletable.
    IMouseProfile* first = config->GetProfile(0);
    GUID guid{};
    GUID firstGuid{};
    profile->GetGuid(guid);
    first->GetGuid(firstGuid);
    if (profile == first || (guid != GUID_NULL && guid == firstGuid)) {
        CBorvantaWarningDlg refused(this, u"DisallowDeletePopup.xml", extra.GetString());
        refused.DoModal();
        return;
    }
    CBorvantaWarningDlg confirm(this, u"ConfirmDeletePopup.xml", extra.GetString());
    if (confirm.DoModal() != IDOK) {
        return;
    }
    if (profile->HasFile()) {
        DeleteFileW(profile->GetFilePath());
    }
    ResetAssignmentsOfProfile(profile);
    config->DeleteProfile(profile);
    if (config->GetActiveProfile() != nullptr) {
        FillProfileList();
    } else {
        ActivateFirstProfile();
    }
}

void CBorvantaAppDlg::ShowPreviewPopup() {
    CBorvantaPreviewPopup preview(this, GetSelectedProfile(), config);
    preview.DoModal();
}

void CBorvantaAppDlg::RestoreProfile(int rowId) {
    IMouseProfile* profile = config->GetProfile(rowId);
    if (profile == nullptr) {
        return;
    }
    CBorvantaWarningDlg confirm(this, u"RestorePopup.xml");
    if (confirm.DoModal() != IDOK) {
        return;
    }
    if (auto* borvanta = dynamic_cast<CBorvantaConfig*>(config)) {
        borvanta->SetDefaults(profile);
    }
    if (profile == config->GetActiveProfile()) {
        UpdateControls();
    }
}

CString CBorvantaAppDlg::AskProfileFile(bool open, IMouseProfile* /*profile*/) {
    const CString extension = config->GetProfileExtension();
    CString filter;
    filter.Format(u"%s Profile Files (*.%s)|*.%s||", extension.GetString(), extension.GetString(),
                  extension.GetString());
    CString proposed;
    proposed.Format(u".%s", extension.GetString());
    CFileDialog dialog(open ? TRUE : FALSE, extension.GetString(), proposed.GetString(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER, filter.GetString(),
                       this);
    CString folder;
    if (auto* borvanta = dynamic_cast<CBorvantaConfig*>(config)) {
        folder = borvanta->GetProfileFolder();
    }
    dialog.m_ofn.lpstrInitialDir = folder.IsEmpty() ? nullptr : folder.GetString();
    if (dialog.DoModal() != IDOK) {
        return CString();
    }
    // A name is refused only when nothing stands before its extension; a name typed without
    // an extension gets the profile extension (for a file to open: unless it exists as typed).
    CString path = dialog.GetPathName();
    const CString name = dialog.GetFileName();
    const int dot = name.ReverseFind(u'.');
    if (dot == 0 || name.IsEmpty()) {
        return CString();
    }
    if (dot < 0 && !(open && std::filesystem::exists(ToNativePath(path)))) {
        path += u"." + extension;
    }
    return path;
}

void CBorvantaAppDlg::ExportProfile() {
    IMouseProfile* profile = GetSelectedProfile();
    if (profile == nullptr) {
        return;
    }
    if (!device->HasProfile(profile)) {
        const CString extra = CString(u": ") + profile->GetName();
        CBorvantaWarningDlg warning(this, u"ExportProfileWarningPopup.xml", extra.GetString());
        warning.DoModal();
        return;
    }
    const CString path = AskProfileFile(false, profile);
    if (!path.IsEmpty() && !device->ExportProfile(path, profile)) {
        CBorvantaWarningDlg failed(this, u"ProfileFileFailedPopup.xml");
        failed.SetText(u"$ExportFailedHeading");
        failed.DoModal();
    }
}

void CBorvantaAppDlg::ImportProfile() {
    if (config->GetProfileCount() >= static_cast<INT>(device->GetMaxProfiles())) {
        CBorvantaWarningDlg limit(this, u"ProfileLimitReachedPopup.xml");
        limit.SetText(u"$ImportProfile");
        limit.DoModal();
        return;
    }
    if (config->GetProfileCount() != static_cast<INT>(device->GetDeviceProfileCount())) {
        CBorvantaWarningDlg warning(this, u"ImporttProfileWarningPopup.xml");
        warning.SetText(u"$ImportProfile");
        warning.DoModal();
        return;
    }
    const CString path = AskProfileFile(true, nullptr);
    if (path.IsEmpty()) {
        return;
    }
    if (device->ImportProfile(path, config)) {
        FillProfileList();
    } else {
        // A file the service cannot read (missing, damaged or not a profile) adds nothing.
        CBorvantaWarningDlg failed(this, u"ProfileFileFailedPopup.xml");
        failed.SetText(u"$ImportFailedHeading");
        failed.DoModal();
    }
}

// The buttons of the page.
void CBorvantaAppDlg::OnNewProfile() {
    CreateProfile();
}

void CBorvantaAppDlg::OnImportProfile() {
    ImportProfile();
}

void CBorvantaAppDlg::OnExportProfile() {
    ExportProfile();
}

void CBorvantaAppDlg::OnDeleteProfile() {
    DeleteProfile();
}

void CBorvantaAppDlg::OnProfileOsdSwitch() {
    if (profileOsdButton != nullptr) {
        config->SetShowProfileOsdAll(profileOsdButton->checked != 0 ? 1 : 0);
    }
}

LRESULT CBorvantaAppDlg::OnProfileNameEdited(WPARAM wParam, LPARAM lParam) {
    const ListCtrlNotify* notify = PageNotify(currentPage, wParam, lParam);
    IMouseProfile* profile = notify != nullptr ? config->GetProfile(notify->row) : nullptr;
    if (profile == nullptr) {
        return 0;
    }
    const int rowId = notify->row;
    const CString name = notify->text != nullptr ? CString(notify->text) : CString();
    auto restoreCell = [this, rowId](IMouseProfile* shown) {
        if (profileList != nullptr) {
            profileList->SetItemText(kNameColumn, shown->GetName(), rowId);
        }
    };
    // An empty or blank name is no name: the cell shows the profile's name again.
    if (IsBlankName(name)) {
        restoreCell(profile);
        return 0;
    }
    if (WarnDuplicateProfileName(name)) {
        restoreCell(profile);
        return 0;
    }
    IMouseProfile* renamed = RenameKeepingAssignments(profile, name);
    if (renamed == nullptr) {
        restoreCell(profile);
        return 0;
    }
    FillProfileList();
    UpdateAssignmentLists();
    MarkPending(PENDING_PROFILES);
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileProgramChanged(WPARAM wParam, LPARAM lParam) {
    const ListCtrlNotify* notify = PageNotify(currentPage, wParam, lParam);
    IMouseProfile* profile = notify != nullptr ? config->GetProfile(notify->row) : nullptr;
    if (profile == nullptr) {
        return 0;
    }
    // A program whose name the mouse cannot hold is refused here, where it is chosen, so
    // that no write later cuts it short.
    const CString previous = profile->GetExePath() != nullptr ? profile->GetExePath() : u"";
    config->SetExePath(profile, notify->text != nullptr ? notify->text : u"");
    if (!IsStorableProgramName(profile->GetExeName())) {
        config->SetExePath(profile, previous.GetString());
        if (profileList != nullptr) {
            profileList->SetItemText(CXListCtrl::kProgramColumnId, profile->GetExeName(),
                                     notify->row);
        }
        CBorvantaWarningDlg tooLong(this, u"ProgramNameTooLongPopup.xml");
        tooLong.DoModal();
        return 0;
    }
    // The cell shows the name the profile keeps (what the tray compares).
    if (profileList != nullptr) {
        profileList->SetItemText(CXListCtrl::kProgramColumnId, profile->GetExeName(), notify->row);
    }
    MarkPending(PENDING_PROFILES);
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileAutoSwitchChanged(WPARAM wParam, LPARAM lParam) {
    const ListCtrlNotify* notify = PageNotify(currentPage, wParam, lParam);
    IMouseProfile* profile = notify != nullptr ? config->GetProfile(notify->row) : nullptr;
    if (profile == nullptr || notify->checked == nullptr) {
        return 0;
    }
    const bool on = *notify->checked;
    const CString program = profile->GetExeName() != nullptr ? profile->GetExeName() : u"";
    if (on && program.IsEmpty()) {
        const CString extra = CString(u": ") + profile->GetName();
        CBorvantaWarningDlg warning(this, u"SelectApplicationWarningPopup.xml", extra.GetString());
        warning.DoModal();
        if (profileList != nullptr) {
            profileList->SetCheck(notify->row, 0);
        }
        return 0;
    }
    config->SetAutoSwitch(profile, on ? 1 : 0);
    MarkPending(PENDING_PROFILES);
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileListCommand(WPARAM wParam, LPARAM lParam) {
    const ListCtrlNotify* notify = PageNotify(currentPage, wParam, lParam);
    if (notify == nullptr) {
        return 0;
    }
    const CString key = notify->text != nullptr ? CString(notify->text) : CString();
    const int rowId = notify->row;
    // The menu was opened on this row: the commands that act on the selected profile act on
    // it, not on a row selected before.
    if (profileList != nullptr && !key.IsEmpty()) {
        const int row = profileList->FindRow(rowId);
        if (row >= 0) {
            for (int i = 0; i < profileList->GetItemCount(); ++i) {
                profileList->SetItemState(i, i == row ? LVIS_SELECTED | LVIS_FOCUSED : 0,
                                          LVIS_SELECTED | LVIS_FOCUSED);
            }
        }
    }
    bool mark = true;
    if (key == u"$New") {
        CreateProfile();
    } else if (key == u"$Rename") {
        RenameProfile();
    } else if (key == u"$Preview") {
        ShowPreviewPopup();
    } else if (key == u"$Delete") {
        DeleteProfile();
    } else if (key == u"$Copy") {
        mark = CopyProfile(rowId);
    } else if (key == u"$Import") {
        ImportProfile();
    } else if (key == u"$Export") {
        ExportProfile();
    } else if (key == u"$RestoreDefault") {
        RestoreProfile(rowId);
    }
    if (mark) {
        MarkPending(PENDING_PROFILES);
    }
    return 0;
}

LRESULT CBorvantaAppDlg::OnProfileSelected(WPARAM wParam, LPARAM lParam) {
    const ListCtrlNotify* notify = PageNotify(currentPage, wParam, lParam);
    IMouseProfile* profile = notify != nullptr ? config->GetProfile(notify->row) : nullptr;
    if (profile != nullptr && profile != config->GetActiveProfile()) {
        ActivateProfile(profile);
        MarkPending(PENDING_PROFILES);
    }
    return 0;
}
