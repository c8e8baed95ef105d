#include "configurator/DPIStagesPopup.h"

#include "gui/BitmapBtn.h"
#include "gui/BitmapItem.h"
#include "gui/DPIStageWindow.h"
#include "gui/PHSlider.h"
#include "gui/SliderHMulti.h"
#include "gui/TextItem.h"
#include "gui/WidgetMessages.h"
#include "platform/ui/DialogTemplate.h"

#include <algorithm>

namespace {

// Stages that are not in use show their numbers in grey.
constexpr COLORREF kUnusedStageTextColor = RGB(0x70, 0x70, 0x70);

template <class Item> Item* FindTyped(const CGUIItemList& items, int id, int type) {
    CGUIItem* item = FindGUIItemById(items, id);
    return item != nullptr && item->type == type ? dynamic_cast<Item*>(item) : nullptr;
}

void SetFirstThumb(CSliderHMulti* slider, LONG position) {
    if (slider == nullptr) {
        return;
    }
    if (CPHSlider* thumb = slider->GetThumb(0)) {
        thumb->SetPos(static_cast<int>(position));
    }
    if (slider->m_hWnd != nullptr) {
        slider->Invalidate();
    }
}

} // namespace

void RegisterDPIStagesPopupTemplate() {
    DialogTemplate popup;
    popup.style = WS_POPUP | DS_CENTER;
    popup.cx = 240;
    popup.cy = 160;
    RegisterDialogTemplate(IDD_DPI_STAGES_POPUP, popup);
}

CDPIStagesPopup::CDPIStagesPopup(const WCHAR* skinFileName, UINT dialogTemplateId, CWnd* parentWnd)
    : CGUIPanel(skinFileName, dialogTemplateId, parentWnd) {}

CDPIStagesPopup::~CDPIStagesPopup() = default;

INT_PTR CDPIStagesPopup::DoModal() {
    if (stageSet == nullptr) {
        return -1;
    }
    m_work = *stageSet;
    NormaliseWorkingSet();
    const INT_PTR result = CGUIPanel::DoModal();
    if (result == IDOK) {
        *stageSet = m_work;
    }
    return result;
}

int CDPIStagesPopup::OnCreate(LPCREATESTRUCTW cs) {
    const int result = CGUIPanel::OnCreate(cs);
    backgroundBrush = std::make_unique<CBrush>(RGB(0, 0, 0));
    return result;
}

HBRUSH CDPIStagesPopup::OnCtlColor(CDC*, CWnd*, UINT) {
    return backgroundBrush != nullptr ? static_cast<HBRUSH>(*backgroundBrush) : nullptr;
}

BOOL CDPIStagesPopup::OnInitDialog() {
    BindItems();
    for (CSliderHMulti* each : {slider, sliderX, sliderY}) {
        if (each != nullptr) {
            each->SetOwner(this);
        }
    }
    ShowStageCount();
    InitControls();
    const BOOL result = CGUIPanel::OnInitDialog();
    CenterWindow();
    return result;
}

void CDPIStagesPopup::BindItems() {
    for (int i = 0; i < kStageWindowCount; ++i) {
        stageWindows[i] =
            FindTyped<CDPIStageWindow>(items, DPISTAGEWINDOW_01 + i, GUIITEM_DPISTAGEWINDOW);
        // A tile's heading comes from its skin's HEADING text (a language key) unless set.
        CDPIStageWindow* tile = stageWindows[i];
        if (tile != nullptr && tile->GetHeading().IsEmpty()) {
            tile->SetText(tile->GetAreaText(CDPIStageWindow::AREA_HEADING).GetString());
        }
    }
    stageCountText = FindTyped<CTextItem>(items, TEXT_NUMSTAGES, GUIITEM_TEXTITEM);
    separateXYButton = FindTyped<CBitmapBtn>(items, BUTTON_ENABLEXY_POPUP, GUIITEM_BITMAPBTN);
    trackXY = FindTyped<CBitmapItem>(items, BITMAP_SLSENSTRK_XY_POPUP, GUIITEM_BITMAPITEM);
    trackX = FindTyped<CBitmapItem>(items, BITMAP_SLSENSTRK_X_POPUP, GUIITEM_BITMAPITEM);
    trackY = FindTyped<CBitmapItem>(items, BITMAP_SLSENSTRK_Y_POPUP, GUIITEM_BITMAPITEM);
    slider = FindTyped<CSliderHMulti>(items, SLIDER_DPI_MULTI_POPUP, GUIITEM_SLIDERHMULTI);
    sliderX = FindTyped<CSliderHMulti>(items, SLIDER_DPI_MULTI_X_POPUP, GUIITEM_SLIDERHMULTI);
    sliderY = FindTyped<CSliderHMulti>(items, SLIDER_DPI_MULTI_Y_POPUP, GUIITEM_SLIDERHMULTI);
}

void CDPIStagesPopup::NormaliseWorkingSet() {
    const auto entries = static_cast<LONG>(m_work.stages.size());
    if (entries == 0) {
        return;
    }
    m_work.stageCount = std::clamp<LONG>(m_work.stageCount, 1, entries);
    // The active stage must be one in use: the one the set names, else the last selected row
    // in use, else the first stage.
    LONG active = m_work.activeStage;
    if (active < 1 || active > m_work.stageCount) {
        active = 1;
        for (LONG i = 0; i < m_work.stageCount; ++i) {
            if (m_work.stages[static_cast<size_t>(i)].selected != 0) {
                active = i + 1;
            }
        }
    }
    m_work.activeStage = active;
    for (LONG i = 0; i < entries; ++i) {
        DpiStageEntry& entry = m_work.stages[static_cast<size_t>(i)];
        entry.enabled = i < m_work.stageCount ? 1 : 0;
        entry.selected = i == active - 1 ? 1 : 0;
    }
}

DpiStageEntry* CDPIStagesPopup::ActiveEntry() {
    const LONG active = m_work.activeStage;
    if (active < 1 || static_cast<size_t>(active) > m_work.stages.size()) {
        return nullptr;
    }
    return &m_work.stages[static_cast<size_t>(active - 1)];
}

LONG CDPIStagesPopup::Step() const {
    return std::max<LONG>(m_work.step, 1);
}

LONG CDPIStagesPopup::ClampToRange(long long value) const {
    const long long low = std::min(m_work.min, m_work.max);
    const long long high = std::max(m_work.min, m_work.max);
    return static_cast<LONG>(std::clamp(value, low, high));
}

void CDPIStagesPopup::ShowStageCount() {
    if (stageCountText == nullptr) {
        return;
    }
    CString text;
    text.Format(u"%d", static_cast<int>(m_work.stageCount));
    stageCountText->SetText(text.GetString());
}

void CDPIStagesPopup::InitControls() {
    // The ranges first: a thumb keeps to its range, so a position set before it would be cut
    // to the slider's initial range.
    for (CSliderHMulti* each : {slider, sliderX, sliderY}) {
        if (each != nullptr) {
            each->SetRange(static_cast<int>(m_work.min / Step()),
                           static_cast<int>(m_work.max / Step()));
        }
    }
    const DpiStageEntry* entry = ActiveEntry();
    const bool separate = entry != nullptr && entry->separateXY != 0;
    if (separateXYButton != nullptr) {
        separateXYButton->SetCheck(separate ? 1 : 0); // repaints only on a change
    }
    ApplySeparateXY(separate);
    UpdateStageWindows(false);
}

void CDPIStagesPopup::ApplySeparateXY(bool separate) {
    DpiStageEntry* entry = ActiveEntry();
    if (entry != nullptr) {
        const bool changed = separate != (entry->separateXY != 0);
        if (changed) {
            entry->separateXY = separate ? 1 : 0;
            if (separate) {
                entry->dpiX = entry->dpi;
                entry->dpiY = entry->dpi;
            } else {
                entry->dpi = entry->dpiX;
            }
        }
    }
    ShowGUIItem(slider, !separate);
    ShowGUIItem(trackXY, !separate);
    ShowGUIItem(sliderX, separate);
    ShowGUIItem(sliderY, separate);
    ShowGUIItem(trackX, separate);
    ShowGUIItem(trackY, separate);
    SetSliderPositions();
    UpdateStageWindows(false);
}

void CDPIStagesPopup::SetSliderPositions() {
    const DpiStageEntry* entry = ActiveEntry();
    if (entry == nullptr) {
        return;
    }
    // Values below 0 show as 0; the thumbs keep to their range themselves.
    const auto position = [this](LONG value) { return std::max<LONG>(value, 0) / Step(); };
    SetFirstThumb(slider, position(entry->dpi));
    SetFirstThumb(sliderX, position(entry->dpiX));
    SetFirstThumb(sliderY, position(entry->dpiY));
}

void CDPIStagesPopup::UpdateStageWindows(bool repaint) {
    const LONG count = m_work.stageCount;
    // Flags first, for every entry, so that a selection beyond the count moves even when the
    // skin lacks that stage's tile.
    for (size_t i = 0; i < m_work.stages.size(); ++i) {
        DpiStageEntry& entry = m_work.stages[i];
        entry.enabled = static_cast<LONG>(i) < count ? 1 : 0;
        if (entry.selected != 0 && entry.enabled == 0) {
            entry.selected = 0;
            if (count > 0) {
                m_work.stages[static_cast<size_t>(count - 1)].selected = 1;
                m_work.activeStage = count;
            }
        }
    }
    const size_t tiles = std::min<size_t>(kStageWindowCount, m_work.stages.size());
    for (size_t i = 0; i < tiles; ++i) {
        CDPIStageWindow* tile = stageWindows[i];
        if (tile == nullptr) {
            continue;
        }
        const DpiStageEntry& entry = m_work.stages[i];
        const BYTE wasSelected = tile->selected;
        tile->clickable = entry.enabled; // a stage not in use cannot be made active
        tile->textColor = entry.enabled != 0 ? 0 : kUnusedStageTextColor;
        tile->selected = entry.selected;
        tile->twoAxis = entry.separateXY != 0 ? 1 : 0;
        tile->value = static_cast<int>(entry.dpi);
        tile->xValue = static_cast<int>(entry.dpiX);
        tile->yValue = static_cast<int>(entry.dpiY);
        tile->ready = 1;
        if (tile->m_hWnd != nullptr) {
            tile->Invalidate();
            if (repaint && wasSelected != tile->selected) {
                tile->UpdateWindow();
            }
        }
    }
    SetSliderPositions();
}

void CDPIStagesPopup::SyncFromStageWindows() {
    const size_t tiles = std::min<size_t>(kStageWindowCount, m_work.stages.size());
    LONG active = 0;
    for (size_t i = 0; i < tiles; ++i) {
        if (stageWindows[i] != nullptr && stageWindows[i]->selected != 0 &&
            m_work.stages[i].enabled != 0) {
            active = static_cast<LONG>(i) + 1;
        }
    }
    if (active != 0) {
        m_work.activeStage = active;
        // One active stage: the last selected tile wins.
        for (size_t i = 0; i < m_work.stages.size(); ++i) {
            m_work.stages[i].selected = static_cast<LONG>(i) == active - 1 ? 1 : 0;
        }
    }
    const DpiStageEntry* entry = ActiveEntry();
    const bool separate = entry != nullptr && entry->separateXY != 0;
    if (separateXYButton != nullptr) {
        separateXYButton->SetCheck(separate ? 1 : 0);
    }
    ApplySeparateXY(separate);
}

LRESULT CDPIStagesPopup::OnStageWindowClicked(WPARAM, LPARAM lParam) {
    for (CDPIStageWindow* tile : stageWindows) {
        if (tile != nullptr && tile->id != static_cast<int>(lParam) && tile->selected != 0) {
            tile->selected = 0;
            tile->Invalidate();
        }
    }
    SyncFromStageWindows();
    Invalidate();
    return 0;
}

LRESULT CDPIStagesPopup::OnSliderPosChanged(WPARAM wParam, LPARAM lParam) {
    DpiStageEntry* entry = ActiveEntry();
    if (entry == nullptr) {
        return 0;
    }
    // The position arrives as an unsigned word; it is taken as the signed number it was.
    const long long position = static_cast<int>(static_cast<unsigned int>(wParam));
    const LONG value = ClampToRange(position * Step());
    switch (static_cast<int>(lParam)) {
    case SLIDER_DPI_MULTI_STAGE1_POPUP:
        entry->dpi = value;
        break;
    case SLIDER_DPI_MULTI_STAGE1_X_POPUP:
        entry->dpiX = value;
        break;
    case SLIDER_DPI_MULTI_STAGE1_Y_POPUP:
        entry->dpiY = value;
        break;
    default:
        break;
    }
    UpdateStageWindows(true);
    return 0;
}

void CDPIStagesPopup::ChangeStageCount(LONG delta) {
    const auto entries = static_cast<LONG>(m_work.stages.size());
    if (entries == 0) {
        return;
    }
    m_work.stageCount = std::clamp<LONG>(m_work.stageCount + delta, 1, entries);
    ShowStageCount();
    UpdateStageWindows(true);
    SyncFromStageWindows();
}

BOOL CDPIStagesPopup::OnCommand(WPARAM wParam, LPARAM lParam) {
    const CGUIItem* item = FindGUIItemByHwnd(items, reinterpret_cast<HWND>(lParam));
    if (item == nullptr) {
        // Escape and closing end a popup whose skin gave it neither OK nor Cancel.
        if (PopupEndsWithoutItems(*this, wParam, BUTTON_DPISTAGES_OK, BUTTON_DPISTAGES_CANCEL,
                                  false)) {
            OnCancel();
        }
        return FALSE;
    }
    if (item->type != GUIITEM_BITMAPBTN && item->type != GUIITEM_TEXTITEM) {
        return CWnd::OnCommand(wParam, lParam);
    }
    switch (item->id) {
    case BUTTON_ENABLEXY_POPUP:
        if (separateXYButton != nullptr) {
            ApplySeparateXY(separateXYButton->checked != 0);
        }
        return FALSE;
    case BUTTON_DPISTAGES_DEC:
        ChangeStageCount(-1);
        return FALSE;
    case BUTTON_DPISTAGES_INC:
        ChangeStageCount(+1);
        return FALSE;
    case BUTTON_DPISTAGES_OK:
        SyncFromStageWindows();
        OnOK();
        return TRUE;
    case BUTTON_DPISTAGES_CANCEL:
        OnCancel();
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL CDPIStagesPopup::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_DPISTAGE_CLICKED) {
        *result = OnStageWindowClicked(wParam, lParam);
        return TRUE;
    }
    if (message == WM_SLIDER_POSCHANGED) {
        *result = OnSliderPosChanged(wParam, lParam);
        return TRUE;
    }
    return CGUIPanel::OnWndMsg(message, wParam, lParam, result);
}

CBorvantaDPIStagesPopup::CBorvantaDPIStagesPopup(CWnd* parentWnd, DpiStageSet* set)
    : CDPIStagesPopup(u"DPIStagesPopup.xml", IDD_DPI_STAGES_POPUP, parentWnd) {
    if (FindDialogTemplate(IDD_DPI_STAGES_POPUP) == nullptr) {
        RegisterDPIStagesPopupTemplate();
    }
    stageSet = set;
}

CBorvantaDPIStagesPopup::~CBorvantaDPIStagesPopup() = default;
