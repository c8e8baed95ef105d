// The button assignment page: the eleven assignment drop-downs and their sub-menus. Every
// choice becomes a button assignment of the active profile; afterwards at least one button
// must keep the primary click.

#include "configurator/BorvantaAppDlg.h"

#include "configurator/BorvantaWarningDlg.h"
#include "configurator/PopupBoxSingleKeyEntry.h"
#include "gui/DropdownListItem.h"
#include "gui/ListPanelItem.h"
#include "model/IMouseConfig.h"
#include "model/KeyInfo.h"
#include "model/Macro.h"
#include "model/NameLookup.h"
#include "model/NameTables.h"

#include <functional>
#include <utility>

namespace {

// The drop-down of each button, by the button's skin item id.
constexpr std::pair<ButtonId, int> kButtonDropdowns[] = {
    {1, BUTTON_ASSNLEFTCLICK},  {2, BUTTON_ASSNRIGHTCLICK},  {3, BUTTON_ASSNSCROLLBUTTON},
    {4, BUTTON_ASSNLSIDEREAR},  {5, BUTTON_ASSNLSIDEFRONT},  {6, BUTTON_ASSNRSIDEREAR},
    {7, BUTTON_ASSNRSIDEFRONT}, {8, BUTTON_ASSNCENTREFRONT}, {9, BUTTON_ASSNCENTREREAR},
    {10, BUTTON_ASSNSCROLLUP},  {11, BUTTON_ASSNSCROLLDOWN},
};

bool IsAssignmentDropdownId(int id) {
    return id >= BUTTON_ASSNLEFTCLICK && id <= BUTTON_ASSNCENTREREAR;
}

} // namespace

CString AssignmentSubText(IMouseConfig& config, const ButtonAssignment& current,
                          AssignmentKind entryKind) {
    if (current.kind == ASSIGNMENT_PROFILE_NAME && entryKind == ASSIGNMENT_PROFILE) {
        IMouseProfile* profile = FindProfileExactFirst(config, current.GetName().GetString());
        return profile != nullptr ? CString(profile->GetName()) : CString();
    }
    if (current.kind == ASSIGNMENT_MACRO_NAME && entryKind == ASSIGNMENT_MACRO) {
        CMacro* macro = FindMacroExactFirst(config, current.GetName().GetString());
        return macro != nullptr ? CString(macro->GetName()) : CString();
    }
    if (current.kind != entryKind) {
        return CString();
    }
    switch (current.kind) {
    case ASSIGNMENT_SINGLE_KEY: {
        CString name;
        if (current.GetScanCode() != 0) {
            GetKeyDisplayName(current.GetVirtualKey(), name, current.GetScanCode(),
                              (current.GetKeyFlags() & SINGLE_KEY_EXTENDED) != 0);
        }
        return name;
    }
    case ASSIGNMENT_MACRO: {
        CMacro* macro = config.FindMacroByGuid(current.GetGuid(), nullptr);
        return macro != nullptr ? CString(macro->GetName()) : CString();
    }
    case ASSIGNMENT_PROFILE: {
        IMouseProfile* profile = config.FindProfileByGuid(current.GetGuid());
        return profile != nullptr ? CString(profile->GetName()) : CString();
    }
    default:
        return CString();
    }
}

void CBorvantaAppDlg::MapButtonItems() {
    buttonItems.clear();
    for (const auto& [button, id] : kButtonDropdowns) {
        CGUIItem* item = FindGUIItemById(assignPage, id);
        if (item != nullptr && item->type == GUIITEM_DROPDOWNLIST) {
            if (auto* dropdown = dynamic_cast<CDropdownListItem*>(item)) {
                buttonItems[button] = dropdown;
            }
        }
    }
}

void CBorvantaAppDlg::FillAssignmentLists() {
    UpdateAssignmentLists();
}

void CBorvantaAppDlg::UpdateAssignmentLists() {
    IMouseProfile* active = config != nullptr ? config->GetActiveProfile() : nullptr;
    if (active == nullptr) {
        return;
    }
    for (const auto& [button, dropdown] : buttonItems) {
        dropdown->ResetContent();
        // A button whose assignment no entry shows (never set, or a kind outside its table)
        // shows an empty field rather than the text of an earlier profile.
        dropdown->currentText.Empty();
        dropdown->currentSubText.Empty();

        CStringArray keys;
        active->GetAllowedAssignmentNames(keys, button);
        ButtonAssignment current;
        config->GetButtonAssignment(current, button, nullptr);
        for (INT_PTR i = 0; i < keys.GetSize(); ++i) {
            const CString& key = keys[i];
            const AssignmentKind kind = FindAssignmentKindId(key.GetString());
            CListPanelItem* subMenu = kind == ASSIGNMENT_PROFILE ? profileSubmenu
                                      : kind == ASSIGNMENT_MACRO ? macroSubmenu
                                                                 : nullptr;
            const int index = dropdown->AddString(key.GetString(), subMenu);
            const bool matches =
                current.kind == kind ||
                (current.kind == ASSIGNMENT_PROFILE_NAME && kind == ASSIGNMENT_PROFILE) ||
                (current.kind == ASSIGNMENT_MACRO_NAME && kind == ASSIGNMENT_MACRO);
            if (matches) {
                const CString subText = AssignmentSubText(*config, current, kind);
                dropdown->SetCurSel(index, subText.GetString());
            }
        }
        dropdown->Invalidate(TRUE);
    }
}

void CBorvantaAppDlg::RefreshAssignSubmenus() {
    if (macroSubmenu != nullptr) {
        DropdownEntryList macros;
        for (INT i = 0; i < config->GetMacroCount(); ++i) {
            if (CMacro* macro = config->GetMacro(i, nullptr)) {
                macros.push_back(DropdownEntry{CString(macro->GetName()), nullptr});
            }
        }
        macroSubmenu->SetEntries(macros);
    }
    if (profileSubmenu != nullptr) {
        DropdownEntryList profiles;
        for (INT i = 0; i < config->GetProfileCount(); ++i) {
            if (IMouseProfile* profile = config->GetProfile(i)) {
                profiles.push_back(DropdownEntry{CString(profile->GetName()), nullptr});
            }
        }
        profileSubmenu->SetEntries(profiles);
    }
}

LRESULT CBorvantaAppDlg::OnAssignmentListEvent(WPARAM /*wParam*/, LPARAM lParam) {
    const CGUIItem* item = FindCommandItem(reinterpret_cast<HWND>(lParam));
    if (item != nullptr && item->type == GUIITEM_DROPDOWNLIST && IsAssignmentDropdownId(item->id)) {
        RefreshAssignSubmenus();
    }
    return 0;
}

LRESULT CBorvantaAppDlg::OnAssignmentSelected(WPARAM /*wParam*/, LPARAM lParam) {
    CGUIItem* item = FindCommandItem(reinterpret_cast<HWND>(lParam));
    if (item == nullptr || item->type != GUIITEM_DROPDOWNLIST) {
        return 0;
    }
    if (IsAssignmentDropdownId(item->id)) {
        auto* dropdown = dynamic_cast<CDropdownListItem*>(item);
        for (const auto& [button, field] : buttonItems) {
            if (field == dropdown) {
                ApplyAssignmentChoice(dropdown, this, button);
                MarkPending(PENDING_BUTTONS);
                break;
            }
        }
    }
    // The macro list of the macros page (LIST_GLOBALMACROLIST) is handled by that page.
    Invalidate(TRUE);
    return 0;
}

void CBorvantaAppDlg::StoreAssignment(ButtonId button, const ButtonAssignment& assignment,
                                      const ButtonAssignment& previous) {
    config->SetButtonAssignment(button, assignment, nullptr);
    if (!CheckClickAssigned()) {
        config->SetButtonAssignment(button, previous, nullptr);
    }
    UpdateAssignmentLists();
}

void CBorvantaAppDlg::ApplyAssignmentChoice(CDropdownListItem* dropdown, CWnd* owner,
                                            ButtonId button) {
    if (dropdown == nullptr || config->GetActiveProfile() == nullptr) {
        return;
    }
    CString subText;
    const int index = dropdown->GetCurSelAndSubText(subText);
    if (index < 0) {
        return;
    }
    const AssignmentKind kind = FindAssignmentKindId(dropdown->GetText(index).GetString());
    ButtonAssignment previous;
    config->GetButtonAssignment(previous, button, nullptr);

    switch (kind) {
    case ASSIGNMENT_SINGLE_KEY: {
        // The key is asked for only when the button may give up its current function.
        config->SetButtonAssignment(button, ButtonAssignment::Of(ASSIGNMENT_SINGLE_KEY), nullptr);
        if (!CheckClickAssigned()) {
            config->SetButtonAssignment(button, previous, nullptr);
            UpdateAssignmentLists();
            return;
        }
        SingleKeyResult key;
        CPopupBoxSingleKeyEntry popup(owner, &key);
        popup.DoModal();
        // No key, or a key without a scan code (nothing the mouse could send): the choice is
        // cancelled and the previous assignment comes back.
        if (key.keyName.IsEmpty() || key.scanCode == 0) {
            config->SetButtonAssignment(button, previous, nullptr);
            UpdateAssignmentLists();
            return;
        }
        dropdown->SetCurSel(index, key.keyName.GetString());
        StoreAssignment(
            button, ButtonAssignment::SingleKey(key.scanCode, key.virtualKey, key.flags), previous);
        return;
    }
    case ASSIGNMENT_MACRO: {
        CMacro* macro =
            subText.IsEmpty() ? nullptr : FindMacroExactFirst(*config, subText.GetString());
        if (macro == nullptr) {
            return; // the macro went away meanwhile: nothing is stored
        }
        const GUID guid = macro->GetGuid();
        StoreAssignment(button,
                        guid == GUID_NULL
                            ? ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, macro->GetName())
                            : ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, guid),
                        previous);
        return;
    }
    case ASSIGNMENT_PROFILE: {
        IMouseProfile* profile =
            subText.IsEmpty() ? nullptr : FindProfileExactFirst(*config, subText.GetString());
        if (profile == nullptr) {
            return;
        }
        GUID guid{};
        profile->GetGuid(guid);
        StoreAssignment(button,
                        guid == GUID_NULL ? ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME,
                                                                       profile->GetName())
                                          : ButtonAssignment::WithGuid(ASSIGNMENT_PROFILE, guid),
                        previous);
        return;
    }
    default:
        StoreAssignment(button, ButtonAssignment::Of(kind), previous);
        return;
    }
}

bool CBorvantaAppDlg::CheckClickAssigned() {
    if (config->HasClickAssignment(nullptr)) {
        return true;
    }
    CBorvantaWarningDlg warning(this, u"NoClickPopup.xml");
    warning.DoModal();
    return false;
}

void CBorvantaAppDlg::ResetAssignmentsWhere(
    const std::function<bool(const ButtonAssignment&)>& matches) {
    for (INT i = 0; i < config->GetProfileCount(); ++i) {
        IMouseProfile* profile = config->GetProfile(i);
        for (const auto& entry : buttonItems) {
            const ButtonId button = entry.first;
            ButtonAssignment current;
            profile->GetButtonAssignment(current, button);
            if (matches(current)) {
                profile->SetButtonAssignment(button, GetDefaultAssignment(button));
            }
        }
    }
    UpdateAssignmentLists();
}

void CBorvantaAppDlg::ResetAssignmentsOfMacro(CMacro* macro) {
    if (macro == nullptr) {
        return;
    }
    const GUID guid = macro->GetGuid();
    ResetAssignmentsWhere([&](const ButtonAssignment& current) {
        return (current.kind == ASSIGNMENT_MACRO && current.GetGuid() == guid) ||
               (current.kind == ASSIGNMENT_MACRO_NAME &&
                current.GetName().CompareNoCase(macro->GetName()) == 0);
    });
}

void CBorvantaAppDlg::ResetAssignmentsOfProfile(IMouseProfile* target) {
    if (target == nullptr) {
        return;
    }
    GUID guid{};
    target->GetGuid(guid);
    ResetAssignmentsWhere([&](const ButtonAssignment& current) {
        // A name resolves to the profile of exactly that name when there is one, so two
        // profiles whose names differ only in case keep their own buttons.
        return (current.kind == ASSIGNMENT_PROFILE && guid != GUID_NULL &&
                current.GetGuid() == guid) ||
               (current.kind == ASSIGNMENT_PROFILE_NAME &&
                FindProfileExactFirst(*config, current.GetName().GetString()) == target);
    });
}
