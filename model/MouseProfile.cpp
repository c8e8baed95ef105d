#include "model/MouseProfile.h"

#include <algorithm>

namespace {

// Exe names keep at most this many characters of the file name and of the extension.
constexpr int kMaxExeNamePart = 256;

} // namespace

CMouseProfile::CMouseProfile(const WCHAR* name) : m_name(name) {}

CMouseProfile::CMouseProfile(const CMouseProfile& source) : IMouseProfile() {
    CopyFrom(source);
}

CMouseProfile& CMouseProfile::operator=(const CMouseProfile& source) {
    CopyFrom(source);
    return *this;
}

void CMouseProfile::CopyFrom(const CMouseProfile& source) {
    if (&source == this) {
        return;
    }
    m_name = source.m_name;
    m_exeName = source.m_exeName;
    m_exePath = source.m_exePath;
    m_filePath = source.m_filePath;
    m_autoSwitch = source.m_autoSwitch;
    m_showDpiOsd = source.m_showDpiOsd;
    m_showProfileOsd = source.m_showProfileOsd;
    m_guid = source.m_guid;
    m_extraEnabled = source.m_extraEnabled;
    m_dpiMin = source.m_dpiMin;
    m_dpiMax = source.m_dpiMax;
    m_dpiStep = source.m_dpiStep;

    // A source without a stage array gives a copy without one (SetStageCapacity would make
    // it one entry long).
    if (source.m_stageCapacity == 0) {
        m_stages.clear();
        m_stageCapacity = 0;
    } else {
        SetStageCapacity(source.m_stageCapacity);
    }
    m_stageCount = source.m_stageCount;

    // The source's active stage replaces the stage 1 that SetStageCapacity chose.
    m_activeStage = source.m_activeStage;
    m_dpi = source.m_dpi;
    m_dpiX = source.m_dpiX;
    m_dpiY = source.m_dpiY;
    m_separateXY = source.m_separateXY;
    m_logoLightOn = source.m_logoLightOn;
    m_scrollLightOn = source.m_scrollLightOn;
    m_scrollColor = source.m_scrollColor;
    m_logoColor = source.m_logoColor;

    for (UINT i = 0; i < m_stageCapacity; ++i) {
        const LONG stage = static_cast<LONG>(i) + 1;
        const DpiStage& from = source.m_stages[i];
        SetStageDpi(stage, from.dpi);
        SetStageDpiX(stage, from.dpiX);
        SetStageDpiY(stage, from.dpiY);
        SetStageSeparateXY(stage, from.separateXY);
    }

    // Assignments are copied as they are, without the allowed-kind test.
    m_assignments = source.m_assignments;
    m_extraButtons = source.m_extraButtons;
    m_extraAssignments = source.m_extraAssignments;
}

void CMouseProfile::SetFilePath(const WCHAR* path) {
    m_filePath = path;
}

BOOL CMouseProfile::SetStageCapacity(UINT n) {
    n = std::clamp(n, MIN_STAGE_CAPACITY, MAX_STAGE_CAPACITY);
    m_stages.assign(n, DpiStage{});
    m_stageCapacity = n;
    SetActiveStage(1);
    return TRUE;
}

UINT CMouseProfile::GetExtraAssignmentCount() const {
    return static_cast<UINT>(m_extraAssignments.size());
}

void CMouseProfile::SetStageCount(UINT n) {
    m_stageCount = std::min(n, m_stageCapacity);
}

ButtonId CMouseProfile::GetExtraAssignmentButton(UINT index) const {
    return index < m_extraButtons.size() ? m_extraButtons[index] : 0;
}

GUID CMouseProfile::GetGuid(GUID& out) const {
    out = m_guid;
    return m_guid;
}

void CMouseProfile::SetName(const WCHAR* name) {
    m_name = name;
}

void CMouseProfile::SetExeName(const WCHAR* name) {
    m_exeName = name;
}

void CMouseProfile::SetExePath(const WCHAR* path) {
    m_exePath = path;
    // The file name starts after the last folder separator or drive colon; the extension is
    // its last dot and what follows.
    int nameStart = 0;
    for (int i = 0; i < m_exePath.GetLength(); ++i) {
        const WCHAR c = m_exePath[i];
        if (c == u'\\' || c == u'/' || c == u':') {
            nameStart = i + 1;
        }
    }
    const CString file = m_exePath.Mid(nameStart);
    const int dot = file.ReverseFind(u'.');
    const CString base = dot < 0 ? file : file.Left(dot);
    const CString extension = dot < 0 ? CString() : file.Mid(dot);
    m_exeName = base.Left(kMaxExeNamePart) + extension.Left(kMaxExeNamePart);
}

void CMouseProfile::SetStageSeparateXY(LONG stage, BYTE flag) {
    if (DpiStage* entry = StageEntry(stage)) {
        entry->separateXY = flag;
    }
}

BYTE CMouseProfile::GetStageSeparateXY(LONG stage) const {
    const DpiStage* entry = StageEntry(stage);
    return entry != nullptr ? entry->separateXY : 0;
}

void CMouseProfile::SetActiveStage(LONG stage) {
    m_activeStage = ActiveStageIndex(stage, m_stageCapacity);
}

LONG CMouseProfile::SetStageDpi(LONG stage, LONG value) {
    return SetStageValue(stage, value, &DpiStage::dpi);
}
LONG CMouseProfile::GetStageDpi(LONG stage) const {
    return GetStageValue(stage, &DpiStage::dpi);
}
LONG CMouseProfile::SetStageDpiX(LONG stage, LONG value) {
    return SetStageValue(stage, value, &DpiStage::dpiX);
}
LONG CMouseProfile::GetStageDpiX(LONG stage) const {
    return GetStageValue(stage, &DpiStage::dpiX);
}
LONG CMouseProfile::SetStageDpiY(LONG stage, LONG value) {
    return SetStageValue(stage, value, &DpiStage::dpiY);
}
LONG CMouseProfile::GetStageDpiY(LONG stage) const {
    return GetStageValue(stage, &DpiStage::dpiY);
}

void CMouseProfile::SetDpiRange(LONG min, LONG max, LONG step) {
    m_dpiMin = min;
    m_dpiMax = max;
    m_dpiStep = step;
}

BOOL CMouseProfile::GetDpiRange(LONG& min, LONG& max, LONG& step) const {
    min = m_dpiMin;
    max = m_dpiMax;
    step = m_dpiStep;
    return TRUE;
}

void CMouseProfile::SetButtonAssignment(ButtonId button, ButtonAssignment assignment) {
    if (IsAssignmentAllowed(assignment.kind, button)) {
        m_assignments[button] = assignment;
    }
}

void CMouseProfile::GetButtonAssignment(ButtonAssignment& out, ButtonId button) {
    // A button never set gets a kind -1 entry, which stays in the map.
    out = m_assignments.try_emplace(button).first->second;
}

BOOL CMouseProfile::HasClickAssignment() const {
    const auto isClick = [](const auto& entry) { return entry.second.kind == ASSIGNMENT_CLICK; };
    if (std::any_of(m_assignments.begin(), m_assignments.end(), isClick)) {
        return TRUE;
    }
    return m_extraEnabled == 1 &&
           std::any_of(m_extraAssignments.begin(), m_extraAssignments.end(), isClick);
}

void CMouseProfile::SetExtraAssignment(ButtonId button, ButtonAssignment assignment) {
    // The second set takes the kinds of buttons 1 to 9. A refused assignment leaves the set
    // as it was, so the button list never names a button without an entry.
    if (!IsAssignmentAllowed(assignment.kind, 0)) {
        return;
    }
    if (m_extraAssignments.insert_or_assign(button, assignment).second) {
        m_extraButtons.push_back(button);
    }
}

void CMouseProfile::GetExtraAssignment(ButtonAssignment& out, ButtonId button) {
    const auto [it, inserted] = m_extraAssignments.try_emplace(button);
    if (inserted) {
        m_extraButtons.push_back(button);
    }
    out = it->second;
}

BOOL CMouseProfile::IsAssignmentAllowed(AssignmentKind kind, ButtonId button) const {
    return IsAssignmentKindAllowed(kind, button) ? TRUE : FALSE;
}

void CMouseProfile::GetAllowedAssignmentNames(CStringArray& names, ButtonId button) const {
    GetAllowedAssignmentKeys(names, button);
}

BOOL CMouseProfile::SetAssignmentFromText(ButtonId /*button*/, const WCHAR* /*text*/) {
    return FALSE;
}

DpiStage* CMouseProfile::StageEntry(LONG stage) {
    const auto index = StageEntryIndex(stage, m_stages.size());
    return index ? &m_stages[*index] : nullptr;
}

const DpiStage* CMouseProfile::StageEntry(LONG stage) const {
    const auto index = StageEntryIndex(stage, m_stages.size());
    return index ? &m_stages[*index] : nullptr;
}

LONG CMouseProfile::SetStageValue(LONG stage, LONG value, LONG DpiStage::*field) {
    const LONG clamped = ClampStageValue(value, m_dpiMin, m_dpiMax);
    if (DpiStage* entry = StageEntry(stage)) {
        entry->*field = clamped;
    }
    return clamped;
}

LONG CMouseProfile::GetStageValue(LONG stage, LONG DpiStage::*field) const {
    const DpiStage* entry = StageEntry(stage);
    return entry != nullptr ? entry->*field : 0;
}
