#include "configurator/PreviewPopup.h"

#include "configurator/DPIStagesPopup.h"
#include "configurator/PopupBox.h"
#include "gui/DPIStageWindow.h"
#include "gui/LangTable.h"
#include "gui/TextItem.h"
#include "model/ButtonAssignment.h"
#include "model/IMouseConfig.h"
#include "model/IMouseProfile.h"
#include "model/KeyInfo.h"
#include "model/Macro.h"
#include "model/NameLookup.h"
#include "model/NameTables.h"

#include <algorithm>

namespace {

// Stages that are not in use show their numbers in grey.
constexpr COLORREF kUnusedStageTextColor = RGB(0x70, 0x70, 0x70);

template <class Item> Item* FindTyped(const CGUIItemList& items, int id, int type) {
    CGUIItem* item = FindGUIItemById(items, id);
    return item != nullptr && item->type == type ? dynamic_cast<Item*>(item) : nullptr;
}

} // namespace

CPreviewPopup::CPreviewPopup(CWnd* parentWnd, IMouseProfile* previewProfile,
                             IMouseConfig* mouseConfig)
    : CGUIPanel(u"PreviewPopup.xml", IDD_WIDE_POPUP, parentWnd), profile(previewProfile),
      config(mouseConfig) {
    EnsureWidePopupTemplate();
}

CPreviewPopup::~CPreviewPopup() = default;

int CPreviewPopup::OnCreate(LPCREATESTRUCTW cs) {
    backgroundBrush = std::make_unique<CBrush>(RGB(0, 0, 0));
    return CGUIPanel::OnCreate(cs);
}

HBRUSH CPreviewPopup::OnCtlColor(CDC*, CWnd*, UINT) {
    return backgroundBrush != nullptr ? static_cast<HBRUSH>(*backgroundBrush) : nullptr;
}

BOOL CPreviewPopup::OnCommand(WPARAM wParam, LPARAM lParam) {
    const CGUIItem* item = FindGUIItemByHwnd(items, reinterpret_cast<HWND>(lParam));
    if (item == nullptr) {
        // Escape and closing come without a skin item; they end the popup only when its skin
        // gave no close item, which would otherwise leave it open for good.
        if (LOWORD(wParam) == IDCANCEL &&
            FindGUIItemById(items, BUTTON_POPUP_PREVIEW_OK) == nullptr) {
            EndDialog(IDCANCEL);
        }
        return FALSE;
    }
    if (item->id == BUTTON_POPUP_PREVIEW_OK) {
        OnCancel();
    }
    return FALSE;
}

CString CPreviewPopup::AssignmentLine(LONG button) const {
    if (profile == nullptr) {
        return CString();
    }
    ButtonAssignment assignment;
    profile->GetButtonAssignment(assignment, button);
    // A kind outside the table (a button never set included) has no text: an empty line
    // rather than no text at all.
    const WCHAR* key = LookupName(AssignmentKeyMap, assignment.kind);
    CString line = key != nullptr ? TranslateText(key) : CString();

    CString detail;
    switch (assignment.kind) {
    case ASSIGNMENT_SINGLE_KEY:
        if (assignment.GetScanCode() != 0) {
            GetKeyDisplayName(assignment.GetVirtualKey(), detail, assignment.GetScanCode(),
                              (assignment.GetKeyFlags() & SINGLE_KEY_EXTENDED) != 0);
        }
        break;
    case ASSIGNMENT_MACRO:
    case ASSIGNMENT_MACRO_NAME:
        if (config != nullptr) {
            const CString name = assignment.GetName();
            const CMacro* macro = assignment.kind == ASSIGNMENT_MACRO
                                      ? config->FindMacroByGuid(assignment.GetGuid(), nullptr)
                                      : FindMacroExactFirst(*config, name.GetString());
            if (macro != nullptr) {
                detail = macro->GetName();
            }
        }
        break;
    case ASSIGNMENT_PROFILE:
    case ASSIGNMENT_PROFILE_NAME:
        if (config != nullptr) {
            const CString name = assignment.GetName();
            const IMouseProfile* named = assignment.kind == ASSIGNMENT_PROFILE
                                             ? config->FindProfileByGuid(assignment.GetGuid())
                                             : FindProfileExactFirst(*config, name.GetString());
            if (named != nullptr && named->GetName() != nullptr) {
                detail = named->GetName();
            }
        }
        break;
    default:
        break;
    }
    if (!detail.IsEmpty()) {
        line += u": ";
        line += detail;
    }
    return line;
}

CBorvantaPreviewPopup::~CBorvantaPreviewPopup() = default;

void CBorvantaPreviewPopup::BindItems() {
    lines.RemoveAll();
    stages.clear();
    if (profile != nullptr) {
        for (LONG button = BUTTON_FIRST; button <= BUTTON_LAST; ++button) {
            lines.Add(AssignmentLine(button));
        }
        const UINT capacity = profile->GetStageCapacity();
        const UINT count = profile->GetStageCount();
        for (UINT i = 0; i < capacity; ++i) {
            const auto stage = static_cast<LONG>(i + 1);
            DpiStageEntry entry;
            entry.dpi = profile->GetStageDpi(stage);
            entry.dpiX = profile->GetStageDpiX(stage);
            entry.dpiY = profile->GetStageDpiY(stage);
            entry.separateXY = profile->GetStageSeparateXY(stage);
            entry.enabled = i < count ? 1 : 0;
            entry.selected = 0;
            stages.push_back(entry);
        }
    }
    for (int i = 0; i < kStageWindowCount; ++i) {
        CDPIStageWindow* tile =
            FindTyped<CDPIStageWindow>(items, DPISTAGEWINDOW_01 + i, GUIITEM_DPISTAGEWINDOW);
        stageWindows[i] = tile;
        if (tile == nullptr) {
            continue;
        }
        // A tile's heading comes from its skin's HEADING text (a language key) unless set.
        if (tile->GetHeading().IsEmpty()) {
            tile->SetText(tile->GetAreaText(CDPIStageWindow::AREA_HEADING).GetString());
        }
        // The preview only shows: no tile takes a click.
        tile->clickable = 0;
        tile->selected = 0;
        if (static_cast<size_t>(i) < stages.size()) {
            const DpiStageEntry& entry = stages[static_cast<size_t>(i)];
            tile->twoAxis = entry.separateXY != 0 ? 1 : 0;
            tile->value = static_cast<int>(entry.dpi);
            tile->xValue = static_cast<int>(entry.dpiX);
            tile->yValue = static_cast<int>(entry.dpiY);
            tile->textColor = entry.enabled != 0 ? 0 : kUnusedStageTextColor;
            tile->ready = 1;
        } else {
            tile->ready = 0; // the profile has no such stage
        }
        if (tile->m_hWnd != nullptr) {
            const bool enabled = static_cast<size_t>(i) < stages.size() &&
                                 stages[static_cast<size_t>(i)].enabled != 0;
            tile->EnableWindow(enabled ? TRUE : FALSE);
            tile->Invalidate();
        }
    }
}

BOOL CBorvantaPreviewPopup::OnInitDialog() {
    BindItems();
    for (int i = 0; i < kLineCount; ++i) {
        CTextItem* text = FindTyped<CTextItem>(items, TEXT_PREVIEW_01 + i, GUIITEM_TEXTITEM);
        if (text != nullptr && i < lines.GetSize()) {
            text->SetText(lines.GetAt(i).GetString());
        }
    }
    const BOOL result = CGUIPanel::OnInitDialog();
    CenterWindow();
    return result;
}
