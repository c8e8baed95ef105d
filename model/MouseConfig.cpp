#include "model/MouseConfig.h"

#include "model/ProfileNames.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// A name a profile may be given by renaming or duplicating: one line and not empty.
bool IsUsableNewName(const WCHAR* name) {
    return IsAcceptableProfileName(name) && name[0] != 0;
}

} // namespace

CMouseConfig::~CMouseConfig() {
    m_activeProfile = nullptr;
    m_profiles.clear();
    m_macros.DeleteAll();
}

CMouseProfile* CMouseConfig::FindListed(const IMouseProfile* profile) const {
    if (profile == nullptr) {
        return nullptr;
    }
    for (const auto& owned : m_profiles) {
        if (owned.get() == profile) {
            return owned.get();
        }
    }
    return nullptr;
}

bool CMouseConfig::IsFileOfAnotherProfile(const IMouseProfile* profile, const WCHAR* path) const {
    for (const auto& other : m_profiles) {
        if (other.get() != profile && other.get() != m_replacedProfile && other->HasFile() &&
            IsSameFilePath(other->GetFilePath(), path)) {
            return true;
        }
    }
    return false;
}

void CMouseConfig::DeleteProfileFile(const CMouseProfile& profile) const {
    if (!profile.HasFile() || IsFileOfAnotherProfile(&profile, profile.GetFilePath())) {
        return;
    }
    std::error_code error;
    std::filesystem::remove(ToNativePath(profile.GetFilePath()), error);
}

void CMouseConfig::DeleteAllProfiles() {
    m_activeProfile = nullptr;
    m_profiles.clear();
}

void CMouseConfig::SetDevice(IMouseDevice* device) {
    if (device != nullptr) {
        m_device = device;
    }
}

BOOL CMouseConfig::SetStageCapacity(UINT n, IMouseProfile* profile) {
    if (n == 0) {
        return FALSE;
    }
    if (profile != nullptr) {
        return profile->SetStageCapacity(n);
    }
    m_fallbackStageCapacity = std::min(n, MAX_STAGE_CAPACITY);
    m_fallbackStageDpi.assign(m_fallbackStageCapacity, 0);
    m_fallbackStageDpiX.assign(m_fallbackStageCapacity, 0);
    m_fallbackStageDpiY.assign(m_fallbackStageCapacity, 0);
    return TRUE;
}

void CMouseConfig::SetAccelerationRange(UINT min, UINT max) {
    m_accelerationMin = min;
    m_accelerationMax = max;
}

void CMouseConfig::SetStageCount(UINT n, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetStageCount(n);
    }
    m_fallbackStageCount = std::min(n, m_fallbackStageCapacity);
}

INT CMouseConfig::GetProfileCount() const {
    return static_cast<INT>(m_profiles.size());
}

INT CMouseConfig::GetMacroCount() const {
    return m_macros.GetCount();
}

UINT CMouseConfig::GetStageCapacity(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetStageCapacity() : m_fallbackStageCapacity;
}

UINT CMouseConfig::GetStageCount(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetStageCount() : m_fallbackStageCount;
}

UINT CMouseConfig::GetExtraAssignmentCount(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetExtraAssignmentCount() : 0;
}

ButtonId CMouseConfig::GetExtraAssignmentButton(UINT index, IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetExtraAssignmentButton(index) : 0;
}

IMouseProfile* CMouseConfig::AddProfile(const WCHAR* name) {
    // Every name is kept, line breaks included: the device client adds the profiles it reads
    // from the mouse here, and one left out would be deleted from the mouse by the next
    // write. Names the user types are checked where they are typed (IsAcceptableProfileName).
    m_profiles.push_back(std::make_unique<CMouseProfile>(name));
    return m_profiles.back().get();
}

IMouseProfile* CMouseConfig::AddProfileCopy(IMouseProfile* profile) {
    const auto* source = dynamic_cast<const CMouseProfile*>(profile);
    if (source == nullptr) {
        return nullptr;
    }
    auto copy = std::make_unique<CMouseProfile>(*source);
    // Two profiles never share one settings file: deleting one would take the other's file.
    copy->SetFilePath(nullptr);
    m_profiles.push_back(std::move(copy));
    return m_profiles.back().get();
}

IMouseProfile* CMouseConfig::GetProfile(INT index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_profiles.size()) {
        return nullptr;
    }
    return m_profiles[static_cast<size_t>(index)].get();
}

IMouseProfile* CMouseConfig::FindProfileByGuid(GUID guid) const {
    for (const auto& profile : m_profiles) {
        GUID id{};
        if (IsEqualGUID(profile->GetGuid(id), guid)) {
            return profile.get();
        }
    }
    return nullptr;
}

IMouseProfile* CMouseConfig::FindProfileByName(const WCHAR* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    for (const auto& profile : m_profiles) {
        if (_wcsicmp(profile->GetName(), name) == 0) {
            return profile.get();
        }
    }
    return nullptr;
}

IMouseProfile* CMouseConfig::RenameProfile(IMouseProfile* profile, const WCHAR* newName) {
    if (profile == nullptr || !IsUsableNewName(newName)) {
        return nullptr;
    }
    if (wcscmp(profile->GetName(), newName) == 0) {
        return nullptr;
    }
    const auto place =
        std::find_if(m_profiles.begin(), m_profiles.end(),
                     [profile](const auto& owned) { return owned.get() == profile; });
    if (place == m_profiles.end()) {
        return nullptr;
    }
    CMouseProfile& old = **place;

    if (old.HasFile()) {
        // The renamed profile's file is named after the new name: refuse a name that another
        // profile already has (or one that makes the same file name), whose file would be
        // overwritten.
        const CString stem = MakeProfileFileStem(newName);
        for (const auto& other : m_profiles) {
            if (other.get() != &old &&
                (_wcsicmp(other->GetName(), newName) == 0 ||
                 MakeProfileFileStem(other->GetName()).CompareNoCase(stem) == 0)) {
                return nullptr;
            }
        }
    }

    // The original stays untouched until the renamed copy is complete, so a failed rename
    // leaves everything as it was.
    auto copy = std::make_unique<CMouseProfile>(old);
    copy->SetName(newName);

    if (old.HasFile()) {
        // While the copy is saved, the profile it replaces does not own a file the copy may
        // take (a new name that differs only in letter case names the same file).
        m_replacedProfile = &old;
        const BOOL saved = SaveProfile(copy.get());
        m_replacedProfile = nullptr;
        if (!saved) {
            // A partly written new file is removed, unless it is the old one.
            if (copy->HasFile() && !IsSameFilePath(copy->GetFilePath(), old.GetFilePath())) {
                DeleteProfileFile(*copy);
            }
            return nullptr;
        }
        // The old file goes only when the new one was written to another file.
        if (!IsSameFilePath(copy->GetFilePath(), old.GetFilePath())) {
            DeleteProfileFile(old);
        }
    }

    const bool wasActive = m_activeProfile == &old;
    place->swap(copy); // `copy` now owns the old profile, destroyed on return
    if (wasActive) {
        m_activeProfile = place->get();
    }
    return place->get();
}

IMouseProfile* CMouseConfig::DuplicateProfile(IMouseProfile* profile, const WCHAR* newName) {
    const auto* source = dynamic_cast<const CMouseProfile*>(profile);
    if (source == nullptr || !IsUsableNewName(newName)) {
        return nullptr;
    }
    if (wcscmp(source->GetName(), newName) == 0) {
        return nullptr;
    }
    auto copy = std::make_unique<CMouseProfile>(*source);
    copy->SetName(newName);
    copy->SetGuid(GUID_NULL);   // a new device profile
    copy->SetFilePath(nullptr); // and no share in the source's file
    m_profiles.push_back(std::move(copy));
    return m_profiles.back().get();
}

void CMouseConfig::DeleteProfile(IMouseProfile* profile) {
    const auto place =
        std::find_if(m_profiles.begin(), m_profiles.end(),
                     [profile](const auto& owned) { return owned.get() == profile; });
    if (profile == nullptr || place == m_profiles.end()) {
        return;
    }
    if (m_activeProfile == place->get()) {
        m_activeProfile = nullptr;
    }
    DeleteProfileFile(**place);
    m_profiles.erase(place);
}

IMouseProfile* CMouseConfig::GetActiveProfile() const {
    return m_activeProfile;
}

void CMouseConfig::SetActiveProfile(IMouseProfile* profile) {
    if (profile == nullptr) {
        m_activeProfile = nullptr;
    } else if (CMouseProfile* listed = FindListed(profile)) {
        m_activeProfile = listed;
    }
}

// The two operations that take the profile first work on that profile only: null is no
// profile here, not the active one.
void CMouseConfig::SetExePath(IMouseProfile* profile, const WCHAR* path) {
    if (profile != nullptr) {
        profile->SetExePath(path);
    }
}

const WCHAR* CMouseConfig::GetExePath(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetExePath() : nullptr;
}

void CMouseConfig::SetAutoSwitch(IMouseProfile* profile, BYTE flag) {
    if (profile != nullptr) {
        profile->SetAutoSwitch(flag);
    }
}

BYTE CMouseConfig::GetAutoSwitch(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetAutoSwitch() : 0;
}

void CMouseConfig::SetShowProfileOsdAll(BYTE flag) {
    for (const auto& profile : m_profiles) {
        profile->SetShowProfileOsd(flag);
    }
}

void CMouseConfig::SetShowProfileOsd(BYTE flag, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetShowProfileOsd(flag);
    }
}

BYTE CMouseConfig::GetShowProfileOsd(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetShowProfileOsd() : 0;
}

void CMouseConfig::SetShowDpiOsd(BYTE flag, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetShowDpiOsd(flag);
    }
}

BYTE CMouseConfig::GetShowDpiOsd(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetShowDpiOsd() : 0;
}

void CMouseConfig::SetStageSeparateXY(LONG stage, BYTE flag, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetStageSeparateXY(stage, flag);
    }
    m_fallbackSeparateXY = flag;
}

BYTE CMouseConfig::GetStageSeparateXY(LONG stage, IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetStageSeparateXY(stage) : m_fallbackSeparateXY;
}

void CMouseConfig::SetAccelerationEnabled(BYTE flag, IMouseProfile* /*ignored*/) {
    m_accelerationOn = flag;
}

BYTE CMouseConfig::GetAccelerationEnabled(IMouseProfile* /*ignored*/) const {
    return m_accelerationOn;
}

void CMouseConfig::SetAcceleration(UINT level, IMouseProfile* /*ignored*/) {
    if (level > m_accelerationMax) {
        m_acceleration = m_accelerationMax;
    } else if (level < m_accelerationMin) {
        m_acceleration = m_accelerationMin;
    } else {
        m_acceleration = level;
    }
}

UINT CMouseConfig::GetAcceleration(IMouseProfile* /*ignored*/) const {
    return m_acceleration;
}

void CMouseConfig::SetActiveStage(LONG stage, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetActiveStage(stage);
    }
    m_fallbackActiveStage = ActiveStageIndex(stage, m_fallbackStageCapacity);
}

LONG CMouseConfig::GetActiveStage(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetActiveStage() : m_fallbackActiveStage + 1;
}

LONG CMouseConfig::SetFallbackStageValue(std::vector<LONG>& values, LONG stage, LONG value) {
    const LONG clamped = ClampStageValue(value, m_fallbackDpiMin, m_fallbackDpiMax);
    if (const auto index = StageEntryIndex(stage, values.size())) {
        values[*index] = clamped;
    }
    return clamped;
}

LONG CMouseConfig::GetFallbackStageValue(const std::vector<LONG>& values, LONG stage) const {
    const auto index = StageEntryIndex(stage, values.size());
    return index ? values[*index] : 0;
}

LONG CMouseConfig::SetStageDpi(LONG stage, LONG value, IMouseProfile* profile) {
    IMouseProfile* target = Target(profile);
    const LONG stored = target != nullptr ? target->SetStageDpi(stage, value) : 0;
    const LONG fallback = SetFallbackStageValue(m_fallbackStageDpi, stage, value);
    return target != nullptr ? stored : fallback;
}

LONG CMouseConfig::GetStageDpi(LONG stage, IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetStageDpi(stage)
                             : GetFallbackStageValue(m_fallbackStageDpi, stage);
}

LONG CMouseConfig::SetStageDpiX(LONG stage, LONG value, IMouseProfile* profile) {
    IMouseProfile* target = Target(profile);
    const LONG stored = target != nullptr ? target->SetStageDpiX(stage, value) : 0;
    const LONG fallback = SetFallbackStageValue(m_fallbackStageDpiX, stage, value);
    return target != nullptr ? stored : fallback;
}

LONG CMouseConfig::GetStageDpiX(LONG stage, IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetStageDpiX(stage)
                             : GetFallbackStageValue(m_fallbackStageDpiX, stage);
}

LONG CMouseConfig::SetStageDpiY(LONG stage, LONG value, IMouseProfile* profile) {
    IMouseProfile* target = Target(profile);
    const LONG stored = target != nullptr ? target->SetStageDpiY(stage, value) : 0;
    const LONG fallback = SetFallbackStageValue(m_fallbackStageDpiY, stage, value);
    return target != nullptr ? stored : fallback;
}

LONG CMouseConfig::GetStageDpiY(LONG stage, IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetStageDpiY(stage)
                             : GetFallbackStageValue(m_fallbackStageDpiY, stage);
}

// The configuration keeps no current sensitivity of its own: without a profile the setters
// keep nothing and the getters answer 0.
void CMouseConfig::SetDpi(LONG value, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetDpi(value);
    }
}

LONG CMouseConfig::GetDpi(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetDpi() : 0;
}

void CMouseConfig::SetDpiX(LONG value, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetDpiX(value);
    }
}

LONG CMouseConfig::GetDpiX(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetDpiX() : 0;
}

void CMouseConfig::SetDpiY(LONG value, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetDpiY(value);
    }
}

LONG CMouseConfig::GetDpiY(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetDpiY() : 0;
}

void CMouseConfig::SetSeparateXY(BYTE flag, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetSeparateXY(flag);
    }
    m_fallbackSeparateXY = flag;
}

BYTE CMouseConfig::GetSeparateXY(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetSeparateXY() : m_fallbackSeparateXY;
}

void CMouseConfig::SetDpiRange(LONG min, LONG max, LONG step, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetDpiRange(min, max, step);
    }
    m_fallbackDpiMin = min;
    m_fallbackDpiMax = max;
    m_fallbackDpiStep = step;
}

BOOL CMouseConfig::GetDpiRange(LONG& min, LONG& max, LONG& step, IMouseProfile* profile) const {
    if (const IMouseProfile* target = Target(profile)) {
        return target->GetDpiRange(min, max, step);
    }
    min = m_fallbackDpiMin;
    max = m_fallbackDpiMax;
    step = m_fallbackDpiStep;
    return TRUE;
}

void CMouseConfig::SetPollingRate(LONG choice, IMouseProfile* /*ignored*/) {
    m_pollingRate = choice;
}

LONG CMouseConfig::GetPollingRate(IMouseProfile* /*ignored*/) const {
    return m_pollingRate;
}

void CMouseConfig::SetButtonAssignment(ButtonId button, ButtonAssignment assignment,
                                       IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetButtonAssignment(button, assignment);
    }
}

void CMouseConfig::GetButtonAssignment(ButtonAssignment& out, ButtonId button,
                                       IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->GetButtonAssignment(out, button);
    } else {
        out = ButtonAssignment{};
    }
}

BOOL CMouseConfig::HasClickAssignment(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->HasClickAssignment() : FALSE;
}

void CMouseConfig::SetExtraAssignment(ButtonId button, ButtonAssignment assignment,
                                      IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetExtraAssignment(button, assignment);
    }
}

void CMouseConfig::GetExtraAssignment(ButtonAssignment& out, ButtonId button,
                                      IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->GetExtraAssignment(out, button);
    } else {
        out = ButtonAssignment{};
    }
}

void CMouseConfig::SetExtraAssignmentsEnabled(BYTE flag, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetExtraAssignmentsEnabled(flag);
    }
}

BYTE CMouseConfig::GetExtraAssignmentsEnabled(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetExtraAssignmentsEnabled() : 1;
}

CMacro* CMouseConfig::CreateMacro(const WCHAR* name, IMouseProfile* /*ignored*/) {
    return m_macros.AddMacro(name, MacroEventList{});
}

void CMouseConfig::DeleteMacro(CMacro* macro, IMouseProfile* /*ignored*/) {
    m_macros.RemoveMacro(macro);
}

CMacro* CMouseConfig::FindMacroByGuid(GUID guid, IMouseProfile* /*ignored*/) const {
    return m_macros.FindByGuid(guid);
}

CMacro* CMouseConfig::FindMacroByName(const WCHAR* name, IMouseProfile* /*ignored*/) const {
    return m_macros.FindByName(name);
}

CMacro* CMouseConfig::GetMacro(INT index, IMouseProfile* /*ignored*/) const {
    return m_macros.GetAt(index);
}

CMacro* CMouseConfig::AddStoredMacro(const WCHAR* name, GUID guid) {
    return m_macros.AddStoredMacro(name, guid);
}

void CMouseConfig::SetScrollLightOn(BYTE on, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetScrollLightOn(on);
    }
    m_fallbackScrollLightOn = on;
}

BYTE CMouseConfig::GetScrollLightOn(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetScrollLightOn() : m_fallbackScrollLightOn;
}

void CMouseConfig::SetScrollLightColor(COLORREF colour, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetScrollLightColor(colour);
    }
    m_fallbackScrollColor = colour;
}

COLORREF CMouseConfig::GetScrollLightColor(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetScrollLightColor() : m_fallbackScrollColor;
}

void CMouseConfig::SetLogoLightOn(BYTE on, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetLogoLightOn(on);
    }
    m_fallbackLogoLightOn = on;
}

BYTE CMouseConfig::GetLogoLightOn(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetLogoLightOn() : m_fallbackLogoLightOn;
}

void CMouseConfig::SetLogoLightColor(COLORREF colour, IMouseProfile* profile) {
    if (IMouseProfile* target = Target(profile)) {
        target->SetLogoLightColor(colour);
    }
    m_fallbackLogoColor = colour;
}

COLORREF CMouseConfig::GetLogoLightColor(IMouseProfile* profile) const {
    const IMouseProfile* target = Target(profile);
    return target != nullptr ? target->GetLogoLightColor() : m_fallbackLogoColor;
}
