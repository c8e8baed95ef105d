#pragma once
// CMouseProfile: the profile as the configuration holds it: name, bound program, the device
// service's identifier, switching flags, button assignments, sensitivity stages and lights.

#include "model/ButtonAssignment.h"
#include "model/DpiStage.h"
#include "model/IMouseProfile.h"
#include "platform/base/CString.h"
#include "platform/base/Guid.h"

#include <map>
#include <vector>

class CMouseProfile : public IMouseProfile {
public:
    CMouseProfile() = default;
    explicit CMouseProfile(const WCHAR* name);
    // A default profile that then takes over everything of the source (CopyFrom).
    CMouseProfile(const CMouseProfile& source);
    CMouseProfile& operator=(const CMouseProfile& source);
    ~CMouseProfile() override = default;

    // Takes over every setting of the source, the guid and the file path included. Stage
    // values pass through the clamping setters, so they end up inside the copied range.
    void CopyFrom(const CMouseProfile& source);

    // The settings file of the profile (empty = none); set by the file operations, and
    // cleared where a copy must not share its source's file.
    void SetFilePath(const WCHAR* path);

    BOOL SetStageCapacity(UINT n) override;
    UINT GetStageCapacity() const override { return m_stageCapacity; }
    UINT GetStageCount() const override { return m_stageCount; }
    UINT GetExtraAssignmentCount() const override;
    void SetStageCount(UINT n) override;
    ButtonId GetExtraAssignmentButton(UINT index) const override;
    const WCHAR* GetName() const override { return m_name.GetString(); }
    GUID GetGuid(GUID& out) const override;
    BOOL HasFile() const override { return !m_filePath.IsEmpty(); }
    void SetName(const WCHAR* name) override;
    void SetGuid(GUID guid) override { m_guid = guid; }
    const WCHAR* GetExeName() const override { return m_exeName.GetString(); }
    void SetExeName(const WCHAR* name) override;
    const WCHAR* GetFilePath() const override { return m_filePath.GetString(); }
    const WCHAR* GetExePath() const override { return m_exePath.GetString(); }
    void SetExePath(const WCHAR* path) override;
    void SetAutoSwitch(BYTE flag) override { m_autoSwitch = flag; }
    BYTE GetAutoSwitch() const override { return m_autoSwitch; }
    void SetShowDpiOsd(BYTE flag) override { m_showDpiOsd = flag; }
    BYTE GetShowDpiOsd() const override { return m_showDpiOsd; }
    void SetShowProfileOsd(BYTE flag) override { m_showProfileOsd = flag; }
    BYTE GetShowProfileOsd() const override { return m_showProfileOsd; }
    void SetStageSeparateXY(LONG stage, BYTE flag) override;
    BYTE GetStageSeparateXY(LONG stage) const override;
    void SetActiveStage(LONG stage) override;
    LONG GetActiveStage() const override { return m_activeStage + 1; }
    LONG SetStageDpi(LONG stage, LONG value) override;
    LONG GetStageDpi(LONG stage) const override;
    LONG SetStageDpiX(LONG stage, LONG value) override;
    LONG GetStageDpiX(LONG stage) const override;
    LONG SetStageDpiY(LONG stage, LONG value) override;
    LONG GetStageDpiY(LONG stage) const override;
    void SetDpi(LONG value) override { m_dpi = value; }
    LONG GetDpi() const override { return m_dpi; }
    void SetDpiX(LONG value) override { m_dpiX = value; }
    LONG GetDpiX() const override { return m_dpiX; }
    void SetDpiY(LONG value) override { m_dpiY = value; }
    LONG GetDpiY() const override { return m_dpiY; }
    void SetSeparateXY(BYTE flag) override { m_separateXY = flag; }
    BYTE GetSeparateXY() const override { return m_separateXY; }
    void SetDpiRange(LONG min, LONG max, LONG step) override;
    BOOL GetDpiRange(LONG& min, LONG& max, LONG& step) const override;
    void SetScrollLightOn(BYTE on) override { m_scrollLightOn = on; }
    BYTE GetScrollLightOn() const override { return m_scrollLightOn; }
    void SetScrollLightColor(COLORREF colour) override { m_scrollColor = colour; }
    COLORREF GetScrollLightColor() const override { return m_scrollColor; }
    void SetLogoLightOn(BYTE on) override { m_logoLightOn = on; }
    BYTE GetLogoLightOn() const override { return m_logoLightOn; }
    void SetLogoLightColor(COLORREF colour) override { m_logoColor = colour; }
    COLORREF GetLogoLightColor() const override { return m_logoColor; }
    void Reserved50() override {}
    LONG Reserved51() override { return 0; }
    void SetButtonAssignment(ButtonId button, ButtonAssignment assignment) override;
    void GetButtonAssignment(ButtonAssignment& out, ButtonId button) override;
    BOOL HasClickAssignment() const override;
    void SetExtraAssignment(ButtonId button, ButtonAssignment assignment) override;
    void GetExtraAssignment(ButtonAssignment& out, ButtonId button) override;
    void SetExtraAssignmentsEnabled(BYTE flag) override { m_extraEnabled = flag; }
    BYTE GetExtraAssignmentsEnabled() const override { return m_extraEnabled; }
    BOOL IsAssignmentAllowed(AssignmentKind kind, ButtonId button) const override;
    void GetAllowedAssignmentNames(CStringArray& names, ButtonId button) const override;
    // A settings file names only the kind of each button; this product restores nothing
    // from it.
    BOOL SetAssignmentFromText(ButtonId button, const WCHAR* text) override;
    LONG Reserved62() override { return 0; }
    BOOL Reserved63() override { return FALSE; }
    BOOL Reserved64() override { return FALSE; }
    BOOL Reserved65() override { return FALSE; }
    void Reserved66() override {}
    BOOL Reserved67() override { return FALSE; }
    BOOL SaveToFile(CString& fileName, const WCHAR* folder, const WCHAR* extension) override;
    BOOL LoadFromFile(const WCHAR* fileName, const WCHAR* folder, const WCHAR* extension) override;
    void Reserved71() override {}
    BOOL Reserved72() override { return FALSE; }
    void Reserved73() override {}

    // Read access for the file and device code: the assignments in ascending button order.
    const std::map<ButtonId, ButtonAssignment>& GetAssignments() const { return m_assignments; }

private:
    // The entry a stage number addresses, or null (stage 0, or no array).
    DpiStage* StageEntry(LONG stage);
    const DpiStage* StageEntry(LONG stage) const;
    // Clamps to the range, stores into the addressed entry (when there is one) and returns
    // the clamped value.
    LONG SetStageValue(LONG stage, LONG value, LONG DpiStage::*field);
    LONG GetStageValue(LONG stage, LONG DpiStage::*field) const;

    CString m_name;
    CString m_exePath;
    CString m_exeName;
    CString m_filePath;
    GUID m_guid{};
    BYTE m_autoSwitch = 0;
    BYTE m_showDpiOsd = 0;
    BYTE m_showProfileOsd = 0;
    std::map<ButtonId, ButtonAssignment> m_assignments;
    // The second set: every button of m_extraButtons has an entry in m_extraAssignments and
    // the other way round, so the count and the button list always agree.
    std::map<ButtonId, ButtonAssignment> m_extraAssignments;
    std::vector<ButtonId> m_extraButtons;
    BYTE m_extraEnabled = 1;
    BYTE m_logoLightOn = 0;
    BYTE m_scrollLightOn = 0;
    COLORREF m_logoColor = 0x00FFFFFF;
    COLORREF m_scrollColor = 0x00FFFFFF;
    LONG m_dpiMin = 0;
    LONG m_dpiMax = 0;
    LONG m_dpiStep = 0;
    std::vector<DpiStage> m_stages;
    UINT m_stageCapacity = 0; // always m_stages.size()
    UINT m_stageCount = 0;
    LONG m_activeStage = -1;
    LONG m_dpi = 0;
    LONG m_dpiX = 0;
    LONG m_dpiY = 0;
    BYTE m_separateXY = 0;
};

// The product's profile: the same operations.
class CBorvantaProfile : public CMouseProfile {
public:
    using CMouseProfile::CMouseProfile;
};
