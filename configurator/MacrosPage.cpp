// The macros page: the macro list, the event display and the recorder, the delay options, the
// predefined commands, key-row edits, and macro files through the device service.

#include "configurator/BorvantaAppDlg.h"

#include "configurator/BorvantaNameEntryPopup.h"
#include "configurator/BorvantaWarningDlg.h"
#include "configurator/PopupBoxSingleKeyEntry.h"
#include "configurator/PredefinedMacroPopup.h"
#include "device/IMouseDevice.h"
#include "gui/BitmapBtn.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItem.h"
#include "gui/MacroDisplayItem.h"
#include "gui/TextItem.h"
#include "gui/XListCtrl.h"
#include "model/BorvantaConfig.h"
#include "model/IMouseConfig.h"
#include "model/IMouseProfile.h"
#include "model/Macro.h"
#include "model/NameLookup.h"
#include "model/PredefinedMacroList.h"
#include "platform/base/WideChar.h"
#include "platform/framework/CFileDialog.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kMaxMacros = 65536;
constexpr int kStartDelayMs = 50;
// The most a delay may last, and the digits the default-delay field takes.
constexpr long kMaxDefaultDelay = 0xFFFFFF;
constexpr UINT kDefaultDelayDigits = 7;
constexpr const WCHAR* kMacroExtension = u"qmm";
// OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT.
constexpr DWORD kMacroFileFlags = 6;

void Enable(CWnd* window, bool enable) {
    if (window != nullptr && window->GetSafeHwnd() != nullptr) {
        window->EnableWindow(enable ? TRUE : FALSE);
    }
}

bool IsChecked(const CBitmapBtn* button) {
    return button != nullptr && button->checked != 0;
}

void Check(CBitmapBtn* button, bool checked) {
    if (button != nullptr) {
        button->SetCheck(checked ? 1 : 0);
    }
}

// The default delay typed into the field: 0 for an empty or zero text, else the number
// bounded to the longest delay.
long ReadDefaultDelay(CEditItem& edit) {
    CString text;
    edit.GetWindowText(text);
    long value = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        const WCHAR c = text[i];
        if (c < u'0' || c > u'9') {
            break;
        }
        value = value * 10 + (c - u'0');
        if (value > kMaxDefaultDelay) {
            return kMaxDefaultDelay;
        }
    }
    return value;
}

// Runs the macro-file dialog: the chosen full path, or empty when cancelled or no file name
// was given.
CString ChooseMacroFile(CWnd* parent, IMouseConfig* config, BOOL open) {
    CString filter;
    filter.Format(u"%s Macro Files (*.%s)|*.%s||", kMacroExtension, kMacroExtension,
                  kMacroExtension);
    CString proposed;
    proposed.Format(u".%s", kMacroExtension);
    CFileDialog dialog(open, kMacroExtension, proposed.GetString(), kMacroFileFlags,
                       filter.GetString(), parent);
    CString folder;
    if (auto* product = dynamic_cast<CBorvantaConfig*>(config)) {
        folder = product->GetMacroFolder();
        dialog.m_ofn.lpstrInitialDir = folder.GetString();
    }
    if (dialog.DoModal() != IDOK || dialog.GetFileName().GetLength() <= proposed.GetLength()) {
        return CString();
    }
    return dialog.GetPathName();
}

} // namespace

CMacro* CBorvantaAppDlg::SelectedMacro() const {
    if (macroList == nullptr || macroList->GetCurSel() < 0) {
        return nullptr;
    }
    // The entry of exactly the name shown: macros read from the mouse may differ only in case.
    return FindMacroExactFirst(*config, macroList->currentText.GetString());
}

void CBorvantaAppDlg::FillMacroList() {
    if (macroList == nullptr) {
        return;
    }
    macroList->ResetContent();
    const int count = config->GetMacroCount();
    for (int i = 0; i < count; ++i) {
        if (const CMacro* macro = config->GetMacro(i, nullptr)) {
            macroList->InsertString(i, macro->GetName());
        }
    }
    macroList->Invalidate();
}

void CBorvantaAppDlg::InitMacroPage() {
    if (macroDisplay != nullptr) {
        macroDisplay->keyRowMenu = macroOptions;
        macroDisplay->mouseRowMenu = macroOptions2;
        macroDisplay->ignoreDelays = false;
        macroDisplay->fixedDelays = false;
    }
    Check(ignoreDelayButton, false);
    Check(insertDefaultDelayButton, false);
    if (defaultDelayEdit != nullptr) {
        defaultDelayEdit->numericOnly = 1;
        defaultDelayEdit->SetLimitText(kDefaultDelayDigits);
        CString start;
        start.Format(u"%d", kStartDelayMs);
        defaultDelayEdit->SetWindowText(start.GetString());
        Enable(defaultDelayEdit, false);
    }
    Enable(macroRecordButton, false);
    Enable(macroAdvancedButton, false);
}

void CBorvantaAppDlg::OnMacroChosen(int index) {
    if (index < 0) {
        return;
    }
    CMacro* macro = SelectedMacro();
    if (macro == nullptr || macroDisplay == nullptr) {
        return;
    }
    macroDisplay->SetEvents(&macro->GetEvents());
    if (!IsRecording()) {
        Enable(macroRecordButton, true);
        Enable(macroAdvancedButton, true);
    }
}

void CBorvantaAppDlg::OnMacroCreate() {
    if (config->GetMacroCount() >= kMaxMacros) {
        return;
    }
    CString name;
    CBorvantaNameEntryPopup entry(this, u"MacroNamePopup.xml", &name);
    if (entry.DoModal() != IDOK || name.IsEmpty()) {
        return;
    }
    // The configuration keeps names unique ignoring case: a name that differs from an existing
    // one only there is refused with the same popup as an exact copy.
    if (const CMacro* existing = config->FindMacroByName(name.GetString(), nullptr)) {
        CString extra;
        extra.Format(u": %s", existing->GetName());
        CBorvantaWarningDlg duplicate(this, u"DuplicateMacroWarningPopup.xml", extra.GetString());
        duplicate.DoModal();
        return;
    }
    CMacro* macro = config->CreateMacro(name.GetString(), nullptr);
    if (macro == nullptr) {
        return;
    }
    FillMacroList();
    if (macroList != nullptr) {
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = macro->GetName();
        macroList->SetCurSel(macroList->FindString(&find));
        macroList->Invalidate();
    }
    if (macroDisplay != nullptr) {
        macroDisplay->SetEvents(&macro->GetEvents());
    }
    if (!IsRecording()) {
        Enable(macroRecordButton, true);
        Enable(macroAdvancedButton, true);
    }
}

bool CBorvantaAppDlg::ResetButtonsUsingMacro(const CMacro* macro) {
    if (macro == nullptr) {
        return false;
    }
    const GUID guid = macro->GetGuid();
    const bool stored = guid != GUID{};
    bool changed = false;
    const int profiles = config->GetProfileCount();
    for (int p = 0; p < profiles; ++p) {
        IMouseProfile* profile = config->GetProfile(p);
        if (profile == nullptr) {
            continue;
        }
        for (ButtonId button = BUTTON_FIRST; button <= BUTTON_LAST; ++button) {
            ButtonAssignment assignment;
            profile->GetButtonAssignment(assignment, button);
            const bool byGuid =
                assignment.kind == ASSIGNMENT_MACRO && stored && assignment.GetGuid() == guid;
            // A name finds the macro of exactly that name first, as the write resolves it.
            const bool byName =
                assignment.kind == ASSIGNMENT_MACRO_NAME &&
                FindMacroExactFirst(*config, assignment.GetName().GetString()) == macro;
            if (byGuid || byName) {
                profile->SetButtonAssignment(button, GetDefaultAssignment(button));
                changed = true;
            }
        }
    }
    if (changed) {
        UpdateAssignmentLists();
    }
    return changed;
}

void CBorvantaAppDlg::OnMacroDelete() {
    if (macroList == nullptr) {
        return;
    }
    const int index = macroList->GetCurSel();
    if (index < 0 || index >= config->GetMacroCount()) {
        return;
    }
    CMacro* macro = config->GetMacro(index, nullptr);
    if (macro == nullptr) {
        return;
    }
    CString extra;
    extra.Format(u": %s", macro->GetName());
    CBorvantaWarningDlg confirm(this, u"ConfirmDeleteMacroPopup.xml", extra.GetString());
    if (confirm.DoModal() != IDOK) {
        return;
    }
    // The buttons that played the macro go back to their factory assignment; they are written
    // too, so that the device's buttons never name a macro that is gone.
    if (ResetButtonsUsingMacro(macro)) {
        MarkPending(PENDING_BUTTONS);
    }
    config->DeleteMacro(macro, nullptr);
    FillMacroList();
    if (macroList->GetCount() > 0) {
        macroList->SetCurSel(0);
        OnMacroChosen(0);
    } else {
        macroList->currentText.Empty();
        macroList->currentSubText.Empty();
        macroList->ResetContent();
        if (macroDisplay != nullptr) {
            macroDisplay->ClearEvents();
        }
        Enable(macroRecordButton, false);
        Enable(macroAdvancedButton, false);
    }
    macroList->Invalidate();
}

void CBorvantaAppDlg::NoticeUnreadMacros() {
    CStringArray names;
    if (unreadMacrosNoticed || device == nullptr || !device->GetUnreadMacros(names)) {
        return;
    }
    unreadMacrosNoticed = true;
    // The heading names them: ": Fire, Macro 2" (a long list is cut, so the heading keeps to
    // its two lines).
    constexpr int kMostNameCharacters = 32;
    CString list;
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        list += (i == 0 ? u": " : u", ") + names[i];
    }
    if (list.GetLength() > kMostNameCharacters) {
        list = list.Left(kMostNameCharacters - 3) + u"...";
    }
    CBorvantaWarningDlg notice(this, u"UnreadMacrosPopup.xml", list.GetString());
    notice.DoModal();
}

void CBorvantaAppDlg::OnMacroImport() {
    const CString path = ChooseMacroFile(this, config, TRUE);
    if (path.IsEmpty() || device == nullptr) {
        return;
    }
    const BOOL imported = device->ImportMacro(path, config);
    // Also after a failure: the service may have added the macro before it gave up.
    FillMacroList();
    if (!imported) {
        const int slash = std::max(path.ReverseFind(u'\\'), path.ReverseFind(u'/'));
        CString extra;
        extra.Format(u": %s", path.Mid(slash + 1).GetString());
        CBorvantaWarningDlg notice(this, u"ImportMacroWarningPopup.xml", extra.GetString());
        notice.DoModal();
    }
}

void CBorvantaAppDlg::OnMacroExport() {
    if (macroList == nullptr || macroList->GetCurSel() < 0 || device == nullptr) {
        return;
    }
    CMacro* macro = SelectedMacro();
    if (macro == nullptr) {
        return;
    }
    if (!device->HasMacro(macro)) {
        CString extra;
        extra.Format(u": %s", macro->GetName());
        CBorvantaWarningDlg warning(this, u"ExportMacroWarningPopup.xml", extra.GetString());
        warning.DoModal();
        return;
    }
    const CString path = ChooseMacroFile(this, config, FALSE);
    if (!path.IsEmpty()) {
        device->ExportMacro(path, macro);
    }
}

void CBorvantaAppDlg::OnMacroRecord() {
    if (macroDisplay == nullptr || macroList == nullptr || macroList->GetCurSel() < 0) {
        return;
    }
    CMacro* macro = SelectedMacro();
    if (macro == nullptr) {
        return;
    }
    if (IsChecked(insertDefaultDelayButton) && defaultDelayEdit != nullptr) {
        const long delay = ReadDefaultDelay(*defaultDelayEdit);
        if (delay == 0) {
            CBorvantaWarningDlg warning(this, u"DefaultDelayWarningPopup.xml");
            warning.DoModal();
            return;
        }
        macroDisplay->fixedDelay = static_cast<int>(delay);
    }
    if (macroDisplay->ToggleRecording()) {
        macroList->disabled = 1;
        macroList->Invalidate();
        macroDisplay->excludedWindow = macroRecordButton;
        macroDisplay->ClearEvents();
        macroDisplay->SetFocus();
        if (macroRecordButton != nullptr) {
            macroRecordButton->SetCaption(u"$Stop", 0);
            macroRecordButton->Invalidate();
        }
        EnableMacroControls(false);
        return;
    }
    macroList->disabled = 0;
    macroList->Invalidate();
    if (macroRecordButton != nullptr) {
        macroRecordButton->SetCaption(u"$Record", 0);
        macroRecordButton->Invalidate();
    }
    macroDisplay->excludedWindow = nullptr;
    macro->SetEvents(macroDisplay->events);
    EnableMacroControls(true);
}

LRESULT CBorvantaAppDlg::OnMacroRecordDone(WPARAM /*wParam*/, LPARAM lParam) {
    if (macroDisplay == nullptr || lParam != MACRO_DISPLAY || !macroDisplay->recording) {
        return 0;
    }
    CMacro* macro = SelectedMacro();
    if (macro == nullptr) {
        return 0;
    }
    if (!macroDisplay->ToggleRecording()) {
        macroList->disabled = 0;
        macroList->Invalidate();
        if (macroRecordButton != nullptr) {
            macroRecordButton->SetCaption(u"$Record", 0);
            macroRecordButton->Invalidate();
        }
        macroDisplay->excludedWindow = nullptr;
        macro->SetEvents(macroDisplay->events);
        EnableMacroControls(true);
    }
    return 0;
}

void CBorvantaAppDlg::EnableMacroControls(bool enable) {
    for (CWnd* control :
         {static_cast<CWnd*>(assignTab), static_cast<CWnd*>(performanceTab),
          static_cast<CWnd*>(profilesTab), static_cast<CWnd*>(macrosTab),
          static_cast<CWnd*>(lightingTab), static_cast<CWnd*>(okButton),
          static_cast<CWnd*>(cancelButton), static_cast<CWnd*>(macroCreateButton),
          static_cast<CWnd*>(macroImportButton), static_cast<CWnd*>(macroExportButton),
          static_cast<CWnd*>(macroDeleteButton), static_cast<CWnd*>(macroAdvancedButton),
          static_cast<CWnd*>(ignoreDelayButton), static_cast<CWnd*>(insertDefaultDelayButton),
          static_cast<CWnd*>(ignoreDelayText), static_cast<CWnd*>(insertDefaultDelayText)}) {
        Enable(control, enable);
    }
    // Apply comes back only with something to write, the delay field only while a fixed delay
    // is chosen.
    Enable(applyButton, enable && PendingChangeMask != 0);
    Enable(defaultDelayEdit, enable && IsChecked(insertDefaultDelayButton));
    if (macroList != nullptr) {
        macroList->disabled = enable ? 0 : 1;
        macroList->Invalidate();
    }
    Enable(macroRecordButton, true);
}

void CBorvantaAppDlg::SetIgnoreDelay(bool state) {
    if (macroDisplay != nullptr) {
        macroDisplay->ignoreDelays = state;
    }
    if (state && IsChecked(insertDefaultDelayButton)) {
        Check(insertDefaultDelayButton, false);
        if (macroDisplay != nullptr) {
            macroDisplay->fixedDelays = false;
        }
        Enable(defaultDelayEdit, false);
    }
}

void CBorvantaAppDlg::SetInsertDefaultDelay(bool state) {
    if (macroDisplay != nullptr) {
        macroDisplay->fixedDelays = state;
    }
    if (state && IsChecked(ignoreDelayButton)) {
        Check(ignoreDelayButton, false);
        if (macroDisplay != nullptr) {
            macroDisplay->ignoreDelays = false;
        }
    }
}

void CBorvantaAppDlg::OnMacroDelayOption(int id) {
    if (id == BUTTON_IGNORE_DELAY) {
        if (IsChecked(ignoreDelayButton)) {
            SetIgnoreDelay(true);
        } else if (macroDisplay != nullptr) {
            macroDisplay->ignoreDelays = false;
        }
        return;
    }
    if (IsChecked(insertDefaultDelayButton)) {
        SetInsertDefaultDelay(true);
        Enable(defaultDelayEdit, true);
    } else {
        if (macroDisplay != nullptr) {
            macroDisplay->fixedDelays = false;
        }
        Enable(defaultDelayEdit, false);
    }
}

void CBorvantaAppDlg::OnMacroAdvanced() {
    CBorvantaPredefinedMacroPopup popup(this);
    if (popup.DoModal() != IDOK) {
        return;
    }
    MacroEventList command;
    PredefinedMacros().GetMacroEvents(popup.chosenCommand.GetString(), command);
    CMacro* macro = SelectedMacro();
    if (command.empty() || macro == nullptr || macroDisplay == nullptr) {
        return;
    }
    MacroEventList events = macro->GetEvents();
    // After the first selected row; at the start without one.
    const int row = GetFirstSelectedItem(macroDisplay);
    const size_t at = row < 0 ? 0 : std::min(static_cast<size_t>(row) + 1, events.size());
    events.insert(events.begin() + static_cast<std::ptrdiff_t>(at), command.begin(), command.end());
    macro->SetEvents(events);
    macroDisplay->SetEvents(&macro->GetEvents());
}

LRESULT CBorvantaAppDlg::OnMacroEventsChanged(WPARAM /*wParam*/, LPARAM lParam) {
    if (macroDisplay == nullptr || lParam != MACRO_DISPLAY) {
        return 0;
    }
    if (CMacro* macro = SelectedMacro()) {
        macro->SetEvents(macroDisplay->events);
    }
    MarkPending(PENDING_MACROS);
    return 0;
}

LRESULT CBorvantaAppDlg::OnMacroEventEdit(WPARAM /*wParam*/, LPARAM lParam) {
    if (macroDisplay == nullptr || lParam != MACRO_DISPLAY) {
        return 0;
    }
    const int row = GetFirstSelectedItem(macroDisplay);
    if (row >= 0 && row < static_cast<int>(macroDisplay->events.size()) &&
        macroDisplay->events[static_cast<size_t>(row)].type == MACRO_EVENT_KEY) {
        const MacroEvent old = macroDisplay->events[static_cast<size_t>(row)];
        const auto code = static_cast<std::uint32_t>(old.code);
        SingleKeyResult key;
        key.scanCode = static_cast<std::uint16_t>(code & 0xFFFF);
        key.virtualKey = static_cast<std::uint16_t>(code >> 16);
        key.flags = static_cast<std::uint8_t>((old.flags >> 8) & 0xFF);
        CPopupBoxSingleKeyEntry popup(this, &key);
        popup.DoModal();
        const auto oldFlags = static_cast<std::uint8_t>((old.flags >> 8) & 0xFF);
        // Left and right Ctrl, Enter and keypad Enter share their scan code: a change of the
        // virtual key or of the flags is a change of the key too.
        const bool changed = key.scanCode != (code & 0xFFFF) || key.virtualKey != (code >> 16) ||
                             key.flags != oldFlags;
        if (!key.keyName.IsEmpty() && key.scanCode != 0 && changed) {
            const auto newCode = static_cast<std::uint32_t>(key.scanCode) |
                                 (static_cast<std::uint32_t>(key.virtualKey) << 16);
            const MacroEvent replaced{old.type, static_cast<std::int32_t>(newCode),
                                      (old.flags & 0xFF) |
                                          (static_cast<std::uint32_t>(key.flags) << 8)};
            macroDisplay->ReplaceEvent(row, replaced);
        }
    }
    MarkPending(PENDING_MACROS);
    return 0;
}
